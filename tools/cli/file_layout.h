// Where each part of an output file lies, computed from its version's layout and its control
// items, as the module's readers walk through it: every table begins on a fresh record, words
// take 64 to a record, 8-byte reals 32, packed 3-byte reals 85, the case names 256 characters.
#ifndef VIRU4DEDUZ_TOOLS_CLI_FILE_LAYOUT_H_
#define VIRU4DEDUZ_TOOLS_CLI_FILE_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "outfile/control_data.h"

namespace viru4deduz::cli {

struct RecordRange {
  std::string name;
  std::int64_t first = 0;  // 1-based record numbers, inclusive; saturated at INT64_MAX
  std::int64_t last = 0;   // first - 1 when the part is empty
};

// The parts in the order the readers take them; empty for a version the module does not read.
// Items 26 and 27 (the case blocks) count only where the version has case blocks, as the module
// reads them.
std::vector<RecordRange> ComputeLayout(const ControlData& control);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_FILE_LAYOUT_H_
