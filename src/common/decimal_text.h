// Numbers in the settings' texts, read as the product's settings class reads them.
#ifndef VIRU4DEDUZ_COMMON_DECIMAL_TEXT_H_
#define VIRU4DEDUZ_COMMON_DECIMAL_TEXT_H_

#include <cstdint>
#include <string_view>

namespace viru4deduz {

// The text's leading decimal number: leading white space skipped, an optional sign, digits up to
// the first other character; no digits gives 0. A number beyond the 32-bit range saturates at
// INT32_MAX or INT32_MIN instead of wrapping, so an absurd setting can never turn into a small
// or negative size.
std::int32_t LeadingDecimalNumber(std::string_view text);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_DECIMAL_TEXT_H_
