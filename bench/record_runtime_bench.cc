// Reading a large output file front to back, record by record, as a request reads its results:
// through the record runtime, and with one system read per record for comparison.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/posix_record_runtime.h"
#include "platform/record_runtime.h"

namespace viru4deduz {
namespace {

constexpr std::int64_t kRecords = 100 * 1024 * 1024 / kRecordLength;  // a 100 MiB file

// The file, written once per run and removed at the end of it.
class BenchFile {
 public:
  BenchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recordbenchXXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    dir_ = pattern;
    std::vector<char> record(kRecordLength);
    std::ofstream out(Path(), std::ios::binary);
    for (std::int64_t r = 1; r <= kRecords; ++r) {
      for (int i = 0; i < kRecordLength; ++i) record[i] = static_cast<char>(r + i);
      out.write(record.data(), kRecordLength);
    }
    ok_ = static_cast<bool>(out.flush());
  }
  ~BenchFile() {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  bool ok() const { return ok_; }
  std::string Path() const { return dir_ + "/BENCH._P"; }

 private:
  std::string dir_;
  bool ok_ = false;
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

void Report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(state.iterations() * kRecords * kRecordLength);
}

void BM_RecordRuntimeReadsEveryRecord(benchmark::State& state) {
  if (!File().ok()) return state.SkipWithError("could not write the file");
  PosixRecordRuntime runtime(*DefaultFileSystem());
  std::array<unsigned char, kRecordLength> buffer{};
  for (auto _ : state) {
    runtime.Open(39, File().Path());
    for (std::int64_t r = 1; r <= kRecords; ++r) {
      if (runtime.ReadRecord(39, r, buffer.data()) != 0) return state.SkipWithError("read failed");
      benchmark::DoNotOptimize(buffer.data());
    }
    runtime.Close(39);
  }
  Report(state);
}
BENCHMARK(BM_RecordRuntimeReadsEveryRecord)->Unit(benchmark::kMillisecond);

void BM_OneSystemReadPerRecord(benchmark::State& state) {
  if (!File().ok()) return state.SkipWithError("could not write the file");
  std::array<unsigned char, kRecordLength> buffer{};
  for (auto _ : state) {
    const int fd = open(File().Path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return state.SkipWithError("open failed");
    for (std::int64_t r = 1; r <= kRecords; ++r) {
      if (pread(fd, buffer.data(), kRecordLength, (r - 1) * kRecordLength) != kRecordLength) {
        close(fd);
        return state.SkipWithError("read failed");
      }
      benchmark::DoNotOptimize(buffer.data());
    }
    close(fd);
  }
  Report(state);
}
BENCHMARK(BM_OneSystemReadPerRecord)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace viru4deduz
