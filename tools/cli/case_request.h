// One question for the loads at a node or the displacements of nodes, asked of the job library,
// with the case given or chosen in the module's selection dialog on the terminal.
#ifndef VIRU4DEDUZ_TOOLS_CLI_CASE_REQUEST_H_
#define VIRU4DEDUZ_TOOLS_CLI_CASE_REQUEST_H_

#include <array>
#include <cstdint>
#include <string>

#include "cli_user_interface.h"
#include "job_files.h"

namespace viru4deduz::cli {

struct CaseRequest {
  int extractMode = 1;  // 1 loads at nodes[0], 2 displacements of nodes[0] and nodes[1]
  int nodes[2] = {0, 0};
  int loadCase = 0;     // 0: the user chooses in the selection dialog
  bool unrounded = false;  // loads: the sums before the module's rounding
};

struct CaseAnswer {
  std::int32_t version = 0;                    // the output file's format version
  int loadCase = 0;                            // the case used (the chosen one after the dialog)
  bool skipped = false;                        // one of the job's skipped leading cases
  bool active = true;                          // false for a discarded case
  std::string label;                           // its label, UTF-8, without trailing blanks
  std::array<std::array<float, 6>, 2> sets{};  // result set i, components 1..6
  std::array<bool, 2> inJob{true, true};       // displacements: whether the job has node i
};

// The answer, or the exit status after telling the user why there is none. A host is given, for
// a case without results of its own, the results the count of stored cases reaches; a person
// typing a case number is told instead. A displacements request for a node the job does not have
// is answered (zeros, as a host gets) with that node marked in inJob and the user told.
int AskForCase(CliUserInterface& ui, const JobFiles& files, const CaseRequest& request,
               CaseAnswer& answer);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_CASE_REQUEST_H_
