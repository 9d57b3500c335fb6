// The maker's archive library: expand a job's packed files before the output file is read, and
// pack them again afterwards. Results are ignored by the module.
#ifndef VIRU4DEDUZ_PLATFORM_ARCHIVE_H_
#define VIRU4DEDUZ_PLATFORM_ARCHIVE_H_

namespace viru4deduz {

class Archive {
 public:
  virtual ~Archive() = default;
  virtual void Expand(const char* path) = 0;  // ordinal 4
  virtual void Pack(const char* path) = 0;    // ordinal 3
};

// The default archive layer: the job's files are used where they are; both calls change nothing.
Archive* DefaultArchive();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_ARCHIVE_H_
