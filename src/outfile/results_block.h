// Reading the results block of all stored load cases into the work area's regions, laid out the
// same way for every file version.
#ifndef VIRU4DEDUZ_OUTFILE_RESULTS_BLOCK_H_
#define VIRU4DEDUZ_OUTFILE_RESULTS_BLOCK_H_

#include <cstdint>
#include <span>

#include "outfile/file_layout.h"
#include "outfile/record_readers.h"

namespace viru4deduz {

// First words (1-based) of the work area's regions, and the first word after them.
struct WorkAreaRegions {
  std::int64_t caseBlocks = 1;
  std::int64_t nodeList = 0;
  std::int64_t restraintNodes = 0;
  std::int64_t restraintTags = 0;
  std::int64_t hangerRecords = 0;
  std::int64_t restraintLoads = 0;
  std::int64_t displacements = 0;
  std::int64_t end = 0;
};

// The regions, one after another from word 1, for the counts as the results are read (none
// negative), saturating as the file's layout does: the case blocks (8 words each), the node
// list, the restraint node numbers and tags, 64 words a hanger, 12 load words an entry and
// stored case, 6 displacements a node and stored case.
WorkAreaRegions LayOutRegions(const ResultsCounts& counts);

struct ResultsShape {
  std::int32_t fileVersion = 0;
  std::int32_t nodeCount = 0;
  std::int32_t restraintEntryCount = 0;
  std::int32_t hangerCount = 0;
  std::int32_t resultCaseCount = 0;
  std::int32_t resultStartRecord = 0;
};

// Reads entryCount 8-word case blocks from firstRecord on into dest, through a cursor of its own.
void ReadCaseBlocks(RecordReaders& readers, std::int32_t entryCount, std::span<std::int32_t> dest,
                    int unit, std::int32_t firstRecord);

// Reads the node list, the restraint entries, the hanger records, the restraint loads (12-word
// groups) and the displacements of every stored case into workArea. Failure shows in ioErrorFlag.
// The caller has checked that the regions fit into workArea.
void ReadResultsBlock(RecordReaders& readers, std::span<std::int32_t> workArea,
                      const ResultsShape& shape, int unit, const WorkAreaRegions& regions);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_RESULTS_BLOCK_H_
