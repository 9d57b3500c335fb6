// viru4deduz loads JOB --node N [--case K]: one request with extraction mode 1, as GetLoads
// makes it.
#include "case_choice.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "case_request.h"
#include "job_files.h"

namespace viru4deduz::cli {

int RunLoads(const Invocation& inv) {
  const std::optional<JobFiles> files = ResolveJob(inv.job);
  if (!files) return kExitNoResult;
  if (CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K");
    return kExitUsage;
  }
  CliUserInterface ui;
  Env env = CliEnv(ui);
  const int node = inv.nodes.front();
  CaseAnswer answer;
  if (const int status = AskForCase(env, *files, {1, {node, node}, inv.caseNumber}, answer)) return status;

  Json document = {{"output_file", files->outputFile},
                   {"case", answer.loadCase},
                   {"label", answer.label}};
  const Json loads = ComponentObject(kLoadComponents, node, answer.sets[0]);
  for (const auto& [key, value] : loads.items()) document[key] = value;
  Grid grid = ComponentGrid(kLoadComponents);
  AddComponentRow(grid, answer.loadCase, node, answer.sets[0], answer.label);
  WriteResult(inv.format, document, grid);
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
