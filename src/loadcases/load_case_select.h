// The "Load Case Selection" dialog, in which the user picks the load case when the host names
// none.
#ifndef VIRU4DEDUZ_LOADCASES_LOAD_CASE_SELECT_H_
#define VIRU4DEDUZ_LOADCASES_LOAD_CASE_SELECT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace viru4deduz {

constexpr int kCaseLabelWidth = 150;

// The dialog: a list of labels, OK and Cancel. OK without a selection tells the user so and
// keeps the dialog open.
class CLoadCaseSelect : public ListDialogHandler {
 public:
  explicit CLoadCaseSelect(UserInterface& ui) : ui_(ui) {}

  // Shows the dialog modally; returns the ListDialogResult.
  int DoModal();
  bool OnOk(int selectedIndex) override;

  const char* m_pLabels = nullptr;  // labels of 150 characters, end to end
  int m_nLabels = 0;
  int m_nSelected = -1;
  std::string m_strSelected;

 private:
  UserInterface& ui_;
  std::vector<std::string> entries_;
};

// Offers count labels (150 characters each, end to end, from labels) and returns the 1-based
// position of the chosen one in selection, with the trimmed label and a NUL in caseLabel; or 0
// and 150 blanks when the user cancels or the dialog cannot be shown.
void SelectLoadCase(UserInterface& ui, const char* labels, int labelWidth, int count,
                    std::int32_t& selection, char* caseLabel, int caseLabelWidth);

// The same dialog over labels given as text: the 1-based position of the chosen one, or 0 when
// the user cancels or the dialog cannot be shown. A label longer than 150 characters is cut.
int ChooseLoadCase(UserInterface& ui, const std::vector<std::string>& labels);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_LOADCASES_LOAD_CASE_SELECT_H_
