// The per-user settings store over a directory tree, standing in for the registry.
//
// Root: $XDG_CONFIG_HOME/VirU4Deduz, or $HOME/.config/VirU4Deduz when XDG_CONFIG_HOME is unset,
// empty or not an absolute path, or <home directory of the password entry>/.config/VirU4Deduz
// when HOME is unset or empty as well. The root is looked up anew at every CreateKey from
// kCurrentUserKey, never cached, and created (with any missing parents) on demand.
//
// Mapping of names to files, which keeps a subkey and a value of the same name apart (the
// registry allows both, and the settings class creates both for a value found missing):
//   * a subkey named N is the directory named N;
//   * a value named N is the regular file named N followed by ".value", holding exactly the
//     value's bytes (no terminator);
//   * in every name '%' is written "%25" and '/' is written "%2F"; in a subkey name ending in
//     ".value" that dot is written "%2E", and the subkey names "." and ".." are written "%2E" and
//     "%2E%2E", so no subkey directory ever ends in ".value" or points elsewhere.
// For example the value "XMS Memory Allocated" of the settings key is the file
//   .../VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings/XMS Memory Allocated.value
// and the empty subkey of the same name is the directory .../Settings/XMS Memory Allocated/.
// Names holding a NUL byte are refused with EINVAL.
//
// Statuses are errno numbers: ENOENT (== kSettingsNotFound) for a missing value, EBADF for a
// handle that is 0, closed or never given out, EOVERFLOW for a value larger than the caller's
// buffer, and whatever the system reports otherwise (ENOTDIR, EEXIST, EISDIR, EACCES, ...).
// ErrorText gives the system's text for any of them.
//
// SetValue replaces a value atomically: the bytes go to a temporary file ".tmp-XXXXXX" in the
// key's directory (a name that never ends in ".value"), are flushed to disk, and the file is
// renamed over the value's file. A crash never leaves a half-written value, and a reader racing
// any number of writers sees one whole value or another, never a mix.
//
// Handles are small positive numbers private to the object; the object may be used from several
// threads at once.
#ifndef VIRU4DEDUZ_PLATFORM_POSIX_SETTINGS_STORE_H_
#define VIRU4DEDUZ_PLATFORM_POSIX_SETTINGS_STORE_H_

#include <map>
#include <mutex>
#include <span>
#include <string>

#include "platform/settings_store.h"

namespace viru4deduz {

// Where the tree lies (see above), whether or not it exists; nothing is created. 0, or ENOENT when
// no home directory can be named.
long SettingsRootPath(std::string* root);

// The file that holds value name under the keys (their names from the root down) in the tree at
// root, named as the store names it; nothing is created.
std::string SettingsValueFile(const std::string& root, std::span<const char* const> keys,
                              const std::string& name);

// Reads the value in the file at path as QueryValue reads a value: 0 with *size set to the number
// of bytes put into data, which holds *size bytes; ENOENT when there is no such file, EISDIR for a
// directory, EINVAL for anything else that is not a regular file (a FIFO is not waited on, a
// device not read), EOVERFLOW for a value larger than *size. For a reader that must leave the
// tree as it finds it: unlike opening the value's key, nothing is created.
long ReadSettingsValueFile(const std::string& path, char* data, std::size_t* size);

class PosixSettingsStore : public SettingsStore {
 public:
  long CreateKey(SettingsKey parent, const std::string& name, SettingsKey* key) override;
  long QueryValue(SettingsKey key, const std::string& name, char* data,
                  std::size_t* size) override;
  long SetValue(SettingsKey key, const std::string& name, const char* data,
                std::size_t size) override;
  long CloseKey(SettingsKey key) override;
  std::string ErrorText(long status) override;

 private:
  // The directory of an open key (the root for kCurrentUserKey, created on demand); 0 or errno.
  long KeyDirectory(SettingsKey key, std::string* directory);
  // Hands out a new handle for directory; 0 or errno.
  long AddHandle(const std::string& directory, SettingsKey* key);

  std::mutex mutex_;  // guards the two members below
  std::map<SettingsKey, std::string> directories_;
  SettingsKey lastHandle_ = 0;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_POSIX_SETTINGS_STORE_H_
