// The host's work area setting, read as the module's settings layer reads it but without opening
// the keys on the way, which would create them.
#include "VirU4Deduz/HostSettings.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>

#include "common/decimal_text.h"
#include "platform/posix_settings_store.h"
#include "settings/talvor_registry.h"

namespace viru4deduz::api {
namespace {

constexpr char kBlanks[] = " \t\n\v\f\r";

// What a host's settings class reads a value into: a longer value is a read that fails.
constexpr std::size_t kValueBufferSize = 260;

// Why the value's file gives a host no value, in the words of a warning.
std::string UnreadableReason(long status) {
  if (status == EINVAL) return "not a regular file";  // a FIFO or a device, which is never read
  if (status == EOVERFLOW) {
    return "longer than the " + std::to_string(kValueBufferSize) + " bytes a host reads";
  }
  return DefaultSettingsStore()->ErrorText(status);
}

}  // namespace

WorkAreaSetting ReadWorkAreaSetting() {
  WorkAreaSetting setting;
  setting.bytes = kDefaultWorkAreaSize;  // what a host takes for a value it does not get
  std::string root;
  if (SettingsRootPath(&root) != 0) return setting;
  setting.file = SettingsValueFile(root, kSettingsKeyPath, SettingNameTable[kSettingWorkAreaSize]);
  // Read as the host's store reads it, bounded and never waiting, but without opening the keys on
  // the way, which would create them.
  char buffer[kValueBufferSize];
  std::size_t size = sizeof buffer;
  const long status = ReadSettingsValueFile(setting.file, buffer, &size);
  if (status == kSettingsNotFound) return setting;
  if (status != 0) {
    setting.unreadable = UnreadableReason(status);
    return setting;
  }
  setting.text.assign(buffer, size);
  setting.text = setting.text.substr(0, setting.text.find('\0'));  // a text ends at a NUL
  if (setting.text.empty()) return setting;
  setting.bytes = LeadingDecimalNumber(setting.text);
  const std::size_t first = setting.text.find_first_not_of(kBlanks);
  const std::size_t last = setting.text.find_last_not_of(kBlanks);
  const std::string number = first == std::string::npos ? "" : setting.text.substr(first, last - first + 1);
  std::int64_t parsed = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
  setting.wellFormed = !number.empty() && number[0] != '-' && error == std::errc() &&
                       end == number.data() + number.size() && parsed > 0 && parsed <= INT32_MAX;
  return setting;
}

}  // namespace viru4deduz::api
