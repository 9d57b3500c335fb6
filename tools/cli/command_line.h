// The command line of viru4deduz: subcommands, their options and their help.
#ifndef VIRU4DEDUZ_TOOLS_CLI_COMMAND_LINE_H_
#define VIRU4DEDUZ_TOOLS_CLI_COMMAND_LINE_H_

#include <string>
#include <variant>
#include <vector>

#include "output_format.h"
#include "units.h"

namespace viru4deduz::cli {

enum class Command { kLoads, kDisplacements, kCases, kSupports, kInspect, kEnvelope, kCompare, kNodes };

struct Invocation {
  Command command = Command::kLoads;
  std::string commandName;
  std::string job;
  std::vector<int> nodes;
  int caseNumber = 0;  // 0: not given
  bool allCases = false;
  std::vector<int> cases;               // envelope --cases
  std::vector<std::string> stressTypes; // envelope --type, upper case
  bool includeInactive = false;         // envelope --include-inactive
  std::string otherJob;                 // compare: the second job
  std::string xlsx;                     // supports, envelope, compare --xlsx FILE
  bool unrounded = false;               // loads, supports, envelope, compare --unrounded
  Units units;                          // --scale-force, --scale-moment, --scale-length, --unit-labels
  bool thresholdGiven = false;          // compare --threshold VALUE[%]
  double threshold = 0.0;
  bool thresholdPercent = false;
  Format format = Format::kTable;
};

// The invocation, or the exit status when there is nothing more to do: 0 after --help or
// --version (written to standard output), 64 after a usage error (told on standard error).
std::variant<Invocation, int> ParseCommandLine(int argc, const char* const* argv);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_COMMAND_LINE_H_
