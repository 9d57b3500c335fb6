// The settings under faults: a store that refuses every write, files in the way of key
// directories, no home directory at all, a chain user text too long to read, and two processes
// replacing one value while a third reads it.
//
// Tests run as root, for whom permission bits stop nothing: a store that cannot be written is
// the scripted one, and a store that cannot be made has a file in its way.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix_settings_store.h"
#include "testing/scripted_settings_store.h"
#include "testing/scripted_user_interface.h"
#include "settings/talvor_registry.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

namespace fs = std::filesystem;
using Captions = std::vector<std::string>;

constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
constexpr char kRegistryError[] = "Registry Error";
constexpr char kNoCaption[] = "";  // "Unable to update registry" has none of its own

Captions CaptionsOf(const ScriptedUserInterface& ui) {
  Captions captions;
  for (const auto& message : ui.messages) captions.push_back(message.caption);
  return captions;
}

std::string ChainUser(SettingsStore& store, UserInterface& ui) {
  char user[12];
  std::memset(user, '#', sizeof user);
  int length = -1;
  GetChainUser(store, ui, user, sizeof user, &length);
  EXPECT_EQ(length, static_cast<int>(std::strlen(user)));
  return user;
}

TEST(SettingsFaultsTest, StoreThatRefusesEveryWrite) {
  ScriptedSettingsStore store;
  ScriptedUserInterface ui;
  for (const char* name : {"XMS Memory Allocated", "VESKO_USER"}) {
    store.FailSetValue(name, EROFS);
    store.FailCreateKey(name, EROFS);  // nor can a marker subkey be made
  }
  // Values already there are read as usual, and nothing needs writing.
  store.PutValue(kSettingsKey, "XMS Memory Allocated", "64000");
  store.PutValue(kSettingsKey, "VESKO_USER", "ro ");
  EXPECT_EQ(CTalvorRegistry(store, ui).GetWorkAreaSize(), 64000);
  EXPECT_EQ(ChainUser(store, ui), "ro");
  EXPECT_TRUE(ui.messages.empty());

  // A missing size cannot be stored: reported once per request, and the default serves.
  ScriptedSettingsStore empty;
  for (const char* name : {"XMS Memory Allocated", "VESKO_USER"}) {
    empty.FailSetValue(name, EROFS);
    empty.FailCreateKey(name, EROFS);
  }
  for (int request = 0; request < 2; ++request) {
    EXPECT_EQ(CTalvorRegistry(empty, ui).GetWorkAreaSize(), 12000000);
    EXPECT_EQ(ChainUser(empty, ui), "");
  }
  EXPECT_EQ(CaptionsOf(ui), (Captions{kNoCaption, kNoCaption}));
  EXPECT_EQ(empty.OpenHandleCount(), 0u);
}

class SettingsFaultsPosixTest : public ::testing::Test {
 protected:
  std::int32_t WorkAreaSize() { return CTalvorRegistry(store_, ui_).GetWorkAreaSize(); }

  TempDir home_;
  ScopedEnvVar configHome_{"XDG_CONFIG_HOME", home_.path().string()};
  fs::path root_ = home_.path() / "VirU4Deduz";
  fs::path settings_ = root_ / "Software/Ostrel/TALVOR/5.30/Settings";
  PosixSettingsStore store_;
  ScriptedUserInterface ui_;
};

TEST_F(SettingsFaultsPosixTest, FileWhereAKeyDirectoryShouldBe) {
  // The settings key itself is in the settings tests; here every key above it in turn, and the
  // store's own root. None can be opened, so nothing is read or stored; the default serves.
  for (const fs::path& inTheWay : {root_, root_ / "Software", root_ / "Software/Ostrel",
                                   root_ / "Software/Ostrel/TALVOR",
                                   root_ / "Software/Ostrel/TALVOR/5.30"}) {
    SCOPED_TRACE(inTheWay.string());
    fs::remove_all(root_);
    fs::create_directories(inTheWay.parent_path());
    std::ofstream(inTheWay) << "not a key";
    ui_.messages.clear();
    EXPECT_EQ(WorkAreaSize(), 12000000);
    EXPECT_EQ(ChainUser(store_, ui_), "");
    EXPECT_EQ(CaptionsOf(ui_), (Captions{kRegistryError, kNoCaption, kRegistryError}));
    EXPECT_EQ(ui_.messages[0].text, std::strerror(ENOTDIR));  // why the key chain stopped
    EXPECT_TRUE(fs::is_regular_file(inTheWay));
  }
}

