// viru4deduz cases JOB: the load cases as the module labels them. Only the control data are read.
#include <iostream>

#include "cli_user_interface.h"
#include "commands.h"
#include "exit_status.h"
#include "job/job_reader.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int RunCases(const Invocation& inv) {
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  CliUserInterface ui;
  Env env = CliEnv(ui);
  JobReader session(env);
  if (const int status = OpenJob(session, files)) return status;

  Grid grid{{"CASE", "SKIPPED", "RESULTS", "LABEL"}, {}};
  std::vector<Json> cases;
  for (int k = 1; k <= session.caseCount(); ++k) {
    const std::string label = Windows1252ToUtf8(session.Label(k));
    const bool skipped = k <= session.skippedCaseCount();
    const bool results = session.HasStoredResults(k);
    grid.rows.push_back({std::int64_t{k}, skipped, results, label});
    cases.push_back(CaseObject(k, label, skipped, results));
  }
  WriteCases(std::cout, inv.format, inv.job, files.outputFile, session.version(), cases, grid);
  return OutputStatus();
}

}  // namespace viru4deduz::cli
