#include "outfile/results_geometry.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "outfile/record_readers.h"

namespace viru4deduz {
namespace {

std::int64_t RecordsFor(std::int64_t items, std::int64_t perRecord) {
  return (items + perRecord - 1) / perRecord;
}

// Whether a stream of `records` records from `first` on lies within the file.
bool StreamFits(std::int64_t first, std::int64_t records, std::int64_t recordCount) {
  return records == 0 || (first >= 1 && first + records - 1 <= recordCount);
}

}  // namespace

ResultsGeometry::ResultsGeometry(const VersionLayout& layout, const ResultsCounts& counts,
                                 std::int32_t resultStartRecord, std::int32_t caseBlockRecord)
    : layout_(layout),
      counts_(counts),
      resultStart_(resultStartRecord),
      caseBlockRecord_(caseBlockRecord),
      perRecord_(ValuesPerRecord(layout)) {
  // Section 1: the node list, then (with entries) the two entry lists and the hanger records.
  sectionOneWords_ = counts.nodes;
  if (counts.entries >= 1) {
    sectionOneWords_ += 2 * counts.entries;
    if (counts.hangers >= 1) sectionOneWords_ += counts.hangers * layout.hangerWords;
  }
  sectionTwo_ = resultStart_ + RecordsFor(sectionOneWords_, std::int64_t{kWordsPerRecord});
  sectionTwoValues_ = LoadValue(counts.cases + 1, 0, 0) + 6 * counts.nodes * counts.cases;
}

std::int64_t ResultsGeometry::LoadValue(std::int64_t k, std::int64_t e, int m) const {
  if (counts_.entries < 1) return 0;  // no loads are stored
  return ((k - 1) * counts_.entries + e) * layout_.loadValuesPerEntry + m;
}

std::int64_t ResultsGeometry::DisplacementValue(std::int64_t k, std::int64_t n, int m) const {
  return LoadValue(counts_.cases + 1, 0, 0) + ((k - 1) * counts_.nodes + n) * 6 + m;
}

bool ResultsGeometry::FullReadFits(std::int64_t recordCount) const {
  return StreamFits(caseBlockRecord_, RecordsFor(8 * counts_.caseBlocks, std::int64_t{kWordsPerRecord}), recordCount) &&
         StreamFits(resultStart_, RecordsFor(sectionOneWords_, std::int64_t{kWordsPerRecord}), recordCount) &&
         StreamFits(sectionTwo_, RecordsFor(sectionTwoValues_, perRecord_), recordCount);
}

bool ResultsValueReader::Load(std::int64_t record) {
  if (record == held_) return true;
  held_ = 0;
  if (runtime_.ReadRecord(unit_, record, buffer_) != 0) return false;
  held_ = record;
  return true;
}

bool ResultsValueReader::SectionOneWords(std::int64_t word, std::int64_t count, std::int32_t* out) {
  while (count > 0) {
    if (!Load(geometry_.SectionOneRecord(word))) return false;
    const std::int64_t within = word % std::int64_t{kWordsPerRecord};
    const std::int64_t run = std::min(count, std::int64_t{kWordsPerRecord} - within);
    std::memcpy(out, buffer_ + within * 4, static_cast<std::size_t>(run) * 4);
    out += run;
    word += run;
    count -= run;
  }
  return true;
}

bool ResultsValueReader::SectionTwoValue(std::int64_t value, std::int32_t& out) {
  if (!Load(geometry_.SectionTwoRecord(value))) return false;
  const int perRecord = ValuesPerRecord(geometry_.layout());
  if (geometry_.layout().packedResults) {
    out = std::bit_cast<std::int32_t>(UnpackReal3(buffer_ + (value % perRecord) * 3));
  } else {
    std::memcpy(&out, buffer_ + (value % perRecord) * 4, 4);
  }
  return true;
}

}  // namespace viru4deduz
