#include "work_area_setting.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "cli_user_interface.h"
#include "common/decimal_text.h"
#include "platform/posix_settings_store.h"
#include "settings/talvor_registry.h"

namespace viru4deduz::cli {
namespace {

constexpr char kBlanks[] = " \t\n\v\f\r";

WorkAreaSetting ReadSetting() {
  WorkAreaSetting setting;
  std::string root;
  if (SettingsRootPath(&root) == 0) {
    setting.file = SettingsValueFile(root, kSettingsKeyPath, SettingNameTable[kSettingWorkAreaSize]);
  }
  std::ifstream in(setting.file, std::ios::binary);
  if (in) setting.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  setting.text = setting.text.substr(0, setting.text.find('\0'));  // a text ends at a NUL
  if (setting.text.empty()) {
    setting.bytes = kDefaultWorkAreaSize;
    return setting;
  }
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

}  // namespace

const WorkAreaSetting& ReadWorkAreaSetting() {
  static const WorkAreaSetting setting = ReadSetting();
  return setting;
}

void WarnOfMalformedSetting(const WorkAreaSetting& setting) {
  if (setting.wellFormed) return;
  PrintWarning(setting.file + " holds \"" + setting.text.substr(0, 40) +
               "\", not a number of bytes: a host takes \"XMS Memory Allocated\" for " +
               std::to_string(setting.bytes) + " bytes");
}

}  // namespace viru4deduz::cli
