// An in-memory settings store for tests. It records every call with the key path it acted on,
// can be told to fail chosen operations with a chosen status, and lets a test put values in
// place, read them back and see which keys exist.
//
// Key paths are the names from the root joined by '\', e.g. "Software\Ostrel"; the root itself
// is "". Statuses follow the registry: kInvalidHandle for a handle that is 0, closed or never given
// out, kInvalidParameter for a missing out-argument, kMoreData for a value larger than the
// caller's buffer, kSettingsNotFound for a missing value.
#ifndef VIRU4DEDUZ_TESTING_SCRIPTED_SETTINGS_STORE_H_
#define VIRU4DEDUZ_TESTING_SCRIPTED_SETTINGS_STORE_H_

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace viru4deduz {

class ScriptedSettingsStore : public SettingsStore {
 public:
  static constexpr long kInvalidHandle = 6;
  static constexpr long kInvalidParameter = 87;
  static constexpr long kMoreData = 234;

  enum class Op { kCreateKey, kQueryValue, kSetValue, kCloseKey };
  struct Call {
    Op op;
    std::string keyPath;  // the key passed in (the parent for kCreateKey); "?" when invalid
    std::string name;     // the subkey or value name; empty for kCloseKey
    long status;          // what the call returned
  };

  long CreateKey(SettingsKey parent, const std::string& name, SettingsKey* key) override;
  long QueryValue(SettingsKey key, const std::string& name, char* data,
                  std::size_t* size) override;
  long SetValue(SettingsKey key, const std::string& name, const char* data,
                std::size_t size) override;
  long CloseKey(SettingsKey key) override;
  // "Scripted error <status>".
  std::string ErrorText(long status) override;

  // From now on, every call of that operation for a subkey or value of that name fails with status
  // (CreateKey then gives out no handle; SetValue stores nothing).
  void FailCreateKey(const std::string& name, long status) { createFailures_[name] = status; }
  void FailQueryValue(const std::string& name, long status) { queryFailures_[name] = status; }
  void FailSetValue(const std::string& name, long status) { setFailures_[name] = status; }

  // Direct access to the stored tree (PutValue creates the key path where missing).
  void PutValue(const std::string& keyPath, const std::string& name, const std::string& value);
  std::optional<std::string> Value(const std::string& keyPath, const std::string& name) const;
  bool HasKey(const std::string& keyPath) const { return keys_.count(keyPath) == 1; }
  // Handles given out and not closed yet.
  std::size_t OpenHandleCount() const { return handles_.size(); }

  // Every call, in order, while logCalls is true. A fuzzer, which never looks at the log, turns
  // it off: under AddressSanitizer the log's strings were most of a request's allocations.
  bool logCalls = true;
  std::vector<Call> calls;

 private:
  // The path of an open handle (the root for kCurrentUserKey), or nullptr.
  const std::string* PathOf(SettingsKey key) const;
  long Record(Op op, const std::string* keyPath, const std::string& name, long status);

  std::set<std::string> keys_{""};
  std::map<std::string, std::map<std::string, std::string>> values_;  // key path -> values
  std::map<SettingsKey, std::string> handles_;
  SettingsKey lastHandle_ = 0;
  std::map<std::string, long> createFailures_;
  std::map<std::string, long> queryFailures_;
  std::map<std::string, long> setFailures_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_SCRIPTED_SETTINGS_STORE_H_
