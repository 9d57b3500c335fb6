// The project's writer of analysis output files: from a job description it writes a file of any
// version the module reads, and it can write deliberately damaged ones. Tests build every file
// they read with it; nothing is a checked-in binary.
#ifndef VIRU4DEDUZ_TOOLS_WRITER_OUTPUT_WRITER_H_
#define VIRU4DEDUZ_TOOLS_WRITER_OUTPUT_WRITER_H_

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace viru4deduz::writer {

// One restraint entry: the node it acts at and its tag.
struct RestraintEntry {
  std::int32_t node = 0;
  std::int32_t tag = 0;
};

// A job as the output file describes it. Counts in the control record follow from the vectors
// unless itemOverrides says otherwise (to write files whose counts lie).
struct OutputJob {
  std::int32_t version = 1530;

  // Results block.
  std::vector<std::int32_t> nodes;
  std::vector<RestraintEntry> restraints;  // hangers first, then the other entries
  std::int32_t hangerCount = 0;
  std::int32_t resultCountB = 0;           // resultCountC is the rest of the entries
  std::vector<std::vector<std::int32_t>> hangerRecords;  // per hanger, the words in file order
  // Per stored case: per entry 12 load words (versions from 1530 on store all 12, older ones
  // the first 6), and per node 6 displacements.
  std::vector<std::vector<std::array<float, 12>>> loads;
  std::vector<std::vector<std::array<float, 6>>> displacements;
  std::vector<std::array<std::int32_t, 8>> caseBlocks;  // written from version 1440 on

  // Load case tables in the current layout (index 0 is entry 1). Older versions write the part
  // their layout holds (100 cases, 3000 codes).
  std::vector<std::int32_t> codes{-999};
  std::vector<double> factors;        // default 1.0 where missing
  std::vector<std::int32_t> decimals;  // default 0
  std::map<std::pair<int, int>, std::int32_t> options;  // (case, column) -> value; default -1
  std::map<std::pair<int, int>, double> realOptions;    // (case, column) -> value; default not set
  std::vector<std::string> names;
  std::vector<std::int32_t> extra;     // versions from 1530 on
  // Versions below 1400: the legacy block's words as given; when empty, made from the load cases
  // above (see legacy_block.h).
  std::vector<std::int32_t> legacyBlock;

  std::int32_t skippedCaseCount = 0;
  std::int32_t elementCount = 0;
  std::int32_t elementSetCountA = 0;
  std::int32_t elementSetCountB = 0;
  // Records of a stream the module never reads (the element results), written after the load
  // case tables and before the case blocks; control item 21 says where they begin.
  std::int32_t unreadRecords = 0;
  std::map<int, std::int32_t> itemOverrides;  // control item k (1..31) -> value written
};

// Where the writer put each part of the file (record numbers, 1-based, inclusive).
struct FileMap {
  std::int32_t tablesFirst = 0, tablesLast = 0;
  std::int32_t namesFirst = 0, namesLast = 0;
  std::int32_t extraFirst = 0, extraLast = 0;
  std::int32_t unreadFirst = 0, unreadLast = 0;
  std::int32_t resultsFirst = 0, resultsLast = 0;
  std::int32_t caseBlocksFirst = 0, caseBlocksLast = 0;
  std::int32_t records = 0;
};

// The file's bytes. map, when given, receives where each part lies.
std::string WriteOutputFile(const OutputJob& job, FileMap* map = nullptr);

// Just a control record with the given version and items (for files that go no further).
std::string WriteControlRecord(std::int32_t version, const std::map<int, std::int32_t>& items = {});

// The 3-byte packed real nearest to value (the inverse of the module's unpacking; magnitudes
// outside its range are clamped to the nearest end).
std::array<unsigned char, 3> PackReal3(float value);

// Words per hanger record in the file for a version.
int HangerWords(std::int32_t version);

}  // namespace viru4deduz::writer

#endif  // VIRU4DEDUZ_TOOLS_WRITER_OUTPUT_WRITER_H_
