#include "file_layout.h"

#include <climits>

#include "outfile/record_readers.h"

namespace viru4deduz::cli {
namespace {

constexpr int kNamesPerRecord = kRecordLength;

// Saturating arithmetic: counts from a damaged file may be as large as 32 bits allow.
std::int64_t Add(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? INT64_MAX : sum;
}
std::int64_t Mul(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? INT64_MAX : product;
}
std::int64_t Records(std::int64_t items, int perRecord) {
  return items <= 0 ? 0 : Add(items, perRecord - 1) / perRecord;
}

// The hanger words of one hanger in the file: three parts in the versions that split the record.
int FileHangerWords(std::int32_t version) {
  switch (version) {
    case 110: case 210: case 610: case 710:
      return 37;
    default:
      return (version < 1400 ? 20 : version < 1530 ? 44 : 47) + 1 + 16;
  }
}

class LayoutBuilder {
 public:
  explicit LayoutBuilder(std::vector<RecordRange>& ranges) : ranges_(ranges) {}

  // A part of count items that begins on the record after the previous part.
  void Next(const std::string& name, std::int64_t items, int perRecord) {
    At(name, next_, items, perRecord);
  }
  // A part that begins at a record the control items name.
  void At(const std::string& name, std::int64_t first, std::int64_t items, int perRecord) {
    const std::int64_t records = Records(items, perRecord);
    const std::int64_t last = records == 0 ? first - 1 : Add(first, records - 1);
    ranges_.push_back({name, first, last});
    next_ = Add(last, 1);
  }

 private:
  std::vector<RecordRange>& ranges_;
  std::int64_t next_ = 1;
};

}  // namespace

std::vector<RecordRange> ComputeLayout(const ControlData& c) {
  std::vector<RecordRange> ranges;
  const std::int32_t v = c.fileVersion();
  if (!IsAcceptedVersion(v)) return ranges;
  LayoutBuilder parts(ranges);
  parts.At("control record", 1, 1, 1);

  if (v < 1400) {
    parts.Next("case lists (older layout)", v < 500 ? 210 : v < 1000 ? 460 : 2300, kWordsPerRecord);
  } else {
    const int codes = v < 1520 ? 3000 : kCodeTableSize;
    const int cases = v < 1520 ? 100 : kCaseTableRows;
    parts.Next("case codes", codes, kWordsPerRecord);
    parts.Next("case factors and real options", codes + cases * kRealOptionColumns,
               kDoublesPerRecord);
    parts.Next("case options and factor decimals", cases * kOptionColumns + codes, kWordsPerRecord);
  }
  parts.Next("case names", kNameTableChars, kNamesPerRecord);
  if (v >= 1530) parts.Next("case extra table", kCaseTableRows, kWordsPerRecord);
  if (v >= 1440 && c.caseBlockCount() > 0) {
    parts.At("case blocks", c.caseBlockRecord(), Mul(8, c.caseBlockCount()), kWordsPerRecord);
  }

  const std::int64_t nodes = c.nodeCount();
  const std::int64_t entries =
      static_cast<std::int64_t>(c.hangerCount()) + c.resultCountB() + c.resultCountC();
  const std::int64_t cases = c.resultCaseCount();
  std::int64_t sectionOne = nodes;
  std::int64_t values = Mul(Mul(6, nodes), cases);
  if (entries >= 1) {
    sectionOne = Add(sectionOne, Mul(2, entries));
    if (c.hangerCount() > 0) sectionOne = Add(sectionOne, Mul(FileHangerWords(v), c.hangerCount()));
    values = Add(values, Mul(Mul(v >= 1530 ? 12 : 6, entries), cases));
  }
  parts.At("results: nodes, restraint entries, hangers", c.resultStartRecord(), sectionOne,
           kWordsPerRecord);
  parts.Next("results: loads and displacements", values,
             v < 1510 ? kPackedRealsPerRecord : kWordsPerRecord);
  return ranges;
}

}  // namespace viru4deduz::cli
