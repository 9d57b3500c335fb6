// The exit statuses of viru4deduz, the same for every subcommand. The codes from 64 on are those
// of sysexits.h, so that scripts and service managers read them as they read other tools'.
#ifndef VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_
#define VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_

namespace viru4deduz::cli {

enum ExitStatus : int {
  kExitSuccess = 0,      // results written
  kExitNoResult = 1,     // no result: no results for that case, or the user cancelled
  kExitDifferent = 1,    // compare: a change at or past the threshold (as diff and cmp say it)
  kExitNoRestraint = 2,  // no restraint at the node
  kExitNoSuchNode = 3,   // a node the job does not have
  kExitUsage = 64,       // usage error (EX_USAGE)
  kExitDataError = 65,   // the output file is damaged or not an output file (EX_DATAERR)
  kExitNoInput = 66,     // the job or its output file is missing or cannot be read (EX_NOINPUT)
  kExitOutputError = 74, // the output could not be written (EX_IOERR)
};

// The list above as the top-level help's epilogue gives it.
constexpr char kExitStatusNote[] =
    "Exit status: 0 results written; 1 no result (no results for that case, user cancelled; "
    "compare: a change at or past the threshold); 2 no restraint at the node; 3 a node the job "
    "does not have; 64 usage error; 65 output file damaged or not an output file; 66 job or its "
    "output file missing or unreadable; 74 output error.";

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_EXIT_STATUS_H_
