// viru4deduz cases JOB: the load cases as the module labels them. Only the control data are read.
#include "cli_user_interface.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "job_files.h"
#include "job/job_reader.h"
#include "outcome_status.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int RunCases(const Invocation& inv) {
  const std::optional<JobFiles> files = ResolveJob(inv.job);
  if (!files) return kExitNoResult;
  CliUserInterface ui;
  Env env = CliEnv(ui);
  JobReader session(env);
  if (const int status = ExitStatusOf(session.Open(files->modulePath, files->spelledPath))) {
    return status;
  }

  Grid grid{{"CASE", "SKIPPED", "RESULTS", "LABEL"}, {}};
  Json cases = Json::array();
  for (int k = 1; k <= session.caseCount(); ++k) {
    const std::string label = Windows1252ToUtf8(session.Label(k));
    const bool skipped = k <= session.skippedCaseCount();
    const bool results = session.HasStoredResults(k);
    grid.rows.push_back({std::int64_t{k}, skipped, results, label});
    cases.push_back({{"case", k}, {"label", label}, {"skipped", skipped}, {"results", results}});
  }
  const Json document = {{"output_file", files->outputFile},
                         {"version", session.version()},
                         {"skipped_cases", session.skippedCaseCount()},
                         {"cases", cases}};
  WriteResult(inv.format, document, grid);
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
