#include "testing/scripted_record_runtime.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <system_error>

#include "platform/file_system.h"
#include "platform/posix_record_runtime.h"

namespace viru4deduz {

namespace {

char FoldSeparator(char c) { return c == '\\' ? '/' : c; }

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b, bool ignoreCase) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [ignoreCase](char x, char y) {
           x = FoldSeparator(x);
           y = FoldSeparator(y);
           return ignoreCase ? FoldCase(x) == FoldCase(y) : x == y;
         });
}

// A file's bytes: either held by the runtime (and shared with the units open on it, so that
// replacing the file does not pull them away) or the caller's, read where they are.
struct FileBytes {
  std::shared_ptr<const std::string> owned;  // null for the caller's bytes
  std::string_view bytes;
};

// An open in-memory file.
class MemoryFile : public RandomAccessFile {
 public:
  explicit MemoryFile(FileBytes bytes) : bytes_(std::move(bytes)) {}

  std::uint64_t Size() const override { return bytes_.bytes.size(); }

  long long Read(std::uint64_t offset, std::size_t n, void* buf, int* /*error*/) override {
    const std::string_view bytes = bytes_.bytes;
    if (offset >= bytes.size()) return 0;
    const std::size_t count = std::min<std::size_t>(n, bytes.size() - offset);
    std::memcpy(buf, bytes.data() + offset, count);
    return static_cast<long long>(count);
  }

 private:
  FileBytes bytes_;
};

}  // namespace

// The files of the script, read-only, found by name as a Windows file system would find them.
class ScriptedRecordRuntime::MemoryFiles : public FileSystem {
 public:
  void Add(std::string name, std::string bytes) {
    auto owned = std::make_shared<const std::string>(std::move(bytes));
    const std::string_view view = *owned;
    files_[std::move(name)] = FileBytes{std::move(owned), view};
  }

  void AddView(std::string name, std::string_view bytes) {
    files_[std::move(name)] = FileBytes{nullptr, bytes};
  }

  bool Exists(const std::string& path) override { return Find(path) != files_.end(); }

  std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) override {
    const auto found = Find(path);
    if (found == files_.end()) return Fail(error, ENOENT);
    return std::make_unique<MemoryFile>(found->second);
  }

  std::unique_ptr<WritableFile> CreateForWrite(const std::string& /*path*/, int* error) override {
    if (error != nullptr) *error = EROFS;
    return nullptr;
  }

  std::string ErrorText(int error) override { return std::generic_category().message(error); }

 private:
  using FileMap = std::map<std::string, FileBytes>;

  FileMap::const_iterator Find(const std::string& path) const {
    for (bool ignoreCase : {false, true}) {
      for (auto it = files_.begin(); it != files_.end(); ++it) {
        if (SameName(path, it->first, ignoreCase)) return it;
      }
    }
    return files_.end();
  }

  static std::unique_ptr<RandomAccessFile> Fail(int* error, int number) {
    if (error != nullptr) *error = number;
    return nullptr;
  }

  FileMap files_;
};

ScriptedRecordRuntime::ScriptedRecordRuntime()
    : files_(std::make_unique<MemoryFiles>()),
      reader_(std::make_unique<PosixRecordRuntime>(*files_)) {}

ScriptedRecordRuntime::~ScriptedRecordRuntime() = default;

void ScriptedRecordRuntime::AddFile(std::string name, std::string bytes) {
  files_->Add(std::move(name), std::move(bytes));
}

void ScriptedRecordRuntime::AddFileView(std::string name, std::string_view bytes) {
  files_->AddView(std::move(name), bytes);
}

void ScriptedRecordRuntime::ResetCounts() {
  transferCount_ = 0;
  transfers.clear();
}

bool ScriptedRecordRuntime::IsOpen(int unit) const { return reader_->IsOpen(unit); }

bool ScriptedRecordRuntime::Inquire(const std::string& name) { return reader_->Inquire(name); }

void ScriptedRecordRuntime::Open(int unit, const std::string& name) {
  opens.emplace_back(unit, name);
  reader_->Open(unit, name);
}

int ScriptedRecordRuntime::ReadRecord(int unit, std::int64_t record, unsigned char* buffer) {
  if (logTransfers) transfers.emplace_back(unit, record);
  if (transferCount_ < std::numeric_limits<int>::max()) ++transferCount_;
  return reader_->ReadRecord(unit, record, buffer);
}

int ScriptedRecordRuntime::ReadRecords(int unit, std::int64_t first, std::int64_t count,
                                       unsigned char* buffer, std::int64_t* done) {
  const int status = reader_->ReadRecords(unit, first, count, buffer, done);
  // Every record the reader tried is a transfer, the one that failed included.
  const std::int64_t tried = *done + (status > 0 ? 1 : 0);
  for (std::int64_t i = 0; logTransfers && i < tried; ++i) transfers.emplace_back(unit, first + i);
  transferCount_ = static_cast<int>(
      std::min<std::int64_t>(std::int64_t{transferCount_} + tried, std::numeric_limits<int>::max()));
  return status;
}

std::int64_t ScriptedRecordRuntime::RecordCount(int unit) {
  return knowsRecordCount ? reader_->RecordCount(unit) : -1;
}

void ScriptedRecordRuntime::Close(int unit) {
  closes.push_back(unit);
  reader_->Close(unit);
}

}  // namespace viru4deduz