TEST_F(SettingsFaultsPosixTest, FileWhereAMissingValuesMarkerShouldBe) {
  // The empty subkey that marks a value found missing cannot be made: that goes unreported, and
  // the default is stored beside it as usual.
  fs::create_directories(settings_);
  std::ofstream(settings_ / "XMS Memory Allocated") << "in the way";
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ReadFile(settings_ / "XMS Memory Allocated.value"), "12000000");
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsFaultsPosixTest, ChainUserTooLongToReadIsReportedAndLeftOut) {
  fs::create_directories(settings_);
  std::ofstream(settings_ / "VESKO_USER.value") << std::string(261, 'u');
  EXPECT_EQ(ChainUser(store_, ui_), "");
  EXPECT_EQ(CaptionsOf(ui_), Captions{kRegistryError});
  EXPECT_EQ(ui_.messages[0].text, std::strerror(EOVERFLOW));

  ui_.messages.clear();
  std::ofstream(settings_ / "VESKO_USER.value") << std::string(260, 'u');  // fills the buffer
  EXPECT_EQ(ChainUser(store_, ui_), std::string(11, 'u'));
  EXPECT_TRUE(ui_.messages.empty());
}

// Runs body in a child process and returns what it wrote to the pipe, or nullopt when the child
// did not end normally.
template <typename Body>
std::optional<std::string> InChild(Body body) {
  int fds[2];
  if (pipe(fds) != 0) return std::nullopt;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string out = body();
    const bool written = write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  std::string out;
  char chunk[256];
  for (ssize_t got; (got = read(fds[0], chunk, sizeof chunk)) > 0;) out.append(chunk, static_cast<std::size_t>(got));
  close(fds[0]);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;
  }
  return out;
}

TEST(SettingsFaultsHomeTest, NoHomeDirectoryAtAllGivesTheDefault) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become a user without a home";
  // A user with no password entry, and no usable XDG_CONFIG_HOME or HOME: the store has no root.
  // In a child process, so that this process keeps its user and environment.
  const struct {
    const char* configHome;  // nullptr: unset
    const char* home;
  } rows[] = {{nullptr, nullptr}, {"", ""}, {"relative/config", nullptr}};
  for (const auto& row : rows) {
    const std::optional<std::string> seen = InChild([&row] {
      row.configHome ? setenv("XDG_CONFIG_HOME", row.configHome, 1) : unsetenv("XDG_CONFIG_HOME");
      row.home ? setenv("HOME", row.home, 1) : unsetenv("HOME");
      if (setgid(4000123) != 0 || setuid(4000123) != 0) return std::string("setuid failed");
      PosixSettingsStore store;
      ScriptedUserInterface ui;
      const std::int32_t size = CTalvorRegistry(store, ui).GetWorkAreaSize();
      std::string out = std::to_string(size);
      for (const auto& message : ui.messages) out += "|" + message.caption + ":" + message.text;
      return out;
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, "12000000|Registry Error:" + std::string(std::strerror(ENOENT)) +
                         "|:Unable to update registry");
  }
}

TEST_F(SettingsFaultsPosixTest, MissingHomeDoesNotMatterBesideAConfigHome) {
  ScopedEnvVar noHome("HOME", std::nullopt);
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ReadFile(settings_ / "XMS Memory Allocated.value"), "12000000");
}

TEST_F(SettingsFaultsPosixTest, TwoProcessesReplacingOneValueNeverShowATornOne) {
  SettingsKey key = 0;
  ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Settings", &key), 0);
  const fs::path settings = root_ / "Settings";
  std::vector<std::string> values;
  for (char c : {'a', 'b'}) {
    std::string value(300000, c);
    value.back() = static_cast<char>(c + 10);  // a prefix of one value cannot pass for it
    values.push_back(value);
  }
  ASSERT_EQ(store_.SetValue(key, "Shared", values[0].data(), values[0].size()), 0);

  std::vector<pid_t> writers;
  for (const std::string& value : values) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      PosixSettingsStore own;  // a process of its own opens the key afresh
      SettingsKey ownKey = 0;
      bool ok = own.CreateKey(kCurrentUserKey, "Settings", &ownKey) == 0;
      for (int i = 0; ok && i < 40; ++i) ok = own.SetValue(ownKey, "Shared", value.data(), value.size()) == 0;
      _exit(ok ? 0 : 1);
    }
    writers.push_back(pid);
  }

  int reads = 0, torn = 0, running = static_cast<int>(writers.size());
  std::string buffer(values[0].size(), '\0');
  while (running > 0) {
    std::size_t size = buffer.size();
    const long status = store_.QueryValue(key, "Shared", buffer.data(), &size);
    if (status != 0 || (buffer != values[0] && buffer != values[1])) ++torn;
    ++reads;
    running = 0;
    for (pid_t& pid : writers) {
      if (pid == 0) continue;
      int exitStatus = 0;
      if (waitpid(pid, &exitStatus, WNOHANG) == pid) {
        EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
        pid = 0;
      } else {
        ++running;
      }
    }
  }
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  // Only the value is left: no temporary file of either writer survives.
  EXPECT_EQ(std::distance(fs::directory_iterator(settings), {}), 1);
}

}  // namespace
}  // namespace viru4deduz::testing
