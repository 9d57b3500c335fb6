#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix_record_runtime.h"
#include "testing/scripted_record_runtime.h"

namespace viru4deduz {
namespace {

using Buffer = std::array<unsigned char, kRecordLength>;
constexpr unsigned char kUntouched = 0xAA;
constexpr int kBlock = PosixRecordRuntime::kBlockRecords;
constexpr int kFailed = -1;  // a failed transfer's buffer: untouched

unsigned char ByteOf(std::int64_t record, int i) {
  return static_cast<unsigned char>((record * 131 + i) & 0xFF);
}

// records whole records, then tailBytes of the next one.
std::string RecordFile(int records, int tailBytes = 0) {
  std::string bytes;
  for (int i = 0; i < records * kRecordLength + tailBytes; ++i) {
    bytes.push_back(static_cast<char>(ByteOf(i / kRecordLength + 1, i % kRecordLength)));
  }
  return bytes;
}

// Reads the record over a marked buffer and checks its status and bytes: the first `present`
// as in the file, the rest zero; a failed transfer (present < 0) must not touch the buffer.
void ExpectRecord(RecordRuntime& runtime, int unit, std::int64_t record, int status,
                  int present = kRecordLength) {
  Buffer buffer;
  buffer.fill(kUntouched);
  ASSERT_EQ(runtime.ReadRecord(unit, record, buffer.data()), status) << "record " << record;
  for (int i = 0; i < kRecordLength; ++i) {
    const unsigned char expected = present < 0 ? kUntouched : i < present ? ByteOf(record, i) : 0;
    ASSERT_EQ(buffer[i], expected) << "record " << record << " byte " << i;
  }
}

// Real files in a temporary directory, read through the process's file system.
class PosixFiles {
 public:
  PosixFiles() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recordsXXXXXX").string();
    dir_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~PosixFiles() { std::filesystem::remove_all(dir_); }
  std::string Add(const std::string& leaf, const std::string& bytes) {
    std::ofstream(dir_ + "/" + leaf, std::ios::binary) << bytes;
    return dir_ + "/" + leaf;
  }
  std::string Missing() const { return dir_ + "/missing._P"; }
  RecordRuntime& runtime() { return runtime_; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  PosixRecordRuntime runtime_{*DefaultFileSystem()};
};

class ScriptedFiles {
 public:
  std::string Add(const std::string& leaf, const std::string& bytes) {
    runtime_.AddFile(leaf, bytes);
    return leaf;
  }
  std::string Missing() const { return "missing._P"; }
  RecordRuntime& runtime() { return runtime_; }

