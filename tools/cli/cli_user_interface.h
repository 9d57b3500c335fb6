// The user-interface layer of the command-line host. The module's message boxes become single
// lines on standard error ("viru4deduz: <text>"); the job is named on the command line, so the
// open-file dialog is never shown; the selection dialog is the module's terminal dialog, with the
// labels shown in UTF-8.
#ifndef VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_
#define VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_

#include <string>

#include "platform/env.h"
#include "platform/user_interface.h"

namespace viru4deduz::cli {

// "viru4deduz: <text>" as one line on standard error.
void PrintError(const std::string& text);

class CliUserInterface final : public UserInterface {
 public:
  // While the selection dialog is open the message goes to the terminal the dialog asks on, so
  // that the user sees why OK did not close it even when standard error is redirected.
  int ShowMessage(const char* text, const char* caption, unsigned type) override;
  bool ChooseFile(const char* filter, unsigned long flags, char* path,
                  std::size_t pathSize) override;
  int RunListDialog(const char* title, const char* const* entries, int count,
                    ListDialogHandler& handler) override;

  int messagesShown() const { return messagesShown_; }
  // True once a selection dialog ended without a choice (cancel, end of input, no terminal).
  bool selectionCancelled() const { return selectionCancelled_; }

 private:
  bool dialogOpen_ = false;
  bool selectionCancelled_ = false;
  int messagesShown_ = 0;
};

// The module's POSIX layers (DefaultEnv) with ui in place of the terminal layer.
Env CliEnv(CliUserInterface& ui);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_CLI_USER_INTERFACE_H_
