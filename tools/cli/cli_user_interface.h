// The user-interface layer of the command-line host. The job is named on the command line, so the
// open-file dialog is never shown; the selection dialog is the module's terminal dialog, with the
// labels shown in UTF-8. The module's message boxes outside it are not shown: every one of
// them tells of a read that failed, and the command says once, in its own words, what is wrong.
#ifndef VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_
#define VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_

#include <string>

#include "VirU4Deduz/VirU4Deduz.h"

namespace viru4deduz::cli {

// "viru4deduz: <text>" as one line on standard error.
void PrintError(const std::string& text);
// "viru4deduz: warning: <text>" as one line on standard error.
void PrintWarning(const std::string& text);
// The text of the first error told (not a warning), as one line; "" when none was.
const std::string& FirstError();

class CliUserInterface final : public UserInterface {
 public:
  // While the selection dialog is open the message goes to the terminal the dialog asks on, so
  // that the user sees why OK did not close it even when standard error is redirected.
  int ShowMessage(const char* text, const char* caption, unsigned type) override;
  bool ChooseFile(const char* filter, unsigned long flags, char* path,
                  std::size_t pathSize) override;
  int RunListDialog(const char* title, const char* const* entries, int count,
                    ListDialogHandler& handler) override;

  // True once a selection dialog ended without a choice (cancel, end of input, no terminal).
  bool selectionCancelled() const { return selectionCancelled_; }

 private:
  bool dialogOpen_ = false;
  bool selectionCancelled_ = false;
};

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_
