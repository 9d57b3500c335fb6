// Sums and products of counts from an output file, which may be as large as 32 bits allow and
// multiply past 64: they saturate at the largest 64-bit number instead of overflowing, so that a
// position or a size worked out from any control record lies beyond every file and work area.
#ifndef VIRU4DEDUZ_COMMON_SATURATING_H_
#define VIRU4DEDUZ_COMMON_SATURATING_H_

#include <cstdint>
#include <limits>

namespace viru4deduz {

// For operands of which at most one is negative (a record number before the file's start).
constexpr std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  return __builtin_add_overflow(a, b, &sum) ? std::numeric_limits<std::int64_t>::max() : sum;
}

// For operands that are not negative.
constexpr std::int64_t SaturatingMul(std::int64_t a, std::int64_t b) {
  std::int64_t product = 0;
  return __builtin_mul_overflow(a, b, &product) ? std::numeric_limits<std::int64_t>::max() : product;
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_SATURATING_H_
