// The settings parser over arbitrary values, through the scripted settings store: the bytes are
// the "XMS Memory Allocated" value for GetWorkAreaSize and the "VESKO_USER" value for
// GetChainUser. Each result is compared with a plain reading of the value:
//   * the work area size is the value's leading decimal number (after white space, with an
//     optional sign), saturated to 32 bits; an empty value gives 12000000 and stores it; a value
//     longer than the 260-byte read buffer is a read failure, reported, and gives 12000000;
//   * the chain user text is the value up to its first NUL, cut to 11 characters, without
//     trailing blanks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/scripted_settings_store.h"
#include "testing/scripted_user_interface.h"
#include "settings/talvor_registry.h"

namespace {

using namespace viru4deduz;

constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
constexpr std::size_t kReadBuffer = 260;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::int32_t ExpectedNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) {
      magnitude = limit;
      break;
    }
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string ExpectedUser(const std::string& value) {
  std::string text = value.size() > kReadBuffer ? std::string() : value.substr(0, value.find('\0'));
  if (text.size() > 11) text.resize(11);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string value(reinterpret_cast<const char*>(data), size);
  ScriptedSettingsStore store;
  ScriptedUserInterface ui;
  store.PutValue(kSettingsKey, "XMS Memory Allocated", value);
  store.PutValue(kSettingsKey, "VESKO_USER", value);

  const std::int32_t size32 = CTalvorRegistry(store, ui).GetWorkAreaSize();
  const std::string text = size > kReadBuffer ? std::string() : value.substr(0, value.find('\0'));
  if (size > kReadBuffer) {
    Check(size32 == 12000000);
    Check(ui.messages.size() == 1 && ui.messages[0].caption == "Registry Error");
  } else if (text.empty()) {
    Check(size32 == 12000000);
    Check(ui.messages.empty());
  } else {
    Check(size32 == ExpectedNumber(text));
    Check(ui.messages.empty());
  }
  Check(store.Value(kSettingsKey, "XMS Memory Allocated") == (text.empty() ? "12000000" : value));

  char user[12];
  std::memset(user, '#', sizeof user);
  int length = -1;
  GetChainUser(store, ui, user, sizeof user, &length);
  const std::string expected = ExpectedUser(value);
  Check(length == static_cast<int>(expected.size()));
  Check(std::memcmp(user, expected.c_str(), expected.size() + 1) == 0);
  Check(store.OpenHandleCount() == 0);
  return 0;
}
