// Fixed-size tables indexed from 1, as the analysis data are. Two-dimensional tables are stored
// column by column (column j of row i at entry (j-1)*rows + i).
#ifndef VIRU4DEDUZ_COMMON_TABLE_H_
#define VIRU4DEDUZ_COMMON_TABLE_H_

#include <array>
#include <cassert>
#include <cstddef>

namespace viru4deduz {

template <typename T, int N>
class Table {
 public:
  static constexpr int kSize = N;

  T& operator[](int i) {
    assert(i >= 1 && i <= N);
    return data_[static_cast<std::size_t>(i - 1)];
  }
  const T& operator[](int i) const {
    assert(i >= 1 && i <= N);
    return data_[static_cast<std::size_t>(i - 1)];
  }
  // True when i addresses an entry; every index taken from a file is checked with it first.
  static constexpr bool Holds(long long i) { return i >= 1 && i <= N; }

  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  void Fill(const T& value) { data_.fill(value); }

 private:
  std::array<T, N> data_{};
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_TABLE_H_
