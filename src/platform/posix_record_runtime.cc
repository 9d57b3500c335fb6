#include "platform/posix_record_runtime.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace viru4deduz {

namespace {

constexpr std::uint64_t kRecordBytes = static_cast<std::uint64_t>(kRecordLength);
constexpr std::uint64_t kBlockBytes = PosixRecordRuntime::kBlockRecords * kRecordBytes;
constexpr std::uint64_t kNoBlock = std::numeric_limits<std::uint64_t>::max();
// The first block after a jump: 16 records.
constexpr std::uint64_t kFirstBlockBytes = 16 * kRecordBytes;

}  // namespace

// One open file and the block of it that is held in memory.
class PosixRecordRuntime::UnitFile {
 public:
  // block holds kBlockBytes bytes; it is handed back by ReleaseBlock when the unit closes.
  UnitFile(std::unique_ptr<RandomAccessFile> file, std::unique_ptr<unsigned char[]> block)
      : file_(std::move(file)),
        size_(file_->Size()),
        capacity_(static_cast<std::size_t>(kBlockBytes)),
        block_(std::move(block)) {}

  std::unique_ptr<unsigned char[]> ReleaseBlock() { return std::move(block_); }

  std::int64_t RecordCount() const { return static_cast<std::int64_t>(size_ / kRecordBytes); }

  // count records from first on, with the statuses of count ReadRecord calls: each record the
  // block does not hold is read as ReadRecord reads it (which refills the block), and the whole
  // records the block holds after it are copied in one piece.
  int ReadRecords(std::int64_t first, std::int64_t count, unsigned char* buffer,
                  std::int64_t* done) {
    int status = 0;
    while (*done < count) {
      const std::int64_t record = first + *done;
      const std::int64_t held = std::min(HeldRecords(record), count - *done);
      if (held > 0) {
        std::memcpy(buffer + *done * kRecordLength, block_.get() + (Offset(record) - blockStart_),
                    static_cast<std::size_t>(held) * kRecordLength);
        *done += held;
        status = 0;
        continue;
      }
      status = ReadRecord(record, buffer + *done * kRecordLength);
      if (status > 0) return status;
      ++*done;
    }
    return status;
  }

  int ReadRecord(std::int64_t record, unsigned char* buffer) {
    if (record < 1) return kRecordBeyondEnd;
    // Decide "beyond the end" before multiplying, so that no record number can overflow.
    const std::uint64_t index = static_cast<std::uint64_t>(record) - 1;
    if (index > size_ / kRecordBytes) return kRecordBeyondEnd;
    const std::uint64_t offset = index * kRecordBytes;
    if (offset >= size_) return kRecordBeyondEnd;

    const bool held = blockStart_ != kNoBlock && offset >= blockStart_ &&
                      offset < blockStart_ + blockValid_;
    if (!held) {
      // Reading on from the block's end doubles the next block, up to its full size; a jump
      // elsewhere starts small again, so that a reader that picks single values out of a large
      // file copies little more than the records it asks for.
      const bool readingOn = blockStart_ != kNoBlock && offset == blockStart_ + blockValid_;
      nextBytes_ = readingOn ? std::min(2 * nextBytes_, kBlockBytes) : kFirstBlockBytes;
      const int status = FillBlock(offset);
      if (status != 0) return status;
    }
    const std::size_t within = static_cast<std::size_t>(offset - blockStart_);
    // The record came back empty: the file was cut after it was opened.
    if (within >= blockValid_) return kRecordBeyondEnd;

    const std::size_t present = std::min<std::size_t>(kRecordLength, blockValid_ - within);
    std::memcpy(buffer, block_.get() + within, present);
    if (present == static_cast<std::size_t>(kRecordLength)) return 0;
    std::memset(buffer + present, 0, kRecordLength - present);
    return kRecordEndOfFile;
  }

  // Whether the file is still as it was opened. When it is not, the unit reads it as it now
  // stands from here on: its size taken again, nothing held of it from before.
  bool StillAsOpened() {
    std::uint64_t now = size_;
    if (file_->StillAsOpened(&now)) return true;
    size_ = now;
    blockStart_ = kNoBlock;
    blockValid_ = 0;
    return false;
  }

 private:
  // Reads bytes from offset on into the block buffer, as many as the file delivers up to wanted:
  // the read stops at a failure (its number in *error) or where the file ends.
  std::size_t ReadSpan(std::uint64_t offset, std::size_t wanted, int* error) {
    std::size_t got = 0;
    *error = 0;
    // A read may deliver less than asked without being at the end; only 0 bytes means the end.
    while (got < wanted) {
      const long long n = file_->Read(offset + got, wanted - got, block_.get() + got, error);
      if (n <= 0) break;
      got += std::min(static_cast<std::size_t>(n), wanted - got);
    }
    return got;
  }

