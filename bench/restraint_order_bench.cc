// The restraint entries in descending node order, the order that made the old exchange sort
// quadratic: one whole load request at a node on jobs of 10,000 and 140,000 entries (version
// 1531, one load case), beside a plain sequential read of the same file as the reference figure.
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

#include "one_request.h"
#include "writer/output_writer.h"

namespace viru4deduz {
namespace {

// Nodes 1..R; entry e acts at node R - e; one stored case.
writer::OutputJob DescendingJob(int entries) {
  writer::OutputJob job;
  job.version = 1531;
  for (int n = 1; n <= entries; ++n) job.nodes.push_back(n);
  for (int e = 0; e < entries; ++e) job.restraints.push_back({entries - e, e});
  job.resultCountB = entries;
  job.codes = {-4, 1, -999};
  job.loads.emplace_back();
  for (int e = 0; e < entries; ++e) job.loads[0].push_back({1.5f + static_cast<float>(e % 7), -2.0f, 3.0f, 4.0f, 5.0f, 6.0f});
  job.displacements.assign(1, std::vector<std::array<float, 6>>(static_cast<std::size_t>(entries)));
  return job;
}

class DescendingJobOnDisk {
 public:
  explicit DescendingJobOnDisk(int entries) {
    std::string pattern = (std::filesystem::temp_directory_path() / "restraintbenchXXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    const std::string bytes = writer::WriteOutputFile(DescendingJob(entries));
    std::ofstream(dir_ + "/DESC._P", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes_ = bytes.size();
    // The results take N + 2R + 12R + 6N words, 21R here: a little more than that, in bytes.
    const std::string settings = dir_ + "/config/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings";
    std::filesystem::create_directories(settings);
    std::ofstream(settings + "/XMS Memory Allocated.value") << 4 * (22 * entries + 1000);
  }
  ~DescendingJobOnDisk() { std::filesystem::remove_all(dir_); }
  // The work area setting a module made after this call reads.
  void UseItsSettings() const { setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1); }
  std::string JobPath() const { return dir_ + "/DESC.X4"; }
  std::string OutputPath() const { return dir_ + "/DESC._P"; }
  std::size_t bytes() const { return bytes_; }

 private:
  std::string dir_;
  std::size_t bytes_ = 0;
};

// One file per size for the whole run, so that both benchmarks read the same bytes.
const DescendingJobOnDisk& Job(int entries) {
  static std::map<int, std::unique_ptr<DescendingJobOnDisk>> jobs;
  auto& job = jobs[entries];
  if (!job) job = std::make_unique<DescendingJobOnDisk>(entries);
  return *job;
}

void BM_LoadsAtNodeDescendingEntries(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const DescendingJobOnDisk& job = Job(entries);
  job.UseItsSettings();
  BenchUserInterface ui;
  const InstalledUserInterface installed(ui);
  for (auto _ : state) {
    if (!RunOneRequest(state, ui, job.JobPath(), 1, entries / 2, 0, 1)) return;
  }
}
BENCHMARK(BM_LoadsAtNodeDescendingEntries)->Arg(10000)->Arg(140000)->Unit(benchmark::kMillisecond);

// The reference: the same file read from start to end in 1 MiB pieces (from the page cache).
void BM_PlainReadOfTheSameFile(benchmark::State& state) {
  const DescendingJobOnDisk& job = Job(static_cast<int>(state.range(0)));
  const std::string path = job.OutputPath();
  std::vector<char> buffer(1 << 20);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return state.SkipWithError("cannot open the output file");
    for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;) bytes += got;
    close(fd);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(bytes);
  state.counters["file_MiB"] = static_cast<double>(job.bytes()) / (1 << 20);
}
BENCHMARK(BM_PlainReadOfTheSameFile)->Arg(10000)->Arg(140000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace viru4deduz
