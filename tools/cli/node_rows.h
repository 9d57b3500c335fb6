// loads and displacements asked of several nodes, or of every case (--all-cases): one row per
// case and node, the job opened once.
#ifndef VIRU4DEDUZ_TOOLS_CLI_NODE_ROWS_H_
#define VIRU4DEDUZ_TOOLS_CLI_NODE_ROWS_H_

#include "command_line.h"

namespace viru4deduz::cli {

// Whether the invocation asks more than one question: more nodes than one request takes (one
// for loads, two for displacements), or --all-cases.
bool AsksSeveral(const Invocation& inv);

// The rows of every node in the case given or in every stored case. A node the job lacks is
// told and shown without values (status 3), and for loads a node without restraints is told
// and left out (status 2); the others' rows are written all the same.
int RunNodeRows(const Invocation& inv);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_NODE_ROWS_H_