 private:
  ScriptedRecordRuntime runtime_;
};

template <typename Files>
class RecordRuntimeTest : public ::testing::Test {
 protected:
  Files files_;
  RecordRuntime& runtime_ = files_.runtime();
};

using Implementations = ::testing::Types<PosixFiles, ScriptedFiles>;
TYPED_TEST_SUITE(RecordRuntimeTest, Implementations);

TYPED_TEST(RecordRuntimeTest, ReadsWholeRecordsAndZeroFillsTheLastOne) {
  const std::string name = this->files_.Add("OUT._P", RecordFile(2, 100));
  EXPECT_TRUE(this->runtime_.Inquire(name));
  this->runtime_.Open(39, name);
  ExpectRecord(this->runtime_, 39, 2, 0);
  ExpectRecord(this->runtime_, 39, 1, 0);
  ExpectRecord(this->runtime_, 39, 3, kRecordEndOfFile, 100);
}

TYPED_TEST(RecordRuntimeTest, RecordsOutsideTheFileLeaveTheBufferUntouched) {
  this->runtime_.Open(39, this->files_.Add("OUT._P", RecordFile(2)));
  this->runtime_.Open(40, this->files_.Add("EMPTY._P", ""));
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  for (std::int64_t record : {std::int64_t{3}, std::int64_t{0}, std::int64_t{-1},
                              std::numeric_limits<std::int64_t>::min(), kMax, kMax / 256 + 2}) {
    ExpectRecord(this->runtime_, 39, record, kRecordBeyondEnd, kFailed);
  }
  ExpectRecord(this->runtime_, 40, 1, kRecordBeyondEnd, kFailed);
}

TYPED_TEST(RecordRuntimeTest, UnitsWithoutAnOpenFileReportNotOpen) {
  ExpectRecord(this->runtime_, 39, 1, kRecordUnitNotOpen, kFailed);
  const std::string first = this->files_.Add("FIRST._P", RecordFile(1));
  this->runtime_.Open(39, first);
  this->runtime_.Open(39, this->files_.Add("SECOND._P", RecordFile(3)));  // reads the new file
  ExpectRecord(this->runtime_, 39, 3, 0);
  EXPECT_FALSE(this->runtime_.Inquire(this->files_.Missing()));
  this->runtime_.Open(39, this->files_.Missing());  // and a failed open drops it
  ExpectRecord(this->runtime_, 39, 1, kRecordUnitNotOpen, kFailed);
  this->runtime_.Open(7, first);
  this->runtime_.Close(7);
  this->runtime_.Close(8);
  ExpectRecord(this->runtime_, 7, 1, kRecordUnitNotOpen, kFailed);
}

using PosixRecordRuntimeTest = RecordRuntimeTest<PosixFiles>;

TEST_F(PosixRecordRuntimeTest, FindsTheFileUnderAnotherCaseWithBackslashes) {
  std::filesystem::create_directory(files_.dir() + "/Job");
  files_.Add("Job/out._p", RecordFile(1));
  const std::string windowsName = files_.dir() + "\\JOB\\OUT._P";
  EXPECT_TRUE(runtime_.Inquire(windowsName));
  runtime_.Open(39, windowsName);
  ExpectRecord(runtime_, 39, 1, 0);
}

TEST_F(PosixRecordRuntimeTest, ReadsEveryRecordAcrossBlocksInAnyOrder) {
  runtime_.Open(39, files_.Add("BIG._P", RecordFile(3 * kBlock, 10)));
  for (int r = 1; r <= 3 * kBlock; ++r) ExpectRecord(runtime_, 39, r, 0);
  ExpectRecord(runtime_, 39, 3 * kBlock + 1, kRecordEndOfFile, 10);
  for (int r : {kBlock + 1, kBlock, 2 * kBlock + 1, 1, 3 * kBlock}) ExpectRecord(runtime_, 39, r, 0);
}

TEST_F(PosixRecordRuntimeTest, AFileCutAfterItWasOpenedReadsAsEnded) {
  const std::string name = files_.Add("CUT._P", RecordFile(3));
  runtime_.Open(39, name);
  runtime_.Open(40, name);
  std::filesystem::resize_file(name, kRecordLength + 100);
  ExpectRecord(runtime_, 39, 2, kRecordEndOfFile, 100);
  ExpectRecord(runtime_, 39, 3, kRecordBeyondEnd, kFailed);
  std::filesystem::resize_file(name, 0);
  ExpectRecord(runtime_, 40, 1, kRecordBeyondEnd, kFailed);
}

TEST(ScriptedRecordRuntimeTest, LogsTransfersAndFailsThePlannedOnes) {
  ScriptedRecordRuntime runtime;
  runtime.AddFile("OUT._P", RecordFile(3));
  runtime.Open(39, "OUT._P");
  runtime.FailTransfer(2, kRecordReadError);
  ExpectRecord(runtime, 39, 1, 0);
  ExpectRecord(runtime, 39, 2, kRecordReadError, kFailed);
  ExpectRecord(runtime, 39, 3, 0);
  ExpectRecord(runtime, 5, 9, kRecordUnitNotOpen, kFailed);
  using Log = std::vector<std::pair<int, std::int64_t>>;
  EXPECT_EQ(runtime.transfers, (Log{{39, 1}, {39, 2}, {39, 3}, {5, 9}}));
  EXPECT_EQ(runtime.transferCount(), 4);

  runtime.ResetCounts();  // counting starts again; the planned failure still stands
  ExpectRecord(runtime, 39, 1, 0);
  ExpectRecord(runtime, 39, 1, kRecordReadError, kFailed);
  EXPECT_EQ(runtime.transfers, (Log{{39, 1}, {39, 1}}));
  EXPECT_EQ(runtime.transferCount(), 2);
}

TEST(ScriptedRecordRuntimeTest, MatchesNamesAndFailsPlannedOpens) {
  ScriptedRecordRuntime runtime;
  runtime.AddFile("Job/out._p", RecordFile(1));
  runtime.AddFile("JOB/OUT._P", RecordFile(2));
  runtime.AddFile("bad._p", RecordFile(1));
  runtime.failOpen.insert("BAD._P");
  runtime.Open(1, "JOB\\OUT._P");  // the exact name wins over the case-insensitive one
  ExpectRecord(runtime, 1, 2, 0);
  runtime.Open(2, "job\\Out._P");
  ExpectRecord(runtime, 2, 1, 0);
  EXPECT_TRUE(runtime.Inquire("BAD._P"));
  runtime.Open(3, "BAD._P");
  ExpectRecord(runtime, 3, 1, kRecordUnitNotOpen, kFailed);
  runtime.Close(1);
  runtime.Close(3);
  EXPECT_FALSE(runtime.IsOpen(1) || runtime.IsOpen(3));
  EXPECT_TRUE(runtime.IsOpen(2));
  using Opens = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(runtime.opens, (Opens{{1, "JOB\\OUT._P"}, {2, "job\\Out._P"}, {3, "BAD._P"}}));
  EXPECT_EQ(runtime.closes, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace viru4deduz
