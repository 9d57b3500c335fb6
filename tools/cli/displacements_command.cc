// viru4deduz displacements JOB --node A [--node B] [--case K]: one request with extraction mode 2,
// as GetLoads makes it. A host gets zeros for a node the job does not have; here its row shows no
// values, JSON marks it, the user is told and the command ends with its own status.
#include "case_choice.h"
#include "case_request.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "job_files.h"
#include "node_rows.h"
#include "standard_output.h"

namespace viru4deduz::cli {

int RunDisplacements(const Invocation& inv) {
  if (AsksSeveral(inv)) return RunNodeRows(inv);
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  if (CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K");
    return kExitUsage;
  }
  CliUserInterface ui;
  // With one node given, the request asks for it twice and the second set is not shown.
  const int nodeA = inv.nodes.front();
  const int nodeB = inv.nodes.back();
  CaseAnswer answer;
  if (const int status = AskForCase(ui, files, {2, {nodeA, nodeB}, inv.caseNumber}, answer)) return status;

  Json rows = Json::array();
  Grid grid = ComponentGrid(kDisplacementComponents);
  bool everyNodeInJob = true;
  for (std::size_t i = 0; i < inv.nodes.size(); ++i) {
    const bool inJob = answer.inJob[i];
    everyNodeInJob = everyNodeInJob && inJob;
    const std::array<float, 6> values = inv.units.Displacements(answer.sets[i]);
    rows.push_back(ComponentObject(kDisplacementComponents, inv.nodes[i], values, &inJob));
    grid.rows.push_back(ComponentRow(kDisplacementComponents, answer.loadCase, inv.nodes[i], values, answer.label, inJob));
  }
  WriteCaseRows(inv.format, inv.job, files.outputFile, answer.version,
                CaseObject(answer.loadCase, answer.label, answer.active, answer.skipped, true), std::move(rows), grid,
                inv.units.DisplacementNote());
  if (const int status = OutputStatus()) return status;
  return everyNodeInJob ? kExitSuccess : kExitNoSuchNode;
}

}  // namespace viru4deduz::cli
