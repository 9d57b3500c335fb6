// How many words of work area a job's results take when they are read whole, and the room test a
// request makes before it reads them: the case blocks, then the larger of the restraint layout
// (node list, entry lists, loads, displacements, hanger records) and the element layout.
#ifndef VIRU4DEDUZ_OUTFILE_WORK_AREA_H_
#define VIRU4DEDUZ_OUTFILE_WORK_AREA_H_

#include <cstdint>

#include "outfile/control_data.h"

namespace viru4deduz {

// Whether the job's results fit into a work area of workWordCount words: the restraint layout
// and the element layout, each against the words left after the case blocks. The counts are
// taken as the control record gives them, negative ones included, and the test is exact.
bool ResultsFitWorkArea(const ControlData& c, std::int32_t workWordCount);

// Whether a request goes on to read the job's results: the room test above, and the regions,
// laid out with every negative count taken as 0, within the work area.
bool RequestFitsWorkArea(const ControlData& c, std::int32_t workWordCount);

// Words the job's results need after the case blocks (restraint layout), and the element layout;
// -1 when a count is negative or the figure does not fit in 64 bits.
std::int64_t RestraintLayoutWords(const ControlData& c);
std::int64_t ElementLayoutWords(const ControlData& c);
// Words a request needs: the case blocks and the larger of the two layouts; -1 as above.
std::int64_t NeededWorkAreaWords(const ControlData& c);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_WORK_AREA_H_
