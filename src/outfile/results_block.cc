#include "outfile/results_block.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/saturating.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

constexpr int kHangerSlotWords = 47;
constexpr int kHangerTailWords = 16;
constexpr int kLoadGroupWords = 12;

// The record before a stream's first record. A first record of 0 or less (a damaged control
// record) stays below 1, so the first transfer fails and is reported instead of wrapping.
std::int32_t RecordBefore(std::int32_t firstRecord) {
  return firstRecord > INT32_MIN ? firstRecord - 1 : firstRecord;
}

}  // namespace

WorkAreaRegions LayOutRegions(const ResultsCounts& counts) {
  WorkAreaRegions g;
  g.caseBlocks = 1;
  g.nodeList = SaturatingAdd(g.caseBlocks, SaturatingMul(8, counts.caseBlocks));
  g.restraintNodes = SaturatingAdd(g.nodeList, counts.nodes);
  g.restraintTags = SaturatingAdd(g.restraintNodes, counts.entries);
  g.hangerRecords = SaturatingAdd(g.restraintTags, counts.entries);
  g.restraintLoads = SaturatingAdd(g.hangerRecords, SaturatingMul(64, counts.hangers));
  g.displacements = SaturatingAdd(g.restraintLoads, SaturatingMul(12, SaturatingMul(counts.entries, counts.cases)));
  g.end = SaturatingAdd(g.displacements, SaturatingMul(6, SaturatingMul(counts.nodes, counts.cases)));
  return g;
}

void ReadCaseBlocks(RecordReaders& readers, std::int32_t entryCount, std::span<std::int32_t> dest,
                    int unit, std::int32_t firstRecord) {
  if (entryCount <= 0) return;
  StreamCursor cursor{RecordBefore(firstRecord), kWordStreamUsedUp};
  // A count too large for its table is refused by the reader; the product must not wrap first.
  const std::int64_t words = std::int64_t{8} * entryCount;
  readers.QREAD4(dest, unit, static_cast<int>(std::min<std::int64_t>(words, INT32_MAX)), cursor, 0);
}

void ReadResultsBlock(RecordReaders& readers, std::span<std::int32_t> workArea,
                      const ResultsShape& s, int unit, const WorkAreaRegions& r) {
  auto failed = [&] { return (readers.io().ioErrorFlag & 1) != 0; };
  auto region = [&](std::int64_t firstWord, std::int64_t words) {
    return workArea.subspan(static_cast<std::size_t>(firstWord - 1), static_cast<std::size_t>(words));
  };
  const std::int32_t version = s.fileVersion;
  const std::int64_t n = s.nodeCount;
  const std::int64_t entries = s.restraintEntryCount;
  const std::int64_t hangers = s.hangerCount;
  const std::int64_t cases = s.resultCaseCount;
  const VersionLayout* layout = LayoutOf(version);
  if (layout == nullptr) return;  // the control data accept no other version
  const bool packed = layout->packedResults;

  StreamCursor cursor{RecordBefore(s.resultStartRecord), kWordStreamUsedUp};
  readers.QREAD4(region(r.nodeList, n), unit, static_cast<int>(n), cursor, 0);
  if (failed()) return;

  if (entries >= 1) {
    readers.QREAD4(region(r.restraintNodes, 2 * entries), unit, static_cast<int>(2 * entries),
                   cursor, 0);
    if (failed()) return;
    if (hangers >= 1) {
      const std::int64_t slots = r.hangerRecords;
      const std::int64_t oneWordSlots = slots + kHangerSlotWords * hangers;
      const std::int64_t tailSlots = oneWordSlots + hangers;
      if (layout->splitHangers) {
        const int firstPart = layout->hangerFirstPartWords;
        for (std::int64_t i = 0; i < hangers; ++i) {
          auto slot = region(slots + i * kHangerSlotWords, kHangerSlotWords);
          readers.QREAD4(slot, unit, firstPart, cursor, 0);
          if (failed()) return;
          std::fill(slot.begin() + firstPart, slot.end(), 0);  // words older files do not carry
          readers.QREAD4(region(oneWordSlots + i, 1), unit, 1, cursor, 0);
          if (failed()) return;
          readers.QREAD4(region(tailSlots + i * kHangerTailWords, kHangerTailWords), unit,
                         kHangerTailWords, cursor, 0);
          if (failed()) return;
        }
      } else {
        const std::int64_t words = layout->hangerWords * hangers;
        readers.QREAD4(region(slots, words), unit, static_cast<int>(words), cursor, 0);
        if (failed()) return;
      }
    }
  }

  // Section 2 starts on a fresh record, right after the last record Section 1 used.
  cursor.position = packed ? kPackedBlockUsedUp : kWordBlockUsedUp;
  auto readValues = [&](std::span<std::int32_t> dest) {
    if (packed) {
      readers.ReadPackedRealBlock(unit, cursor, dest, static_cast<int>(dest.size()));
    } else {
      readers.ReadWordBlock(unit, cursor, dest, static_cast<int>(dest.size()));
    }
  };
  if (entries >= 1) {
    auto loads = region(r.restraintLoads, kLoadGroupWords * entries * cases);
    if (layout->loadValuesPerEntry == kLoadGroupWords) {
      readValues(loads);
    } else {
      // Six values per entry: read them into the head of the block, then spread them into the
      // 12-word groups from the last group to the first, so that nothing is overwritten unread.
      const std::int64_t groups = entries * cases;
      readValues(loads.first(static_cast<std::size_t>(6 * groups)));
      if (failed()) return;
      for (std::int64_t g = groups - 1; g >= 0; --g) {
        std::int32_t six[6];
        std::memcpy(six, &loads[static_cast<std::size_t>(6 * g)], sizeof six);
        auto group = loads.subspan(static_cast<std::size_t>(kLoadGroupWords * g), kLoadGroupWords);
        std::copy(six, six + 6, group.begin());
        std::fill(group.begin() + 6, group.end(), 0);
      }
    }
    if (failed()) return;
  }
  readValues(region(r.displacements, 6 * n * cases));
}

}  // namespace viru4deduz
