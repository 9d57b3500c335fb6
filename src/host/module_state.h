// Every module-wide table and scalar of the module, in one object. One instance serves the
// exported entry points; tests build their own. It is large (about 1.5 MB) and is always
// allocated on the heap, once per module.
#ifndef VIRU4DEDUZ_HOST_MODULE_STATE_H_
#define VIRU4DEDUZ_HOST_MODULE_STATE_H_

#include <cstdint>

#include "common/table.h"
#include "job/job_file.h"
#include "loadcases/load_case_select.h"
#include "outfile/control_data.h"
#include "outfile/record_readers.h"
#include "outfile/results_block.h"

namespace viru4deduz {

constexpr int kLabelEntries = 1150;

// How far the driver's last request came: what its status means.
enum class DriverStage {
  kNotStarted,     // the output file was not read (missing, unreadable, rejected)
  kCaseChosen,     // the control data were read and the case taken (or the choice cancelled)
  kRegionsLaidOut, // the results fit into the work area and its regions were laid out
  kResultsRead,    // the case blocks and the results block were read without a read error
};

// The driver's own state for one request.
struct DriverState {
  DriverStage stage = DriverStage::kNotStarted;
  std::int32_t extractStatus = 0;
  std::int32_t outputUnit = 0;
  char outputSuffix[3] = {};
  char outputFileName[kJobPathWidth] = {};
  char outputFileOpened[kJobPathWidth] = {};  // the name as the output file was opened
  std::int32_t caseCount = 0;
  Table<char, kLabelEntries * kCaseLabelWidth> labels;  // LoadCaseLabelTable, end to end
  std::int32_t labelCount = 0;
  std::int32_t selectedCase = 0;
  std::int32_t restraintEntryCount = 0;
  WorkAreaRegions regions;
  std::int32_t caseResultOrdinal = 0;

  char* Label(int k) { return labels.data() + static_cast<std::ptrdiff_t>(k - 1) * kCaseLabelWidth; }
};

struct ModuleState {
  RecordIo io;
  OutputData output;
  DriverState driver;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_MODULE_STATE_H_
