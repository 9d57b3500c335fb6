// The stream readers through which every byte of the output file is read.
//
// A table in the output file is a stream: a run of items of one kind that begins at byte 0 of
// its first record and continues in the following records; an item never straddles two records.
// Each reader takes items through a cursor (the record last read into the buffer and a position
// inside it) and reads the next record lazily, only when a further item is asked for.
//
// An unrecoverable read error is reported where it happens, to the readers' ReadReporter, with the
// reader's stop code: a host's reporter shows QREAD4's message and makes the fatal stop, the job
// library's keeps it. All but the text reader set ioErrorFlag. Control always comes back to the
// caller, which tests bit 0 of ioErrorFlag after each call.
// A cursor out of range or a count larger than the destination is reported the same way; no
// reader ever reads or writes outside its buffers.
#ifndef VIRU4DEDUZ_OUTFILE_RECORD_READERS_H_
#define VIRU4DEDUZ_OUTFILE_RECORD_READERS_H_

#include <cstdint>
#include <span>
#include <string>

#include "platform/record_runtime.h"

namespace viru4deduz {

// Items per record, and the position that says a reader's buffer is used up.
constexpr int kWordsPerRecord = 64;
constexpr int kDoublesPerRecord = 32;
constexpr int kPackedRealsPerRecord = 85;
constexpr int kWordStreamUsedUp = 65;    // QREAD4: position names the next word to take
constexpr int kDoubleStreamUsedUp = 33;  // ReadDoubleStream: likewise for 8-byte reals
constexpr int kWordBlockUsedUp = 64;     // ReadWordBlock: position names the last word taken
constexpr int kPackedBlockUsedUp = 85;   // ReadPackedRealBlock: likewise for packed reals

// Stop codes handed to the fatal stop.
constexpr int kStopWordRead = 7;
constexpr int kStopDoubleRead = 9;
constexpr int kStopTextRead = 105;
constexpr int kStopBlockRead = 409;

// The module-wide record reading state.
struct RecordIo {
  alignas(8) unsigned char recordBuffer[256];  // shared by every reader but the text reader
  unsigned char textBuffer[256];
  std::int32_t ioStatus = 0;     // status of QREAD4's last record transfer
  std::int32_t ioErrorFlag = 0;  // -1 after an unrecoverable read error
};

struct StreamCursor {
  std::int32_t record = 0;    // the record last read into the buffer
  std::int32_t position = 0;  // the position inside the buffer (meaning per reader)
};

// Converts the 3-byte packed real of older files into an IEEE single.
float UnpackReal3(const unsigned char bytes[3]);

// An unrecoverable error of a request's reads: a record that could not be read, a cursor out of
// range, or the count of stored cases passing case 1000 (stop code 194, no record).
struct ReadFailure {
  int stopCode;              // the reader's stop code
  int status;                // the transfer's status; 0 when no transfer was made
  std::int32_t record;       // the record that failed, or the cursor's record
  const char* reason;        // "record could not be read", "cursor out of range", ...
  std::int32_t ioStatus = 0; // the status of QREAD4's last transfer, which its message shows
};

// Who hears of each unrecoverable error, at the moment it happens and before the reader returns.
class ReadReporter {
 public:
  virtual void Report(const ReadFailure& failure) = 0;

 protected:
  ~ReadReporter() = default;
};

// A reporter that keeps nothing, for reads whose failures only the error flag need tell.
class IgnoredFailures final : public ReadReporter {
 public:
  void Report(const ReadFailure&) override {}
};

class RecordReaders {
 public:
  // reporter hears of every failure (not owned).
  RecordReaders(RecordRuntime& runtime, RecordIo& io, ReadReporter& reporter)
      : runtime_(runtime), io_(io), reporter_(reporter) {}

  // count 4-byte words, bit for bit, into dest[0..count).
  void QREAD4(std::span<std::int32_t> dest, int unit, int count, StreamCursor& cursor,
              int stopArg);
  // count 8-byte reals into dest[0..count).
  void ReadDoubleStream(std::span<double> dest, int unit, int count, StreamCursor& cursor,
                        int stopArg);
  // count characters from record on into dest[0..count); record ends one past the last record
  // read. Every call begins on a newly read record.
  void ReadTextStream(int unit, std::int32_t& record, std::span<char> dest, int count,
                      int stopArg);
  // count 4-byte reals (as their bits) into dest[0..count).
  void ReadWordBlock(int unit, StreamCursor& cursor, std::span<std::int32_t> dest, int count);
  // count packed 3-byte reals, each stored as the bits of a 4-byte real, into dest[0..count).
  void ReadPackedRealBlock(int unit, StreamCursor& cursor, std::span<std::int32_t> dest,
                           int count);

  RecordIo& io() { return io_; }
  const RecordIo& io() const { return io_; }
  RecordRuntime& runtime() { return runtime_; }
  ReadReporter& reporter() { return reporter_; }

 private:
  // Reads the record after cursor.record into buf; false after reporting a failure.
  bool NextRecord(int unit, std::int32_t& record, unsigned char* buf, int* status);
  // Up to count whole records after record straight into `into`, record advancing past each (to
  // the failed one on failure). Returns the status: positive for a failure, else the last
  // record's.
  int NextRecords(int unit, std::int32_t& record, std::int64_t count, unsigned char* into);
  // count items of itemSize bytes of a stream whose cursor position names the next item (usedUp:
  // the record is used up) into dest. Returns 0, or the status of the record that failed (the
  // cursor then names it); *lastStatus receives each transfer's status.
  int CopyStream(int unit, StreamCursor& cursor, unsigned char* dest, int count, int itemSize,
                 int usedUp, int* lastStatus);
  void Fail(const ReadFailure& failure, bool setFlag);
  // The two block readers: item `position` of the buffer, taken by take, up to usedUp a record.
  template <typename TakeItem>
  void ReadBlock(int unit, StreamCursor& cursor, std::span<std::int32_t> dest, int count,
                 int usedUp, TakeItem take);

  RecordRuntime& runtime_;
  RecordIo& io_;
  ReadReporter& reporter_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_RECORD_READERS_H_
