// viru4deduz: the command-line host of the module. See 'viru4deduz --help' and viru4deduz(1).
#include <algorithm>
#include <iostream>
#include <string_view>
#include <variant>

#include "command_line.h"
#include "cli_user_interface.h"
#include "commands.h"
#include "exit_status.h"
#include "output_format.h"
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
    case Command::kNodes:
      return RunNodes(inv);
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
  // With --json standard output holds one JSON document whatever happens: the command's own (a
  // document cut short at a case still ends as a document), or, when the command ended before
  // writing any, {"error": {"status": ..., "message": ...}} with the message also told on
  // standard error. Output that cannot be written gets nothing more.
  const bool json = parseStatus == nullptr
                        ? std::get<Invocation>(parsed).format == Format::kJson
                        : std::any_of(argv + 1, argv + argc, [](const char* arg) { return std::string_view(arg) == "--json"; });
  if (json && status != 0 && status != kExitOutputError && !StandardOutputWritten()) {
    WriteJson(std::cout, {{"error", {{"status", status}, {"message", FirstError()}}}});
  }
  // The help and the version are output too: whatever the buffer still holds is written here.
  const int output = OutputStatus();
  return status != 0 ? status : output;
}
