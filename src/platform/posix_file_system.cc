#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

namespace viru4deduz {

std::string WithForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::vector<std::string> PathComponents(std::string_view path) {
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) components.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

const std::string* MatchComponent(const std::vector<std::string>& names,
                                  std::string_view component) {
  const std::string* best = nullptr;
  for (const std::string& name : names) {
    if (name == component) return &name;
    // std::string compares its characters as unsigned bytes, which gives the byte order.
    if (EqualsIgnoringAsciiCase(name, component) && (best == nullptr || name < *best)) {
      best = &name;
    }
  }
  return best;
}

namespace {

bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

bool PathExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// The entries of a directory, without "." and ".."; empty when it cannot be listed.
std::vector<std::string> ListDirectory(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  ::closedir(dir);
  return names;
}

std::string Join(const std::string& directory, std::string_view name) {
  if (directory.empty()) return std::string(name);
  std::string joined = directory;
  if (joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

// path (with '/' as its only separator) found one component after the other, each one as it is or
// else without regard to case; nullopt when a component matches nothing.
std::optional<std::string> MatchEachComponent(const std::string& path) {
  // "" stands for the current directory, so relative paths stay relative.
  std::string current = path.front() == '/' ? "/" : "";
  for (const std::string& component : PathComponents(path)) {
    const std::string exact = Join(current, component);
    if (component == "." || component == ".." || PathExists(exact)) {
      current = exact;
      continue;
    }
    const std::vector<std::string> names = ListDirectory(current.empty() ? "." : current);
    const std::string* match = MatchComponent(names, component);
    if (match == nullptr) return std::nullopt;
    current = Join(current, *match);
  }
  // A trailing separator still demands a directory, as it does for the name as given.
  if (path.back() == '/' && !current.empty() && current.back() != '/') current += '/';
  return current;
}

int OpenRetrying(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

class PosixRandomAccessFile final : public RandomAccessFile {
 public:
  PosixRandomAccessFile(int fd, const struct stat& opened)
      : fd_(fd), size_(SizeOf(opened)), modified_(opened.st_mtim) {}
  ~PosixRandomAccessFile() override { ::close(fd_); }
  PosixRandomAccessFile(const PosixRandomAccessFile&) = delete;
  PosixRandomAccessFile& operator=(const PosixRandomAccessFile&) = delete;

  std::uint64_t Size() const override { return size_; }

  long long Read(std::uint64_t offset, std::size_t n, void* buf, int* error) override {
    int ignored = 0;
    if (error == nullptr) error = &ignored;
    if (n == 0) return 0;
    if (buf == nullptr || offset > static_cast<std::uint64_t>(INT64_MAX)) {
      *error = EINVAL;
      return -1;
    }
    n = std::min<std::size_t>(n, SSIZE_MAX);
    // Past the largest offset nothing can be read; stop there instead of overflowing.
    n = static_cast<std::size_t>(
        std::min<std::uint64_t>(n, static_cast<std::uint64_t>(INT64_MAX) - offset));
    auto* bytes = static_cast<unsigned char*>(buf);
    std::size_t total = 0;
    while (total < n) {
      const ssize_t got =
          ::pread(fd_, bytes + total, n - total, static_cast<off_t>(offset + total));
      if (got < 0) {
        if (errno == EINTR) continue;
        // The bytes before a failure are delivered, as a short read; the failure is the next
        // read's, which starts where it lies.
        if (total > 0) break;
        *error = errno;
        return -1;
      }
      if (got == 0) break;
      total += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(total);
  }

  // Through the open descriptor, which keeps reading the file it was opened on: a file replaced
  // or deleted under its name has no name left (no links), and one written since has another
  // size or time of change.
  bool StillAsOpened(std::uint64_t* sizeNow) override {
    struct stat now {};
    if (::fstat(fd_, &now) != 0) {
      *sizeNow = size_;
      return false;
    }
    *sizeNow = SizeOf(now);
    return *sizeNow == size_ && now.st_nlink > 0 && now.st_mtim.tv_sec == modified_.tv_sec &&
           now.st_mtim.tv_nsec == modified_.tv_nsec;
  }

  static std::uint64_t SizeOf(const struct stat& info) {
    return info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
  }

 private:
  int fd_;
  std::uint64_t size_;
  struct timespec modified_;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  int Append(const void* data, std::size_t n) override {
    if (fd_ < 0) return EBADF;
    if (n == 0) return 0;
    if (data == nullptr) return EINVAL;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (n > 0) {
      const ssize_t put = ::write(fd_, bytes, std::min<std::size_t>(n, SSIZE_MAX));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      bytes += put;
      n -= static_cast<std::size_t>(put);
    }
    return 0;
  }

  int Close() override {
    if (fd_ < 0) return EBADF;
    const int result = ::close(fd_);
    fd_ = -1;
    // After close, even when interrupted, the descriptor is gone on this system: no retry.
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace

std::string PosixFileSystem::Resolve(const std::string& path) {
  const std::string given = WithForwardSlashes(path);
  if (given.empty() || HasNul(given)) return given;
  // Here '\' is a character that names may hold (a directory "a\b"): a name that exists as it is
  // spelled is that file, whatever the Windows rules would make of it.
  const bool backslashes = given != path;
  if (backslashes && PathExists(path)) return path;
  if (PathExists(given)) return given;
  if (errno != ENOENT && errno != ENOTDIR) return given;  // too long, no permission, ...
  if (std::optional<std::string> found = MatchEachComponent(given)) return *found;
  // The names that hold '\' themselves, spelled in another case (a request upper-cases its path).
  if (backslashes) {
    if (std::optional<std::string> found = MatchEachComponent(path)) return *found;
  }
  return given;
}

bool PosixFileSystem::Exists(const std::string& path) {
  if (HasNul(path)) return false;
  return PathExists(Resolve(path));
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::OpenForRead(const std::string& path,
                                                               int* error) {
  int ignored = 0;
  if (error == nullptr) error = &ignored;
  if (HasNul(path)) {
    *error = EINVAL;
    return nullptr;
  }
  // Not blocking lets a FIFO's open return at once, so that it can be refused below.
  const int fd =
      OpenRetrying(Resolve(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *error = errno;
    ::close(fd);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    *error = S_ISDIR(info.st_mode) ? EISDIR : ESPIPE;  // no reading at an offset there
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return std::make_unique<PosixRandomAccessFile>(fd, info);
}

std::unique_ptr<WritableFile> PosixFileSystem::CreateForWrite(const std::string& path, int* error) {
  int ignored = 0;
  if (error == nullptr) error = &ignored;
  if (HasNul(path)) {
    *error = EINVAL;
    return nullptr;
  }
  // No O_TRUNC: what the name stands for is checked before anything of it is emptied. A link in
  // the last place fails with ELOOP; a FIFO without a reader fails with ENXIO instead of waiting.
  const int fd = OpenRetrying(WithForwardSlashes(path).c_str(),
                              O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK,
                              0644);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  auto refuse = [fd, error](int why) {
    *error = why;
    ::close(fd);
    return nullptr;
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0) return refuse(errno);
  if (!S_ISREG(info.st_mode)) return refuse(kErrorNotRegularFile);
  if (info.st_nlink > 1) return refuse(kErrorHardLinked);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  int status;
  do {
    status = ::ftruncate(fd, 0);
  } while (status != 0 && errno == EINTR);
  if (status != 0) return refuse(errno);
  return std::make_unique<PosixWritableFile>(fd);
}

std::string FileErrorText(int error) {
  switch (error) {
    case kErrorNotRegularFile:
      return "Not a regular file: a pipe, device or socket is not written to";
    case kErrorHardLinked:
      return "The file has more than one name (a hard link) and is not written through it";
    default:
      return std::strerror(error);
  }
}

std::string PosixFileSystem::ErrorText(int error) { return FileErrorText(error); }

FileSystem* DefaultFileSystem() {
  static PosixFileSystem files;
  return &files;
}

}  // namespace viru4deduz
