#include "extract/assembly.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

constexpr int kLoadGroupWords = 12;
constexpr int kStopCaseCount = 194;
constexpr int kCountedCases = 1000;

float WordAsReal(std::int32_t word) { return std::bit_cast<float>(word); }

// Adds the load groups of the given entries in that order to sums.
void AddLoadGroups(std::span<const std::size_t> entries, std::span<const std::int32_t> loadSlice,
                   float* sums) {
  for (const std::size_t e : entries) {
    for (std::size_t m = 0; m < 6; ++m) sums[m] += WordAsReal(loadSlice[e * kLoadGroupWords + m]);
  }
}

// Rounds six sums to whole numbers, halves away from zero.
void RoundLoads(float* sums) {
  for (std::size_t m = 0; m < 6; ++m) sums[m] = RoundLoad(sums[m]);
}

// Counts of marked positions (a Fenwick tree): marking, counting below a position and finding the
// k-th marked position each take a logarithmic number of steps.
class PositionCounts {
 public:
  void Reset(std::size_t size) { tree_.assign(size + 1, 0); }
  void Mark(std::size_t position) {
    for (std::size_t i = position + 1; i < tree_.size(); i += i & (0 - i)) ++tree_[i];
  }
  void Unmark(std::size_t position) {
    for (std::size_t i = position + 1; i < tree_.size(); i += i & (0 - i)) --tree_[i];
  }
  std::size_t Below(std::size_t end) const {
    std::size_t count = 0;
    for (std::size_t i = end; i > 0; i -= i & (0 - i)) count += tree_[i];
    return count;
  }
  // The marked position with k marked positions before it.
  std::size_t Find(std::size_t k) const {
    std::size_t position = 0;
    std::size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (position + step < tree_.size() && tree_[position + step] <= k) {
        position += step;
        k -= tree_[position];
      }
    }
    return position;
  }

 private:
  std::vector<std::size_t> tree_;
};

}  // namespace

void CountStoredCases(ReadReporter& stops, const Table<std::int32_t, 1000>& caseStarts,
                      std::int32_t selectedCase, std::int32_t& caseResultOrdinal,
                      const Table<std::int32_t, 1000>& legacyFullListStart,
                      std::int32_t fileVersion) {
  if (!CountStoredCasesQuietly(caseStarts, selectedCase, caseResultOrdinal, legacyFullListStart,
                               fileVersion)) {
    stops.Report({kStopCaseCount, 0, 0, "the count of stored cases passed case 1000"});
  }
}

bool CaseHasStoredResults(const Table<std::int32_t, 1000>& caseStarts, int k,
                          const Table<std::int32_t, 1000>& legacyFullListStart,
                          std::int32_t fileVersion) {
  if (k < 1 || k > kCountedCases) return false;
  return MarksStoredCases(fileVersion) ? legacyFullListStart[k] != 0 : caseStarts[k] > 0;
}

bool CountStoredCasesQuietly(const Table<std::int32_t, 1000>& caseStarts, std::int32_t selectedCase,
                             std::int32_t& caseResultOrdinal,
                             const Table<std::int32_t, 1000>& legacyFullListStart,
                             std::int32_t fileVersion) {
  caseResultOrdinal = 0;
  for (int i = 1; i <= kCountedCases; ++i) {
    if (CaseHasStoredResults(caseStarts, i, legacyFullListStart, fileVersion)) ++caseResultOrdinal;
    if (i == selectedCase) return true;
  }
  return false;
}

float RoundLoad(float sum) {
  const float shifted = sum < 0.0f ? sum - 0.5f : sum + 0.5f;
  // Beyond 2^31 (and for values that are not numbers) a single-precision value has no fraction
  // left to cut, and the 32-bit integer step cannot hold it: the value is returned as it is.
  if (!(std::fabs(shifted) < 2147483648.0f)) return std::trunc(shifted);
  return static_cast<float>(static_cast<std::int32_t>(shifted));
}

