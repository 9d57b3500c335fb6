// Turning the stored results of the chosen load case into the numbers a request returns.
#ifndef VIRU4DEDUZ_EXTRACT_ASSEMBLY_H_
#define VIRU4DEDUZ_EXTRACT_ASSEMBLY_H_

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/table.h"
#include "outfile/record_readers.h"

namespace viru4deduz {

// The degrees in one radian, as the single-precision constant the results have always used.
constexpr float kDegreesPerRadian = 57.29578f;

// The position of selectedCase among the load cases whose results the file stores. In files
// with a legacy block only the cases that legacyFullListStart marks are stored; in the others,
// every defined case. A count that passes case 1000 without meeting selectedCase tells stops of it
// (stop code 194) and returns the count reached.
void CountStoredCases(ReadReporter& stops, const Table<std::int32_t, 1000>& caseStarts,
                      std::int32_t selectedCase, std::int32_t& caseResultOrdinal,
                      const Table<std::int32_t, 1000>& legacyFullListStart,
                      std::int32_t fileVersion);

// Whether the file stores results of case k (1..1000) itself: a legacy block's full list marks
// the cases that have them; in other files every defined case has them.
bool CaseHasStoredResults(const Table<std::int32_t, 1000>& caseStarts, int k,
                          const Table<std::int32_t, 1000>& legacyFullListStart,
                          std::int32_t fileVersion);

// The same count without the stop: false when the count passed case 1000 without meeting
// selectedCase.
bool CountStoredCasesQuietly(const Table<std::int32_t, 1000>& caseStarts, std::int32_t selectedCase,
                             std::int32_t& caseResultOrdinal,
                             const Table<std::int32_t, 1000>& legacyFullListStart,
                             std::int32_t fileVersion);

// The entries (0-based positions in file order) at node, in the order the exchange sort by node
// number leaves them, which is the order their loads are added in. Empty when none is at node.
std::vector<std::size_t> EntriesInSumOrder(std::span<const std::int32_t> nodes,
                                           std::int32_t entryCount, std::int32_t node);

// Adds groups of six load words (in their order) into set 1 of resultBlock, in single precision,
// and rounds the six sums to whole numbers, halves away from zero (unless round is false: the
// sums as they are, for a caller that asks what the rounding takes off).
void AddAndRoundLoads(std::span<const std::int32_t> groups, float* resultBlock, bool round = true);

// Adds the six load components of every entry at node[0] into set 1 of resultBlock, in single
// precision, and rounds the sums to whole numbers, halves away from zero. The entries are given in
// file order; their loads are added in the order the exchange sort by node number leaves them.
// extractStatus is -1 when the node has no entry.
void SumRestraintLoads(std::span<const std::int32_t> nodes, std::span<const std::int32_t> loadSlice,
                       std::int32_t entryCount, const int* node, float* resultBlock,
                       std::int32_t& extractStatus);

struct RestraintNodeLoads {
  std::int32_t node;
  std::array<float, 6> loads;  // summed and rounded as SumRestraintLoads does
};

// For every node with restraint entries, in ascending node order, its entries (0-based, in file
// order) in the order SumRestraintLoads adds them. It depends on the restraint node list only, so
// a job works it out once for all its cases.
struct SumOrder {
  std::vector<std::int32_t> nodes;       // the nodes, ascending
  std::vector<std::size_t> firstEntry;   // node i's entries are entries[firstEntry[i]..firstEntry[i + 1])
  std::vector<std::size_t> entries;
};
SumOrder SumOrderAtEveryRestraintNode(std::span<const std::int32_t> nodes, std::int32_t entryCount);

// Each node's six loads summed in its order and rounded, into sums (six a node, as order.nodes):
// entry e's loads are words stride * e to stride * e + 5 of loadWords.
void SumInOrder(const SumOrder& order, std::span<const std::int32_t> loadWords, std::size_t stride,
                float* sums, bool round = true);

// The loads of every node with restraint entries, in ascending node order, each as
// SumRestraintLoads gives them; the entries are given in file order.
std::vector<RestraintNodeLoads> SumLoadsAtEveryRestraintNode(std::span<const std::int32_t> nodes,
                                                             std::span<const std::int32_t> loadSlice,
                                                             std::int32_t entryCount);

// The first position (0-based) of value among the first count entries of list; -1 when none.
std::int64_t FirstPosition(std::span<const std::int32_t> list, std::int32_t count,
                           std::int32_t value);

// One result set of displacements from a node's six stored words: the translations as they are,
// the rotations turned from radians into degrees.
void DisplacementSet(std::span<const std::int32_t> group, float* set);

// Copies the translations and the rotations (in degrees) of node[i] into set i+1 of resultBlock;
// a node without displacements keeps its zeros.
void ExtractDisplacements(std::span<const std::int32_t> nodeList,
                          std::span<const std::int32_t> displacementSlice, std::int32_t nodeCount,
                          const int* node, float* resultBlock, std::int32_t resultSetCount,
                          std::int32_t& extractStatus);

// Rounds a single-precision sum to a whole number, halves away from zero.
float RoundLoad(float sum);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_EXTRACT_ASSEMBLY_H_
