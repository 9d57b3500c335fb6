#include "work_area_setting.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "cli_user_interface.h"

namespace viru4deduz::cli {
namespace {

constexpr std::int64_t kDefaultBytes = 12000000;  // what a host stores when the value is empty
constexpr char kValuePath[] = "/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings/XMS Memory Allocated.value";
constexpr char kBlanks[] = " \t\n\v\f\r";

// The settings' base directory, as the module's settings layer finds it.
std::string ConfigDirectory() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') return configHome;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
  const struct passwd* entry = ::getpwuid(::getuid());
  if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] == '\0') return "";
  return std::string(entry->pw_dir) + "/.config";
}

// The text's leading number as a host reads it: blanks, a sign, digits; none gives 0; saturated
// at the 32-bit range.
std::int64_t LeadingNumber(const std::string& text) {
  std::size_t at = text.find_first_not_of(kBlanks);
  if (at == std::string::npos) return 0;
  const bool negative = text[at] == '-';
  if (text[at] == '-' || text[at] == '+') ++at;
  std::int64_t value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && value <= INT32_MAX; ++at) {
    value = value * 10 + (text[at] - '0');
  }
  value = negative ? -value : value;
  return std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX);
}

}  // namespace

WorkAreaSetting ReadWorkAreaSetting() {
  WorkAreaSetting setting;
  const std::string base = ConfigDirectory();
  if (!base.empty()) setting.file = base + kValuePath;
  std::ifstream in(setting.file, std::ios::binary);
  if (in) setting.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  setting.text = setting.text.substr(0, setting.text.find('\0'));  // a text ends at a NUL
  if (setting.text.empty()) {
    setting.bytes = kDefaultBytes;
    return setting;
  }
  setting.bytes = LeadingNumber(setting.text);
  const std::size_t first = setting.text.find_first_not_of(kBlanks);
  const std::size_t last = setting.text.find_last_not_of(kBlanks);
  const std::string number = first == std::string::npos ? "" : setting.text.substr(first, last - first + 1);
  std::int64_t parsed = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
  setting.wellFormed = !number.empty() && number[0] != '-' && error == std::errc() &&
                       end == number.data() + number.size() && parsed > 0 && parsed <= INT32_MAX;
  return setting;
}

void WarnOfMalformedSetting(const WorkAreaSetting& setting) {
  if (setting.wellFormed) return;
  PrintWarning(setting.file + " holds \"" + setting.text.substr(0, 40) +
               "\", not a number of bytes: a host takes \"XMS Memory Allocated\" for " +
               std::to_string(setting.bytes) + " bytes");
}

}  // namespace viru4deduz::cli
