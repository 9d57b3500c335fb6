// One request, from the job path to the filled result block.
#ifndef VIRU4DEDUZ_EXTRACT_EXTRACTION_DRIVER_H_
#define VIRU4DEDUZ_EXTRACT_EXTRACTION_DRIVER_H_

#include <cstdint>
#include <functional>

#include "extract/module_state.h"
#include "outfile/record_readers.h"
#include "platform/env.h"

namespace viru4deduz {

// The work area of workWordCount words, handed out when the driver first needs it: a request
// that reads only what decides its answer needs none. May throw std::bad_alloc.
using WorkAreaSource = std::function<std::int32_t*()>;

// Runs one request. jobPath is a 256-character field holding the path and a NUL; its last three
// characters come back blanked. status: 1 no readable output, 2 no restraint at the node or a work
// area too small, 0 success (with caseRequestFlag -1 when the user cancelled the selection).
// resultBlock holds resultSetCount sets of six reals. jobPathSpelling, when given, is the job
// path as it was spelled before it was upper-cased: the output file is looked for under that
// spelling, so that of two files whose names differ only in case the one named is read. stops
// hears of every unrecoverable read error and of a count of stored cases past case 1000, when it
// happens (a host shows and leaves what the fatal stop does; see host/host_stops.h).
void RunExtraction(ModuleState& m, Env& env, ReadReporter& stops, const WorkAreaSource& workArea,
                   const std::int32_t& workWordCount, char* jobPath, int jobPathWidth,
                   int jobPathLength, const int* node, float* resultBlock, int& status,
                   int& caseRequestFlag, const int& extractMode, const int& resultSetCount,
                   int& loadCase, char* caseLabel, int caseLabelWidth,
                   const char* jobPathSpelling = nullptr);

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

#endif  // VIRU4DEDUZ_EXTRACT_EXTRACTION_DRIVER_H_
