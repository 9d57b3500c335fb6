// The directory-tree settings store: name mapping, root lookup, failures, atomic replacement.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix_settings_store.h"

namespace viru4deduz {
namespace {

namespace fs = std::filesystem;

// Points one environment variable somewhere else for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (saved_) {
      setenv(name_, saved_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

std::string MakeTempDir() {
  char pattern[] = "/tmp/viru4deduz-store-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  ~SettingsStoreTest() override { fs::remove_all(home_); }

  SettingsKey Open(SettingsKey parent, const std::string& name) {
    SettingsKey key = 0;
    EXPECT_EQ(store_.CreateKey(parent, name, &key), 0) << name;
    return key;
  }
  std::string Query(SettingsKey key, const std::string& name, long* status, std::size_t room = 260) {
    std::vector<char> buffer(room, '#');
    std::size_t size = room;
    *status = store_.QueryValue(key, name, buffer.data(), &size);
    return *status == 0 ? std::string(buffer.data(), size) : std::string(buffer.data(), room);
  }

  std::string home_ = MakeTempDir();
  ScopedEnv configHome_{"XDG_CONFIG_HOME", home_.c_str()};
  fs::path root_ = fs::path(home_) / "VirU4Deduz";
  PosixSettingsStore store_;
};

TEST_F(SettingsStoreTest, NamesMapToFilesWithoutClashes) {
  const SettingsKey key = Open(kCurrentUserKey, "Settings");
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
    const SettingsKey subkey = Open(key, c.name);
    ASSERT_EQ(store_.SetValue(key, c.name, c.name.data(), c.name.size()), 0) << c.name;
    EXPECT_TRUE(fs::is_directory(root_ / "Settings" / c.keyDirectory)) << c.name;
    EXPECT_EQ(ReadFile(root_ / "Settings" / c.valueFile), c.name);
    long status = 0;
    EXPECT_EQ(Query(key, c.name, &status), c.name);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(store_.CloseKey(subkey), 0);
  }
  EXPECT_EQ(store_.CloseKey(key), 0);
}

TEST_F(SettingsStoreTest, RootFollowsTheEnvironmentAtEveryOpen) {
  const std::string other = MakeTempDir();
  {
    ScopedEnv configHome("XDG_CONFIG_HOME", other.c_str());
    Open(kCurrentUserKey, "Software");
    EXPECT_TRUE(fs::is_directory(fs::path(other) / "VirU4Deduz/Software"));
  }
  {
    ScopedEnv noConfigHome("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv home("HOME", other.c_str());
    Open(kCurrentUserKey, "Fallback");
    EXPECT_TRUE(fs::is_directory(fs::path(other) / ".config/VirU4Deduz/Fallback"));
  }
  Open(kCurrentUserKey, "Back");
  EXPECT_TRUE(fs::is_directory(root_ / "Back"));
  fs::remove_all(other);
}

TEST_F(SettingsStoreTest, FailuresGiveTheSystemStatus) {
  const SettingsKey key = Open(kCurrentUserKey, "Settings");
  std::ofstream(root_ / "Settings/Blocked") << "not a key";
  SettingsKey blocked = 7;
  EXPECT_EQ(store_.CreateKey(key, "Blocked", &blocked), ENOTDIR);
  EXPECT_EQ(blocked, 0);

  long status = 0;
  Query(key, "Missing", &status);
  EXPECT_EQ(status, kSettingsNotFound);

  fs::create_directory(root_ / "Settings/Folder.value");
  Query(key, "Folder", &status);
  EXPECT_EQ(status, EISDIR);
  EXPECT_EQ(store_.SetValue(key, "Folder", "x", 1), EISDIR);

  // A value that does not fit is refused whole: the buffer keeps its old bytes.
  ASSERT_EQ(store_.SetValue(key, "Long", "0123456789", 10), 0);
  EXPECT_EQ(Query(key, "Long", &status, 9), "#########");
  EXPECT_EQ(status, EOVERFLOW);
  EXPECT_EQ(Query(key, "Long", &status, 10), "0123456789");
  EXPECT_EQ(store_.ErrorText(EOVERFLOW), std::strerror(EOVERFLOW));

  ASSERT_EQ(store_.CloseKey(key), 0);
  for (SettingsKey invalid : {SettingsKey{0}, key, SettingsKey{999}}) {
    SettingsKey child = 0;
    EXPECT_EQ(store_.CreateKey(invalid, "x", &child), EBADF);
    EXPECT_EQ(store_.SetValue(invalid, "x", "x", 1), EBADF);
    Query(invalid, "x", &status);
    EXPECT_EQ(status, EBADF);
    EXPECT_EQ(store_.CloseKey(invalid), EBADF);
  }
  // Failed writes leave no temporary files behind.
  for (const auto& entry : fs::directory_iterator(root_ / "Settings")) {
    EXPECT_NE(entry.path().filename().string().rfind(".tmp-", 0), 0u) << entry.path();
  }
}

TEST_F(SettingsStoreTest, ReadersNeverSeeATornValue) {
  const SettingsKey key = Open(kCurrentUserKey, "Settings");
  const std::string first(200000, 'a');
  std::string second(200000, 'b');
  second.back() = 'z';  // a short read of the second value cannot pass for it
  ASSERT_EQ(store_.SetValue(key, "Shared", first.data(), first.size()), 0);

  std::atomic<int> writersLeft{4};
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&, w] {
      for (int i = 0; i < 25; ++i) {
        const std::string& value = (i + w) % 2 == 0 ? first : second;
        EXPECT_EQ(store_.SetValue(key, "Shared", value.data(), value.size()), 0);
      }
      --writersLeft;
    });
  }
  int reads = 0;
  int badReads = 0;
  do {
    long status = 0;
    const std::string seen = Query(key, "Shared", &status, first.size());
    if (status != 0 || (seen != first && seen != second)) ++badReads;
    ++reads;
  } while (writersLeft > 0);
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(badReads, 0) << "of " << reads << " reads";
  EXPECT_EQ(std::distance(fs::directory_iterator(root_ / "Settings"), {}), 1);
}

}  // namespace
}  // namespace viru4deduz
