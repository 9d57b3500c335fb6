// The POSIX file system with Windows name rules: '\' is a separator as well as '/', and a name
// that does not exist as given is looked up again component by component without regard to
// ASCII case, as a Windows program expects of its files. Names here may hold '\' themselves: a
// name that exists as it is spelled is taken before any '\' in it is taken for a separator.
#ifndef VIRU4DEDUZ_PLATFORM_POSIX_FILE_SYSTEM_H_
#define VIRU4DEDUZ_PLATFORM_POSIX_FILE_SYSTEM_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ascii_case.h"
#include "platform/file_system.h"

namespace viru4deduz {

// The name rules, shared with the in-memory file system of the tests.

// The path with every '\' turned into '/'.
std::string WithForwardSlashes(std::string path);

// The non-empty components of a path that uses '/' only.
std::vector<std::string> PathComponents(std::string_view path);

// The name among names that a component stands for: the name equal to it, else the first
// case-insensitive match in byte order (so the answer never depends on the listing's order);
// nullptr when none matches.
const std::string* MatchComponent(const std::vector<std::string>& names,
                                  std::string_view component);

class PosixFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) override;
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) override;
  std::string ErrorText(int error) override;

  // The name under which path exists: the path itself when it exists with its '\' taken as
  // characters, else with its '\' taken as separators, else the case-insensitive match of its
  // components split on '\' and '/', else that of its components split on '/' only. A path found
  // in none of these ways comes back with its separators converted.
  static std::string Resolve(const std::string& path);
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_POSIX_FILE_SYSTEM_H_
