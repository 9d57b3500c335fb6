// Bringing the load case tables of older output files into the current layout.
#ifndef VIRU4DEDUZ_OUTFILE_LEGACY_LAYOUTS_H_
#define VIRU4DEDUZ_OUTFILE_LEGACY_LAYOUTS_H_

#include "outfile/control_data.h"

namespace viru4deduz {

// Splits the legacy block (210, 460 or 2300 words, read into the head of the code list) into
// the legacy arrays.
void LegacyListSplit(OutputData& out, int blockWords);

// Builds the current tables, in the 100-case layout, from the old code list and legacy arrays.
void ConvertLegacyCaseLists(OutputData& out);

// Widens the 100-case option layout of the older files to 1000 cases.
void ExpandCaseTables(OutputData& out);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_LEGACY_LAYOUTS_H_
