#include "testing/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/posix_file_system.h"

namespace viru4deduz {
namespace {

// A path as the lookup walks it: whether it starts at the root, and its components with "."
// dropped and ".." applied. valid is false for an empty path or one that climbs above its start.
struct SplitPath {
  bool valid = false;
  bool absolute = false;
  bool trailingSeparator = false;
  std::vector<std::string> parts;
};

SplitPath Split(const std::string& path) {
  SplitPath split;
  const std::string converted = WithForwardSlashes(path);
  if (converted.empty() || converted.find('\0') != std::string::npos) return split;
  split.valid = true;
  split.absolute = converted.front() == '/';
  split.trailingSeparator = converted.back() == '/';
  for (std::string& part : PathComponents(converted)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!split.parts.empty()) {
        split.parts.pop_back();
      } else if (!split.absolute) {
        split.valid = false;  // a relative path above its start: no current directory here
        return split;
      }
      continue;
    }
    split.parts.push_back(std::move(part));
  }
  return split;
}

class MemoryReadFile final : public RandomAccessFile {
 public:
  MemoryReadFile(std::shared_ptr<const std::string> bytes, int failWith,
                 MemoryFileSystem::BadSector bad)
      : bytes_(std::move(bytes)), size_(bytes_->size()), failWith_(failWith), bad_(bad) {}

  std::uint64_t Size() const override { return size_; }

  long long Read(std::uint64_t offset, std::size_t n, void* buf, int* error) override {
    const bool inBadSector = offset >= bad_.first && offset - bad_.first < bad_.bytes;
    if (inBadSector && bad_.endOfFile) return 0;
    if (failWith_ != 0 || inBadSector || (n > 0 && buf == nullptr)) {
      if (error != nullptr) *error = failWith_ != 0 ? failWith_ : inBadSector ? EIO : EINVAL;
      return -1;
    }
    if (offset < bad_.first && bad_.bytes > 0) n = std::min<std::uint64_t>(n, bad_.first - offset);
    if (offset >= bytes_->size()) return 0;
    const std::size_t count = std::min<std::size_t>(n, bytes_->size() - offset);
    if (count > 0) std::memcpy(buf, bytes_->data() + offset, count);
    return static_cast<long long>(count);
  }

 private:
  std::shared_ptr<const std::string> bytes_;
  std::uint64_t size_;
  int failWith_;
  MemoryFileSystem::BadSector bad_;
};

class MemoryWriteFile final : public WritableFile {
 public:
  explicit MemoryWriteFile(std::shared_ptr<std::string> bytes) : bytes_(std::move(bytes)) {}

  int Append(const void* data, std::size_t n) override {
    if (!bytes_) return EBADF;
    if (n == 0) return 0;
    if (data == nullptr) return EINVAL;
    bytes_->append(static_cast<const char*>(data), n);
    return 0;
  }

  int Close() override {
    if (!bytes_) return EBADF;
    bytes_.reset();
    return 0;
  }

 private:
  std::shared_ptr<std::string> bytes_;
};

}  // namespace

void MemoryFileSystem::AddFile(std::string path, std::string bytes) {
  auto& slot = files_[WithForwardSlashes(std::move(path))];
  if (slot) {
    *slot = std::move(bytes);  // open readers and writers share the stored text, as on disk
  } else {
    slot = std::make_shared<std::string>(std::move(bytes));
  }
}

MemoryFileSystem::Lookup MemoryFileSystem::Resolve(const std::string& path) const {
  Lookup none;
  const SplitPath query = Split(path);
  if (!query.valid) return none;

  // The stored files still in the running: those below the components resolved so far.
  std::vector<std::pair<const std::string*, SplitPath>> candidates;
  for (const auto& [key, bytes] : files_) {
    SplitPath stored = Split(key);
    if (stored.valid && stored.absolute == query.absolute) {
      candidates.emplace_back(&key, std::move(stored));
    }
  }
  for (std::size_t level = 0; level < query.parts.size(); ++level) {
    std::vector<std::string> names;
    for (const auto& candidate : candidates) {
      if (candidate.second.parts.size() > level) names.push_back(candidate.second.parts[level]);
    }
    const std::string* match = MatchComponent(names, query.parts[level]);
    if (match == nullptr) return none;
    const std::string chosen = *match;
    std::erase_if(candidates, [&](const auto& candidate) {
      return candidate.second.parts.size() <= level || candidate.second.parts[level] != chosen;
    });
  }

  const std::size_t depth = query.parts.size();
  if (!query.trailingSeparator) {
    for (const auto& candidate : candidates) {
      if (candidate.second.parts.size() == depth) return {Lookup::kFile, *candidate.first};
    }
  }
  const bool hasEntriesBelow =
      std::any_of(candidates.begin(), candidates.end(),
                  [&](const auto& c) { return c.second.parts.size() > depth; });
  if (hasEntriesBelow || (depth == 0 && query.absolute)) return {Lookup::kDirectory, {}};
  return none;
}

template <typename Failure>
Failure MemoryFileSystem::FailureFor(const std::map<std::string, Failure>& failures,
                                     const std::string& path, const std::string& key) {
  const std::string requested = WithForwardSlashes(path);
  for (const auto& [name, failure] : failures) {
    const std::string converted = WithForwardSlashes(name);
    if (converted == requested || (!key.empty() && converted == key)) return failure;
  }
  return Failure{};
}

const std::string* MemoryFileSystem::Find(const std::string& path) const {
  const Lookup found = Resolve(path);
  if (found.kind != Lookup::kFile) return nullptr;
  return files_.at(found.key).get();
}

bool MemoryFileSystem::Exists(const std::string& path) {
  return Resolve(path).kind != Lookup::kNone;
}

std::unique_ptr<RandomAccessFile> MemoryFileSystem::OpenForRead(const std::string& path,
                                                                int* error) {
  int ignored = 0;
  if (error == nullptr) error = &ignored;
  const Lookup found = Resolve(path);
  if (found.kind != Lookup::kFile) {
    *error = found.kind == Lookup::kDirectory ? EISDIR : ENOENT;
    return nullptr;
  }
  return std::make_unique<MemoryReadFile>(files_.at(found.key), FailureFor(failRead, path, found.key),
                                          FailureFor(badSectors, path, found.key));
}

std::unique_ptr<WritableFile> MemoryFileSystem::CreateForWrite(const std::string& path,
                                                               int* error) {
  int ignored = 0;
  if (error == nullptr) error = &ignored;
  if (const int failure = FailureFor(failCreate, path, {})) {
    *error = failure;
    return nullptr;
  }
  const std::string name = WithForwardSlashes(path);
  const SplitPath split = Split(name);
  if (!split.valid) {
    *error = path.find('\0') != std::string::npos ? EINVAL : ENOENT;
    return nullptr;
  }
  const bool namesDirectory = std::any_of(files_.begin(), files_.end(), [&](const auto& file) {
    const SplitPath stored = Split(file.first);
    return stored.absolute == split.absolute && stored.parts.size() > split.parts.size() &&
           std::equal(split.parts.begin(), split.parts.end(), stored.parts.begin());
  });
  if (split.trailingSeparator || split.parts.empty() || namesDirectory) {
    *error = EISDIR;
    return nullptr;
  }
  AddFile(name, {});
  createdPaths.push_back(name);
  return std::make_unique<MemoryWriteFile>(files_.at(name));
}

std::string MemoryFileSystem::ErrorText(int error) { return FileErrorText(error); }

}  // namespace viru4deduz
