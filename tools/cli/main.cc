// viru4deduz: the command-line host of the module. See 'viru4deduz --help' and viru4deduz(1).
#include <variant>

#include "command_line.h"
#include "commands.h"

int main(int argc, char** argv) {
  using namespace viru4deduz::cli;
  const std::variant<Invocation, int> parsed = ParseCommandLine(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  const Invocation& inv = std::get<Invocation>(parsed);
  switch (inv.command) {
    case Command::kLoads:
      return RunLoads(inv);
    case Command::kDisplacements:
      return RunDisplacements(inv);
    case Command::kCases:
      return RunCases(inv);
    case Command::kSupports:
      return RunSupports(inv);
    case Command::kInspect:
      return RunInspect(inv);
  }
  return 0;
}
