// What an analysis output file holds, as the job library's inspection finds it: its size, its
// control record, where each part lies, and every problem found, from the file's layout and from
// the module's readers going through it. The file is read without a word to the user and without
// leaving anything behind; nothing in it may crash on any input.
#ifndef VIRU4DEDUZ_FILE_REPORT_H_
#define VIRU4DEDUZ_FILE_REPORT_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "VirU4Deduz/Job.h"

namespace viru4deduz::api {

struct RecordRange {
  std::string name;        // "control record", "case codes", ...
  std::int64_t first = 0;  // 1-based record numbers, inclusive; saturated at the largest int64
  std::int64_t last = 0;   // first - 1 when the part is empty
};

struct FileReport {
  std::string outputFile;          // where the output file lies
  bool opened = false;             // false: the file cannot be opened (problems say why)
  bool controlRecordRead = false;  // false: not opened, or its first record not read
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
  std::int64_t neededWorkAreaWords = -1;  // what a request needs; -1 past 64 bits
  std::vector<std::string> problems;
  std::int64_t failedRecord = 0;   // the first record the module's readers could not read, or 0

  std::int32_t version() const { return items[1]; }
};

// The name of a control item the module uses (fileVersion, nodeCount, ...); "" for the others.
VIRU4DEDUZ_JOB_API const char* ControlItemName(int item);

// The report on the output file of the job that path names (as Job::Open takes it). Throws Error
// (kMissing) only when the job has no output file at all.
VIRU4DEDUZ_JOB_API FileReport Inspect(const std::string& path);

}  // namespace viru4deduz::api

#endif  // VIRU4DEDUZ_FILE_REPORT_H_
