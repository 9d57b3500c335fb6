// viru4deduz: the command-line host of the module. See 'viru4deduz --help' and viru4deduz(1).
#include <variant>

#include "command_line.h"
#include "commands.h"
#include "standard_output.h"
#include "work_area_setting.h"

namespace {

int Run(const viru4deduz::cli::Invocation& inv) {
  using namespace viru4deduz::cli;
  // Every command reads the jobs a host reads; a setting that fails a host is worth a word.
  WarnOfUnusableSetting(ReadWorkAreaSetting());
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
    case Command::kEnvelope:
      return RunEnvelope(inv);
    case Command::kCompare:
      return RunCompare(inv);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace viru4deduz::cli;
  UseStandardOutputBuffer();
  const std::variant<Invocation, int> parsed = ParseCommandLine(argc, argv);
  const int* parseStatus = std::get_if<int>(&parsed);
  const int status = parseStatus != nullptr ? *parseStatus : Run(std::get<Invocation>(parsed));
  // The help and the version are output too: whatever the buffer still holds is written here.
  const int output = OutputStatus();
  return status != 0 ? status : output;
}
