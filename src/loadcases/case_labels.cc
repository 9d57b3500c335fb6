// A label is a head ("CASE n (OPE) ", plus "Ln=" for a combination case) followed by a body that
// says what the case is made of: "W+2.5T1-P1", "L1,-L2", "  10.0000 Hz   0.00 Ø" or
// "CASE NOT ACTIVE". Both are built in 256-character fields; what goes past a field's end is
// dropped.
//
// A case cannot be labelled (status -1, line 1 blank) when its start is not just after a case
// marker (a start below 2 or past the code table's end included), when a component has no name
// (a component code outside 1 to 64 or equal to 60, a combination reference above 1000), when its definition runs to the end of the code
// table without meeting a marker or the end code, or when a harmonic case's two reals would
// reach past the end of the code table. No table is ever read outside its entries, whatever
// the codes hold.
#include "loadcases/case_labels.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/fixed_text.h"
#include "loadcases/fixed_point.h"
#include "loadcases/label_parts.h"

namespace viru4deduz {
namespace {

constexpr int kFieldWidth = kLabelLineWidth;

enum class CaseKind { kBasic, kCombination, kHarmonic };

constexpr const char kNotActive[] = "CASE NOT ACTIVE";
constexpr const char kHarmonicStressType[] = "(OCC)";
constexpr std::int32_t kFatigueStressType = 6;
constexpr std::int32_t kDiscarded = 1;

// A 256-character field with the number of characters used; appending never goes past the end.
struct LabelField {
  char text[kFieldWidth];
  int length = 0;

