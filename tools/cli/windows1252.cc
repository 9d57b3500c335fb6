#include "windows1252.h"

#include <cstdint>

namespace viru4deduz::cli {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Bytes 0x80..0x9F, where the code page differs from Latin-1.
constexpr char32_t kHighControlBlock[32] = {
    0x20AC, kReplacement, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kReplacement, 0x017D, kReplacement,
    kReplacement, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kReplacement, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto byte = static_cast<std::uint8_t>(ch);
    AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHighControlBlock[byte - 0x80] : char32_t{byte});
  }
  return out;
}

std::string VisibleControls(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
    } else if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {  // U+0080..U+009F
      out += {'\\', 'u', '0', '0', kHex[next >> 4], kHex[next & 0xF]};
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t length = 0;
  for (char ch : text) {
    if ((static_cast<std::uint8_t>(ch) & 0xC0) != 0x80) ++length;
  }
  return length;
}

}  // namespace viru4deduz::cli
