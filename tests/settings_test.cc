// The directory-tree settings store, and the settings class with GetChainUser over it (in a
// private config home) and over the scripted store.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix_settings_store.h"
#include "testing/scripted_settings_store.h"
#include "testing/scripted_user_interface.h"
#include "settings/talvor_registry.h"

namespace viru4deduz {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Points one environment variable elsewhere (nullptr: unsets it) for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(saved_ ? saved_->c_str() : nullptr); }

 private:
  void Set(const char* value) { value ? setenv(name_, value, 1) : unsetenv(name_); }
  const char* name_;
  std::optional<std::string> saved_;
};

std::string MakeTempDir() {
  char pattern[] = "/tmp/viru4deduz-settings-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Line(const std::string& text, const std::string& caption, unsigned type) {
  return text + " | " + caption + " | " + std::to_string(type);
}
Lines MessageLines(const ScriptedUserInterface& ui) {
  Lines lines;
  for (const auto& m : ui.messages) lines.push_back(Line(m.text, m.caption, m.type));
  return lines;
}

// A private config home for the directory-tree store.
class SettingsPosixTest : public ::testing::Test {
 protected:
  ~SettingsPosixTest() override { fs::remove_all(home_); }

  std::string Query(SettingsKey key, const std::string& name, long* status, std::size_t room) {
    std::string buffer(room, '#');
    std::size_t size = room;
    *status = store_.QueryValue(key, name, buffer.data(), &size);
    return *status == 0 ? buffer.substr(0, size) : buffer;
  }
  std::int32_t WorkAreaSize() { return CTalvorRegistry(store_, ui_).GetWorkAreaSize(); }

  std::string home_ = MakeTempDir();
  ScopedEnv configHome_{"XDG_CONFIG_HOME", home_.c_str()};
  fs::path root_ = fs::path(home_) / "VirU4Deduz";
  fs::path settings_ = root_ / "Software/Ostrel/TALVOR/5.30/Settings";
  PosixSettingsStore store_;
  ScriptedUserInterface ui_;
};

TEST_F(SettingsPosixTest, StoreKeepsSubkeysAndValuesOfEveryNameApart) {
  SettingsKey key = 0;
  ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Settings", &key), 0);
  const struct {
    std::string name, valueFile, keyDirectory;
  } cases[] = {
      {"XMS Memory Allocated", "XMS Memory Allocated.value", "XMS Memory Allocated"},
      {"a.value", "a.value.value", "a%2Evalue"},
      {"x/y%", "x%2Fy%25.value", "x%2Fy%25"},
      {".", "..value", "%2E"},
      {"..", "...value", "%2E%2E"},
  };
  for (const auto& c : cases) {
    SettingsKey subkey = 0;
    ASSERT_EQ(store_.CreateKey(key, c.name, &subkey), 0) << c.name;
    ASSERT_EQ(store_.SetValue(key, c.name, c.name.data(), c.name.size()), 0) << c.name;
    EXPECT_TRUE(fs::is_directory(root_ / "Settings" / c.keyDirectory)) << c.name;
    EXPECT_EQ(ReadFile(root_ / "Settings" / c.valueFile), c.name);
    long status = -1;
    EXPECT_EQ(Query(key, c.name, &status, 260), c.name);
    EXPECT_EQ(store_.CloseKey(subkey), 0);
  }
}

TEST_F(SettingsPosixTest, StoreRootFollowsTheEnvironmentAtEveryOpen) {
  const std::string other = MakeTempDir();
  SettingsKey key = 0;
  {
    ScopedEnv relativeConfigHome("XDG_CONFIG_HOME", "relative/is/ignored");
    ScopedEnv home("HOME", other.c_str());
    ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Fallback", &key), 0);
  }
  EXPECT_TRUE(fs::is_directory(fs::path(other) / ".config/VirU4Deduz/Fallback"));
  ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Back", &key), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "Back"));
  fs::remove_all(other);
}

