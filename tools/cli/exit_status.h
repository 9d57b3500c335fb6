// The exit statuses of viru4deduz, the same for every subcommand.
#ifndef VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_
#define VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_

namespace viru4deduz::cli {

enum ExitStatus : int {
  kExitSuccess = 0,      // results written
  kExitNoResult = 1,     // no output file, no readable output, no such case, or the user cancelled
  kExitNoRestraint = 2,  // no restraint at the node, or a work area too small for the job
  kExitUsage = 64,       // the command line is wrong (as EX_USAGE of sysexits.h)
};

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_
