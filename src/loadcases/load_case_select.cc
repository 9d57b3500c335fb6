#include "loadcases/load_case_select.h"

#include <algorithm>
#include <cstring>

#include "common/messages.h"

namespace viru4deduz {
namespace {

constexpr char kTitle[] = "Load Case Selection";
constexpr char kNoSelection[] = "Sorry, you can not use [OK] until a load case is selected.";

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimBothEnds(const char* text, int width) {
  int begin = 0;
  int end = width;
  while (begin < end && IsWhiteSpace(text[begin])) ++begin;
  while (end > begin && IsWhiteSpace(text[end - 1])) --end;
  return std::string(text + begin, text + end);
}

}  // namespace

int CLoadCaseSelect::DoModal() {
  // The dialog always steps 150 characters from one label to the next.
  entries_.clear();
  for (int i = 0; i < m_nLabels; ++i) {
    entries_.push_back(TrimBothEnds(m_pLabels + static_cast<std::ptrdiff_t>(i) * kCaseLabelWidth,
                                    kCaseLabelWidth));
  }
  std::vector<const char*> texts;
  texts.reserve(entries_.size());
  for (const std::string& entry : entries_) texts.push_back(entry.c_str());
  return ui_.RunListDialog(kTitle, texts.data(), static_cast<int>(texts.size()), *this);
}

bool CLoadCaseSelect::OnOk(int selectedIndex) {
  m_nSelected = selectedIndex;
  if (m_nSelected < 0 || m_nSelected >= static_cast<int>(entries_.size())) {
    m_nSelected = -1;
    ui_.ShowMessage(kNoSelection, kMessageCaption, kMessageBoxIconStop);
    return false;
  }
  m_strSelected = entries_[static_cast<std::size_t>(m_nSelected)];
  return true;
}

void SelectLoadCase(UserInterface& ui, const char* labels, int /*labelWidth*/, int count,
                    std::int32_t& selection, char* caseLabel, int caseLabelWidth) {
  CLoadCaseSelect dialog(ui);
  dialog.m_pLabels = labels;
  dialog.m_nLabels = std::max(count, 0);
  if (dialog.DoModal() == kListDialogOk && dialog.m_nSelected >= 0) {
    selection = dialog.m_nSelected + 1;
    const std::size_t n = std::min(dialog.m_strSelected.size(),
                                   static_cast<std::size_t>(caseLabelWidth));
    std::memcpy(caseLabel, dialog.m_strSelected.data(), n);
    caseLabel[n] = '\0';
    return;
  }
  selection = 0;
  std::memset(caseLabel, ' ', static_cast<std::size_t>(caseLabelWidth));
}

int ChooseLoadCase(UserInterface& ui, const std::vector<std::string>& labels) {
  std::string packed(labels.size() * kCaseLabelWidth, ' ');
  for (std::size_t i = 0; i < labels.size(); ++i) {
    labels[i].copy(packed.data() + i * kCaseLabelWidth, kCaseLabelWidth);
  }
  CLoadCaseSelect dialog(ui);
  dialog.m_pLabels = packed.data();
  dialog.m_nLabels = static_cast<int>(labels.size());
  return dialog.DoModal() == kListDialogOk && dialog.m_nSelected >= 0 ? dialog.m_nSelected + 1 : 0;
}

}  // namespace viru4deduz
