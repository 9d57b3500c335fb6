// What a command says, and with which exit status it ends, when a session could not read what it
// needs: the module's own messages, as a host request would show them, and why.
#ifndef VIRU4DEDUZ_TOOLS_CLI_SESSION_STATUS_H_
#define VIRU4DEDUZ_TOOLS_CLI_SESSION_STATUS_H_

#include <cstdint>

#include "job_session.h"

namespace viru4deduz::cli {

// 0 for kRead; otherwise tells the user and returns 1 or 2.
int ExitStatusOf(JobSession::Outcome outcome, const JobSession& session,
                 std::int32_t workWordCount);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_SESSION_STATUS_H_
