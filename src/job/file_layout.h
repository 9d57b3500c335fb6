// Where each part of an output file lies, computed from its version's layout and its control
// items, as the module's readers walk through it: every table begins on a fresh record, words
// take 64 to a record, 8-byte reals 32, packed 3-byte reals 85, the case names 256 characters.
#ifndef VIRU4DEDUZ_JOB_FILE_LAYOUT_H_
#define VIRU4DEDUZ_JOB_FILE_LAYOUT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "job/output_file_report.h"
#include "outfile/control_data.h"

namespace viru4deduz {


// The parts in the order the readers take them; empty for a version the module does not read.
// Items 26 and 27 (the case blocks) count only where the version has case blocks, as the module
// reads them.
std::vector<RecordRange> ComputeLayout(const ControlData& control);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_FILE_LAYOUT_H_
