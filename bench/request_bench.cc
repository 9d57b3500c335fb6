// A whole request on a large job: 20000 nodes, 2000 restraint entries (100 of them hangers),
// 40 stored load cases; the output file on disk, read through the POSIX layers, as a host's
// request reads it. Packed (1451) and 4-byte (1531) results.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "one_request.h"
#include "writer/output_writer.h"

namespace viru4deduz {
namespace {

constexpr int kNodes = 20000;
constexpr int kEntries = 2000;
constexpr int kCases = 40;

writer::OutputJob LargeJob(std::int32_t version) {
  writer::OutputJob job;
  job.version = version;
  for (int n = 1; n <= kNodes; ++n) job.nodes.push_back(n);
  for (int e = 0; e < kEntries; ++e) job.restraints.push_back({(e * 7919) % kNodes + 1, e});
  job.hangerCount = 100;
  job.resultCountB = 900;
  job.hangerRecords.assign(100, std::vector<std::int32_t>(64, 1));
  job.codes.clear();
  for (int k = 1; k <= kCases; ++k) job.codes.insert(job.codes.end(), {-4, 1, 3, 6});
  job.codes.push_back(-999);
  job.loads.assign(kCases, std::vector<std::array<float, 12>>(kEntries, {1.5f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f}));
  job.displacements.assign(kCases, std::vector<std::array<float, 6>>(kNodes, {0.5f, 0.25f, 0.125f, 0.01f, 0.02f, 0.03f}));
  return job;
}

class JobOnDisk {
 public:
  explicit JobOnDisk(std::int32_t version) {
    std::string pattern = (std::filesystem::temp_directory_path() / "requestbenchXXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    const std::string bytes = writer::WriteOutputFile(LargeJob(version));
    bytes_ = bytes.size();
    std::ofstream(dir_ + "/LARGE._P", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    // The job's results need about 5.8 million words: give the work area 100 MB.
    setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
    const std::string settings = dir_ + "/config/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings";
    std::filesystem::create_directories(settings);
    std::ofstream(settings + "/XMS Memory Allocated.value") << "100000000";
  }
  ~JobOnDisk() { std::filesystem::remove_all(dir_); }
  std::string JobPath() const { return dir_ + "/LARGE.X4"; }
  std::size_t bytes() const { return bytes_; }

 private:
  std::string dir_;
  std::size_t bytes_ = 0;
};

void BM_Request(benchmark::State& state) {
  const auto version = static_cast<std::int32_t>(state.range(0));
  const int mode = static_cast<int>(state.range(1));
  JobOnDisk job(version);
  ScriptedUserInterface ui;
  Env env = DefaultEnv();
  env.ui = &ui;
  Module module(env);
  for (auto _ : state) {
    // A restraint node, and a second node.
    if (!RunOneRequest(state, module, ui, job.JobPath(), mode, (5 * 7919) % kNodes + 1, 7, kCases)) {
      return;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * job.bytes()));
}
BENCHMARK(BM_Request)->Args({1531, 1})->Args({1531, 2})->Args({1451, 1})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace viru4deduz
