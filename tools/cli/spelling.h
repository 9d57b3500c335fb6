// Near misses: a word one edit away from another, for "did you mean".
#ifndef VIRU4DEDUZ_TOOLS_CLI_SPELLING_H_
#define VIRU4DEDUZ_TOOLS_CLI_SPELLING_H_

#include <string>

namespace viru4deduz::cli {

// Whether b is a with one character added, taken away, changed, or two neighbours swapped.
bool OneEditAway(const std::string& a, const std::string& b);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_SPELLING_H_
