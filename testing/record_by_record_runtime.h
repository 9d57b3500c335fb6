// The record runtime at its plainest, the reference that the block-reading runtime is held
// against: record n is the 256 bytes at offset (n - 1) * 256, read on its own each time it is
// asked for, and nothing is held between reads. A record fails exactly when its own read fails.
#ifndef VIRU4DEDUZ_TESTING_RECORD_BY_RECORD_RUNTIME_H_
#define VIRU4DEDUZ_TESTING_RECORD_BY_RECORD_RUNTIME_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/record_runtime.h"

namespace viru4deduz {

class RecordByRecordRuntime : public RecordRuntime {
 public:
  // files must outlive the runtime.
  explicit RecordByRecordRuntime(FileSystem& files) : files_(files) {}

  bool Inquire(const std::string& name) override { return files_.Exists(name); }
  void Open(int unit, const std::string& name) override;
  int ReadRecord(int unit, std::int64_t record, unsigned char* buffer) override;
  std::int64_t RecordCount(int unit) override;
  void Close(int unit) override { units_.erase(unit); }

 private:
  FileSystem& files_;
  std::map<int, std::unique_ptr<RandomAccessFile>> units_;  // null: the open failed
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_RECORD_BY_RECORD_RUNTIME_H_
