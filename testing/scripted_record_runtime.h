// A record runtime for tests: files served from memory, every transfer logged, and a runtime
// that may not know a file's size. (Faulty records come from the file system below a runtime:
// MemoryFileSystem's bad sectors.)
//
// Records are read by the same block reader as the real runtime, over an in-memory file system,
// so the statuses (complete, cut short by the end, beyond the end, unit not open) are the same.
#ifndef VIRU4DEDUZ_TESTING_SCRIPTED_RECORD_RUNTIME_H_
#define VIRU4DEDUZ_TESTING_SCRIPTED_RECORD_RUNTIME_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/record_runtime.h"

namespace viru4deduz {

class PosixRecordRuntime;

class ScriptedRecordRuntime : public RecordRuntime {
 public:
  ScriptedRecordRuntime();
  ~ScriptedRecordRuntime() override;
  ScriptedRecordRuntime(const ScriptedRecordRuntime&) = delete;
  ScriptedRecordRuntime& operator=(const ScriptedRecordRuntime&) = delete;

  // Adds (or replaces) a file. Names are looked up exactly first, then without regard to ASCII
  // case; '\' and '/' are the same separator. A unit already open on a replaced file keeps
  // reading the old contents.
  void AddFile(std::string name, std::string bytes);

  // Adds (or replaces) a file whose bytes are not copied: they are read where they are. The
  // caller keeps them there, unchanged, until the file has been replaced and no unit is open on
  // it any more. For inputs too large to copy once per use, such as a fuzzer's.
  void AddFileView(std::string name, std::string_view bytes);

  // Starts counting transfers afresh and empties the transfer log.
  void ResetCounts();
  int transferCount() const { return transferCount_; }

  // True while a file is open on the unit (an open that failed leaves it false).
  bool IsOpen(int unit) const;

  bool Inquire(const std::string& name) override;
  void Open(int unit, const std::string& name) override;
  int ReadRecord(int unit, std::int64_t record, unsigned char* buffer) override;
  // Logged record by record, as count ReadRecord calls would be.
  int ReadRecords(int unit, std::int64_t first, std::int64_t count, unsigned char* buffer,
                  std::int64_t* done) override;
  std::int64_t RecordCount(int unit) override;
  void Close(int unit) override;

  // When false, RecordCount answers "not known", as a runtime that cannot tell a file's size
  // would: readers then take the full read of the results block.
  bool knowsRecordCount = true;

  // Unit and record of every ReadRecord call since the last ResetCounts, in order, while
  // logTransfers is true. A fuzzer, which never looks at the log, turns it off: a request makes
  // thousands of transfers.
  bool logTransfers = true;
  std::vector<std::pair<int, std::int64_t>> transfers;
  // Every Open (unit, name as given) and every Close (unit), in order.
  std::vector<std::pair<int, std::string>> opens;
  std::vector<int> closes;

 private:
  class MemoryFiles;

  std::unique_ptr<MemoryFiles> files_;
  std::unique_ptr<PosixRecordRuntime> reader_;
  int transferCount_ = 0;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_SCRIPTED_RECORD_RUNTIME_H_
