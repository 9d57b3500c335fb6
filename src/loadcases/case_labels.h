// The one-line label of every load case: what the case is and what it is made of.
#ifndef VIRU4DEDUZ_LOADCASES_CASE_LABELS_H_
#define VIRU4DEDUZ_LOADCASES_CASE_LABELS_H_

#include <cstdint>

#include "common/table.h"
#include "outfile/control_data.h"

namespace viru4deduz {

constexpr int kLabelLineWidth = 256;
constexpr int kLabelLineCount = 10;

// Blanks the 10 label lines and writes case caseIndex's label into line 1. lineCount is 1 after a
// label was built; extractStatus is 0, or -1 (line 1 blank, lineCount 0) when the case cannot be
// labelled.
void BuildCaseLabel(const Table<std::int32_t, 1000>& caseStarts, const LoadCaseTables& tables,
                    std::int32_t caseIndex, char* lines, std::int32_t& lineCount,
                    std::int32_t& extractStatus);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_LOADCASES_CASE_LABELS_H_
