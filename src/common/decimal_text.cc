#include "common/decimal_text.h"

#include <cstddef>

namespace viru4deduz {

std::int32_t LeadingDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a negative number, whose range reaches INT32_MIN.
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 - (text[i] - '0');
    if (value < INT32_MIN) return negative ? INT32_MIN : INT32_MAX;
  }
  if (negative) return static_cast<std::int32_t>(value);
  return value < -INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(-value);
}

}  // namespace viru4deduz
