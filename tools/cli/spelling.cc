#include "spelling.h"

namespace viru4deduz::cli {

bool OneEditAway(const std::string& a, const std::string& b) {
  if (a == b) return false;
  const std::size_t n = a.size(), m = b.size();
  if (n + 1 < m || m + 1 < n) return false;
  std::size_t i = 0;
  while (i < n && i < m && a[i] == b[i]) ++i;
  const auto same = [&](std::size_t from, std::size_t to) { return a.compare(from, std::string::npos, b, to) == 0; };
  if (n == m) {
    return same(i + 1, i + 1) || (i + 1 < n && a[i] == b[i + 1] && a[i + 1] == b[i] && same(i + 2, i + 2));
  }
  return n < m ? same(i, i + 1) : same(i + 1, i);
}

}  // namespace viru4deduz::cli
