// The product's per-user settings, in the key Software\Ostrel\TALVOR\5.30 of the current user;
// values live in its "Settings" subkey. Each caller builds an object, makes one call and destroys
// it: nothing is cached between calls.
#ifndef VIRU4DEDUZ_SETTINGS_TALVOR_REGISTRY_H_
#define VIRU4DEDUZ_SETTINGS_TALVOR_REGISTRY_H_

#include <cstdint>
#include <string>

#include "platform/settings_store.h"
#include "platform/user_interface.h"

namespace viru4deduz {

// Indexes of SettingNameTable that the module uses.
constexpr int kSettingWorkAreaSize = 5;  // "XMS Memory Allocated"
constexpr int kSettingChainUser = 6;     // "VESKO_USER"
constexpr int kSettingNameCount = 14;

// The fixed table of value names, indexed from 0.
extern const char* const SettingNameTable[kSettingNameCount];

// The keys from the current user's root down to the values, and the work area in bytes that an
// empty "XMS Memory Allocated" stands for.
inline constexpr const char* kSettingsKeyPath[] = {"Software", "Ostrel", "TALVOR", "5.30", "Settings"};
constexpr std::int32_t kDefaultWorkAreaSize = 12000000;

class CTalvorRegistry {
 public:
  // Opens, creating where missing, Software, Ostrel, TALVOR and 5.30 under the current user's
  // root key. A failure is not reported here: the later read or write fails and reports.
  CTalvorRegistry(SettingsStore& store, UserInterface& ui);
  ~CTalvorRegistry();
  CTalvorRegistry(const CTalvorRegistry&) = delete;
  CTalvorRegistry& operator=(const CTalvorRegistry&) = delete;

  // The text of the value named by SettingNameTable[index]; empty when the value is missing,
  // empty or unreadable (a missing value also gets an empty subkey of its name).
  std::string GetKey(int index);
  // Stores text as the value named by SettingNameTable[index].
  void SetKey(int index, const std::string& text);

  // "XMS Memory Allocated" in bytes; stores and returns 12000000 when the value is empty.
  std::int32_t GetWorkAreaSize();
  // A copy of the "VESKO_USER" text.
  std::string GetUserValue();

 private:
  SettingsStore& store_;
  UserInterface& ui_;
  SettingsKey software_ = 0;
  SettingsKey company_ = 0;
  SettingsKey product_ = 0;
  SettingsKey version_ = 0;
};

// The "VESKO_USER" text without trailing blanks, NUL-terminated in dest (which holds destSize
// bytes; a longer value is cut to destSize - 1 characters); *length is its length.
void GetChainUser(SettingsStore& store, UserInterface& ui, char* dest, int destSize, int* length);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_SETTINGS_TALVOR_REGISTRY_H_
