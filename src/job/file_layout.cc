#include "job/file_layout.h"

#include <climits>

#include "outfile/record_readers.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
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
  const VersionLayout* layout = LayoutOf(c.fileVersion());
  if (layout == nullptr) return ranges;
  LayoutBuilder parts(ranges);
  parts.At("control record", 1, 1, 1);

  if (layout->legacyBlockWords > 0) {
    parts.Next("case lists (older layout)", layout->legacyBlockWords, kWordsPerRecord);
  } else {
    parts.Next("case codes", layout->codeWords, kWordsPerRecord);
    parts.Next("case factors and real options", layout->realValues, kDoublesPerRecord);
    parts.Next("case options and factor decimals", layout->optionWords, kWordsPerRecord);
  }
  parts.Next("case names", kNameTableChars, kNamesPerRecord);
  if (layout->extraTable) parts.Next("case extra table", kCaseTableRows, kWordsPerRecord);
  if (layout->caseBlocks && c.caseBlockCount() > 0) {
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
    if (c.hangerCount() > 0) sectionOne = Add(sectionOne, Mul(layout->hangerWords, c.hangerCount()));
    values = Add(values, Mul(Mul(layout->loadValuesPerEntry, entries), cases));
  }
  parts.At("results: nodes, restraint entries, hangers", c.resultStartRecord(), sectionOne,
           kWordsPerRecord);
  parts.Next("results: loads and displacements", values, ValuesPerRecord(*layout));
  return ranges;
}

}  // namespace viru4deduz
