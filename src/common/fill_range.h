// Filling a range of a table with one value in a few calls: one memset when every byte of the
// value is the same (0, -1), otherwise the first entry written and the filled part copied after
// itself, doubling each time.
//
// The instrumented builds that run the tests and the fuzzers check a loop of stores store by
// store, and their pointer-overflow check keeps the compiler from turning even a loop of zeros
// into a memset; over the tables' tens of thousands of entries such loops were most of what a
// request on an older file cost there. A call is checked once. In a plain build this runs as
// fast as std::fill.
#ifndef VIRU4DEDUZ_COMMON_FILL_RANGE_H_
#define VIRU4DEDUZ_COMMON_FILL_RANGE_H_

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace viru4deduz {

template <typename T>
void FillRange(T* first, T* last, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (first >= last) return;
  const auto total = static_cast<std::size_t>(last - first);
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  if (std::all_of(bytes, bytes + sizeof(T), [&](unsigned char b) { return b == bytes[0]; })) {
    std::memset(first, bytes[0], total * sizeof(T));
    return;
  }
  *first = value;
  for (std::size_t filled = 1; filled < total;) {
    const std::size_t n = std::min(filled, total - filled);
    std::memcpy(first + filled, first, n * sizeof(T));
    filled += n;
  }
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_FILL_RANGE_H_
