// viru4deduz nodes JOB: every node of the job's results, in file order, with the supports (the
// nodes with restraint entries) marked.
#include <algorithm>
#include <iostream>
#include <optional>
#include <vector>

#include "commands.h"
#include "exit_status.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"

namespace viru4deduz::cli {

int RunNodes(const Invocation& inv) {
  JobFiles files;
  std::optional<api::Job> job;
  if (const int status = ResolveAndOpenJob(inv.job, files, job)) return status;
  std::vector<std::int32_t> nodes, supports;
  try {
    nodes = job->Nodes();
    supports = job->SupportNodes();
  } catch (const api::Error&) {
    return ReportUnreadableOutput(files);
  }
  const auto isSupport = [&](std::int32_t node) { return std::binary_search(supports.begin(), supports.end(), node); };
  if (inv.format == Format::kJson) {
    JobDocument document(std::cout, inv.job, files.outputFile, job->version());
    Json list = Json::array();
    for (std::int32_t node : nodes) list.push_back({{"node", node}, {"support", isSupport(node)}});
    document.End("nodes", list);
  } else {
    Grid grid{{"NODE", "SUPPORT"}, {}};
    for (std::int32_t node : nodes) grid.rows.push_back({std::int64_t{node}, isSupport(node)});
    if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, grid);
    } else {
      WriteTable(std::cout, grid);
    }
  }
  return OutputStatus();
}

}  // namespace viru4deduz::cli
