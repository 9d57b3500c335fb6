// The record I/O runtime: files of 256-byte direct-access records, opened on numbered units.
//
// Transfer statuses: 0 complete; negative at the end of the file (a record cut short by the end
// of the file: its missing bytes read as zeros); positive on failure:
//   kRecordBeyondEnd      the record lies wholly beyond the end of the file, or its number is < 1
//   kRecordUnitNotOpen    nothing is open on the unit, or the open of an existing file failed
//   kRecordReadError      the system could not read the bytes
#ifndef VIRU4DEDUZ_PLATFORM_RECORD_RUNTIME_H_
#define VIRU4DEDUZ_PLATFORM_RECORD_RUNTIME_H_

#include <cstdint>
#include <string>

namespace viru4deduz {

constexpr int kRecordLength = 256;
constexpr int kRecordEndOfFile = -1;
constexpr int kRecordBeyondEnd = 36;
constexpr int kRecordUnitNotOpen = 30;
constexpr int kRecordReadError = 39;

class RecordRuntime {
 public:
  virtual ~RecordRuntime() = default;

  // True when a file of that name exists (name without trailing blanks).
  virtual bool Inquire(const std::string& name) = 0;

  // Opens an existing file on unit for reading records by number. The result is not reported:
  // when the open fails, every transfer on the unit fails with kRecordUnitNotOpen.
  virtual void Open(int unit, const std::string& name) = 0;

  // Reads record (1-based) of unit into buffer (kRecordLength bytes). Returns the status.
  virtual int ReadRecord(int unit, std::int64_t record, unsigned char* buffer) = 0;

  // Reads count records from record first on into buffer (count * kRecordLength bytes), as count
  // ReadRecord calls in turn would: it stops at the first record whose status is positive and
  // returns that status, or returns the last record's status (0, or negative for a record cut
  // short) when all were read. *done receives the number of records read (the failed one not
  // counted). One call instead of one per record, for the streams of whole records.
  virtual int ReadRecords(int unit, std::int64_t first, std::int64_t count, unsigned char* buffer,
                          std::int64_t* done) {
    int status = 0;
    for (*done = 0; *done < count; ++*done) {
      status = ReadRecord(unit, first + *done, buffer + *done * kRecordLength);
      if (status > 0) return status;
    }
    return status;
  }

  // The number of whole records in the file open on unit, or -1 when it is not known (or nothing
  // is open). Lets a reader see, before it reads, whether the records it needs are there.
  virtual std::int64_t RecordCount(int unit) = 0;

  // Whether the file open on unit is still as it was opened (the same size, not written since,
  // not deleted or replaced). When it is not, the unit reads the file as it now stands from here
  // on: what RecordCount said at the open no longer holds. True for a unit with nothing open and
  // for a runtime that cannot tell.
  virtual bool StillAsOpened(int /*unit*/) { return true; }

  // Closes the unit; closing a unit that is not open does nothing.
  virtual void Close(int unit) = 0;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_RECORD_RUNTIME_H_
