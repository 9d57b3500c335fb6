// Whole requests through the exported GetLoads, and the same answers through the job library,
// on the jobs a host meets, each beside a plain
// sequential read of the same output file (1 MiB reads, from the page cache) measured in the same
// run: the figure every request is judged against. docs/PERFORMANCE.md keeps the results.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "VirU4Deduz/Job.h"
#include "one_request.h"
#include "writer/output_writer.h"

namespace viru4deduz {
namespace {

struct JobShape {
  std::int32_t version;
  int nodes, entries, cases;
};

// The jobs, by number: 0 the large one, 1 the same packed with half the cases, 2 a model of
// 1,000 cases, 3 the same model with one case, 4 a model of many supports.
constexpr JobShape kShapes[] = {
    {1531, 20000, 2000, 200}, {1451, 20000, 2000, 100}, {1531, 2000, 300, 1000},
    {1531, 2000, 300, 1}, {1531, 3000, 10000, 20},
};

writer::OutputJob JobOf(const JobShape& shape) {
  writer::OutputJob job;
  job.version = shape.version;
  for (int n = 1; n <= shape.nodes; ++n) job.nodes.push_back(n);
  for (int e = 0; e < shape.entries; ++e) {
    job.restraints.push_back({(e * 7919) % shape.nodes + 1, e});
  }
  job.hangerCount = shape.entries / 20;
  job.resultCountB = shape.entries / 2;
  job.hangerRecords.assign(static_cast<std::size_t>(job.hangerCount), std::vector<std::int32_t>(64, 1));
  job.codes.clear();
  for (int k = 1; k <= shape.cases; ++k) job.codes.insert(job.codes.end(), {-4, 1, 3, 6});
  job.codes.push_back(-999);
  job.loads.assign(static_cast<std::size_t>(shape.cases),
                   std::vector<std::array<float, 12>>(static_cast<std::size_t>(shape.entries),
                                                      {1.5f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f}));
  job.displacements.assign(static_cast<std::size_t>(shape.cases),
                           std::vector<std::array<float, 6>>(static_cast<std::size_t>(shape.nodes),
                                                             {0.5f, 0.25f, 0.125f, 0.01f, 0.02f, 0.03f}));
  return job;
}

class JobOnDisk {
 public:
  explicit JobOnDisk(const JobShape& shape) : shape_(shape) {
    std::string pattern = (std::filesystem::temp_directory_path() / "requestbenchXXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    const std::string bytes = writer::WriteOutputFile(JobOf(shape));
    bytes_ = bytes.size();
    std::ofstream(dir_ + "/LARGE._P", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // Room for the largest job's results (about 29 million words).
    const std::string settings = dir_ + "/config/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings";
    std::filesystem::create_directories(settings);
    std::ofstream(settings + "/XMS Memory Allocated.value") << "200000000";
  }
  ~JobOnDisk() { std::filesystem::remove_all(dir_); }
  void UseItsSettings() const { setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1); }
  std::string JobPath() const { return dir_ + "/LARGE.X4"; }
  std::string OutputPath() const { return dir_ + "/LARGE._P"; }
  std::size_t bytes() const { return bytes_; }
  const JobShape& shape() const { return shape_; }

 private:
  JobShape shape_;
  std::string dir_;
  std::size_t bytes_ = 0;
};

// One file per job for the whole run, so that the request and the plain read see the same bytes.
const JobOnDisk& Job(int index) {
  static std::map<int, std::unique_ptr<JobOnDisk>> jobs;
  auto& job = jobs[index];
  if (!job) job = std::make_unique<JobOnDisk>(kShapes[index]);
  return *job;
}

// Arguments: the job, the extraction mode. The last stored case, at a restraint node (and a
// second node for displacements).
void BM_Request(benchmark::State& state) {
  const JobOnDisk& job = Job(static_cast<int>(state.range(0)));
  const int mode = static_cast<int>(state.range(1));
  job.UseItsSettings();
  BenchUserInterface ui;
  const InstalledUserInterface installed(ui);
  const JobShape& shape = job.shape();
  for (auto _ : state) {
    if (!RunOneRequest(state, ui, job.JobPath(), mode, (5 * 7919) % shape.nodes + 1, 7,
                       shape.cases)) {
      return;
    }
  }
  state.counters["file_MB"] = static_cast<double>(job.bytes()) / 1e6;
}
BENCHMARK(BM_Request)
    ->Args({0, 1})->Args({0, 2})->Args({1, 1})->Args({2, 1})->Args({3, 1})->Args({4, 1})
    ->Unit(benchmark::kMillisecond);

// The job library's answer to the same question: the job opened once, then the loads at the
// node (or the displacements) of the last stored case each time.
void BM_JobLibrary(benchmark::State& state) {
  const JobOnDisk& job = Job(static_cast<int>(state.range(0)));
  const int mode = static_cast<int>(state.range(1));
  const JobShape& shape = job.shape();
  const api::Job opened = api::Job::Open(job.JobPath());
  for (auto _ : state) {
    if (mode == 1) {
      benchmark::DoNotOptimize(opened.LoadsAt((5 * 7919) % shape.nodes + 1, shape.cases));
    } else {
      benchmark::DoNotOptimize(opened.DisplacementsAt((5 * 7919) % shape.nodes + 1, 7, shape.cases));
    }
  }
}
BENCHMARK(BM_JobLibrary)
    ->Args({0, 1})->Args({0, 2})->Args({1, 1})->Args({2, 1})->Args({3, 1})->Args({4, 1})
    ->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
  const JobOnDisk& job = Job(static_cast<int>(state.range(0)));
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    const int fd = open(job.OutputPath().c_str(), O_RDONLY);
    if (fd < 0) return state.SkipWithError("cannot open the output file");
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
    close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * job.bytes()));
}
BENCHMARK(BM_PlainRead)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace viru4deduz
