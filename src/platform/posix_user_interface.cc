#include "platform/posix_user_interface.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_system.h"

namespace viru4deduz {
namespace {

// The open-file flags this layer honours.
constexpr unsigned long kPathMustExist = 0x800;
constexpr unsigned long kFileMustExist = 0x1000;

// Longest answer line kept; the rest of a longer line is read and dropped.
constexpr std::size_t kMaxAnswerLength = 4096;

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;  // nobody to tell: the text is lost, as a closed window's would be
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

// Text from the job's files goes to the terminal with its control characters blanked, so that
// a damaged label cannot drive the terminal.
std::string Printable(const char* text) {
  std::string printable = text != nullptr ? text : "";
  for (char& c : printable) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return printable;
}

// The controlling terminal, open for one dialog.
class Terminal {
 public:
  // nullptr when there is no controlling terminal, or when this process is not in its
  // foreground: a background job that read from it would be stopped instead of answered.
  static std::unique_ptr<Terminal> Open() {
    int fd;
    do {
      fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    if (::tcgetpgrp(fd) != ::getpgrp()) {
      ::close(fd);
      return nullptr;
    }
    return std::unique_ptr<Terminal>(new Terminal(fd));
  }

  ~Terminal() { ::close(fd_); }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  void Write(std::string_view text) { WriteAll(fd_, text); }

  // One answer, trimmed; nullopt at the end of input or when the terminal fails.
  std::optional<std::string> ReadAnswer() {
    std::string line;
    bool gotAny = false;
    for (;;) {
      char c;
      const ssize_t got = ::read(fd_, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      if (got == 0) {
        // Ctrl-D leaves the cursor where it was typed: whatever comes next starts its own line.
        Write("\n");
        if (!gotAny) return std::nullopt;
        break;
      }
      gotAny = true;
      if (c == '\n') break;
      if (line.size() < kMaxAnswerLength) line += c;
    }
    return Trim(line);
  }

 private:
  explicit Terminal(int fd) : fd_(fd) {}
  int fd_;
};

// "desc|pattern|desc|pattern||" → "desc; desc".
std::string FilterDescriptions(const char* filter) {
  std::string descriptions;
  std::string_view rest = filter != nullptr ? filter : "";
  for (bool isDescription = true; !rest.empty(); isDescription = !isDescription) {
    const std::size_t bar = rest.find('|');
    const std::string_view piece = rest.substr(0, bar);
    if (piece.empty()) break;  // the "||" that ends the list
    if (isDescription) {
      if (!descriptions.empty()) descriptions += "; ";
      descriptions += piece;
    }
    if (bar == std::string_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  return descriptions.empty() ? "all files" : descriptions;
}

// The dialog hands back full paths: a relative answer is taken from the current directory.
std::string FullPath(const std::string& answer) {
  if (answer.front() == '/' || answer.front() == '\\') return answer;
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return answer;
  return current.string() + "/" + answer;
}

// Why a chosen path is not acceptable under the flags; nullopt when it is.
std::optional<std::string> Refusal(const std::string& path, unsigned long flags,
                                   std::size_t pathSize) {
  FileSystem* files = DefaultFileSystem();
  if ((flags & kFileMustExist) != 0 && !files->Exists(path)) return "File not found: " + path;
  if ((flags & kPathMustExist) != 0) {
    const std::size_t separator = path.find_last_of("/\\");
    const std::string directory = separator == 0 ? "/" : path.substr(0, separator);
    if (!files->Exists(directory)) return "Path not found: " + directory;
  }
  if (path.size() >= pathSize) {
    return "Path too long (" + std::to_string(path.size()) + " characters, at most " +
           std::to_string(pathSize - 1) + "): " + path;
  }
  return std::nullopt;
}

// The 0-based entry that an answer "1".."count" names; nullopt for anything else.
std::optional<int> ChosenEntry(const std::string& answer, int count) {
  int number = 0;
  const char* end = answer.data() + answer.size();
  const auto [stop, error] = std::from_chars(answer.data(), end, number);
  if (error != std::errc() || stop != end || number < 1 || number > count) return std::nullopt;
  return number - 1;
}

std::string NumberedEntry(int number, const char* text) {
  std::string line = std::to_string(number);
  if (line.size() < 3) line.insert(0, 3 - line.size(), ' ');
  return line + "  " + Printable(text) + "\n";
}

}  // namespace

int PosixUserInterface::ShowMessage(const char* text, const char* caption, unsigned) {
  std::string line;
  if (caption != nullptr && caption[0] != '\0') {
    line = caption;
    line += ": ";
  }
  if (text != nullptr) line += text;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  line += '\n';
  WriteAll(STDERR_FILENO, line);
  return 1;
}

bool PosixUserInterface::ChooseFile(const char* filter, unsigned long flags, char* path,
                                    std::size_t pathSize) {
  if (path == nullptr || pathSize == 0) return false;
  const std::unique_ptr<Terminal> terminal = Terminal::Open();
  if (!terminal) return false;
  terminal->Write("Open: " + Printable(FilterDescriptions(filter).c_str()) + "\n");
  for (;;) {
    terminal->Write("File name (empty line to cancel): ");
    const std::optional<std::string> answer = terminal->ReadAnswer();
    if (!answer || answer->empty()) return false;
    const std::string chosen = FullPath(*answer);
    if (const std::optional<std::string> refusal = Refusal(chosen, flags, pathSize)) {
      terminal->Write(Printable(refusal->c_str()) + "\n");
      continue;
    }
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return true;
  }
}

int PosixUserInterface::RunListDialog(const char* title, const char* const* entries, int count,
                                      ListDialogHandler& handler) {
  const std::unique_ptr<Terminal> terminal = Terminal::Open();
  if (!terminal) return kListDialogCancel;
  if (entries == nullptr || count < 0) count = 0;

  std::string listing = Printable(title) + "\n";
  for (int i = 0; i < count; ++i) listing += NumberedEntry(i + 1, entries[i]);
  terminal->Write(listing);

  // An empty line is the dialog's OK without a choice, which the dialog may refuse (asking for a
  // choice first): the prompt says so before the user meets the refusal.
  const std::string range = "1-" + std::to_string(count);
  const std::string prompt =
      count > 0 ? "Number (" + range + ") to choose, q to cancel (an empty line is OK without a choice): "
                : "Empty line for OK, q to cancel: ";
  for (;;) {
    terminal->Write(prompt);
    const std::optional<std::string> answer = terminal->ReadAnswer();
    if (!answer || *answer == "q" || *answer == "Q") return kListDialogCancel;
    int selected = -1;
    if (!answer->empty()) {
      const std::optional<int> entry = ChosenEntry(*answer, count);
      if (!entry) {
        terminal->Write(count > 0 ? "Please answer with a number from 1 to " +
                                        std::to_string(count) + ", an empty line or q.\n"
                                  : "Please answer with an empty line or q.\n");
        continue;
      }
      selected = *entry;
    }
    if (handler.OnOk(selected)) return kListDialogOk;
  }
}

UserInterface* DefaultUserInterface() {
  static PosixUserInterface ui;
  return &ui;
}

}  // namespace viru4deduz
