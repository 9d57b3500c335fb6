// viru4deduz loads JOB --node N [--case K]: one request with extraction mode 1, as GetLoads
// makes it.
#include "case_choice.h"
#include "case_request.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "job_files.h"
#include "node_rows.h"
#include "standard_output.h"

namespace viru4deduz::cli {

int RunLoads(const Invocation& inv) {
  if (AsksSeveral(inv)) return RunNodeRows(inv);
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  if (CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K");
    return kExitUsage;
  }
  CliUserInterface ui;
  const int node = inv.nodes.front();
  CaseAnswer answer;
  if (const int status = AskForCase(ui, files, {1, {node, node}, inv.caseNumber, inv.unrounded}, answer)) {
    return status;
  }

  const ComponentKind& kind = inv.unrounded || inv.units.scaled ? kUnroundedLoadComponents : kLoadComponents;
  const std::array<float, 6> values = inv.units.Loads(answer.sets[0]);
  Grid grid = ComponentGrid(kind);
  grid.rows.push_back(ComponentRow(kind, answer.loadCase, node, values, answer.label));
  WriteCaseRows(inv.format, inv.job, files.outputFile, answer.version,
                CaseObject(answer.loadCase, answer.label, answer.active, answer.skipped, true),
                Json::array({ComponentObject(kind, node, values)}), grid, inv.units.LoadNote());
  return OutputStatus();
}

}  // namespace viru4deduz::cli
