#include "testing/record_by_record_runtime.h"

#include <cstring>

namespace viru4deduz {

void RecordByRecordRuntime::Open(int unit, const std::string& name) {
  int error = 0;
  units_[unit] = files_.OpenForRead(name, &error);
}

int RecordByRecordRuntime::ReadRecord(int unit, std::int64_t record, unsigned char* buffer) {
  const auto found = units_.find(unit);
  if (found == units_.end() || !found->second) return kRecordUnitNotOpen;
  RandomAccessFile& file = *found->second;
  if (record < 1 || record > RecordCount(unit) + 1) return kRecordBeyondEnd;
  const std::uint64_t offset = static_cast<std::uint64_t>(record - 1) * kRecordLength;
  if (offset >= file.Size()) return kRecordBeyondEnd;
  std::size_t got = 0;
  while (got < static_cast<std::size_t>(kRecordLength)) {
    int error = 0;
    const long long n = file.Read(offset + got, kRecordLength - got, buffer + got, &error);
    if (n < 0) return kRecordReadError;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got == 0) return kRecordBeyondEnd;  // the file has ended before it since it was opened
  if (got == static_cast<std::size_t>(kRecordLength)) return 0;
  std::memset(buffer + got, 0, kRecordLength - got);
  return kRecordEndOfFile;
}

std::int64_t RecordByRecordRuntime::RecordCount(int unit) {
  const auto found = units_.find(unit);
  if (found == units_.end() || !found->second) return -1;
  return static_cast<std::int64_t>(found->second->Size() / kRecordLength);
}

}  // namespace viru4deduz