// The loads of a node are added in the order in which the exchange sort by node number (for i, for
// j > i, swap entries i and j when node(j) < node(i)) leaves its entries, and the single-precision
// sums depend on that order bit for bit. Running the sort costs time quadratic in the number of
// entries (descending nodes are its worst order), yet only the order of the requested node's
// entries matters, and it follows from one pass in file order: entries of greater nodes never
// change it; the node's entries join the end of a run; each entry of a smaller node met while the
// run is not empty moves the first entry of the run to its end. The run ends in the sort's order.
std::vector<std::size_t> EntriesInSumOrder(std::span<const std::int32_t> nodes,
                                           std::int32_t entryCount, std::int32_t node) {
  const std::size_t count = entryCount > 0 ? static_cast<std::size_t>(entryCount) : 0;
  // The run is run[first..]: moving its first entry to the end appends it and steps past it, so
  // the vector never holds more than one index per entry.
  std::vector<std::size_t> run;
  std::size_t first = 0;
  for (std::size_t e = 0; e < count; ++e) {
    if (nodes[e] == node) {
      run.push_back(e);
    } else if (nodes[e] < node && first < run.size()) {
      const std::size_t moved = run[first++];
      run.push_back(moved);
    }
  }
  run.erase(run.begin(), run.begin() + static_cast<std::ptrdiff_t>(first));
  return run;
}

void AddAndRoundLoads(std::span<const std::int32_t> groups, float* resultBlock, bool round) {
  for (std::size_t g = 0; g + 6 <= groups.size(); g += 6) {
    for (std::size_t m = 0; m < 6; ++m) resultBlock[m] += WordAsReal(groups[g + m]);
  }
  if (round) RoundLoads(resultBlock);
}

void SumRestraintLoads(std::span<const std::int32_t> nodes, std::span<const std::int32_t> loadSlice,
                       std::int32_t entryCount, const int* node, float* resultBlock,
                       std::int32_t& extractStatus) {
  const std::vector<std::size_t> order = EntriesInSumOrder(nodes, entryCount, node[0]);
  if (order.empty()) {
    extractStatus = -1;
    return;
  }
  AddLoadGroups(order, loadSlice, resultBlock);
  RoundLoads(resultBlock);
  extractStatus = 0;
}

SumOrder SumOrderAtEveryRestraintNode(std::span<const std::int32_t> nodes, std::int32_t entryCount) {
  const std::size_t count = entryCount > 0 ? static_cast<std::size_t>(entryCount) : 0;
  // The entries by node, each node's in file order.
  std::vector<std::size_t> byNode(count);
  std::iota(byNode.begin(), byNode.end(), std::size_t{0});
  std::stable_sort(byNode.begin(), byNode.end(),
                   [&](std::size_t a, std::size_t b) { return nodes[a] < nodes[b]; });

  // The one-pass rule for every node at once. Between two entries of a node (and after its last)
  // the run turns once per entry of a smaller node: the nodes are taken in ascending order, so
  // those entries are the positions marked so far. The run is kept as a circle read from `start`:
  // an entry joins just before the start (at the end of the run) and each turn moves the start one
  // on. joinAt holds where each entry joins among those before it; going back from the last, each
  // takes the slot with that many free slots before it, which gives the circle's final order.
  // Turning a deque instead would cost up to the run's length per entry.
  SumOrder order;
  order.entries.reserve(count);
  PositionCounts smaller, freeSlots;
  smaller.Reset(count);
  std::vector<std::size_t> joinAt, circle;
  for (std::size_t g = 0; g < count;) {
    std::size_t end = g + 1;
    while (end < count && nodes[byNode[end]] == nodes[byNode[g]]) ++end;
    const std::span<const std::size_t> entries(byNode.data() + g, end - g);

    joinAt.clear();
    std::size_t start = 0;
    for (std::size_t j = 0; j < entries.size(); ++j) {
      const std::size_t next = j + 1 < entries.size() ? entries[j + 1] : count;
      const std::size_t turns = smaller.Below(next) - smaller.Below(entries[j] + 1);
      joinAt.push_back(start);
      start = (start + 1 + turns) % (j + 1);
    }
    freeSlots.Reset(entries.size());
    for (std::size_t j = 0; j < entries.size(); ++j) freeSlots.Mark(j);
    circle.assign(entries.size(), 0);
    for (std::size_t j = entries.size(); j-- > 0;) {
      const std::size_t slot = freeSlots.Find(joinAt[j]);
      circle[slot] = entries[j];
      freeSlots.Unmark(slot);
    }
    order.nodes.push_back(nodes[entries[0]]);
    order.firstEntry.push_back(order.entries.size());
    for (std::size_t j = 0; j < circle.size(); ++j) order.entries.push_back(circle[(start + j) % circle.size()]);
    for (const std::size_t e : entries) smaller.Mark(e);
    g = end;
  }
  order.firstEntry.push_back(order.entries.size());
  return order;
}