TEST_F(SettingsPosixTest, StoreRefusesBadHandlesAndOversizeValues) {
  SettingsKey key = 0;
  ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Settings", &key), 0);
  ASSERT_EQ(store_.SetValue(key, "Long", "0123456789", 10), 0);
  long status = 0;
  EXPECT_EQ(Query(key, "Long", &status, 9), "#########");  // refused whole, buffer untouched
  EXPECT_EQ(status, EOVERFLOW);
  EXPECT_EQ(Query(key, "Long", &status, 10), "0123456789");
  Query(key, "Missing", &status, 10);
  EXPECT_EQ(status, kSettingsNotFound);

  ASSERT_EQ(store_.CloseKey(key), 0);
  for (SettingsKey invalid : {SettingsKey{0}, key, SettingsKey{999}}) {
    SettingsKey child = 7;
    EXPECT_EQ(store_.CreateKey(invalid, "x", &child), EBADF);
    EXPECT_EQ(child, 0);
    EXPECT_EQ(store_.SetValue(invalid, "x", "x", 1), EBADF);
    Query(invalid, "x", &status, 10);
    EXPECT_EQ(status, EBADF);
    EXPECT_EQ(store_.CloseKey(invalid), EBADF);
  }
}

TEST_F(SettingsPosixTest, MissingWorkAreaSizeIsStoredWithItsDefault) {
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_TRUE(fs::is_directory(settings_ / "XMS Memory Allocated"));
  EXPECT_EQ(ReadFile(settings_ / "XMS Memory Allocated.value"), "12000000");

  std::ofstream(settings_ / "XMS Memory Allocated.value") << "8000000abc";
  EXPECT_EQ(WorkAreaSize(), 8000000);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsPosixTest, ChainUserLosesTrailingBlanksAndIsCutToItsRoom) {
  const struct {
    std::optional<std::string> stored;
    std::string expected;
  } cases[] = {
      {std::nullopt, ""},
      {"", ""},
      {"ab  ", "ab"},
      {"    ", ""},
      {"abcdefghijklmnopqrst", "abcdefghijk"},
      {"abcdefghij  xyz", "abcdefghij"},  // the cut leaves a blank at the end, which goes too
  };
  for (const auto& c : cases) {
    fs::remove(settings_ / "VESKO_USER.value");
    if (c.stored) CTalvorRegistry(store_, ui_).SetKey(kSettingChainUser, *c.stored);
    char dest[12];
    std::memset(dest, '#', sizeof dest);
    int length = -1;
    GetChainUser(store_, ui_, dest, sizeof dest, &length);
    EXPECT_STREQ(dest, c.expected.c_str());
    EXPECT_EQ(length, static_cast<int>(c.expected.size()));
  }
  int length = -1;
  GetChainUser(store_, ui_, nullptr, 0, &length);
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsPosixTest, UnreadableOrUnwritableStoreIsReportedAndDefaultUsed) {
  const fs::path value = settings_ / "XMS Memory Allocated.value";
  const std::string unableToUpdate = Line("Unable to update registry", "", 0x30);
  fs::create_directories(settings_);
  std::ofstream(value) << std::string(261, '1');  // one byte more than the read buffer holds
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_EQ(MessageLines(ui_), Lines{Line(std::strerror(EOVERFLOW), "Registry Error", 0x40)});
  EXPECT_EQ(ReadFile(value), "12000000");

  ui_.messages.clear();
  fs::remove(value);
  fs::create_directory(value);  // neither readable nor replaceable as a value
  EXPECT_EQ(WorkAreaSize(), 12000000);
  EXPECT_EQ(MessageLines(ui_),
            (Lines{Line(std::strerror(EISDIR), "Registry Error", 0x40), unableToUpdate}));

}

class SettingsScriptedTest : public ::testing::Test {
 protected:
  static constexpr const char* kSettings = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
  ScriptedSettingsStore store_;
  ScriptedUserInterface ui_;
};

