// Extension handling on Windows path names. The file name is what follows the last '\' or '/';
// its extension is its last dot and what follows, so a dot in a directory name never counts.
#include "platform/paths.h"

#include <cstring>

namespace viru4deduz {
namespace {

char* FileNameStart(char* path, std::size_t length) {
  char* name = path;
  for (std::size_t i = 0; i < length; ++i) {
    if (path[i] == '\\' || path[i] == '/') name = path + i + 1;
  }
  return name;
}

// The file name's last dot, or nullptr when the name has none.
char* ExtensionDot(char* path, std::size_t length) {
  char* name = FileNameStart(path, length);
  return std::strrchr(name, '.');
}

}  // namespace

void PathRemoveExtensionA(char* path) {
  if (path == nullptr) return;
  if (char* dot = ExtensionDot(path, std::strlen(path))) *dot = '\0';
}

bool PathAddExtensionA(char* path, std::size_t capacity, const char* ext) {
  if (path == nullptr || ext == nullptr) return false;
  // A buffer without a terminator inside its capacity is not a path we may extend.
  const std::size_t length = strnlen(path, capacity);
  if (length == capacity) return false;
  if (ExtensionDot(path, length) != nullptr) return false;
  const std::size_t extLength = std::strlen(ext);
  if (extLength >= capacity - length) return false;
  std::memcpy(path + length, ext, extLength + 1);
  return true;
}

}  // namespace viru4deduz
