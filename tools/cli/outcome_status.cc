#include "outcome_status.h"

#include <climits>

#include "cli_user_interface.h"
#include "common/messages.h"
#include "exit_status.h"

namespace viru4deduz::cli {

int ExitStatusOf(JobOutcome outcome, const OutcomeDetail& detail) {
  switch (outcome) {
    case JobOutcome::kResults:
      return kExitSuccess;
    case JobOutcome::kCancelled:
      PrintError("no load case chosen");
      return kExitNoResult;
    case JobOutcome::kNoOutput:
    case JobOutcome::kReadFailed:
      PrintError(kNoOutputMessage);
      if (detail.caseWithoutResults != 0) {
        PrintError("load case " + std::to_string(detail.caseWithoutResults) +
                   " has no results in the output file");
      }
      return kExitNoResult;
    case JobOutcome::kWorkAreaTooSmall:
    case JobOutcome::kNoRestraint:
      PrintError(kNoRestraintMessage);
      if (!detail.workAreaHint.empty()) PrintError(detail.workAreaHint);
      return kExitNoRestraint;
  }
  return kExitNoResult;
}

std::string WorkAreaTooSmallHint(const JobReader& reader, std::int32_t words) {
  const std::int64_t needed = reader.NeededWorkAreaWords();
  const std::string need = needed < 0 || needed > INT64_MAX / 4 ? "more bytes than can be counted"
                                                                : std::to_string(needed * 4) + " bytes";
  return "the job's results need " + need + " of work area; \"XMS Memory Allocated\" gives " +
         std::to_string(static_cast<std::int64_t>(words) * 4) +
         " (see viru4deduz --help to raise it)";
}

}  // namespace viru4deduz::cli
