#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "testing/memory_file_system.h"
#include "platform/paths.h"
#include "platform/posix_file_system.h"
#include "platform/posix_user_interface.h"
#include "testing/scripted_user_interface.h"

namespace viru4deduz {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ReadAll(FileSystem& files, const std::string& path) {
  int error = 0;
  auto file = files.OpenForRead(path, &error);
  if (!file) return "error " + std::to_string(error);
  std::string bytes(file->Size(), '\0');
  if (file->Read(0, bytes.size(), bytes.data(), &error) != static_cast<long long>(bytes.size())) {
    return "short read";
  }
  return bytes;
}

TEST(PlatformPaths, ExtensionIsTheFileNamesLastDot) {
  struct Case {
    const char* path;
    const char* removed;
    const char* added;
  };
  const Case cases[] = {
      {"C:\\jobs\\pipe1.x4", "C:\\jobs\\pipe1", "C:\\jobs\\pipe1._p"},
      {"C:\\JOBS\\PIPE.A.X4", "C:\\JOBS\\PIPE.A", "C:\\JOBS\\PIPE.A"},  // still has one
      {"C:\\my.dir\\pipe", "C:\\my.dir\\pipe", "C:\\my.dir\\pipe._p"},
      {"/home/my.dir/pipe.", "/home/my.dir/pipe", "/home/my.dir/pipe._p"},
      {"", "", "._p"},
  };
  for (const Case& c : cases) {
    char buffer[256];
    std::strcpy(buffer, c.path);
    PathRemoveExtensionA(buffer);
    EXPECT_STREQ(buffer, c.removed) << c.path;
    EXPECT_EQ(PathAddExtensionA(buffer, sizeof buffer, "._p"),
              std::strcmp(c.removed, c.added) != 0);
    EXPECT_STREQ(buffer, c.added) << c.path;
  }
}

TEST(PlatformPaths, AddingNeverWritesPastCapacity) {
  char buffer[12] = "abcdef";
  buffer[11] = '#';                                     // beyond the capacity handed over
  EXPECT_FALSE(PathAddExtensionA(buffer, 10, ".x4x"));  // 6 + 4 + NUL = 11
  EXPECT_STREQ(buffer, "abcdef");
  EXPECT_TRUE(PathAddExtensionA(buffer, 10, ".x4"));  // exactly 10
  EXPECT_STREQ(buffer, "abcdef.x4");
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_FALSE(PathAddExtensionA(unterminated, sizeof unterminated, "."));
  EXPECT_EQ(buffer[11], '#');
}

class PlatformPosixFileSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/viru4deduz-platform-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "Jobs" / "Deep.Dir");
    std::ofstream(root_ / "Jobs" / "Pipe1._p") << "abc";
    std::ofstream(root_ / "Jobs" / "a.txt") << "lower";
    std::ofstream(root_ / "Jobs" / "A.TXT") << "upper";
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
  PosixFileSystem files_;
};

TEST_F(PlatformPosixFileSystem, FindsNamesWithoutRegardToCaseAndWithEitherSeparator) {
  const std::string root = root_.string();
  EXPECT_TRUE(files_.Exists(root + "\\JOBS\\PIPE1._P"));
  EXPECT_TRUE(files_.Exists(root + "/jobs/deep.dir"));
  EXPECT_EQ(ReadAll(files_, root + "\\jobs\\pipe1._P"), "abc");
  // Exact name first; among inexact ones the first in byte order ("A.TXT" < "a.txt").
  EXPECT_EQ(ReadAll(files_, root + "/JOBS/a.txt"), "lower");
  EXPECT_EQ(ReadAll(files_, root + "/JOBS/a.Txt"), "upper");
  EXPECT_FALSE(files_.Exists(root + "/Jobs/Pipe2._p"));

  const fs::path saved = fs::current_path();
  fs::current_path(root_);
  EXPECT_EQ(ReadAll(files_, "JOBS\\.\\DEEP.DIR\\..\\PIPE1._P"), "abc");
  fs::current_path(saved);
}

TEST_F(PlatformPosixFileSystem, OddPathsFailCleanly) {
  const std::string root = root_.string();
  EXPECT_TRUE(files_.Exists(root + "//JOBS//"));
  EXPECT_FALSE(files_.Exists(root + "/JOBS/PIPE1._P/"));  // a file is no directory
  EXPECT_FALSE(files_.Exists(""));
  EXPECT_FALSE(files_.Exists(root + "/" + std::string(10000, 'x')));
  EXPECT_FALSE(files_.Exists(root + std::string(5000, '/') + std::string(3000, '.') + "/x"));
  EXPECT_FALSE(files_.Exists(std::string("/tmp\0/x", 7)));
  fs::create_directory(root_ / "Locked");
  ::chmod((root_ / "Locked").c_str(), 0);
  EXPECT_FALSE(files_.Exists(root + "/LOCKED/NOTHING"));
  ::chmod((root_ / "Locked").c_str(), 0700);

  int error = 0;
  EXPECT_EQ(files_.OpenForRead(root + "/JOBS", &error), nullptr);
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(files_.OpenForRead(root + "/JOBS/none", &error), nullptr);
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(files_.ErrorText(error).empty());
}

