// The setting "XMS Memory Allocated" (the work area a host gives a request, in bytes), as the job
// library reads it for a program that reports on it: without creating or writing anything, since
// a command never changes a host's settings. A value that cannot be read gives a host its
// default, as a missing one does.
#ifndef VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_
#define VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_

#include "VirU4Deduz/HostSettings.h"

namespace viru4deduz::cli {

// Read once, when a command first asks: every command warns of a value a host cannot use, and
// inspect reports what a host takes it for.
const api::WorkAreaSetting& ReadWorkAreaSetting();

// A warning on standard error naming the file, when the value cannot be read or is not a number
// of bytes.
void WarnOfUnusableSetting(const api::WorkAreaSetting& setting);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_SETTING_H_
