#include "testing/scripted_settings_store.h"

#include <cstring>

namespace viru4deduz {
namespace {

std::string ChildPath(const std::string& parent, const std::string& name) {
  if (name.empty()) return parent;
  return parent.empty() ? name : parent + '\\' + name;
}

long FailureFor(const std::map<std::string, long>& failures, const std::string& name) {
  const auto found = failures.find(name);
  return found == failures.end() ? 0 : found->second;
}

}  // namespace

const std::string* ScriptedSettingsStore::PathOf(SettingsKey key) const {
  static const std::string root;
  if (key == kCurrentUserKey) return &root;
  const auto found = handles_.find(key);
  return found == handles_.end() ? nullptr : &found->second;
}

long ScriptedSettingsStore::Record(Op op, const std::string* keyPath, const std::string& name,
                                   long status) {
  if (logCalls) calls.push_back(Call{op, keyPath != nullptr ? *keyPath : "?", name, status});
  return status;
}

long ScriptedSettingsStore::CreateKey(SettingsKey parent, const std::string& name,
                                      SettingsKey* key) {
  const std::string* parentPath = PathOf(parent);
  if (key == nullptr) return Record(Op::kCreateKey, parentPath, name, kInvalidParameter);
  *key = 0;
  if (parentPath == nullptr) return Record(Op::kCreateKey, parentPath, name, kInvalidHandle);
  if (const long status = FailureFor(createFailures_, name); status != 0) {
    return Record(Op::kCreateKey, parentPath, name, status);
  }
  const std::string path = ChildPath(*parentPath, name);
  keys_.insert(path);
  *key = ++lastHandle_;
  handles_[*key] = path;
  return Record(Op::kCreateKey, parentPath, name, 0);
}

long ScriptedSettingsStore::QueryValue(SettingsKey key, const std::string& name, char* data,
                                       std::size_t* size) {
  const std::string* keyPath = PathOf(key);
  if (keyPath == nullptr) return Record(Op::kQueryValue, keyPath, name, kInvalidHandle);
  if (size == nullptr || (data == nullptr && *size > 0)) {
    return Record(Op::kQueryValue, keyPath, name, kInvalidParameter);
  }
  if (const long status = FailureFor(queryFailures_, name); status != 0) {
    return Record(Op::kQueryValue, keyPath, name, status);
  }
  const std::optional<std::string> value = Value(*keyPath, name);
  if (!value) return Record(Op::kQueryValue, keyPath, name, kSettingsNotFound);
  if (value->size() > *size) return Record(Op::kQueryValue, keyPath, name, kMoreData);
  if (!value->empty()) std::memcpy(data, value->data(), value->size());
  *size = value->size();
  return Record(Op::kQueryValue, keyPath, name, 0);
}

long ScriptedSettingsStore::SetValue(SettingsKey key, const std::string& name, const char* data,
                                     std::size_t size) {
  const std::string* keyPath = PathOf(key);
  if (keyPath == nullptr) return Record(Op::kSetValue, keyPath, name, kInvalidHandle);
  if (data == nullptr && size > 0) return Record(Op::kSetValue, keyPath, name, kInvalidParameter);
  if (const long status = FailureFor(setFailures_, name); status != 0) {
    return Record(Op::kSetValue, keyPath, name, status);
  }
  values_[*keyPath][name] = size == 0 ? std::string() : std::string(data, size);
  return Record(Op::kSetValue, keyPath, name, 0);
}

long ScriptedSettingsStore::CloseKey(SettingsKey key) {
  const std::string* keyPath = PathOf(key);
  if (keyPath == nullptr) return Record(Op::kCloseKey, keyPath, "", kInvalidHandle);
  const std::string path = *keyPath;  // erasing the handle frees the string keyPath points to
  if (key != kCurrentUserKey) handles_.erase(key);
  return Record(Op::kCloseKey, &path, "", 0);
}

std::string ScriptedSettingsStore::ErrorText(long status) {
  return "Scripted error " + std::to_string(status);
}

void ScriptedSettingsStore::PutValue(const std::string& keyPath, const std::string& name,
                                     const std::string& value) {
  for (std::size_t slash = keyPath.find('\\'); slash != std::string::npos;
       slash = keyPath.find('\\', slash + 1)) {
    keys_.insert(keyPath.substr(0, slash));
  }
  keys_.insert(keyPath);
  values_[keyPath][name] = value;
}

std::optional<std::string> ScriptedSettingsStore::Value(const std::string& keyPath,
                                                        const std::string& name) const {
  const auto key = values_.find(keyPath);
  if (key == values_.end()) return std::nullopt;
  const auto value = key->second.find(name);
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

}  // namespace viru4deduz
