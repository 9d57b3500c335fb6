// Where each part of an output file lies, worked out once from its version's row and its control
// data: the load case tables one stream after another from record 2, the names, the extra table,
// the case blocks at the record item 27 names, and the results block from the record item 20
// names, its second section from the record after its first. Every reader that asks where a part
// lies, the quick read, the room test's regions and inspect take it from here.
//
// A negative count reads nothing, so it lays out nothing; sums and products saturate at the
// largest 64-bit number, so that any control record, however hostile, gives a layout (a part that
// saturates lies beyond any file). The load case tables are read through one cursor each, stream
// after stream; a failed read leaves the cursor where the next stream then starts, so those
// readers follow their cursor and meet the positions here whenever the reads succeed.
#ifndef VIRU4DEDUZ_OUTFILE_FILE_LAYOUT_H_
#define VIRU4DEDUZ_OUTFILE_FILE_LAYOUT_H_

#include <cstdint>

#include "outfile/control_data.h"
#include "outfile/version_layout.h"
#include "platform/record_runtime.h"

namespace viru4deduz {

// Records first to last, 1-based and inclusive; last is first - 1 for a part that is empty.
struct RecordSpan {
  std::int64_t first = 0;
  std::int64_t last = -1;
  bool empty() const { return last < first; }
  // Whether the part lies, whole, within a file of recordCount records.
  bool Within(std::int64_t recordCount) const { return empty() || (first >= 1 && last <= recordCount); }
};

// The counts as the results block is laid out and read: none of them negative.
struct ResultsCounts {
  std::int64_t nodes = 0;
  std::int64_t entries = 0;  // restraint entries
  std::int64_t hangers = 0;
  std::int64_t cases = 0;    // stored cases
  std::int64_t caseBlocks = 0;
};

class FileLayout {
 public:
  // control as the module reads it (items 26 and 27 are used only where the version has case
  // blocks).
  FileLayout(const VersionLayout& version, const ControlData& control);

  const VersionLayout& version() const { return version_; }
  const ResultsCounts& counts() const { return counts_; }

  // The load case tables: the legacy block below version 1400, else the code list, the reals and
  // the option words; then the names and, from 1530 on, the extra table.
  RecordSpan legacyBlock, codes, reals, options, names, extra;
  RecordSpan caseBlocks;
  RecordSpan sectionOne;  // node numbers, restraint node numbers and tags, hanger records
  RecordSpan sectionTwo;  // loads and displacements

  // Whether every record the full read of the case blocks and the results block touches lies,
  // whole, within a file of recordCount records.
  bool FullReadFits(std::int64_t recordCount) const {
    return caseBlocks.Within(recordCount) && sectionOne.Within(recordCount) &&
           sectionTwo.Within(recordCount);
  }

  // Positions inside the results block, for a layout whose full read fits a file (then none of
  // them can overflow). Section 1 word index (0-based) of the first restraint node number:
  std::int64_t RestraintNodesWord() const { return counts_.nodes; }
  // Section 2 value index (0-based) of value m (0-based) of entry e's loads in stored case k, and
  // of value m of node position n's displacements in stored case k.
  std::int64_t LoadValue(std::int64_t k, std::int64_t e, int m) const;
  std::int64_t DisplacementValue(std::int64_t k, std::int64_t n, int m) const;
  std::int64_t SectionOneRecord(std::int64_t word) const { return sectionOne.first + word / 64; }
  std::int64_t SectionTwoRecord(std::int64_t value) const {
    return sectionTwo.first + value / valuesPerRecord_;
  }
  int valuesPerRecord() const { return valuesPerRecord_; }

 private:
  VersionLayout version_;
  ResultsCounts counts_;
  int valuesPerRecord_;
};

// Fetches single words and values of the results block through the record runtime, holding the
// last record read. Reports nothing: a failed transfer just returns false. A record the file ends
// inside reads as its bytes and zeros, as the full read takes it.
class ResultsValueReader {
 public:
  ResultsValueReader(RecordRuntime& runtime, int unit, const FileLayout& layout)
      : runtime_(runtime), unit_(unit), layout_(layout) {}

  // count Section 1 words from word (0-based) on, as stored.
  bool SectionOneWords(std::int64_t word, std::int64_t count, std::int32_t* out);
  // Section 2 value (0-based), as the bits of a 4-byte real (packed values unpacked).
  bool SectionTwoValue(std::int64_t value, std::int32_t& out);
  // count Section 2 values from value (0-based) on, the same way, many records at a time.
  bool SectionTwoValues(std::int64_t value, std::int64_t count, std::int32_t* out);

 private:
  bool Load(std::int64_t record);

  RecordRuntime& runtime_;
  int unit_;
  const FileLayout& layout_;
  std::int64_t held_ = 0;  // the record in buffer_, 0 for none
  unsigned char buffer_[kRecordLength] = {};
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_FILE_LAYOUT_H_
