// What the command says, and with which exit status it ends, for each outcome of the job reader:
// the module's own message, as a host request would show it, and why.
#ifndef VIRU4DEDUZ_TOOLS_CLI_OUTCOME_STATUS_H_
#define VIRU4DEDUZ_TOOLS_CLI_OUTCOME_STATUS_H_

#include <cstdint>
#include <string>

#include "job/job_reader.h"

namespace viru4deduz::cli {

struct OutcomeDetail {
  int caseWithoutResults = 0;  // a case the file stores no results of, or 0
  std::string workAreaHint;    // why the work area is too small, when it is
};

// 0 for kResults; otherwise tells the user and returns 1 or 2.
int ExitStatusOf(JobOutcome outcome, const OutcomeDetail& detail = {});

// Why a request ends with status 2 although the node may have restraints.
std::string WorkAreaTooSmallHint(const JobReader& reader, std::int32_t workWordCount);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_OUTCOME_STATUS_H_
