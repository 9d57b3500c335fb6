// Where a command's load case comes from: --case, the selection dialog when standard input is a
// terminal (the user is there to answer), or nowhere, which is a usage error for a script.
#ifndef VIRU4DEDUZ_TOOLS_CLI_CASE_CHOICE_H_
#define VIRU4DEDUZ_TOOLS_CLI_CASE_CHOICE_H_

#include <string>

namespace viru4deduz::cli {

enum class CaseSource { kGiven, kDialog, kMissing };

// caseNumber 0 means that none was given.
CaseSource CaseSourceFor(int caseNumber);

// The usage error for kMissing; alternatives names the options that would do ("--case K").
void ComplainNoCase(const std::string& command, const std::string& alternatives);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_CASE_CHOICE_H_
