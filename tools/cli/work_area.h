// The work area a request gets, as GetLoads sizes it from the "XMS Memory Allocated" setting, and
// what a job needs of it. The CLI honours the setting so that it gives the answers a host gets.
#ifndef VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_H_
#define VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_H_

#include <cstdint>
#include <string>

#include "outfile/control_data.h"
#include "platform/env.h"

namespace viru4deduz::cli {

// The setting (written with its default of 12000000 when empty, as the module does) in words.
std::int32_t WorkAreaWords(Env& env);

// Words a request needs for the job: the case blocks and the larger of the restraint and the
// element layout; -1 when the figure does not fit in 64 bits.
std::int64_t NeededWorkAreaWords(const ControlData& control);

// The room test of a request.
bool WorkAreaFits(const ControlData& control, std::int32_t words);

// Why a request ends with status 2 although the node may have restraints.
std::string WorkAreaTooSmallHint(const ControlData& control, std::int32_t words);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_WORK_AREA_H_
