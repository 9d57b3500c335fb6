#include "testing/scripted_user_interface.h"

#include <cstring>
#include <utility>

namespace viru4deduz {
namespace {

std::string TextOf(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

ScriptedUserInterface::ListAction ScriptedUserInterface::Ok(int index) {
  return {ListAction::kOk, index};
}
ScriptedUserInterface::ListAction ScriptedUserInterface::Cancel() {
  return {ListAction::kCancel, -1};
}
ScriptedUserInterface::ListAction ScriptedUserInterface::Fail() { return {ListAction::kFail, -1}; }

int ScriptedUserInterface::ShowMessage(const char* text, const char* caption, unsigned type) {
  messages.push_back({TextOf(text), TextOf(caption), type});
  return 1;
}

bool ScriptedUserInterface::ChooseFile(const char* filter, unsigned long flags, char* path,
                                       std::size_t pathSize) {
  fileDialogs.push_back({TextOf(filter), flags});
  if (fileAnswers.empty()) return false;
  const std::optional<std::string> answer = std::move(fileAnswers.front());
  fileAnswers.pop_front();
  if (!answer || path == nullptr || answer->size() >= pathSize) return false;
  std::memcpy(path, answer->c_str(), answer->size() + 1);
  return true;
}

int ScriptedUserInterface::RunListDialog(const char* title, const char* const* entries, int count,
                                         ListDialogHandler& handler) {
  ListDialogCall call{TextOf(title), {}};
  for (int i = 0; entries != nullptr && i < count; ++i) call.entries.push_back(TextOf(entries[i]));
  listDialogs.push_back(std::move(call));

  while (!listActions.empty()) {
    const ListAction action = listActions.front();
    listActions.pop_front();
    switch (action.kind) {
      case ListAction::kCancel:
        return kListDialogCancel;
      case ListAction::kFail:
        return kListDialogFailed;
      case ListAction::kOk:
        if (handler.OnOk(action.selectedIndex)) return kListDialogOk;
        break;  // the handler kept the dialog open: the user acts again
    }
  }
  return kListDialogCancel;
}

}  // namespace viru4deduz
