// One request of GetLoads, from the job path to the filled result block: the host's fixed fields
// (the job path, the label table, the case label), the selection dialog, the room test and the
// work area around the job's file, which is read as values (job/job_file.h).
#ifndef VIRU4DEDUZ_HOST_REQUEST_DRIVER_H_
#define VIRU4DEDUZ_HOST_REQUEST_DRIVER_H_

#include <cstdint>
#include <functional>

#include "host/module_state.h"
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

// What the last request run on m ended with, from the status and the cancelled-selection flag
// it left.
enum class JobOutcome {
  kResults,           // the answer is there
  kNoOutput,          // no output file, one the module does not read, or no results for the case
  kWorkAreaTooSmall,  // the job's results do not fit the work area
  kNoRestraint,       // the node has no restraint in the case
  kReadFailed,        // reading the results failed (the reader has told the user and stopped)
  kCancelled,         // the user left the selection without choosing a case
};
JobOutcome OutcomeOf(const ModuleState& m, int status, int caseRequestFlag);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_REQUEST_DRIVER_H_
