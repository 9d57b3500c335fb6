// inspect's look at an output file: its size, its control record, where each table lies, and
// every problem found, from the layout and from the module's readers going through the file.
// Nothing in it may crash on any input: every number from the file is checked before it sizes
// or addresses anything. The file is read without a word to the user and without leaving
// anything behind (no chain file, no settings).
#ifndef VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_
#define VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace viru4deduz {

struct RecordRange {
  std::string name;
  std::int64_t first = 0;  // 1-based record numbers, inclusive; saturated at INT64_MAX
  std::int64_t last = 0;   // first - 1 when the part is empty
};

struct OutputFileReport {
  std::string outputFile;          // as the caller names it
  bool opened = false;             // false: the file cannot be opened (problems say why)
  bool controlRecordRead = false;  // false: not opened, or its first record not read (problems say why)
  std::uint64_t sizeBytes = 0;
  std::int64_t records = 0;        // the last one may be cut short
  std::array<std::int32_t, 32> items{};  // control items 1..31 as record 1 holds them
  std::string text;                // item 8, without trailing blanks, in Windows-1252
  bool versionRead = false;        // a version the module reads
  // The counts the module takes from the control record, by name ("nodes", "hangers", ...).
  std::vector<std::pair<std::string, std::int64_t>> counts;
  std::vector<RecordRange> layout;
  std::optional<int> loadCases;    // case markers in the case codes, once the tables were read
  std::optional<int> storedCases;  // of those, the cases whose results the file stores
  std::int64_t neededWorkAreaWords = -1;
  std::vector<std::string> problems;
  std::int64_t failedRecord = 0;   // the first record the module's readers could not read, or 0

  std::int32_t version() const { return items[1]; }
};

// The name of a control item the module uses (fileVersion, nodeCount, ...); "" for the others.
const char* ControlItemName(int item);

// The report on the output file the request derives from a job path (outputName); shownName is
// how the report names it.
OutputFileReport InspectOutputFile(const std::string& outputName, const std::string& shownName);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_
