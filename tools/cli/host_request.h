// One GetLoads call, made exactly as a host makes it, through a module instance over the CLI's
// platform layers.
#ifndef VIRU4DEDUZ_TOOLS_CLI_HOST_REQUEST_H_
#define VIRU4DEDUZ_TOOLS_CLI_HOST_REQUEST_H_

#include <array>
#include <string>

#include "cli_user_interface.h"
#include "platform/env.h"

namespace viru4deduz::cli {

struct HostRequest {
  int extractMode = 1;       // 1 loads at nodeA, 2 displacements of nodeA and nodeB
  int nodes[2] = {0, 0};
  int loadCase = 0;          // 0: the user chooses in the selection dialog
};

struct HostAnswer {
  int status = 1;                         // GetLoads' status
  int loadCase = 0;                       // the case used (the chosen one after the dialog)
  std::string label;                      // its label, UTF-8, without trailing blanks
  std::array<std::array<float, 6>, 2> sets{};  // result set i, components 1..6
  bool cancelled = false;                 // the user left the selection dialog without a choice
  bool caseWithoutResults = false;        // the file was read, but stores no results for the case
  bool workAreaTooSmall = false;          // status 2 came from the room test, not from the node
  std::string workAreaHint;               // and why
};

HostAnswer AskModule(Env& env, CliUserInterface& ui, const std::string& jobArgument,
                     const HostRequest& request);

// The exit status for the answer; when it delivered no results, says first what the module has
// not already said (why the work area is too small, that the selection was cancelled).
int ExitStatusOf(const HostAnswer& answer);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_HOST_REQUEST_H_