TEST_F(SettingsScriptedTest, WorkAreaSizeIsTheLeadingNumberSaturated) {
  const struct {
    std::string stored;
    std::int32_t expected;
  } cases[] = {
      {"8000000abc", 8000000}, {"abc", 0}, {"  -12", -12}, {"\t+7x", 7}, {"   ", 0},
      {std::string("123\0 456", 8), 123}, {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN}, {"-2147483649", INT32_MIN}, {std::string(260, '9'), INT32_MAX},
      {"-" + std::string(259, '9'), INT32_MIN},
  };
  for (const auto& c : cases) {
    store_.PutValue(kSettings, "XMS Memory Allocated", c.stored);
    EXPECT_EQ(CTalvorRegistry(store_, ui_).GetWorkAreaSize(), c.expected) << c.stored;
    EXPECT_EQ(store_.Value(kSettings, "XMS Memory Allocated"), c.stored);
  }
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SettingsScriptedTest, KeysAreOpenedAndClosedInOrder) {
  EXPECT_EQ(CTalvorRegistry(store_, ui_).GetUserValue(), "");
  Lines calls;
  const char* const ops[] = {"create", "query", "set", "close"};
  for (const auto& call : store_.calls) {
    calls.push_back(std::string(ops[static_cast<int>(call.op)]) + " " + call.keyPath + " " +
                    call.name + " " + std::to_string(call.status));
  }
  const std::string version = "Software\\Ostrel\\TALVOR\\5.30";
  EXPECT_EQ(calls, (Lines{
                       "create  Software 0",
                       "create Software Ostrel 0",
                       "create Software\\Ostrel TALVOR 0",
                       "create Software\\Ostrel\\TALVOR 5.30 0",
                       "create " + version + " Settings 0",
                       "query " + version + "\\Settings VESKO_USER 2",
                       "create " + version + "\\Settings VESKO_USER 0",
                       "close " + version + "\\Settings\\VESKO_USER  0",
                       "close " + version + "\\Settings  0",
                       "close Software\\Ostrel  0",
                       "close Software  0",
                       "close Software\\Ostrel\\TALVOR  0",
                       "close " + version + "  0",
                   }));
  EXPECT_EQ(store_.OpenHandleCount(), 0u);
  EXPECT_EQ(store_.Value(kSettings, "VESKO_USER"), std::nullopt);  // only the subkey is made
}

TEST_F(SettingsScriptedTest, IndexOutsideTheTableIsRefused) {
  const char* const beyond = "CTalvorRegistry::GetKey() called with value beyond the array";
  CTalvorRegistry registry(store_, ui_);
  for (int index : {-1, kSettingNameCount}) {
    ui_.messages.clear();
    EXPECT_EQ(registry.GetKey(index), "Bogus Value");
    registry.SetKey(index, "x");
    EXPECT_EQ(MessageLines(ui_), (Lines{Line("Debug Error Only!", beyond, 0x10),
                                        Line(beyond, "Debug Error Only!", 0x10)}));
  }
  for (const auto& call : store_.calls) EXPECT_NE(call.op, ScriptedSettingsStore::Op::kSetValue);
}

TEST_F(SettingsScriptedTest, StoreFailuresAreReportedAndDefaultReturned) {
  store_.FailQueryValue("XMS Memory Allocated", 5);
  store_.FailSetValue("XMS Memory Allocated", 5);
  ScriptedSettingsStore brokenPath;  // no key from TALVOR on opens: its status is reported
  brokenPath.FailCreateKey("TALVOR", 5);
  const struct {
    ScriptedSettingsStore* store;
    std::string queryError;
  } cases[] = {{&store_, "Scripted error 5"}, {&brokenPath, "Scripted error 5"}};
  for (const auto& c : cases) {
    ui_.messages.clear();
    EXPECT_EQ(CTalvorRegistry(*c.store, ui_).GetWorkAreaSize(), 12000000);
    EXPECT_EQ(MessageLines(ui_), (Lines{Line(c.queryError, "Registry Error", 0x40),
                                        Line("Unable to update registry", "", 0x30)}));
    EXPECT_EQ(c.store->OpenHandleCount(), 0u);
  }
}

}  // namespace
}  // namespace viru4deduz
