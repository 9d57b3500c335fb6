#include "cli_user_interface.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "VirU4Deduz/Job.h"
#include "windows1252.h"

namespace viru4deduz::cli {
namespace {

constexpr char kProgram[] = "viru4deduz";

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

// One line: line breaks and other control characters become blanks.
std::string OneLine(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return text;
}

}  // namespace

namespace {

std::string& FirstErrorText() {
  static std::string text;
  return text;
}

}  // namespace

void PrintError(const std::string& text) {
  WriteAll(STDERR_FILENO, std::string(kProgram) + ": " + OneLine(text) + "\n");
  if (FirstErrorText().empty()) FirstErrorText() = OneLine(text);
}

void PrintWarning(const std::string& text) {
  WriteAll(STDERR_FILENO, std::string(kProgram) + ": warning: " + OneLine(text) + "\n");
}

const std::string& FirstError() { return FirstErrorText(); }

int CliUserInterface::ShowMessage(const char* text, const char* caption, unsigned) {
  if (!dialogOpen_) return 1;
  std::string line = text != nullptr ? text : "";
  // The module's own caption is the program's name, which a line on standard error begins with.
  if (caption != nullptr && caption[0] != '\0' && std::strcmp(caption, kModuleCaption) != 0) {
    line = std::string(caption) + ": " + line;
  }
  const int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (tty >= 0) {
    WriteAll(tty, OneLine(line) + "\n");
    ::close(tty);
  } else {
    PrintError(line);
  }
  return 1;
}

bool CliUserInterface::ChooseFile(const char*, unsigned long, char*, std::size_t) { return false; }

int CliUserInterface::RunListDialog(const char* title, const char* const* entries, int count,
                                    ListDialogHandler& handler) {
  std::vector<std::string> texts;
  for (int i = 0; entries != nullptr && i < count; ++i) {
    texts.push_back(Windows1252ToUtf8(entries[i] != nullptr ? entries[i] : ""));
  }
  std::vector<const char*> pointers;
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  dialogOpen_ = true;
  const int result = api::TerminalUserInterface().RunListDialog(
      title, pointers.data(), static_cast<int>(pointers.size()), handler);
  dialogOpen_ = false;
  if (result != kListDialogOk) selectionCancelled_ = true;
  return result;
}

}  // namespace viru4deduz::cli
