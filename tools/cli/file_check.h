// inspect's look at an output file: its size, its control record, where each table lies, and
// every problem found, from the layout and from the module's readers going through the file.
// Nothing in it may crash on any input: every number from the file is checked before it sizes
// or addresses anything.
#ifndef VIRU4DEDUZ_TOOLS_CLI_FILE_CHECK_H_
#define VIRU4DEDUZ_TOOLS_CLI_FILE_CHECK_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "file_layout.h"
#include "job_files.h"
#include "outfile/control_data.h"

namespace viru4deduz::cli {

struct FileReport {
  std::string outputFile;
  std::uint64_t sizeBytes = 0;
  std::int64_t records = 0;       // the last one may be cut short
  ControlData control;            // as record 1 holds it
  bool versionRead = false;       // a version the module reads
  std::vector<RecordRange> layout;
  std::optional<int> loadCases;   // case markers in the case codes, once the tables were read
  std::optional<int> storedCases; // of those, the cases whose results the file stores
  std::int64_t neededWorkAreaWords = -1;
  std::vector<std::string> problems;
};

// The name of a control item the module uses (fileVersion, nodeCount, ...); "" for the others.
const char* ControlItemName(int item);

FileReport CheckOutputFile(const JobFiles& files);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_FILE_CHECK_H_