TEST_F(PlatformPosixFileSystem, ReadsAtOffsetsAndCreatesTheExactName) {
  int error = 0;
  auto file = files_.OpenForRead(root_.string() + "/JOBS/PIPE1._P", &error);
  ASSERT_NE(file, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(file->Read(1, sizeof bytes, bytes, &error), 2);
  EXPECT_STREQ(bytes, "bc");
  EXPECT_EQ(file->Read(3, sizeof bytes, bytes, &error), 0);
  EXPECT_EQ(file->Read(~0ULL, sizeof bytes, bytes, &error), -1);

  auto out = files_.CreateForWrite(root_.string() + "\\Jobs\\Out.TXT", &error);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Append("hi", 2), 0);
  EXPECT_EQ(out->Close(), 0);
  EXPECT_EQ(out->Append("x", 1), EBADF);
  EXPECT_EQ(Slurp(root_ / "Jobs" / "Out.TXT"), "hi");
  EXPECT_EQ(files_.CreateForWrite(root_.string() + "/JOBS/Out.TXT", &error), nullptr);
  EXPECT_EQ(error, ENOENT);  // created by exact name only: there is no directory JOBS
}

// Runs body in a child process in a new session, whose standard error goes to a file.
// With a terminal, the child takes the pseudo-terminal slave as its controlling terminal and
// input is queued on it first. Returns the child's exit code; *stderrText gets what it wrote.
int RunInChild(const std::function<int()>& body, std::string* stderrText,
               const char* terminalInput = nullptr) {
  char errPath[] = "/tmp/viru4deduz-stderr-XXXXXX";
  const int errFd = ::mkstemp(errPath);
  if (errFd < 0) return -1;
  int master = -1;
  int slave = -1;
  const char* slaveName = nullptr;
  if (terminalInput != nullptr) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return -1;
    slaveName = ::ptsname(master);
    slave = ::open(slaveName, O_RDWR | O_NOCTTY);  // keeps the queued input alive
    if (slave < 0) return -1;
    const ssize_t put = ::write(master, terminalInput, std::strlen(terminalInput));
    if (put != static_cast<ssize_t>(std::strlen(terminalInput))) return -1;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    ::alarm(60);  // a dialog that waits for input it will never get must not hang the tests
    if (slaveName != nullptr && ::open(slaveName, O_RDWR) < 0) ::_exit(100);
    ::dup2(errFd, STDERR_FILENO);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (master >= 0) ::close(master);
  if (slave >= 0) ::close(slave);
  ::close(errFd);
  *stderrText = Slurp(errPath);
  ::unlink(errPath);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Accepts a selection, refuses none with the module's message.
struct RefuseNoSelection : ListDialogHandler {
  explicit RefuseNoSelection(UserInterface& ui) : ui(ui) {}
  bool OnOk(int selectedIndex) override {
    calls.push_back(selectedIndex);
    if (selectedIndex >= 0) return true;
    ui.ShowMessage("Sorry, you can not use [OK] until a load case is selected.", "", 0x10);
    return false;
  }
  UserInterface& ui;
  std::vector<int> calls;
};

TEST(PlatformPosixUserInterface, WithoutTerminalMessagesGoToStandardErrorAndDialogsCancel) {
  std::string errors;
  const int code = RunInChild(
      [] {
        UserInterface& ui = *DefaultUserInterface();
        ui.ShowMessage("Read failed\r\non record 7", "Caption", 0x10);
        ui.ShowMessage("No output available for this TALVOR job.", "", 0x10);
        char path[256] = "unchanged";
        RefuseNoSelection handler(ui);
        const char* entries[] = {"CASE 1 (OPE) W+T1+P1"};
        const bool chose = ui.ChooseFile("Piping (*.X4)|*.X4||", 0x22180C, path, sizeof path);
        const int listed = ui.RunListDialog("Load Case Selection", entries, 1, handler);
        return (chose ? 1 : 0) | (listed != kListDialogCancel ? 2 : 0) |
               (!handler.calls.empty() ? 4 : 0) | (std::strcmp(path, "unchanged") != 0 ? 8 : 0);
      },
      &errors);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(errors,
            "Caption: Read failed  on record 7\nNo output available for this TALVOR job.\n");
}

TEST(PlatformPosixUserInterface, AsksOnTheTerminal) {
  std::string errors;
  const std::string existing = fs::temp_directory_path().string();
  // Ctrl-D at the start of a line is the terminal's end of input.
  const std::string input = "x\n\n7\n2\nq\n/no/such/file\n" + existing + "\n\x04";
  const int code = RunInChild(
      [&] {
        UserInterface& ui = *DefaultUserInterface();
        RefuseNoSelection handler(ui);
        const char* entries[] = {"CASE 1 (OPE) W+T1+P1", "CASE 2 (SUS) W+P1"};
        // "x" and "7" are refused; empty presses OK with no selection (refused); "2" is taken.
        if (ui.RunListDialog("Load Case Selection", entries, 2, handler) != kListDialogOk) return 1;
        if (handler.calls != std::vector<int>{-1, 1}) return 2;
        if (ui.RunListDialog("Load Case Selection", entries, 2, handler) != kListDialogCancel)
          return 3;
        char path[256] = "";
        if (!ui.ChooseFile("Piping (*.X4)|*.X4||", 0x1800, path, sizeof path)) return 4;
        if (existing != path) return 5;
        return ui.ChooseFile("Piping (*.X4)|*.X4||", 0x1800, path, sizeof path) ? 6 : 0;  // EOF
      },
      &errors, input.c_str());
  EXPECT_EQ(code, 0);
  EXPECT_EQ(errors, "Sorry, you can not use [OK] until a load case is selected.\n");
}

}  // namespace
}  // namespace viru4deduz