void SumInOrder(const SumOrder& order, std::span<const std::int32_t> loadWords, std::size_t stride,
                float* sums, bool round) {
  for (std::size_t i = 0; i < order.nodes.size(); ++i) {
    float* const node = sums + 6 * i;
    std::fill(node, node + 6, 0.0f);
    for (std::size_t j = order.firstEntry[i]; j < order.firstEntry[i + 1]; ++j) {
      const std::int32_t* const group = loadWords.data() + order.entries[j] * stride;
      for (std::size_t m = 0; m < 6; ++m) node[m] += WordAsReal(group[m]);
    }
    if (round) RoundLoads(node);
  }
}

std::vector<RestraintNodeLoads> SumLoadsAtEveryRestraintNode(std::span<const std::int32_t> nodes,
                                                             std::span<const std::int32_t> loadSlice,
                                                             std::int32_t entryCount) {
  const SumOrder order = SumOrderAtEveryRestraintNode(nodes, entryCount);
  std::vector<float> sums(6 * order.nodes.size());
  SumInOrder(order, loadSlice, kLoadGroupWords, sums.data());
  std::vector<RestraintNodeLoads> result(order.nodes.size());
  for (std::size_t i = 0; i < result.size(); ++i) {
    result[i].node = order.nodes[i];
    std::copy_n(sums.begin() + static_cast<std::ptrdiff_t>(6 * i), 6, result[i].loads.begin());
  }
  return result;
}

std::int64_t FirstPosition(std::span<const std::int32_t> list, std::int32_t count,
                           std::int32_t value) {
  const std::int64_t n = count > 0 ? count : 0;
  for (std::int64_t j = 0; j < n; ++j) {
    if (list[static_cast<std::size_t>(j)] == value) return j;
  }
  return -1;
}

void DisplacementSet(std::span<const std::int32_t> group, float* set) {
  for (std::size_t m = 0; m < 3; ++m) set[m] = WordAsReal(group[m]);
  for (std::size_t m = 3; m < 6; ++m) set[m] = WordAsReal(group[m]) * kDegreesPerRadian;
}

void ExtractDisplacements(std::span<const std::int32_t> nodeList,
                          std::span<const std::int32_t> displacementSlice, std::int32_t nodeCount,
                          const int* node, float* resultBlock, std::int32_t resultSetCount,
                          std::int32_t& extractStatus) {
  extractStatus = 0;
  for (std::int32_t set = 0; set < resultSetCount; ++set) {
    const std::int64_t j = FirstPosition(nodeList, nodeCount, node[set]);
    if (j < 0) continue;
    DisplacementSet(displacementSlice.subspan(static_cast<std::size_t>(6 * j), 6), resultBlock + 6 * set);
  }
}

}  // namespace viru4deduz
