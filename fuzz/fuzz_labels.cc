// The label builder over arbitrary load case tables (input format: label_input.h).
//
// The cases are listed from the code table as a request lists them, and each gets its
// label; then one case index of the input's choosing is labelled with a start of its choosing.
// Besides the sanitizers, every label is checked for what the builder promises: one line or a
// failure, a failure leaves line 1 blank, lines 2 to 10 stay blank, a label begins "CASE ".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "label_input.h"
#include "loadcases/case_labels.h"

namespace {

using namespace viru4deduz;
using namespace viru4deduz::fuzzing;

constexpr int kMaxCases = 1000;

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename T>
T Take(const std::uint8_t*& p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  p += sizeof value;
  return value;
}

bool AllBlank(const char* text, int n) {
  for (int i = 0; i < n; ++i) {
    if (text[i] != ' ') return false;
  }
  return true;
}

// The tables as the older layouts leave the parts a file does not fill.
void ResetTables(LoadCaseTables& t) {
  t.code.Fill(0);
  t.factor.Fill(1.0);
  t.factorDecimals.Fill(0);
  t.option.Fill(-1);
}

void Label(const Table<std::int32_t, kMaxCases>& starts, const LoadCaseTables& tables,
           std::int32_t caseIndex) {
  static char lines[kLabelLineWidth * kLabelLineCount];
  std::memset(lines, '#', sizeof lines);
  std::int32_t lineCount = -7;
  std::int32_t status = -7;
  BuildCaseLabel(starts, tables, caseIndex, lines, lineCount, status);
  Check(status == 0 || status == -1);
  Check(lineCount == (status == 0 ? 1 : 0));
  Check(AllBlank(lines + kLabelLineWidth, kLabelLineWidth * (kLabelLineCount - 1)));
  if (status == 0) {
    Check(std::memcmp(lines, "CASE ", 5) == 0);
  } else {
    Check(AllBlank(lines, kLabelLineWidth));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LoadCaseTables* const tables = [] {
    auto* t = new LoadCaseTables();
    ResetTables(*t);
    return t;
  }();
  if (size < static_cast<std::size_t>(kLabelHeaderBytes)) return 0;
  LoadCaseTables& t = *tables;

  const std::uint8_t* p = data;
  const std::uint8_t* const end = data + size;
  const std::uint8_t flags = Take<std::uint8_t>(p);
  const std::int32_t rawIndex = Take<std::int32_t>(p);
  const std::int32_t rawStart = Take<std::int32_t>(p);
  const int cells = Take<std::uint8_t>(p);
  for (int i = 0; i < cells && end - p >= kOptionCellBytes; ++i) {
    const int caseIndex = Take<std::uint16_t>(p) % kCaseTableRows + 1;
    const int column = Take<std::uint8_t>(p) % kOptionColumns + 1;
    t.Option(caseIndex, column) = Take<std::int32_t>(p);
  }

  const int entries =
      static_cast<int>(std::min<std::ptrdiff_t>((end - p) / kCodeEntryBytes, kCodeTableSize));
  const int first = (flags & kDefinitionsAtEnd) ? kCodeTableSize - entries + 1 : 1;
  for (int i = 0; i < entries; ++i) {
    t.code[first + i] = Take<std::int32_t>(p);
    t.factorDecimals[first + i] = Take<std::int32_t>(p);
    t.factor[first + i] = Take<double>(p);
  }

  // The cases as the driver lists them: the position after each marker, up to the end code.
  // Entries outside the input's are 0, which neither starts a case nor ends the list.
  Table<std::int32_t, kMaxCases> starts;
  int caseCount = 0;
  for (int i = first; i < first + entries && caseCount < kMaxCases; ++i) {
    const std::int32_t code = t.code[i];
    if (code == kEndOfCaseList) break;
    if (code == kBasicCaseMarker || code == kCombinationCaseMarker || code == kHarmonicCaseMarker) {
      starts[++caseCount] = i + 1;
    }
  }
  for (int k = 1; k <= caseCount; ++k) Label(starts, t, k);

  if (Table<std::int32_t, kMaxCases>::Holds(rawIndex)) starts[rawIndex] = rawStart;
  Label(starts, t, rawIndex);

  // Back to the clean tables for the next input, touching only what this one changed.
  for (int i = first; i < first + entries; ++i) {
    t.code[i] = 0;
    t.factorDecimals[i] = 0;
    t.factor[i] = 1.0;
  }
  for (int i = 0; i < cells; ++i) {
    const std::uint8_t* cell = data + kLabelHeaderBytes + i * kOptionCellBytes;
    if (cell + kOptionCellBytes > end) break;
    const int caseIndex = Take<std::uint16_t>(cell) % kCaseTableRows + 1;
    const int column = Take<std::uint8_t>(cell) % kOptionColumns + 1;
    t.Option(caseIndex, column) = -1;
  }
  return 0;
}
