#include "platform/posix_settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

namespace viru4deduz {
namespace {

static_assert(ENOENT == kSettingsNotFound, "a missing value must report the not-found status");

constexpr std::string_view kValueSuffix = ".value";

bool HoldsNul(const std::string& name) { return name.find('\0') != std::string::npos; }

std::string EscapeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '%') {
      out += "%25";
    } else if (c == '/') {
      out += "%2F";
    } else {
      out += c;
    }
  }
  return out;
}

std::string SubkeyFileName(const std::string& name) {
  if (name == ".") return "%2E";
  if (name == "..") return "%2E%2E";
  std::string out = EscapeName(name);
  if (out.ends_with(kValueSuffix)) out.replace(out.size() - kValueSuffix.size(), 1, "%2E");
  return out;
}

std::string ValueFileName(const std::string& name) {
  return EscapeName(name) + std::string(kValueSuffix);
}

// mkdir that accepts an existing directory (or a link to one) but nothing else in the way. The
// existing directory is looked for whatever mkdir says, since on a read-only or foreign file
// system it may report its refusal to create before the name's existence.
long MakeDirectory(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return 0;  // the usual case
  if (mkdir(path.c_str(), 0700) == 0) return 0;
  const int error = errno;
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return 0;
  return error == EEXIST ? ENOTDIR : error;
}

long MakeDirectories(const std::string& path) {
  // Almost always the whole path is there already: one look instead of a mkdir per component.
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return 0;
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (const long status = MakeDirectory(path.substr(0, slash)); status != 0) return status;
  }
  return MakeDirectory(path);
}

std::string PasswordHomeDirectory() {
  long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (bufferSize <= 0) bufferSize = 16384;
  // The entry may need more room than the system suggests; grow a few times, then give up.
  for (int attempt = 0; attempt < 6; ++attempt, bufferSize *= 2) {
    std::vector<char> buffer(static_cast<std::size_t>(bufferSize));
    struct passwd entry {};
    struct passwd* found = nullptr;
    const int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) continue;
    if (error != 0 || found == nullptr || found->pw_dir == nullptr) return "";
    return found->pw_dir;
  }
  return "";
}

long RootDirectory(std::string* root) {
  const long status = SettingsRootPath(root);
  return status != 0 ? status : MakeDirectories(*root);
}

// Reads the whole file at fd, stopping as soon as it holds more than limit bytes.
long ReadAtMost(int fd, std::size_t limit, std::string* content) {
  char chunk[4096];
  while (content->size() <= limit) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    content->append(chunk, static_cast<std::size_t>(got));
  }
  return 0;
}

long WriteAll(int fd, const char* data, std::size_t size) {
  constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
  while (size > 0) {
    const ssize_t put = write(fd, data, std::min(size, kMaxChunk));
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return EIO;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

// Flushes the directory entry of a renamed value. The value is already in place, so a failure
// here only weakens durability across a crash and is not reported.
void SyncDirectory(const std::string& directory) {
  const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

}  // namespace

long PosixSettingsStore::KeyDirectory(SettingsKey key, std::string* directory) {
  if (key == kCurrentUserKey) return RootDirectory(directory);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = directories_.find(key);
  if (found == directories_.end()) return EBADF;
  *directory = found->second;
  return 0;
}

long PosixSettingsStore::AddHandle(const std::string& directory, SettingsKey* key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (lastHandle_ == LONG_MAX) return EMFILE;
  ++lastHandle_;
  directories_[lastHandle_] = directory;
  *key = lastHandle_;
  return 0;
}

long PosixSettingsStore::CreateKey(SettingsKey parent, const std::string& name,
                                   SettingsKey* key) {
  if (key == nullptr) return EINVAL;
  *key = 0;
  if (HoldsNul(name)) return EINVAL;
  std::string directory;
  if (const long status = KeyDirectory(parent, &directory); status != 0) return status;
  // An empty name opens the parent itself, as the registry does.
  if (!name.empty()) {
    directory += '/';
    directory += SubkeyFileName(name);
    if (const long status = MakeDirectory(directory); status != 0) return status;
  }
  return AddHandle(directory, key);
}

long PosixSettingsStore::QueryValue(SettingsKey key, const std::string& name, char* data,
                                    std::size_t* size) {
  if (size == nullptr || (data == nullptr && *size > 0) || HoldsNul(name)) return EINVAL;
  std::string directory;
  if (const long status = KeyDirectory(key, &directory); status != 0) return status;
  return ReadSettingsValueFile(directory + '/' + ValueFileName(name), data, size);
}

long PosixSettingsStore::SetValue(SettingsKey key, const std::string& name, const char* data,
                                  std::size_t size) {
  if ((data == nullptr && size > 0) || HoldsNul(name)) return EINVAL;
  std::string directory;
  if (const long status = KeyDirectory(key, &directory); status != 0) return status;
  const std::string path = directory + '/' + ValueFileName(name);

  const std::string pattern = directory + "/.tmp-XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return errno;
  (void)fcntl(fd, F_SETFD, FD_CLOEXEC);

  long status = WriteAll(fd, data, size);
  if (status == 0 && fsync(fd) != 0) status = errno;
  if (close(fd) != 0 && status == 0) status = errno;
  if (status == 0 && rename(temporary.data(), path.c_str()) != 0) status = errno;
  if (status != 0) {
    unlink(temporary.data());
    return status;
  }
  SyncDirectory(directory);
  return 0;
}

long PosixSettingsStore::CloseKey(SettingsKey key) {
  if (key == kCurrentUserKey) return 0;  // the root is never held open
  std::lock_guard<std::mutex> lock(mutex_);
  return directories_.erase(key) == 1 ? 0 : EBADF;
}

std::string PosixSettingsStore::ErrorText(long status) {
  if (status < INT_MIN || status > INT_MAX) return "Unknown error " + std::to_string(status);
  return std::generic_category().message(static_cast<int>(status));
}

SettingsStore* DefaultSettingsStore() {
  static PosixSettingsStore store;
  return &store;
}

// Read from the environment every time, so that a change of XDG_CONFIG_HOME or HOME takes effect
// at the next key opened from the root. A relative XDG_CONFIG_HOME is ignored, as the base
// directory convention asks.
long SettingsRootPath(std::string* root) {
  std::string base;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') {
    base = configHome;
  } else {
    const char* home = std::getenv("HOME");
    const std::string homeDirectory =
        (home != nullptr && home[0] != '\0') ? home : PasswordHomeDirectory();
    if (homeDirectory.empty()) return ENOENT;
    base = homeDirectory + "/.config";
  }
  *root = base + "/VirU4Deduz";
  return 0;
}

long ReadSettingsValueFile(const std::string& path, char* data, std::size_t* size) {
  if (size == nullptr || (data == nullptr && *size > 0) || HoldsNul(path)) return EINVAL;
  // O_NONBLOCK keeps a FIFO in the value's place from blocking the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  long status = 0;
  std::string content;
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    status = errno;
  } else if (S_ISDIR(info.st_mode)) {
    status = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    status = EINVAL;
  } else {
    status = ReadAtMost(fd, *size, &content);
  }
  close(fd);
  if (status != 0) return status;
  if (content.size() > *size) return EOVERFLOW;
  if (!content.empty()) std::memcpy(data, content.data(), content.size());
  *size = content.size();
  return 0;
}

std::string SettingsValueFile(const std::string& root, std::span<const char* const> keys,
                              const std::string& name) {
  std::string path = root;
  for (const char* key : keys) path += '/' + SubkeyFileName(key);
  return path + '/' + ValueFileName(name);
}

}  // namespace viru4deduz
