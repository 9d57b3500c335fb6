#include "outfile/file_layout.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "common/saturating.h"
#include "outfile/record_readers.h"

namespace viru4deduz {
namespace {

constexpr int kTableExtraWords = kCaseTableRows;

constexpr auto Add = SaturatingAdd;
constexpr auto Mul = SaturatingMul;

std::int64_t Records(std::int64_t items, int perRecord) {
  return items <= 0 ? 0 : Add(items, perRecord - 1) / perRecord;
}

// A part of items items at perRecord a record, from record first on.
RecordSpan Span(std::int64_t first, std::int64_t items, int perRecord) {
  const std::int64_t records = Records(items, perRecord);
  return {first, records == 0 ? first - 1 : Add(first, records - 1)};
}

// The part after the previous one.
RecordSpan Next(const RecordSpan& previous, std::int64_t items, int perRecord) {
  return Span(Add(previous.last, 1), items, perRecord);
}

}  // namespace

FileLayout::FileLayout(const VersionLayout& version, const ControlData& c)
    : version_(version), valuesPerRecord_(ValuesPerRecord(version)) {
  counts_.nodes = std::max(c.nodeCount(), 0);
  counts_.entries = std::max<std::int64_t>(
      static_cast<std::int64_t>(c.hangerCount()) + c.resultCountB() + c.resultCountC(), 0);
  counts_.hangers = std::max(c.hangerCount(), 0);
  counts_.cases = std::max(c.resultCaseCount(), 0);
  counts_.caseBlocks = version.caseBlocks ? std::max(c.caseBlockCount(), 0) : 0;

  const RecordSpan control{1, 1};
  if (version.legacyBlockWords > 0) {
    legacyBlock = Next(control, version.legacyBlockWords, kWordsPerRecord);
    codes = reals = options = Next(legacyBlock, 0, 1);
  } else {
    legacyBlock = Next(control, 0, 1);
    codes = Next(legacyBlock, version.codeWords, kWordsPerRecord);
    reals = Next(codes, version.realValues, kDoublesPerRecord);
    options = Next(reals, version.optionWords, kWordsPerRecord);
  }
  names = Next(options, kNameTableChars, kRecordLength);
  extra = Next(names, version.extraTable ? kTableExtraWords : 0, kWordsPerRecord);
  caseBlocks = Span(version.caseBlocks ? c.caseBlockRecord() : 0, Mul(8, counts_.caseBlocks),
                    kWordsPerRecord);

  // Section 1: the node list, then (with entries) the two entry lists and the hanger records.
  std::int64_t sectionOneWords = counts_.nodes;
  std::int64_t sectionTwoValues = Mul(Mul(6, counts_.nodes), counts_.cases);
  if (counts_.entries >= 1) {
    sectionOneWords = Add(sectionOneWords, Mul(2, counts_.entries));
    if (counts_.hangers >= 1) {
      sectionOneWords = Add(sectionOneWords, Mul(version.hangerWords, counts_.hangers));
    }
    sectionTwoValues =
        Add(sectionTwoValues, Mul(Mul(version.loadValuesPerEntry, counts_.entries), counts_.cases));
  }
  sectionOne = Span(c.resultStartRecord(), sectionOneWords, kWordsPerRecord);
  sectionTwo = Span(Add(c.resultStartRecord(), Records(sectionOneWords, kWordsPerRecord)),
                    sectionTwoValues, valuesPerRecord_);
}

std::int64_t FileLayout::LoadValue(std::int64_t k, std::int64_t e, int m) const {
  if (counts_.entries < 1) return 0;  // no loads are stored
  return ((k - 1) * counts_.entries + e) * version_.loadValuesPerEntry + m;
}

std::int64_t FileLayout::DisplacementValue(std::int64_t k, std::int64_t n, int m) const {
  return LoadValue(counts_.cases + 1, 0, 0) + ((k - 1) * counts_.nodes + n) * 6 + m;
}

bool ResultsValueReader::Load(std::int64_t record) {
  if (record == held_) return true;
  held_ = 0;
  // A record the file ends inside reads as its bytes and zeros, as the full read takes it.
  if (runtime_.ReadRecord(unit_, record, buffer_) > 0) return false;
  held_ = record;
  return true;
}

bool ResultsValueReader::SectionOneWords(std::int64_t word, std::int64_t count, std::int32_t* out) {
  while (count > 0) {
    if (!Load(layout_.SectionOneRecord(word))) return false;
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
  if (!Load(layout_.SectionTwoRecord(value))) return false;
  const int perRecord = layout_.valuesPerRecord();
  if (layout_.version().packedResults) {
    out = std::bit_cast<std::int32_t>(UnpackReal3(buffer_ + (value % perRecord) * 3));
  } else {
    std::memcpy(&out, buffer_ + (value % perRecord) * 4, 4);
  }
  return true;
}

bool ResultsValueReader::SectionTwoValues(std::int64_t value, std::int64_t count, std::int32_t* out) {
  constexpr std::int64_t kChunkRecords = 256;
  const std::int64_t perRecord = layout_.valuesPerRecord();
  const bool packed = layout_.version().packedResults;
  std::vector<unsigned char> chunk;
  while (count > 0) {
    const std::int64_t within = value % perRecord;
    // Whole records of 4-byte reals are the values as they are: they go straight to out.
    if (!packed && within == 0 && count >= perRecord) {
      const std::int64_t records = count / perRecord;
      std::int64_t done = 0;
      if (runtime_.ReadRecords(unit_, layout_.SectionTwoRecord(value), records,
                               reinterpret_cast<unsigned char*>(out), &done) > 0) {
        return false;
      }
      out += records * perRecord;
      value += records * perRecord;
      count -= records * perRecord;
      continue;
    }
    const std::int64_t records = std::min((within + count + perRecord - 1) / perRecord, kChunkRecords);
    chunk.resize(static_cast<std::size_t>(records) * kRecordLength);
    std::int64_t done = 0;
    if (runtime_.ReadRecords(unit_, layout_.SectionTwoRecord(value), records, chunk.data(), &done) > 0) {
      return false;
    }
    for (std::int64_t r = 0; r < records; ++r) {
      const unsigned char* const bytes = chunk.data() + r * kRecordLength;
      const std::int64_t first = r == 0 ? within : 0;
      const std::int64_t run = std::min(count, perRecord - first);
      if (packed) {
        for (std::int64_t i = 0; i < run; ++i) out[i] = std::bit_cast<std::int32_t>(UnpackReal3(bytes + (first + i) * 3));
      } else {
        std::memcpy(out, bytes + first * 4, static_cast<std::size_t>(run) * 4);
      }
      out += run;
      value += run;
      count -= run;
    }
  }
  return true;
}

}  // namespace viru4deduz
