// A file system held in memory, for tests and fuzzing. It follows the same name rules as the
// POSIX one ('\' and '/' both separate; a name is matched exactly, else without regard to ASCII
// case, the first match in byte order winning). Directories exist implicitly: every directory
// above a file does. "." is dropped and ".." takes back the component before it. It holds plain
// files of one name each, so of CreateForWrite's refusals only that of a directory can arise by
// itself; failCreate injects the others (ELOOP, kErrorNotRegularFile, ...).
#ifndef VIRU4DEDUZ_TESTING_MEMORY_FILE_SYSTEM_H_
#define VIRU4DEDUZ_TESTING_MEMORY_FILE_SYSTEM_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace viru4deduz {

class MemoryFileSystem : public FileSystem {
 public:
  // Failures to inject, keyed by path (separators are converted before comparing): the error
  // number with which CreateForWrite of exactly that name, or every read of that file, fails.
  // failRead also matches the name under which the file is stored.
  std::map<std::string, int> failCreate;
  std::map<std::string, int> failRead;

  // A stretch of a file that reads as a bad sector does: a read that starts before it delivers
  // the bytes before it, and one that starts inside it fails with EIO, or, with endOfFile, finds
  // the file ending there (as a device that reports a short file). Keyed like failRead.
  struct BadSector {
    std::uint64_t first = 0;
    std::uint64_t bytes = 0;
    bool endOfFile = false;
  };
  std::map<std::string, BadSector> badSectors;

  // Every name CreateForWrite succeeded on, in call order (separators converted).
  std::vector<std::string> createdPaths;

  // Stores a file under path (separators converted), replacing one of exactly that name.
  void AddFile(std::string path, std::string bytes);

  // The contents of the file that path names, found as Exists finds it, written files included;
  // nullptr when there is none. The pointer stays valid as long as the file system; adding or
  // creating the file again changes the text it points to.
  const std::string* Find(const std::string& path) const;

  bool Exists(const std::string& path) override;
  std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) override;
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) override;
  std::string ErrorText(int error) override;

 private:
  struct Lookup {
    enum Kind { kNone, kFile, kDirectory } kind = kNone;
    std::string key;  // the stored name, for kFile
  };
  Lookup Resolve(const std::string& path) const;
  template <typename Failure>
  static Failure FailureFor(const std::map<std::string, Failure>& failures, const std::string& path,
                            const std::string& key);

  // Shared with open files, so that a file outlives neither its writer nor its readers' view.
  std::map<std::string, std::shared_ptr<std::string>> files_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_MEMORY_FILE_SYSTEM_H_
