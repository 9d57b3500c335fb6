#include "extract/assembly.h"

#include <bit>
#include <cmath>
#include <utility>

#include "outfile/fatal_stop.h"

namespace viru4deduz {
namespace {

constexpr int kLoadGroupWords = 12;
constexpr int kStopCaseCount = 194;
constexpr int kCountedCases = 1000;

float WordAsReal(std::int32_t word) { return std::bit_cast<float>(word); }

}  // namespace

void CountStoredCases(Env& env, const Table<std::int32_t, 1000>& caseStarts,
                      std::int32_t selectedCase, std::int32_t& caseResultOrdinal,
                      const Table<std::int32_t, 1000>& legacyFullListStart,
                      std::int32_t fileVersion) {
  caseResultOrdinal = 0;
  for (int i = 1; i <= kCountedCases; ++i) {
    const bool stored = fileVersion < 1400 ? legacyFullListStart[i] != 0 : caseStarts[i] > 0;
    if (stored) ++caseResultOrdinal;
    if (i == selectedCase) return;
  }
  STOPQ2(env, kStopCaseCount);
}

void SortRestraintEntries(std::span<std::int32_t> nodes, std::span<std::int32_t> tags,
                          std::span<std::int32_t> loadSlice, std::int32_t entryCount) {
  for (std::size_t i = 0; i + 1 < static_cast<std::size_t>(entryCount); ++i) {
    for (std::size_t j = i + 1; j < static_cast<std::size_t>(entryCount); ++j) {
      if (nodes[j] < nodes[i]) {
        std::swap(nodes[i], nodes[j]);
        std::swap(tags[i], tags[j]);
        std::swap_ranges(loadSlice.begin() + static_cast<std::ptrdiff_t>(i * kLoadGroupWords),
                         loadSlice.begin() + static_cast<std::ptrdiff_t>((i + 1) * kLoadGroupWords),
                         loadSlice.begin() + static_cast<std::ptrdiff_t>(j * kLoadGroupWords));
      }
    }
  }
}

float RoundLoad(float sum) {
  const float shifted = sum < 0.0f ? sum - 0.5f : sum + 0.5f;
  // Beyond 2^31 (and for values that are not numbers) a single-precision value has no fraction
  // left to cut, and the 32-bit integer step cannot hold it: the value is returned as it is.
  if (!(std::fabs(shifted) < 2147483648.0f)) return std::trunc(shifted);
  return static_cast<float>(static_cast<std::int32_t>(shifted));
}

void SumRestraintLoads(std::span<const std::int32_t> nodes, std::span<const std::int32_t> loadSlice,
                       std::int32_t entryCount, const int* node, float* resultBlock,
                       std::int32_t& extractStatus) {
  const std::size_t count = entryCount > 0 ? static_cast<std::size_t>(entryCount) : 0;
  std::size_t first = 0;
  while (first < count && nodes[first] != node[0]) ++first;
  if (first == count) {
    extractStatus = -1;
    return;
  }
  for (std::size_t e = first; e < count && nodes[e] == node[0]; ++e) {
    for (std::size_t m = 0; m < 6; ++m) {
      resultBlock[m] += WordAsReal(loadSlice[e * kLoadGroupWords + m]);
    }
  }
  for (std::size_t m = 0; m < 6; ++m) resultBlock[m] = RoundLoad(resultBlock[m]);
  extractStatus = 0;
}

void ExtractDisplacements(std::span<const std::int32_t> nodeList,
                          std::span<const std::int32_t> displacementSlice, std::int32_t nodeCount,
                          const int* node, float* resultBlock, std::int32_t resultSetCount,
                          std::int32_t& extractStatus) {
  extractStatus = 0;
  const std::size_t count = nodeCount > 0 ? static_cast<std::size_t>(nodeCount) : 0;
  for (std::int32_t set = 0; set < resultSetCount; ++set) {
    std::size_t j = 0;
    while (j < count && nodeList[j] != node[set]) ++j;
    if (j == count) continue;
    float* out = resultBlock + 6 * set;
    for (std::size_t m = 0; m < 3; ++m) out[m] = WordAsReal(displacementSlice[6 * j + m]);
    for (std::size_t m = 3; m < 6; ++m) {
      out[m] = WordAsReal(displacementSlice[6 * j + m]) * kDegreesPerRadian;
    }
  }
}

}  // namespace viru4deduz
