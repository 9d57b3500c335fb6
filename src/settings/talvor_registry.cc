#include "settings/talvor_registry.h"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "common/decimal_text.h"
#include "common/messages.h"

namespace viru4deduz {

const char* const SettingNameTable[kSettingNameCount] = {
    "Default Data Path",
    "Program Path",
    "Interactive Plot",
    "                ",
    "                ",
    "XMS Memory Allocated",
    "VESKO_USER",
    "Show Informational Messages",
    "FILE_GRAPHIC",
    "Delay_Value",
    "Setting_Stress",
    "Setting_Debug",
    "Compress TALVOR Files",
    "Alternative System Path",
};

namespace {

constexpr const char* kSettingsKeyName = kSettingsKeyPath[4];
constexpr std::size_t kValueBufferSize = 260;

constexpr const char* kDebugError = "Debug Error Only!";
constexpr const char* kBeyondTheArray =
    "CTalvorRegistry::GetKey() called with value beyond the array";

bool IsNameIndex(int index) { return index >= 0 && index < kSettingNameCount; }

}  // namespace

CTalvorRegistry::CTalvorRegistry(SettingsStore& store, UserInterface& ui) : store_(store), ui_(ui) {
  // A failure leaves its handle at 0; the keys below it are then asked of that unopened handle,
  // and fail as well. Nothing is reported here: the read or write that needs them reports.
  const std::pair<const char*, SettingsKey*> chain[] = {
      {kSettingsKeyPath[0], &software_}, {kSettingsKeyPath[1], &company_},
      {kSettingsKeyPath[2], &product_}, {kSettingsKeyPath[3], &version_}};
  SettingsKey parent = kCurrentUserKey;
  for (const auto& [name, key] : chain) {
    store_.CreateKey(parent, name, key);
    parent = *key;
  }
}

CTalvorRegistry::~CTalvorRegistry() {
  for (SettingsKey key : {company_, software_, product_, version_}) {
    if (key != 0) store_.CloseKey(key);
  }
}

std::string CTalvorRegistry::GetKey(int index) {
  if (!IsNameIndex(index)) {
    ui_.ShowMessage(kDebugError, kBeyondTheArray, kMessageBoxIconStop);
    return "Bogus Value";
  }
  const std::string name = SettingNameTable[index];
  if (name.empty()) return "";

  // The value is queried even of a key that could not be opened: the box then tells what the
  // query of that unopened key returned, as it does for any other failed query.
  SettingsKey settings = 0;
  store_.CreateKey(version_, kSettingsKeyName, &settings);

  std::string text;
  char buffer[kValueBufferSize];
  std::size_t size = sizeof buffer;
  const long status = store_.QueryValue(settings, name, buffer, &size);
  if (status == 0) {
    // The value is a text: anything after a NUL byte is not part of it.
    const std::string_view read(buffer, size);
    text = read.substr(0, read.find('\0'));
  } else if (status == kSettingsNotFound) {
    SettingsKey marker = 0;
    if (store_.CreateKey(settings, name, &marker) == 0) store_.CloseKey(marker);
  } else {
    ui_.ShowMessage(store_.ErrorText(status).c_str(), "Registry Error",
                    kMessageBoxIconInformation);
  }
  if (settings != 0) store_.CloseKey(settings);
  return text;
}

void CTalvorRegistry::SetKey(int index, const std::string& text) {
  if (!IsNameIndex(index)) {
    ui_.ShowMessage(kBeyondTheArray, kDebugError, kMessageBoxIconStop);
    return;
  }
  const std::string name = SettingNameTable[index];
  if (name.empty()) return;

  SettingsKey settings = 0;
  store_.CreateKey(version_, kSettingsKeyName, &settings);
  if (store_.SetValue(settings, name, text.data(), text.size()) != 0) {
    // A framework box without a caption of its own carries the application's name.
    ui_.ShowMessage("Unable to update registry", kMessageCaption, kMessageBoxIconExclamation);
  }
  if (settings != 0) store_.CloseKey(settings);
}

std::int32_t CTalvorRegistry::GetWorkAreaSize() {
  const std::string text = GetKey(kSettingWorkAreaSize);
  if (text.empty()) {
    SetKey(kSettingWorkAreaSize, std::to_string(kDefaultWorkAreaSize));
    return kDefaultWorkAreaSize;
  }
  return LeadingDecimalNumber(text);
}

std::string CTalvorRegistry::GetUserValue() { return GetKey(kSettingChainUser); }

void GetChainUser(SettingsStore& store, UserInterface& ui, char* dest, int destSize, int* length) {
  CTalvorRegistry registry(store, ui);
  std::string text = registry.GetUserValue();
  if (dest == nullptr || destSize <= 0) {
    if (length != nullptr) *length = 0;
    return;
  }
  // Cut to the room first and drop the blanks after, so the name never ends in a blank even when
  // the cut falls just after one.
  if (text.size() > static_cast<std::size_t>(destSize - 1)) {
    text.resize(static_cast<std::size_t>(destSize - 1));
  }
  const std::size_t lastNonBlank = text.find_last_not_of(' ');
  text.resize(lastNonBlank == std::string::npos ? 0 : lastNonBlank + 1);
  std::memcpy(dest, text.c_str(), text.size() + 1);
  if (length != nullptr) *length = static_cast<int>(text.size());
}

}  // namespace viru4deduz
