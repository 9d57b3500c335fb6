// Turning the stored results of the chosen load case into the numbers a request returns.
#ifndef VIRU4DEDUZ_EXTRACT_ASSEMBLY_H_
#define VIRU4DEDUZ_EXTRACT_ASSEMBLY_H_

#include <cstdint>
#include <span>

#include "common/table.h"
#include "platform/env.h"

namespace viru4deduz {

// The degrees in one radian, as the single-precision constant the results have always used.
constexpr float kDegreesPerRadian = 57.29578f;

// The position of selectedCase among the load cases whose results the file stores. Below
// version 1400 only the cases that legacyFullListStart marks are stored; from 1400 on, every
// defined case. A count that passes case 1000 without meeting selectedCase stops with code 194
// and returns the count reached.
void CountStoredCases(Env& env, const Table<std::int32_t, 1000>& caseStarts,
                      std::int32_t selectedCase, std::int32_t& caseResultOrdinal,
                      const Table<std::int32_t, 1000>& legacyFullListStart,
                      std::int32_t fileVersion);

// Orders the restraint entries by node number with the exchange sort whose order of equal nodes
// fixes the order in which their loads are added. Moves the 12-word load groups along.
void SortRestraintEntries(std::span<std::int32_t> nodes, std::span<std::int32_t> tags,
                          std::span<std::int32_t> loadSlice, std::int32_t entryCount);

// Adds the six load components of every entry at node[0] into set 1 of resultBlock, in single
// precision, and rounds the sums to whole numbers, halves away from zero. extractStatus is -1
// when the node has no entry.
void SumRestraintLoads(std::span<const std::int32_t> nodes, std::span<const std::int32_t> loadSlice,
                       std::int32_t entryCount, const int* node, float* resultBlock,
                       std::int32_t& extractStatus);

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
