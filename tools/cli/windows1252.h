// Text from the output file is Windows-1252; the terminal and JSON want UTF-8.
#ifndef VIRU4DEDUZ_TOOLS_CLI_WINDOWS1252_H_
#define VIRU4DEDUZ_TOOLS_CLI_WINDOWS1252_H_

#include <string>
#include <string_view>

namespace viru4deduz::cli {

// Every byte as the Windows-1252 character it stands for, in UTF-8 (0xD8 is "Ø"). The five bytes
// the code page leaves undefined become U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

// A UTF-8 text with its control characters written as visible escapes, so that text from a file
// cannot act on the terminal it is shown on: C0 controls and DEL as "\x1b", C1 controls (which
// Windows1252ToUtf8 never gives) as "\u0085". Everything else is kept as it is.
std::string VisibleControls(std::string_view text);

// The number of characters (code points) of a UTF-8 text: its width in a table.
std::size_t Utf8Length(std::string_view text);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_WINDOWS1252_H_
