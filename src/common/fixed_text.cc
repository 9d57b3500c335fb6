#include "common/fixed_text.h"

#include <algorithm>
#include <cstring>

namespace viru4deduz {
namespace {

bool IsTrailingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void CopySubstring(char* dest, int destWidth, const char* src, int srcWidth, int i1, int i2,
                   int k) {
  for (int i = i1; i <= i2; ++i) {
    const int from = k + (i - i1);
    if (i < 1 || i > destWidth) continue;
    dest[i - 1] = (from >= 1 && from <= srcWidth) ? src[from - 1] : ' ';
  }
}

void BlankFill(char* field, int width, int i1, int i2) {
  const int from = std::max(i1, 1);
  const int to = std::min(i2, width);
  if (to >= from) std::memset(field + from - 1, ' ', static_cast<std::size_t>(to - from + 1));
}

int TrimmedLength(const char* field, int width, int n) {
  int length = std::clamp(n, 0, width);
  const void* nul = std::memchr(field, '\0', static_cast<std::size_t>(length));
  if (nul != nullptr) length = static_cast<int>(static_cast<const char*>(nul) - field);
  while (length > 0 && IsTrailingSpace(field[length - 1])) --length;
  return length;
}

std::string TrimmedText(const char* field, int width) {
  return std::string(field, static_cast<std::size_t>(TrimmedLength(field, width, width)));
}

void SetField(char* field, int width, std::string_view text) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(std::max(width, 0)));
  std::memcpy(field, text.data(), n);
  std::memset(field + n, ' ', static_cast<std::size_t>(width) - n);
}

}  // namespace viru4deduz
