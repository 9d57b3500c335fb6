// The record runtime over a FileSystem: numbered units, each with one file of 256-byte records.
//
// A full read takes the output file front to back, hundreds of thousands of records, so a record
// must cost a memory copy rather than a system call: each open unit keeps one block of records,
// read from the file in one piece, and serves the records inside it from memory. Blocks grow
// while the reads go on where the last block ended (16 records, doubling up to kBlockRecords),
// and start small again after a jump, so that picking a few values out of a large file costs
// little more than their records. A run of records (ReadRecords) takes the records the block
// holds in one copy. The block buffer is kept from one open to the next; reading allocates
// nothing.
#ifndef VIRU4DEDUZ_PLATFORM_POSIX_RECORD_RUNTIME_H_
#define VIRU4DEDUZ_PLATFORM_POSIX_RECORD_RUNTIME_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/record_runtime.h"

namespace viru4deduz {

class PosixRecordRuntime : public RecordRuntime {
 public:
  // Records per block: 1024 records = 256 KiB, one read per block.
  static constexpr int kBlockRecords = 1024;

  // files must outlive the runtime.
  explicit PosixRecordRuntime(FileSystem& files);
  ~PosixRecordRuntime() override;
  PosixRecordRuntime(const PosixRecordRuntime&) = delete;
  PosixRecordRuntime& operator=(const PosixRecordRuntime&) = delete;

  bool Inquire(const std::string& name) override;
  void Open(int unit, const std::string& name) override;
  int ReadRecord(int unit, std::int64_t record, unsigned char* buffer) override;
  int ReadRecords(int unit, std::int64_t first, std::int64_t count, unsigned char* buffer,
                  std::int64_t* done) override;
  std::int64_t RecordCount(int unit) override;
  bool StillAsOpened(int unit) override;
  void Close(int unit) override;

  // True while a file is open on the unit (an open that failed leaves it false).
  bool IsOpen(int unit) const;

 private:
  class UnitFile;

  FileSystem& files_;
  // Units with an open in effect; a null entry is a unit whose open failed.
  std::map<int, std::unique_ptr<UnitFile>> units_;
  // The block buffer of the last unit closed, for the next open.
  std::unique_ptr<unsigned char[]> spareBlock_;
};

// The process-wide record runtime over DefaultFileSystem(), made on first use and destroyed when
// the module is unloaded (so a host that unloads the module leaks nothing).
RecordRuntime* DefaultRecordRuntime();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_POSIX_RECORD_RUNTIME_H_
