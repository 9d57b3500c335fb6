// The setting "XMS Memory Allocated" (the work area a host gives a request, in bytes), read from
// its file as a host's settings layer reads it, without creating or writing anything: a command
// never changes a host's settings. A value that cannot be read gives a host its default, as a
// missing one does.
#ifndef VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_
#define VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_

#include <cstdint>
#include <string>

namespace viru4deduz::cli {

struct WorkAreaSetting {
  std::string file;          // the value's file; "" when no settings directory can be named
  std::string text;          // the value as stored, "" when missing, empty or unreadable
  std::string unreadable;    // why the file gives no value (a directory, a FIFO, ...), else ""
  std::int64_t bytes = 0;    // what a host takes it for: its leading number, or the default
  bool wellFormed = true;    // a number of bytes and nothing else (blanks around it aside)
};

// Read once, when a command first asks: every command warns of a value a host cannot use, and
// inspect reports what a host takes it for.
const WorkAreaSetting& ReadWorkAreaSetting();

// A warning on standard error naming the file, when the value cannot be read or is not a number
// of bytes.
void WarnOfUnusableSetting(const WorkAreaSetting& setting);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_
