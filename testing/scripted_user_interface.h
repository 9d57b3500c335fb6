// A user-interface layer for tests: records every call and answers from a script.
#ifndef VIRU4DEDUZ_TESTING_SCRIPTED_USER_INTERFACE_H_
#define VIRU4DEDUZ_TESTING_SCRIPTED_USER_INTERFACE_H_

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace viru4deduz {

class ScriptedUserInterface : public UserInterface {
 public:
  struct Message {
    std::string text;
    std::string caption;
    unsigned type;
  };
  std::vector<Message> messages;  // every ShowMessage call; each returns 1 (OK)

  struct FileDialogCall {
    std::string filter;
    unsigned long flags;
  };
  std::vector<FileDialogCall> fileDialogs;  // every ChooseFile call
  // The next answers of the file dialog; nullopt or an empty queue is cancel. An answer that does
  // not fit the caller's buffer is a cancel too, as a dialog whose buffer is too small fails.
  std::deque<std::optional<std::string>> fileAnswers;

  struct ListDialogCall {
    std::string title;
    std::vector<std::string> entries;
  };
  std::vector<ListDialogCall> listDialogs;  // every RunListDialog call

  // Script of user actions for list dialogs, consumed in order across calls: Select(i) then OK
  // presses OK with entry i selected (-1 = none); Cancel ends the dialog. An exhausted script
  // cancels.
  struct ListAction {
    enum Kind { kOk, kCancel, kFail } kind;
    int selectedIndex;
  };
  std::deque<ListAction> listActions;
  static ListAction Ok(int index);
  static ListAction Cancel();
  static ListAction Fail();  // the dialog cannot be shown: kListDialogFailed

  int ShowMessage(const char* text, const char* caption, unsigned type) override;
  bool ChooseFile(const char* filter, unsigned long flags, char* path,
                  std::size_t pathSize) override;
  int RunListDialog(const char* title, const char* const* entries, int count,
                    ListDialogHandler& handler) override;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_SCRIPTED_USER_INTERFACE_H_