  // Fills the block from the record at blockStart on: nextBytes_, or what is left of the file.
  // The block holds only records the file delivered whole, so that a record the file cannot give
  // fails when it is asked for, and no earlier record fails for it: a read that stops early (a
  // failure, or an end the size at open does not show) ends the block at the last whole record
  // before the stop. When that leaves not even the record asked for, the record is read again on
  // its own, and only that read decides its status. Returns the status (0: the record is held, or
  // the file ends inside or before it, which ReadRecord tells from blockValid_).
  int FillBlock(std::uint64_t blockStart) {
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>({nextBytes_, size_ - blockStart, capacity_}));
    int error = 0;
    std::size_t got = ReadSpan(blockStart, wanted, &error);
    if (got < wanted) {
      got -= got % kRecordBytes;
      if (got == 0) {
        const std::size_t alone = std::min<std::size_t>(kRecordLength, wanted);
        got = ReadSpan(blockStart, alone, &error);
        nextBytes_ = kFirstBlockBytes;  // the reads after a fault start small again
        if (got < alone && error != 0) {
          blockStart_ = kNoBlock;
          return kRecordReadError;
        }
      }
    }
    blockStart_ = blockStart;
    blockValid_ = got;
    return 0;
  }

  static std::uint64_t Offset(std::int64_t record) {
    return (static_cast<std::uint64_t>(record) - 1) * kRecordBytes;
  }

  // How many whole records from record on the block holds: 0 when it does not hold that record
  // whole (a record the file ends inside is left to ReadRecord, which fills in its zeros). The
  // file's record count is checked first, so that no record number's offset can wrap around.
  std::int64_t HeldRecords(std::int64_t record) const {
    if (record < 1 || record > RecordCount() || blockStart_ == kNoBlock) return 0;
    const std::uint64_t offset = Offset(record);
    if (offset < blockStart_ || offset >= blockStart_ + blockValid_) return 0;
    return static_cast<std::int64_t>((blockStart_ + blockValid_ - offset) / kRecordBytes);
  }

  std::unique_ptr<RandomAccessFile> file_;
  std::uint64_t size_;
  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> block_;
  std::uint64_t blockStart_ = kNoBlock;  // file offset of the block held, kNoBlock for none
  std::size_t blockValid_ = 0;           // bytes of the block that the file delivered
  std::uint64_t nextBytes_ = kFirstBlockBytes;  // the size of the next block to read
};

PosixRecordRuntime::PosixRecordRuntime(FileSystem& files) : files_(files) {}

PosixRecordRuntime::~PosixRecordRuntime() = default;

bool PosixRecordRuntime::Inquire(const std::string& name) { return files_.Exists(name); }

void PosixRecordRuntime::Open(int unit, const std::string& name) {
  // Reopening a unit closes what was open on it first, as the runtime's open does.
  Close(unit);
  int error = 0;
  std::unique_ptr<RandomAccessFile> file = files_.OpenForRead(name, &error);
  if (!file) {
    units_[unit] = nullptr;
    return;
  }
  // One block buffer serves one open after another: a request opens the output file once, and
  // a fresh quarter megabyte each time would be fresh pages to fault in each time.
  std::unique_ptr<unsigned char[]> block = std::move(spareBlock_);
  if (!block) block = std::make_unique_for_overwrite<unsigned char[]>(kBlockBytes);
  units_[unit] = std::make_unique<UnitFile>(std::move(file), std::move(block));
}

int PosixRecordRuntime::ReadRecord(int unit, std::int64_t record, unsigned char* buffer) {
  const auto found = units_.find(unit);
  if (found == units_.end() || !found->second) return kRecordUnitNotOpen;
  if (buffer == nullptr) return kRecordReadError;
  return found->second->ReadRecord(record, buffer);
}

int PosixRecordRuntime::ReadRecords(int unit, std::int64_t first, std::int64_t count,
                                    unsigned char* buffer, std::int64_t* done) {
  *done = 0;
  const auto found = units_.find(unit);
  if (count > 0 && (found == units_.end() || !found->second)) return kRecordUnitNotOpen;
  if (count > 0 && buffer == nullptr) return kRecordReadError;
  return found->second->ReadRecords(first, count, buffer, done);
}

std::int64_t PosixRecordRuntime::RecordCount(int unit) {
  const auto found = units_.find(unit);
  if (found == units_.end() || !found->second) return -1;
  return found->second->RecordCount();
}

bool PosixRecordRuntime::StillAsOpened(int unit) {
  const auto found = units_.find(unit);
  return found == units_.end() || !found->second || found->second->StillAsOpened();
}

void PosixRecordRuntime::Close(int unit) {
  const auto found = units_.find(unit);
  if (found == units_.end()) return;
  if (found->second && !spareBlock_) spareBlock_ = found->second->ReleaseBlock();
  units_.erase(found);
}

bool PosixRecordRuntime::IsOpen(int unit) const {
  const auto found = units_.find(unit);
  return found != units_.end() && found->second != nullptr;
}

RecordRuntime* DefaultRecordRuntime() {
  static PosixRecordRuntime runtime(*DefaultFileSystem());
  return &runtime;
}

}  // namespace viru4deduz
