// viru4deduz displacements JOB --node A [--node B] [--case K]: one request with extraction mode 2,
// as GetLoads makes it. A node the file has no displacements for reads zeros, as in a host.
#include "case_choice.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "case_request.h"
#include "job_files.h"

namespace viru4deduz::cli {

int RunDisplacements(const Invocation& inv) {
  const std::optional<JobFiles> files = ResolveJob(inv.job);
  if (!files) return kExitNoResult;
  if (CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K");
    return kExitUsage;
  }
  CliUserInterface ui;
  Env env = CliEnv(ui);
  // With one node given, the request asks for it twice and the second set is not shown.
  const int nodeA = inv.nodes.front();
  const int nodeB = inv.nodes.back();
  CaseAnswer answer;
  if (const int status = AskForCase(env, *files, {2, {nodeA, nodeB}, inv.caseNumber}, answer)) return status;

  Json nodes = Json::array();
  Grid grid = ComponentGrid(kDisplacementComponents);
  for (std::size_t i = 0; i < inv.nodes.size(); ++i) {
    nodes.push_back(ComponentObject(kDisplacementComponents, inv.nodes[i], answer.sets[i]));
    AddComponentRow(grid, answer.loadCase, inv.nodes[i], answer.sets[i], answer.label);
  }
  const Json document = {{"output_file", files->outputFile},
                         {"case", answer.loadCase},
                         {"label", answer.label},
                         {"nodes", nodes}};
  WriteResult(inv.format, document, grid);
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
