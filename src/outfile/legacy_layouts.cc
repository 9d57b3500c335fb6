#include "outfile/legacy_layouts.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "common/fill_range.h"

namespace viru4deduz {
namespace {

constexpr int kLegacyCases = 100;   // rows of the option tables before they are widened
constexpr int kLegacyCodes = 3000;  // code list entries of the older layouts
constexpr int kLegacyListRead = 100;

// Column j of case i in the 100-case layout.
int LegacyCell(int caseIndex, int column) { return (column - 1) * kLegacyCases + caseIndex; }

struct BlockShape {
  int codes, starts, lists;  // old code list words, start entries per array, list entries
};

BlockShape ShapeOf(int blockWords) {
  switch (blockWords) {
    case 210: return {40, 20, 30};
    case 460: return {200, 20, 60};
    default: return {1000, 100, 300};
  }
}

// |value| as a code list entry; the most negative integer has no positive twin and stays largest.
std::int32_t Magnitude(std::int32_t value) {
  return value == INT32_MIN ? INT32_MAX : std::abs(value);
}

bool ComponentHoldsHangerLoad(std::int32_t code) {
  return (code >= 2 && code <= 5) || (code >= 12 && code <= 13) || (code >= 18 && code <= 23) ||
         (code >= 31 && code <= 36);
}

}  // namespace

void LegacyListSplit(OutputData& out, int blockWords) {
  LoadCaseTables& t = out.tables;
  LegacyArrays& legacy = out.legacy;
  const BlockShape shape = ShapeOf(blockWords);
  int word = shape.codes;
  for (auto* starts : {&legacy.stressListStart, &legacy.dispForceListStart,
                       &legacy.fullListStart, &legacy.caseTypes}) {
    for (int i = 1; i <= shape.starts; ++i) (*starts)[i] = t.code[++word];
  }
  for (auto* list : {&legacy.stressList, &legacy.dispForceList, &legacy.fullList}) {
    for (int i = 1; i <= shape.lists; ++i) (*list)[i] = t.code[++word];
  }
  if (blockWords == 2300) {
    FillRange(t.code.data() + 1000, t.code.data() + kLegacyCodes, 0);
    return;
  }
  // The two smaller blocks end their lists with -99.
  for (int i = 1; i <= kLegacyCodes; ++i) {
    if (t.code[i] == -99) t.code[i] = kEndOfCaseList;
  }
  for (auto* list : {&legacy.stressList, &legacy.dispForceList, &legacy.fullList}) {
    for (int i = 1; i <= 300; ++i) {
      if ((*list)[i] == -99) (*list)[i] = kEndOfCaseList;
    }
  }
}

void ConvertLegacyCaseLists(OutputData& out) {
  LoadCaseTables& t = out.tables;
  LegacyArrays& legacy = out.legacy;
  auto option = [&](int caseIndex, int column) -> std::int32_t& {
    return t.option[LegacyCell(caseIndex, column)];
  };
  auto realOption = [&](int caseIndex, int column) -> double& {
    return t.realOption[LegacyCell(caseIndex, column)];
  };

  // Each column's 100 rows lie one after another.
  for (int j = 1; j <= kOptionColumns; ++j) {
    if (j != 15) FillRange(&option(1, j), &option(1, j) + kLegacyCases, -1);
  }
  for (int j = 1; j <= kRealOptionColumns; ++j) {
    FillRange(&realOption(1, j), &realOption(1, j) + kLegacyCases, kNotSetFactor);
  }
  FillRange(t.factor.data(), t.factor.data() + kLegacyCodes, 1.0);
  FillRange(t.factorDecimals.data(), t.factorDecimals.data() + kLegacyCodes, 0);

  // The basic cases of the old code list. Only the first 100 cases have option rows in this
  // layout; further cases of a damaged list keep their codes but set no options.
  int n = 0;
  int end = 0;  // position of the end code, 0 when the list has none
  for (int p = 1; p <= kLegacyCodes; ++p) {
    const std::int32_t code = t.code[p];
    if (code < 0) {
      t.factor[p] = 0.0;
      t.factorDecimals[p] = 0;
      if (code == kEndOfCaseList) {
        end = p;
        break;
      }
      ++n;
      if (n > kLegacyCases) continue;
      const std::int32_t type = legacy.caseTypes[n];
      option(n, 1) = 0;
      option(n, 2) = type;
      option(n, 3) = type == 5 ? 1 : 0;
      option(n, 4) = 0;
      option(n, 5) = 0;
      option(n, 6) = type == 3 ? 1 : 0;
      option(n, 7) = type == 5 ? (n == 1 ? 1 : 2) : 0;
      for (int j : {8, 9, 10, 11, 13}) option(n, j) = 0;
      option(n, 14) = 1;
      realOption(n, 1) = 1.0;
      if (type == 3) realOption(n, 2) = 0.0;
      continue;
    }
    t.factor[p] = 1.0;
    t.factorDecimals[p] = 0;
    if (n < 1 || n > kLegacyCases) continue;
    if (option(n, 2) == 5 && ComponentHoldsHangerLoad(code)) option(n, 7) = 2;
    if (option(n, 12) == -1) option(n, 12) = 0;
    if (code == 1 || code == 11) option(n, 12) = 1;
  }

  // The combinations follow the basic cases, written over the end code. A list without an end
  // code gives no place to append them.
  if (n <= 0 || end == 0) return;
  int p = end;
  for (int i = n + 1; i <= kLegacyCases; ++i) {
    const Table<std::int32_t, 3000>* list = nullptr;
    int start = 0;
    int display = 0;
    if (legacy.fullListStart[i] >= 1) {
      list = &legacy.fullList, start = legacy.fullListStart[i], display = 0;
    } else if (legacy.dispForceListStart[i] >= 1) {
      list = &legacy.dispForceList, start = legacy.dispForceListStart[i], display = 1;
    } else if (legacy.stressListStart[i] >= 1) {
      list = &legacy.stressList, start = legacy.stressListStart[i], display = 6;
    } else {
      continue;
    }
    t.code[p] = kCombinationCaseMarker;
    option(i, 4) = display;
    // Only list positions up to 100 are read: a longer list is cut there without its end code.
    for (int m = start; m <= kLegacyListRead && p < kCodeTableSize; ++m) {
      ++p;
      const std::int32_t entry = (*list)[m];
      if (entry == kEndOfCaseList) {
        t.code[p] = kEndOfCaseList;
        break;
      }
      t.code[p] = Magnitude(entry);
      t.factor[p] = entry < 1 ? -1.0 : 1.0;
      t.factorDecimals[p] = 0;
    }
    option(i, 1) = 1;
    option(i, 2) = legacy.caseTypes[i];
    option(i, 3) = 0;
    option(i, 5) = option(i, 4) == 6 ? 1 : 0;
    for (int j = 6; j <= 13; ++j) option(i, j) = 0;
    option(i, 14) = 1;
  }
}

void ExpandCaseTables(OutputData& out) {
  LoadCaseTables& t = out.tables;
  LegacyArrays& legacy = out.legacy;
  // Whole ranges at once, where a loop of indexed stores checked every entry's index.
  FillRange(t.code.data() + kLegacyCodes, t.code.data() + kCodeTableSize, 0);
  FillRange(t.factor.data() + kLegacyCodes, t.factor.data() + kCodeTableSize, 1.0);
  FillRange(t.factorDecimals.data() + kLegacyCodes, t.factorDecimals.data() + kCodeTableSize, 0);
  for (auto* starts : {&legacy.caseTypes, &legacy.stressListStart, &legacy.dispForceListStart,
                       &legacy.fullListStart}) {
    FillRange(starts->data() + kLegacyCases, starts->data() + starts->kSize, 0);
  }
  for (auto* list : {&legacy.stressList, &legacy.dispForceList, &legacy.fullList}) {
    FillRange(list->data() + 300, list->data() + list->kSize, 0);
  }
  // From the last cell to the first, so that no value is overwritten before it is moved.
  for (int i = kLegacyCases; i >= 1; --i) {
    for (int j = kOptionColumns; j >= 2; --j) {
      t.Option(i, j) = t.option[LegacyCell(i, j)];
      if (j <= kRealOptionColumns) t.RealOption(i, j) = t.realOption[LegacyCell(i, j)];
    }
  }
  // Cases past the hundredth have every option unset: the rows below each column's hundredth.
  for (int j = 1; j <= kOptionColumns; ++j) {
    std::int32_t* column = &t.Option(1, j);
    FillRange(column + kLegacyCases, column + kCaseTableRows, -1);
  }
  for (int j = 1; j <= kRealOptionColumns; ++j) {
    double* column = &t.RealOption(1, j);
    FillRange(column + kLegacyCases, column + kCaseTableRows, kNotSetFactor);
  }
}

}  // namespace viru4deduz
