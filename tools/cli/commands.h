// The subcommands. Each returns the exit status.
#ifndef VIRU4DEDUZ_TOOLS_CLI_COMMANDS_H_
#define VIRU4DEDUZ_TOOLS_CLI_COMMANDS_H_

#include "command_line.h"

namespace viru4deduz::cli {

int RunLoads(const Invocation& inv);
int RunDisplacements(const Invocation& inv);
int RunCases(const Invocation& inv);
int RunSupports(const Invocation& inv);
int RunInspect(const Invocation& inv);
int RunEnvelope(const Invocation& inv);
int RunCompare(const Invocation& inv);
int RunNodes(const Invocation& inv);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_COMMANDS_H_
