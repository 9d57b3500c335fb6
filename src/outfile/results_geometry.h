// Where each value of the results block lies in the output file, worked out from the control
// data and the version's layout alone, and a reader that fetches single values from there.
//
// A request needs little of the results block: the restraint node numbers (or the node list)
// and a few values of one case. When the file holds every record the full read of the block
// would touch, those values are read where they lie, quietly; any failure sends the request back
// to the full read, which reports it as it always has.
#ifndef VIRU4DEDUZ_OUTFILE_RESULTS_GEOMETRY_H_
#define VIRU4DEDUZ_OUTFILE_RESULTS_GEOMETRY_H_

#include <cstdint>

#include "outfile/version_layout.h"
#include "platform/record_runtime.h"

namespace viru4deduz {

// The counts as the results block is laid out and read: none of them negative.
struct ResultsCounts {
  std::int64_t nodes = 0;
  std::int64_t entries = 0;  // restraint entries
  std::int64_t hangers = 0;
  std::int64_t cases = 0;    // stored cases
  std::int64_t caseBlocks = 0;
};

class ResultsGeometry {
 public:
  ResultsGeometry(const VersionLayout& layout, const ResultsCounts& counts,
                  std::int32_t resultStartRecord, std::int32_t caseBlockRecord);

  // Whether every record the full read of the case blocks and the results block touches lies,
  // whole, within a file of recordCount records.
  bool FullReadFits(std::int64_t recordCount) const;

  // Section 1 word index (0-based) of the first restraint node number.
  std::int64_t RestraintNodesWord() const { return counts_.nodes; }
  // Section 2 value index (0-based) of value m (0-based) of entry e's loads in stored case k.
  std::int64_t LoadValue(std::int64_t k, std::int64_t e, int m) const;
  // Section 2 value index of value m of node position n's displacements in stored case k.
  std::int64_t DisplacementValue(std::int64_t k, std::int64_t n, int m) const;

  std::int64_t SectionOneRecord(std::int64_t word) const { return resultStart_ + word / 64; }
  std::int64_t SectionTwoRecord(std::int64_t value) const { return sectionTwo_ + value / perRecord_; }
  const VersionLayout& layout() const { return layout_; }

 private:
  VersionLayout layout_;
  ResultsCounts counts_;
  std::int64_t resultStart_;
  std::int64_t caseBlockRecord_;
  std::int64_t sectionOneWords_;
  std::int64_t sectionTwo_;  // first record of Section 2
  std::int64_t sectionTwoValues_;
  int perRecord_;
};

// Fetches single words and values of the results block through the record runtime, holding the
// last record read. Reports nothing: a failed transfer just returns false.
class ResultsValueReader {
 public:
  ResultsValueReader(RecordRuntime& runtime, int unit, const ResultsGeometry& geometry)
      : runtime_(runtime), unit_(unit), geometry_(geometry) {}

  // count Section 1 words from word (0-based) on, as stored.
  bool SectionOneWords(std::int64_t word, std::int64_t count, std::int32_t* out);
  // Section 2 value (0-based), as the bits of a 4-byte real (packed values unpacked).
  bool SectionTwoValue(std::int64_t value, std::int32_t& out);

 private:
  bool Load(std::int64_t record);

  RecordRuntime& runtime_;
  int unit_;
  const ResultsGeometry& geometry_;
  std::int64_t held_ = 0;  // the record in buffer_, 0 for none
  unsigned char buffer_[kRecordLength] = {};
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_RESULTS_GEOMETRY_H_
