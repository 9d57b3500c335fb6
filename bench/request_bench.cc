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
#include "bench_jobs.h"
#include "one_request.h"
#include "writer/output_writer.h"

namespace viru4deduz {
namespace {

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

// The loads at every support in every stored case into one array (cases, supports, 6), as the
// Python package's job.supports() fills it: the job opened once, the order of each support's
// entries worked out on the first pass.
void BM_SupportsEveryCase(benchmark::State& state) {
  const JobOnDisk& job = Job(static_cast<int>(state.range(0)));
  const api::Job opened = api::Job::Open(job.JobPath());
  const std::size_t supports = opened.SupportNodes().size();
  std::vector<int> stored;
  for (const api::LoadCase& c : opened.cases()) {
    if (c.hasResults) stored.push_back(c.number);
  }
  std::vector<float> all(stored.size() * supports * 6);
  for (auto _ : state) {
    for (std::size_t k = 0; k < stored.size(); ++k) {
      opened.SupportLoadsInto(stored[k], std::span<float>(all).subspan(k * supports * 6, supports * 6));
    }
    benchmark::DoNotOptimize(all.data());
  }
  state.counters["cases"] = static_cast<double>(stored.size());
  state.counters["supports"] = static_cast<double>(supports);
}
BENCHMARK(BM_SupportsEveryCase)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

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
