// The per-user settings store, in the shape of the registry operations the settings class uses:
// open-or-create a key, read a named string value, write one, close a key, and turn a failure
// status into a message text. Statuses: 0 success, kSettingsNotFound for a missing value, any
// other number a failure that ErrorText can describe.
#ifndef VIRU4DEDUZ_PLATFORM_SETTINGS_STORE_H_
#define VIRU4DEDUZ_PLATFORM_SETTINGS_STORE_H_

#include <cstddef>
#include <string>

namespace viru4deduz {

using SettingsKey = long;                    // a handle; 0 is never a valid key
constexpr SettingsKey kCurrentUserKey = -1;  // the current user's root key
constexpr long kSettingsNotFound = 2;        // the registry's "file not found"

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Opens the subkey of parent named name, creating it when missing. On failure *key is 0.
  virtual long CreateKey(SettingsKey parent, const std::string& name, SettingsKey* key) = 0;

  // Reads the string value name of key into data, which holds *size bytes; on success *size is
  // the number of bytes stored. A value larger than *size is a failure other than not-found.
  virtual long QueryValue(SettingsKey key, const std::string& name, char* data,
                          std::size_t* size) = 0;

  // Stores size bytes as the string value name of key, replacing any earlier value whole.
  virtual long SetValue(SettingsKey key, const std::string& name, const char* data,
                        std::size_t size) = 0;

  virtual long CloseKey(SettingsKey key) = 0;

  // The system's message text for a status.
  virtual std::string ErrorText(long status) = 0;
};

// The process-wide store over a directory tree (see posix_settings_store.h for the mapping).
SettingsStore* DefaultSettingsStore();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_SETTINGS_STORE_H_
