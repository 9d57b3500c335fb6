// Files as the module needs them: the existence test with Windows semantics, reading an existing
// file, and creating (or emptying) a file for writing.
#ifndef VIRU4DEDUZ_PLATFORM_FILE_SYSTEM_H_
#define VIRU4DEDUZ_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace viru4deduz {

// A file opened for reading at any offset.
class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;
  // The file's size in bytes when it was opened.
  virtual std::uint64_t Size() const = 0;
  // Reads up to n bytes at offset into buf. Returns the number of bytes read (short at the end of
  // the file, or before a failure that lies further on) or -1 with *error set to a system error
  // number when nothing could be read.
  virtual long long Read(std::uint64_t offset, std::size_t n, void* buf, int* error) = 0;
  // Whether the file is still the one opened, as it was then: of the same size, not written
  // since, and not deleted or replaced under its name. *sizeNow receives its size now. A file
  // that cannot tell says it is unchanged.
  virtual bool StillAsOpened(std::uint64_t* sizeNow) {
    *sizeNow = Size();
    return true;
  }
};

// A file opened for writing from its start.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Returns 0 or a system error number.
  virtual int Append(const void* data, std::size_t n) = 0;
  virtual int Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The existence test (access mode 0): true when a file or directory of that name exists.
  // Paths may use '\' as well as '/'; each component is matched exactly first, then without regard
  // to case, as Windows would. A name that holds '\' itself is found too (see PosixFileSystem).
  virtual bool Exists(const std::string& path) = 0;

  // Opens an existing file, found as Exists finds it. nullptr with *error set on failure.
  virtual std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) = 0;

  // Creates the file, or empties it when it exists. Only a plain file of its own is written: a
  // symbolic link in the last place of the path is not followed (the system's ELOOP), the open
  // never waits (a FIFO without a reader: ENXIO), and a directory (EISDIR), a FIFO, device or
  // socket (kErrorNotRegularFile) or a regular file with more than one name (kErrorHardLinked,
  // since writing it would write the file of every other name too) is refused. A refused file is left
  // as it was: it is emptied only after these checks. nullptr with *error set on failure.
  virtual std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) = 0;

  // The system's message text for an error number (the FormatMessage of this layer), or the text
  // of one of the layer's own numbers below.
  virtual std::string ErrorText(int error) = 0;
};

// The file layers' own error numbers, for refusals the system has no number for. Negative, so
// that they never meet one of the system's.
constexpr int kErrorNotRegularFile = -1;
constexpr int kErrorHardLinked = -2;

// The system's message for an error number, or the text of one of the layers' own numbers above:
// the ErrorText of the POSIX layer and of the in-memory one of the tests.
std::string FileErrorText(int error);

// The process-wide POSIX file system.
FileSystem* DefaultFileSystem();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_FILE_SYSTEM_H_
