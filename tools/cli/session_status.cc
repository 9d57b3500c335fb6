#include "session_status.h"

#include "cli_user_interface.h"
#include "exit_status.h"
#include "host/module.h"
#include "work_area.h"

namespace viru4deduz::cli {

int ExitStatusOf(JobSession::Outcome outcome, const JobSession& session,
                 std::int32_t workWordCount) {
  switch (outcome) {
    case JobSession::Outcome::kRead:
      return kExitSuccess;
    case JobSession::Outcome::kWorkAreaTooSmall:
      PrintError(kNoRestraintMessage);
      PrintError(WorkAreaTooSmallHint(session.control(), workWordCount));
      return kExitNoRestraint;
    case JobSession::Outcome::kNoOutput:
    case JobSession::Outcome::kReadFailed:
      break;
  }
  PrintError(kNoOutputMessage);
  return kExitNoResult;
}

}  // namespace viru4deduz::cli
