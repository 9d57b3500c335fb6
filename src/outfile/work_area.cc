#include "outfile/work_area.h"

#include <algorithm>

#include "outfile/file_layout.h"
#include "outfile/results_block.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

// a*b + c in 64 bits, or -1 when it overflows. For the layout of counts already made
// non-negative.
std::int64_t MulAdd(std::int64_t a, std::int64_t b, std::int64_t c) {
  std::int64_t product = 0;
  std::int64_t sum = 0;
  if (a < 0 || b < 0 || c < 0 || __builtin_mul_overflow(a, b, &product) ||
      __builtin_add_overflow(product, c, &sum)) {
    return -1;
  }
  return sum;
}

// Whether base + a*b > limit, decided exactly for any signed counts of the control record: a
// product beyond 64 bits lies beyond every base and limit, on the side its factors' signs give.
bool Exceeds(std::int64_t base, std::int64_t a, std::int64_t b, std::int64_t limit) {
  std::int64_t product = 0;
  std::int64_t sum = 0;
  if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(base, product, &sum)) {
    return (a < 0) == (b < 0);
  }
  return sum > limit;
}

std::int64_t RestraintEntries(const ControlData& c) {
  return static_cast<std::int64_t>(c.hangerCount()) + c.resultCountB() + c.resultCountC();
}

}  // namespace

std::int64_t RestraintLayoutWords(const ControlData& c) {
  const std::int64_t r = RestraintEntries(c);
  const std::int64_t n = c.nodeCount();
  const std::int64_t cases = c.resultCaseCount();
  std::int64_t words = MulAdd(2, r, n);                   // node list and the two entry lists
  words = MulAdd(12, MulAdd(r, cases, 0), words);         // restraint loads
  words = MulAdd(6, MulAdd(n, cases, 0), words);          // displacements
  return MulAdd(64, c.hangerCount(), words);              // hanger records
}

std::int64_t ElementLayoutWords(const ControlData& c) {
  const std::int64_t perElement =
      MulAdd(84, c.elementSetCountB(), MulAdd(24, c.elementSetCountA(), 30));
  return MulAdd(perElement, c.elementCount(), 0);
}

std::int64_t NeededWorkAreaWords(const ControlData& c) {
  const std::int64_t caseBlocks = 8 * static_cast<std::int64_t>(c.caseBlockCount());
  const std::int64_t restraint = RestraintLayoutWords(c);
  const std::int64_t element = ElementLayoutWords(c);
  if (caseBlocks < 0 || restraint < 0 || element < 0) return -1;
  std::int64_t words = 0;
  if (__builtin_add_overflow(caseBlocks, std::max(restraint, element), &words)) return -1;
  return words;
}

bool ResultsFitWorkArea(const ControlData& c, std::int32_t workWordCount) {
  const std::int64_t n = c.nodeCount();
  const std::int64_t r = RestraintEntries(c);
  const std::int64_t h = c.hangerCount();
  // Every factor below stays far inside 64 bits; only the products with a count can leave it.
  const std::int64_t room = workWordCount - std::int64_t{8} * c.caseBlockCount();
  const bool restraintLayoutTooLarge =
      Exceeds(n + 2 * r + 64 * h, c.resultCaseCount(), 12 * r + 6 * n, room);
  const std::int64_t perElement =
      std::int64_t{24} * c.elementSetCountA() + 30 + std::int64_t{84} * c.elementSetCountB();
  const bool elementLayoutTooLarge = Exceeds(0, perElement, c.elementCount(), room);
  return !restraintLayoutTooLarge && !elementLayoutTooLarge;
}

bool RequestFitsWorkArea(const ControlData& c, std::int32_t workWordCount) {
  // The room test takes the counts as the control record gives them, so a negative count makes
  // its layout smaller and may let a job pass that would not otherwise.
  if (!ResultsFitWorkArea(c, workWordCount)) return false;
  // The regions. A negative count reads nothing, so its region is laid out empty: a region of
  // negative size would put the next one before the work area, and a product of two negative
  // counts would ask for words that no count gives. Laid out so, the regions can need more
  // words than the room test counted; a job whose regions then do not fit is treated as one
  // that does not fit.
  const VersionLayout* version = LayoutOf(c.fileVersion());
  if (version == nullptr) return false;
  const WorkAreaRegions regions = LayOutRegions(FileLayout(*version, c).counts());
  return regions.end - 1 <= std::max(workWordCount, 0);
}

}  // namespace viru4deduz