  LabelField() { BlankFill(text, kFieldWidth, 1, kFieldWidth); }
  void Append(const char* source, int count) {
    const int end = std::min(length + count, kFieldWidth);
    CopySubstring(text, kFieldWidth, source, count, length + 1, end, 1);
    length = end;
  }
  void Append(const std::string& source) { Append(source.data(), static_cast<int>(source.size())); }
};

// A definition runs up to the next case marker or the end code.
bool EndsDefinition(std::int32_t code) {
  return code == kBasicCaseMarker || code == kCombinationCaseMarker ||
         code == kHarmonicCaseMarker || code == kEndOfCaseList;
}

std::int32_t OptionOf(const LoadCaseTables& tables, std::int32_t caseIndex, int column) {
  return tables.Option(caseIndex, column);
}

// Two code table words as the 8-byte real they hold, the first word the low-order half.
double RealFromWords(std::int32_t low, std::int32_t high) {
  const std::uint64_t bits = (std::uint64_t{static_cast<std::uint32_t>(high)} << 32) |
                             std::uint64_t{static_cast<std::uint32_t>(low)};
  double value = 0.0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// "  10.0000 Hz   0.00 Ø": the frequency right-justified in 9 characters with 4 decimals, " Hz",
// a blank, the second real in 6 characters with 2 decimals, a blank and the byte 0xD8 (the
// code page's capital O with stroke).
// An empty definition gives an empty body.
bool BuildHarmonicBody(const LoadCaseTables& tables, int p, LabelField& body) {
  if (EndsDefinition(tables.code[p])) return true;
  if (p + 3 > kCodeTableSize) return false;
  char work[kFieldWidth];
  BlankFill(work, kFieldWidth, 1, kFieldWidth);
  const std::string frequency =
      FixedPointField(RealFromWords(tables.code[p], tables.code[p + 1]), 9, 4) + " Hz";
  CopySubstring(work, kFieldWidth, frequency.data(), 12, 1, 12, 1);
  const int t = TrimmedLength(work, kFieldWidth, kFieldWidth);
  const std::string second =
      FixedPointField(RealFromWords(tables.code[p + 2], tables.code[p + 3]), 6, 2) + " \xD8";
  CopySubstring(work, kFieldWidth, second.data(), 8, t + 2, t + 9, 1);
  body.Append(work, TrimmedLength(work, kFieldWidth, kFieldWidth));
  return true;
}

// The components of a basic or combination case from position p up to the next marker or the
// end code. A body that fills up stops taking components at a component boundary.
bool BuildComponentBody(const LoadCaseTables& tables, CaseKind kind, int p,
                        std::int32_t combinationMethod, LabelField& body) {
  char work[kFieldWidth];
  bool componentWritten = false;
  for (;;) {
    const std::int32_t code = tables.code[p];
    if (EndsDefinition(code)) return true;

    int length = 0;
    FormatFactorText(work, kFieldWidth, length, tables.factor[p], tables.factorDecimals[p],
                     componentWritten, kind == CaseKind::kCombination, combinationMethod);
    componentWritten = true;
    if (body.length + length >= kFieldWidth) {
      body.length = kFieldWidth;
      return true;
    }
    body.Append(work, length);

    if (kind == CaseKind::kBasic) {
      ComponentName(work, kFieldWidth, length, code);
    } else {
      FormatCaseNumber(work, kFieldWidth, length, code, kLinePrefix);
    }
    if (length == 0) return false;
    body.Append(work, length);

    if (++p > kCodeTableSize) return false;
  }
}

}  // namespace

void BuildCaseLabel(const Table<std::int32_t, 1000>& caseStarts, const LoadCaseTables& tables,
                    std::int32_t caseIndex, char* lines, std::int32_t& lineCount,
                    std::int32_t& extractStatus) {
  lineCount = 0;
  BlankFill(lines, kLabelLineWidth * kLabelLineCount, 1, kLabelLineWidth * kLabelLineCount);
  extractStatus = -1;  // every way out before the label stands is a failure

  // The case's start must lie just after a marker inside the code table; the case index also
  // addresses its row of the option table.
  if (!caseStarts.Holds(caseIndex) || caseIndex > kCaseTableRows) return;
  const int p = caseStarts[caseIndex];
  if (p < 2 || p > kCodeTableSize) return;
  CaseKind kind = CaseKind::kBasic;
  switch (tables.code[p - 1]) {
    case kBasicCaseMarker: kind = CaseKind::kBasic; break;
    case kCombinationCaseMarker: kind = CaseKind::kCombination; break;
    case kHarmonicCaseMarker: kind = CaseKind::kHarmonic; break;
    default: return;
  }
  const std::int32_t stressType = OptionOf(tables, caseIndex, kStressTypeColumn);
  const bool discarded = OptionOf(tables, caseIndex, kKeepDiscardColumn) == kDiscarded;

  LabelField body;
  const bool built =
      kind == CaseKind::kHarmonic
          ? BuildHarmonicBody(tables, p, body)
          : BuildComponentBody(tables, kind, p,
                               OptionOf(tables, caseIndex, kCombinationMethodColumn), body);
  if (!built) return;

  // Head: "CASE n ", the stress type and a blank; a harmonic case reads "(OCC)" without the
  // blank unless it is a fatigue case. An unknown stress type leaves the blank alone.
  LabelField head;
  char work[kFieldWidth];
  int length = 0;
  FormatCaseNumber(work, kFieldWidth, length, caseIndex, kCasePrefix);
  head.Append(work, length);
  head.Append(" ", 1);
  if (kind == CaseKind::kHarmonic && stressType != kFatigueStressType) {
    head.Append(kHarmonicStressType, 5);
  } else {
    StressTypeText(work, kFieldWidth, length, stressType);
    head.Append(work, length);
    head.Append(" ", 1);
  }

  if (discarded) {
    body = LabelField();
    body.Append(kNotActive, 15);
  } else if (kind == CaseKind::kCombination) {
    FormatCaseNumber(work, kFieldWidth, length, caseIndex, kLinePrefix);
    head.Append(work, length);
    head.Append("=", 1);
  }

  // Line 1: the head, then as much of the body as the line still holds.
  LabelField line;
  line.Append(head.text, head.length);
  line.Append(body.text, body.length);
  std::memcpy(lines, line.text, kLabelLineWidth);
  lineCount = 1;
  extractStatus = 0;
}

}  // namespace viru4deduz
