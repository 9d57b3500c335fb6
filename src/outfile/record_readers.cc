#include "outfile/record_readers.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>


namespace viru4deduz {
namespace {

// The destination must hold count items; a larger count is a corrupt request, not a read.
bool Fits(std::size_t capacity, int count) {
  return count <= 0 || static_cast<std::size_t>(count) <= capacity;
}

constexpr char kRecordUnreadable[] = "record could not be read";
constexpr char kCursorOutOfRange[] = "stream position out of range";
constexpr char kCountTooLarge[] = "count larger than its table";

}  // namespace

float UnpackReal3(const unsigned char bytes[3]) {
  const std::uint32_t w = bytes[1] | (static_cast<std::uint32_t>(bytes[2]) << 8);
  const std::uint32_t sign = w >> 15;
  const std::uint32_t exponent = (w >> 9) & 63u;
  const std::uint32_t fraction = ((w & 511u) << 8) | bytes[0];
  return std::bit_cast<float>((sign << 31) | ((exponent + 96u) << 23) | (fraction << 6));
}

bool RecordReaders::NextRecord(int unit, std::int32_t& record, unsigned char* buf, int* status) {
  if (record == INT32_MAX) {  // no record lies beyond the last record number
    *status = kRecordBeyondEnd;
    return false;
  }
  ++record;
  *status = runtime_.ReadRecord(unit, record, buf);
  return *status <= 0;  // a negative status (end of file) is not a failure
}

int RecordReaders::NextRecords(int unit, std::int32_t& record, std::int64_t count,
                               unsigned char* into) {
  const std::int64_t wanted = std::min<std::int64_t>(count, INT32_MAX - std::int64_t{record});
  std::int64_t done = 0;
  const int status = runtime_.ReadRecords(unit, std::int64_t{record} + 1, wanted, into, &done);
  record += static_cast<std::int32_t>(done);
  if (status > 0) ++record;  // the record that failed, as NextRecord names it
  return status;
}

int RecordReaders::CopyStream(int unit, StreamCursor& cursor, unsigned char* dest, int count,
                              int itemSize, int usedUp, int* lastStatus) {
  const int perRecord = usedUp - 1;
  // Item by item in effect: whole records go straight into dest, the rest a record's remaining
  // run at a time through the record buffer.
  for (int i = 0; i < count;) {
    if (cursor.position == usedUp) {
      const int whole = (count - i) / perRecord;
      if (whole > 0 && cursor.record < INT32_MAX) {
        const std::int32_t before = cursor.record;
        const int status =
            NextRecords(unit, cursor.record, whole, dest + static_cast<std::size_t>(i) * itemSize);
        *lastStatus = status;
        if (status > 0) return status;
        i += (cursor.record - before) * perRecord;
        continue;  // the last record is used up
      }
      int status = 0;
      const bool ok = NextRecord(unit, cursor.record, io_.recordBuffer, &status);
      *lastStatus = status;
      if (!ok) return status;
      cursor.position = 1;
    }
    const int run = std::min(count - i, usedUp - cursor.position);
    std::memcpy(dest + static_cast<std::size_t>(i) * itemSize,
                io_.recordBuffer + (cursor.position - 1) * itemSize,
                static_cast<std::size_t>(run) * itemSize);
    i += run;
    cursor.position += run;
  }
  return 0;
}

void RecordReaders::Fail(const ReadFailure& failure, bool setFlag) {
  reporter_.Report(failure);
  if (setFlag) io_.ioErrorFlag = -1;
}

void RecordReaders::QREAD4(std::span<std::int32_t> dest, int unit, int count,
                           StreamCursor& cursor, int /*stopArg*/) {
  auto report = [&](int status, const char* reason) {
    Fail({kStopWordRead, status, cursor.record, reason, io_.ioStatus}, true);
  };
  // A position out of range is reported before the count is looked at.
  if (cursor.position > kWordStreamUsedUp || cursor.position < 1) {
    report(0, kCursorOutOfRange);
    return;
  }
  if (!Fits(dest.size(), count)) {
    report(0, kCountTooLarge);
    return;
  }
  const int status = CopyStream(unit, cursor, reinterpret_cast<unsigned char*>(dest.data()),
                                count, 4, kWordStreamUsedUp, &io_.ioStatus);
  if (status > 0) report(status, kRecordUnreadable);
}

void RecordReaders::ReadDoubleStream(std::span<double> dest, int unit, int count,
                                     StreamCursor& cursor, int /*stopArg*/) {
  if (cursor.position > kDoubleStreamUsedUp || cursor.position < 1) {
    Fail({kStopDoubleRead, 0, cursor.record, kCursorOutOfRange}, true);
    return;
  }
  if (!Fits(dest.size(), count)) {
    Fail({kStopDoubleRead, 0, cursor.record, kCountTooLarge}, true);
    return;
  }
  int lastStatus = 0;  // QREAD4's message tells of its own transfers only
  const int status = CopyStream(unit, cursor, reinterpret_cast<unsigned char*>(dest.data()),
                                count, 8, kDoubleStreamUsedUp, &lastStatus);
  if (status > 0) Fail({kStopDoubleRead, status, cursor.record, kRecordUnreadable}, true);
}

void RecordReaders::ReadTextStream(int unit, std::int32_t& record, std::span<char> dest,
                                   int count, int /*stopArg*/) {
  if (!Fits(dest.size(), count)) {
    Fail({kStopTextRead, 0, record, kCountTooLarge}, false);
    return;
  }
  int taken = kRecordLength;  // every call begins on a newly read record
  for (int i = 0; i < count;) {
    if (taken == kRecordLength) {
      // Whole records straight into dest, none of them the last record number (which the
      // record by record read refuses after reading it).
      const int whole = (count - i) / kRecordLength;
      if (whole > 0 && record > INT32_MIN && record < INT32_MAX - 1) {
        std::int32_t last = record - 1;  // the record read last, as NextRecords counts
        const int status = NextRecords(
            unit, last, std::min<std::int64_t>(whole, std::int64_t{INT32_MAX} - 1 - record),
            reinterpret_cast<unsigned char*>(dest.data() + i));
        const std::int32_t read = last - record + (status > 0 ? 0 : 1);
        i += read * kRecordLength;
        record += read;
        if (status > 0) {
          Fail({kStopTextRead, status, record, kRecordUnreadable}, false);
          return;
        }
        continue;
      }
      const int status = runtime_.ReadRecord(unit, record, io_.textBuffer);
      if (status > 0 || record == INT32_MAX) {
        Fail({kStopTextRead, status, record, kRecordUnreadable}, false);
        return;
      }
      ++record;
      taken = 0;
    }
    const int run = std::min(count - i, kRecordLength - taken);
    std::memcpy(dest.data() + i, io_.textBuffer + taken, static_cast<std::size_t>(run));
    i += run;
    taken += run;
  }
}

template <typename TakeItem>
void RecordReaders::ReadBlock(int unit, StreamCursor& cursor, std::span<std::int32_t> dest,
                              int count, int usedUp, TakeItem take) {
  if (count <= 0) return;
  if (!Fits(dest.size(), count)) {
    Fail({kStopBlockRead, 0, cursor.record, kCountTooLarge}, true);
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (cursor.position < 0 || cursor.position > usedUp) {  // left past a failure
      Fail({kStopBlockRead, 0, cursor.record, kCursorOutOfRange}, true);
      return;
    }
    ++cursor.position;
    if (cursor.position == usedUp + 1) {
      int status = 0;
      if (!NextRecord(unit, cursor.record, io_.recordBuffer, &status)) {
        Fail({kStopBlockRead, status, cursor.record, kRecordUnreadable}, true);
        return;
      }
      cursor.position = 1;
    }
    dest[static_cast<std::size_t>(i)] = take(cursor.position);
  }
}

void RecordReaders::ReadWordBlock(int unit, StreamCursor& cursor, std::span<std::int32_t> dest,
                                  int count) {
  ReadBlock(unit, cursor, dest, count, kWordBlockUsedUp, [this](int position) {
    std::int32_t word;
    std::memcpy(&word, io_.recordBuffer + (position - 1) * 4, 4);
    return word;
  });
}

void RecordReaders::ReadPackedRealBlock(int unit, StreamCursor& cursor,
                                        std::span<std::int32_t> dest, int count) {
  ReadBlock(unit, cursor, dest, count, kPackedBlockUsedUp, [this](int position) {
    return std::bit_cast<std::int32_t>(UnpackReal3(io_.recordBuffer + (position - 1) * 3));
  });
}

}  // namespace viru4deduz
