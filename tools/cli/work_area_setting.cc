#include "work_area_setting.h"

#include <string>

#include "cli_user_interface.h"

namespace viru4deduz::cli {

const api::WorkAreaSetting& ReadWorkAreaSetting() {
  static const api::WorkAreaSetting setting = api::ReadWorkAreaSetting();
  return setting;
}

void WarnOfUnusableSetting(const api::WorkAreaSetting& setting) {
  if (!setting.unreadable.empty()) {
    PrintWarning(setting.file + " cannot be read (" + setting.unreadable +
                 "): a host takes \"XMS Memory Allocated\" for its default, " +
                 std::to_string(setting.bytes) + " bytes");
  } else if (!setting.wellFormed) {
    PrintWarning(setting.file + " holds \"" + setting.text.substr(0, 40) +
                 "\", not a number of bytes: a host takes \"XMS Memory Allocated\" for " +
                 std::to_string(setting.bytes) + " bytes");
  }
}

}  // namespace viru4deduz::cli
