#include "loadcases/case_labels.h"

#include <cstring>

namespace viru4deduz {

// The label texts are not built yet: every case reports that it cannot be labelled, so the
// selection list stays empty and a host-given case gets a blank label.
void BuildCaseLabel(const Table<std::int32_t, 1000>& /*caseStarts*/,
                    const LoadCaseTables& /*tables*/, std::int32_t /*caseIndex*/, char* lines,
                    std::int32_t& lineCount, std::int32_t& extractStatus) {
  std::memset(lines, ' ', kLabelLineWidth * kLabelLineCount);
  lineCount = 0;
  extractStatus = -1;
}

}  // namespace viru4deduz
