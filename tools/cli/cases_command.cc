// viru4deduz cases JOB: the load cases as the module labels them. Only the control data are read.
#include <iostream>
#include <optional>

#include "cli_user_interface.h"
#include "commands.h"
#include "exit_status.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int RunCases(const Invocation& inv) {
  JobFiles files;
  std::optional<api::Job> job;
  if (const int status = ResolveAndOpenJob(inv.job, files, job)) return status;

  Grid grid{{"CASE", "ACTIVE", "SKIPPED", "RESULTS", "LABEL"}, {}};
  std::vector<Json> cases;
  for (const api::LoadCase& c : job->cases()) {
    const std::string label = Windows1252ToUtf8(c.label);
    grid.rows.push_back({std::int64_t{c.number}, c.active, !c.offered, c.hasResults, label});
    cases.push_back(CaseObject(c.number, label, c.active, !c.offered, c.hasResults));
  }
  WriteCases(std::cout, inv.format, inv.job, files.outputFile, job->version(), cases, grid);
  return OutputStatus();
}

}  // namespace viru4deduz::cli
