#include "case_choice.h"

#include <unistd.h>

#include "cli_user_interface.h"

namespace viru4deduz::cli {

CaseSource CaseSourceFor(int caseNumber) {
  if (caseNumber != 0) return CaseSource::kGiven;
  return ::isatty(STDIN_FILENO) ? CaseSource::kDialog : CaseSource::kMissing;
}

void ComplainNoCase(const std::string& command, const std::string& alternatives) {
  PrintError(command + ": no load case given and standard input is not a terminal to choose one on; use " +
             alternatives + " (see 'viru4deduz cases JOB')");
}

}  // namespace viru4deduz::cli
