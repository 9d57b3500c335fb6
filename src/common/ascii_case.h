// Letter case as the module has always treated it: ASCII letters only, every other byte as it is.
// Windows file names ignore case, so the module upper-cases job paths and matches names without
// regard to case where the platform does not.
#ifndef VIRU4DEDUZ_COMMON_ASCII_CASE_H_
#define VIRU4DEDUZ_COMMON_ASCII_CASE_H_

#include <string>
#include <string_view>

namespace viru4deduz {

// text with a..z turned into A..Z.
std::string AsciiUpper(std::string text);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_ASCII_CASE_H_
