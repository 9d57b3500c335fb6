// The POSIX platform layers: path extensions, file names, record blocks, the terminal, the settings tree.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/paths.h"
#include "platform/posix_file_system.h"
#include "platform/posix_record_runtime.h"
#include "platform/posix_settings_store.h"
#include "platform/posix_user_interface.h"
#include "testing/memory_file_system.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

namespace fs = std::filesystem;

TEST(PathsTest, TheExtensionIsTheFileNamesLastDotAndIsAddedOnlyWhereItFits) {
  const struct { const char *path, *removed, *added; } rows[] = {
      {"C:\\jobs\\pipe1.x4", "C:\\jobs\\pipe1", "C:\\jobs\\pipe1._p"},
      {"C:\\JOBS\\PIPE.A.X4", "C:\\JOBS\\PIPE.A", "C:\\JOBS\\PIPE.A"},  // still has one
      {"C:\\my.dir\\pipe", "C:\\my.dir\\pipe", "C:\\my.dir\\pipe._p"},
      {"/home/my.dir/pipe.", "/home/my.dir/pipe", "/home/my.dir/pipe._p"},
      {"", "", "._p"},
  };
  for (const auto& row : rows) {
    char buffer[256];
    std::strcpy(buffer, row.path);
    PathRemoveExtensionA(buffer);
    EXPECT_STREQ(buffer, row.removed) << row.path;
    EXPECT_EQ(PathAddExtensionA(buffer, sizeof buffer, "._p"), std::strcmp(row.removed, row.added) != 0);
    EXPECT_STREQ(buffer, row.added) << row.path;
  }
  char buffer[12] = "abcdef";
  buffer[11] = '#';                                     // beyond the capacity handed over
  EXPECT_FALSE(PathAddExtensionA(buffer, 10, ".x4x"));  // 6 + 4 + NUL = 11
  EXPECT_TRUE(PathAddExtensionA(buffer, 10, ".x4"));    // exactly 10, and nothing left before
  EXPECT_STREQ(buffer, "abcdef.x4");
  EXPECT_EQ(buffer[11], '#');
  char unterminated[4] = {'a', 'b', 'c', 'd'};
  EXPECT_FALSE(PathAddExtensionA(unterminated, sizeof unterminated, "."));
}

TEST(PosixFileSystemTest, FindsNamesWhateverTheirCaseAndSeparatorsAndCreatesOnlyTheExactName) {
  TempDir dir;
  const std::string root = dir.path().string();
  PosixFileSystem files;
  fs::create_directories(dir.path() / "Jobs/Deep.Dir");
  WriteFile(dir / "Jobs/Pipe1._p", "abc");
  EXPECT_TRUE(files.Exists(root + "\\JOBS\\pipe1._P"));
  EXPECT_TRUE(files.Exists(root + "//jobs//deep.dir//"));
  fs::create_directories(dir.path() / "a/b");  // a/b hides no name that holds '\', in any case
  fs::create_directory(dir.path() / "a\\b");
  WriteFile(dir / "a\\b/Pipe1._p", "");
  EXPECT_EQ(PosixFileSystem::Resolve(root + "/a\\b"), root + "/a\\b");
  EXPECT_EQ(PosixFileSystem::Resolve(root + "/A\\B/PIPE1._P"), root + "/a\\b/Pipe1._p");
  EXPECT_EQ(PosixFileSystem::Resolve(root + "/A\\B"), root + "/a/b");  // no name is A\B: the Windows rules
  const ScopedCurrentDir cwd(dir.path());  // for a relative name
  EXPECT_TRUE(files.Exists("JOBS\\.\\DEEP.DIR\\..\\PIPE1._P"));
  for (const std::string& absent : {root + "/Jobs/Pipe2._p", root + "/JOBS/PIPE1._P/", std::string(),
                                    std::string("/tmp\0/x", 7), root + "/" + std::string(10000, 'x')}) {
    EXPECT_FALSE(files.Exists(absent)) << absent.substr(0, 80);
  }
  int error = 0;
  EXPECT_EQ(files.OpenForRead(root + "/JOBS", &error), nullptr);  // a directory is not read
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(files.OpenForRead(root + "/JOBS/none", &error), nullptr);
  EXPECT_EQ(error, ENOENT);

  auto out = files.CreateForWrite(root + "\\Jobs\\Out.TXT", &error);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Append("hi", 2), 0);
  EXPECT_EQ(out->Close(), 0);
  EXPECT_EQ(ReadFile(dir / "Jobs/Out.TXT"), "hi");
  EXPECT_EQ(files.CreateForWrite(root + "/JOBS/Out.TXT", &error), nullptr);
  EXPECT_EQ(error, ENOENT);  // created by exact name only: there is no directory JOBS
}

// Record r of these files holds the bytes (131 r + i) mod 256: whole records, then tailBytes of the next.
unsigned char ByteOf(std::int64_t record, int i) { return static_cast<unsigned char>((record * 131 + i) & 0xFF); }
std::string Records(int records, int tailBytes = 0) {
  std::string bytes;
  for (int i = 0; i < records * kRecordLength + tailBytes; ++i) {
    bytes += static_cast<char>(ByteOf(i / kRecordLength + 1, i % kRecordLength));
  }
  return bytes;
}

// Reads the record over a marked buffer: the status, then the first `present` bytes as in the
// file and the rest zero; a failed transfer (present < 0) must leave the buffer untouched.
void ExpectRecord(RecordRuntime& runtime, int unit, std::int64_t record, int status, int present = kRecordLength) {
  std::vector<unsigned char> buffer(kRecordLength, 0xAA);
  ASSERT_EQ(runtime.ReadRecord(unit, record, buffer.data()), status) << "record " << record;
  for (int i = 0; i < kRecordLength; ++i) {
    const int expected = present < 0 ? 0xAA : i < present ? ByteOf(record, i) : 0;
    ASSERT_EQ(buffer[static_cast<std::size_t>(i)], expected) << "record " << record << " byte " << i;
  }
}

// A run of records read in one call comes back as the same records read one by one: the status,
// the number read and the bytes of each.
void ExpectRun(RecordRuntime& runtime, int unit, std::int64_t first, std::int64_t count, int status, std::int64_t done) {
  std::vector<unsigned char> run(static_cast<std::size_t>(count) * kRecordLength, 0xAA), one(kRecordLength);
  std::int64_t read = -1;
  ASSERT_EQ(runtime.ReadRecords(unit, first, count, run.data(), &read), status) << "from " << first;
  ASSERT_EQ(read, done) << "from " << first;
  for (std::int64_t r = 0; r < done; ++r) {
    runtime.ReadRecord(unit, first + r, one.data());
    ASSERT_TRUE(std::equal(one.begin(), one.end(), run.begin() + r * kRecordLength)) << "record " << first + r;
  }
}

TEST(PosixRecordRuntimeTest, EveryKindOfTransferHasItsStatus) {
  constexpr int kBlock = PosixRecordRuntime::kBlockRecords;
  TempDir dir;
  PosixRecordRuntime runtime(*DefaultFileSystem());
  fs::create_directory(dir.path() / "Job");
  WriteFile(dir / "Job/big._p", Records(3 * kBlock, 100));
  runtime.Open(39, dir / "JOB\\BIG._P");  // found whatever its case and separators
  // Every record across the blocks in order, then some again after jumps.
  for (int r = 1; r <= 3 * kBlock; ++r) ExpectRecord(runtime, 39, r, 0);
  for (int r : {kBlock + 1, kBlock, 2 * kBlock + 1, 1, 3 * kBlock}) ExpectRecord(runtime, 39, r, 0);
  ExpectRecord(runtime, 39, 3 * kBlock + 1, kRecordEndOfFile, 100);
  ExpectRun(runtime, 39, (std::int64_t{1} << 56) + 3 * kBlock, 1, kRecordBeyondEnd, 0);  // its offset wraps to a held one
  for (const auto& [first, count] : {std::pair{1, 3 * kBlock}, {kBlock - 5, 17}, {1, 1}, {2, 1}, {3 * kBlock - 2, 3}}) {
    ExpectRun(runtime, 39, first, count, 0, count);
  }
  ExpectRun(runtime, 39, 3 * kBlock, 2, kRecordEndOfFile, 2);  // the last record cut short
  ExpectRun(runtime, 39, 3 * kBlock, 3, kRecordBeyondEnd, 2);
  const std::int64_t beyond[] = {3 * kBlock + 2, 0, -1, INT64_MIN, INT64_MAX, INT64_MAX / 256 + 2};
  for (std::int64_t record : beyond) ExpectRecord(runtime, 39, record, kRecordBeyondEnd, -1);

  WriteFile(dir / "CUT._P", Records(3));
  runtime.Open(39, dir / "CUT._P");                      // reads the new file
  fs::resize_file(dir / "CUT._P", kRecordLength + 100);  // cut after it was opened: read as ended
  ExpectRecord(runtime, 39, 2, kRecordEndOfFile, 100);
  ExpectRecord(runtime, 39, 3, kRecordBeyondEnd, -1);
  ExpectRun(runtime, 39, 1, 3, kRecordBeyondEnd, 2);
  runtime.Open(39, dir / "missing._P");  // a failed open drops what was open
  ExpectRecord(runtime, 39, 1, kRecordUnitNotOpen, -1);
  runtime.Open(40, dir / "CUT._P");
  runtime.Close(40);
  runtime.Close(8);
  ExpectRecord(runtime, 40, 1, kRecordUnitNotOpen, -1);

  MemoryFileSystem failing;  // a file that opens and cannot be read
  failing.AddFile("/J/BAD._P", Records(2));
  failing.failRead["/J/BAD._P"] = EIO;
  PosixRecordRuntime overFailing(failing);
  overFailing.Open(1, "/J/BAD._P");
  ExpectRecord(overFailing, 1, 1, kRecordReadError, -1);
}

// Takes a selection and refuses none, noting every press of OK.
struct Handler : ListDialogHandler {
  bool OnOk(int selectedIndex) override {
    calls.push_back(selectedIndex);
    return selectedIndex >= 0;
  }
  std::vector<int> calls;
};

// Both halves run in a child process of a new session, which has no controlling terminal until it
// opens one; what it writes to standard error is matched whole.
TEST(PosixUserInterfaceTest, MessagesGoToStandardErrorAndQuestionsToTheTerminalIfAny) {
  const char* entries[] = {"CASE 1 (OPE) W+T1+P1", "CASE 2 (SUS) W+P1"};
  auto withoutTerminal = [&entries] {
    setsid();
    UserInterface& ui = *DefaultUserInterface();
    ui.ShowMessage("Read failed\r\non record 7", "Caption", 0x10);
    ui.ShowMessage("No output available", "", 0x10);
    char path[256] = "unchanged";
    Handler handler;
    const bool asked = ui.ChooseFile("Piping (*.X4)|*.X4||", 0x1800, path, sizeof path) ||
                       ui.RunListDialog("Load Case Selection", entries, 2, handler) != kListDialogCancel;
    _exit(asked || !handler.calls.empty() || std::strcmp(path, "unchanged") != 0 ? 1 : 0);
  };
  EXPECT_EXIT(withoutTerminal(), ::testing::ExitedWithCode(0),
              "^Caption: Read failed  on record 7\nNo output available\n$");

  const std::string existing = fs::temp_directory_path().string();
  // The list: "x" and "7" are refused, empty presses OK with none selected (refused), "2" is
  // taken; "q" cancels. The file: a missing one is asked for again; Ctrl-D, the end of input, cancels.
  const std::string input = "x\n\n7\n2\nq\n/no/such/file\n" + existing + "\n\x04";
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const std::string terminal = ptsname(master);
  const int keep = open(terminal.c_str(), O_RDWR | O_NOCTTY);  // keeps the queued input alive
  ASSERT_EQ(write(master, input.data(), input.size()), std::ssize(input));
  auto onTerminal = [&] {
    setsid();
    alarm(60);  // a dialog that waits for input it will never get must not hang the tests
    if (open(terminal.c_str(), O_RDWR) < 0) _exit(2);  // the controlling terminal from now on
    UserInterface& ui = *DefaultUserInterface();
    Handler handler;
    char path[256] = "";
    _exit(ui.RunListDialog("Load Case Selection", entries, 2, handler) == kListDialogOk &&
                  handler.calls == std::vector<int>{-1, 1} &&
                  ui.RunListDialog("Load Case Selection", entries, 2, handler) == kListDialogCancel &&
                  ui.ChooseFile("Piping (*.X4)|*.X4||", 0x1800, path, sizeof path) && existing == path &&
                  !ui.ChooseFile("Piping (*.X4)|*.X4||", 0x1800, path, sizeof path)
              ? 0
              : 1);
  };
  EXPECT_EXIT(onTerminal(), ::testing::ExitedWithCode(0), "^$");
  for (int fd : {keep, master}) close(fd);
}

// The store under a private config home, with the key "Settings" open.
class PosixSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_.CreateKey(kCurrentUserKey, "Settings", &key_), 0); }
  // The query's status; *bytes gets the value, or the whole buffer as a failed query left it.
  long Query(SettingsKey key, const std::string& name, std::string* bytes = nullptr, std::size_t room = 260) {
    std::string buffer(room, '#');
    const long status = store_.QueryValue(key, name, buffer.data(), &room);
    if (bytes != nullptr) *bytes = buffer.substr(0, room);
    return status;
  }

  TempDir home_;
  ScopedEnvVar configHome_{"XDG_CONFIG_HOME", home_.path().string()};
  const fs::path root_ = home_.path() / "VirU4Deduz", settings_ = root_ / "Settings";
  PosixSettingsStore store_;
  SettingsKey key_ = 0;
};

TEST_F(PosixSettingsStoreTest, KeysAreDirectoriesAndValuesFilesAndWhatCannotServeIsRefused) {
  const struct { std::string name, valueFile, keyDirectory; } rows[] = {
      {"a.value", "a.value.value", "a%2Evalue"},
      {"x/y%", "x%2Fy%25.value", "x%2Fy%25"},
      {".", "..value", "%2E"},
      {"..", "...value", "%2E%2E"},
  };
  std::string bytes;
  for (const auto& row : rows) {
    SettingsKey subkey = 0;
    ASSERT_EQ(store_.CreateKey(key_, row.name, &subkey), 0) << row.name;
    ASSERT_EQ(store_.SetValue(key_, row.name, row.name.data(), row.name.size()), 0) << row.name;
    EXPECT_TRUE(fs::is_directory(settings_ / row.keyDirectory)) << row.name;
    EXPECT_EQ(ReadFile(settings_ / row.valueFile), row.name);
    EXPECT_EQ(Query(key_, row.name, &bytes, row.name.size()), 0);  // a buffer it just fills
    EXPECT_EQ(bytes, row.name);
  }
  EXPECT_EQ(Query(key_, "x/y%", &bytes, 3), EOVERFLOW);
  EXPECT_EQ(bytes, "###");  // refused whole, the buffer untouched
  EXPECT_EQ(Query(key_, "Missing"), kSettingsNotFound);
  fs::create_directory(settings_ / "Dir.value");  // a directory in a value's place
  EXPECT_EQ(Query(key_, "Dir"), EISDIR);
  EXPECT_EQ(store_.SetValue(key_, "Dir", "x", 1), EISDIR);
  WriteFile(settings_ / "File", "");  // a file in a key's place
  SettingsKey child = 0;
  EXPECT_EQ(store_.CreateKey(key_, "File", &child), ENOTDIR);
  ASSERT_EQ(store_.CloseKey(key_), 0);
  for (SettingsKey invalid : {SettingsKey{0}, key_, SettingsKey{999}}) {
    child = 7;
    EXPECT_EQ(store_.CreateKey(invalid, "x", &child), EBADF);
    EXPECT_EQ(child, 0);
    EXPECT_EQ(store_.SetValue(invalid, "x", "x", 1), EBADF);
    EXPECT_EQ(Query(invalid, "x"), EBADF);
    EXPECT_EQ(store_.CloseKey(invalid), EBADF);
  }
}

TEST_F(PosixSettingsStoreTest, RootFollowsTheEnvironmentAtEveryOpen) {
  const TempDir other;
  SettingsKey key = 0;
  {
    ScopedEnvVar relativeConfigHome("XDG_CONFIG_HOME", "relative/is/ignored"), home("HOME", other.path().string());
    EXPECT_EQ(store_.CreateKey(kCurrentUserKey, "Fallback", &key), 0);
  }
  EXPECT_TRUE(fs::is_directory(other.path() / ".config/VirU4Deduz/Fallback"));
  ScopedEnvVar noHome("HOME", std::nullopt);  // needed only without a config home
  EXPECT_EQ(store_.CreateKey(kCurrentUserKey, "Back", &key), 0);
  EXPECT_TRUE(fs::is_directory(root_ / "Back"));

  if (geteuid() != 0) GTEST_SKIP() << "needs root to become a user without a home";
  // A user with no password entry and no usable XDG_CONFIG_HOME or HOME: the store has no root.
  const struct { const char *configHome, *home; } environments[] = {{nullptr, ""}, {"relative/config", nullptr}};
  for (const auto& env : environments) {  // nullptr: unset
    auto child = [&] {
      env.configHome ? setenv("XDG_CONFIG_HOME", env.configHome, 1) : unsetenv("XDG_CONFIG_HOME");
      env.home ? setenv("HOME", env.home, 1) : unsetenv("HOME");
      key = 7;
      const bool noRoot = setuid(4000123) == 0 && store_.CreateKey(kCurrentUserKey, "x", &key) == ENOENT;
      _exit(noRoot && key == 0 ? 0 : 1);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "") << (env.home ? "empty HOME" : "no HOME");
  }
}

TEST_F(PosixSettingsStoreTest, TwoWritersReplacingOneValueNeverShowAReaderATornOne) {
  // Each value ends in a byte of its own, so that a prefix of one cannot pass for it.
  const std::string values[] = {std::string(300000, 'a') + 'k', std::string(300000, 'b') + 'l'};
  ASSERT_EQ(store_.SetValue(key_, "Shared", values[0].data(), values[0].size()), 0);
  std::atomic<int> running = 2;
  auto keepReplacing = [&running](const std::string& value) {
    PosixSettingsStore own;  // a store of its own opens the key afresh
    SettingsKey key = 0;
    bool ok = own.CreateKey(kCurrentUserKey, "Settings", &key) == 0;
    for (int i = 0; ok && i < 40; ++i) ok = own.SetValue(key, "Shared", value.data(), value.size()) == 0;
    EXPECT_TRUE(ok);
    --running;
  };
  std::thread first(keepReplacing, std::cref(values[0])), second(keepReplacing, std::cref(values[1]));
  int reads = 0, torn = 0;
  for (std::string value; running > 0; ++reads) {
    if (Query(key_, "Shared", &value, values[0].size()) != 0 || (value != values[0] && value != values[1])) ++torn;
  }
  for (std::thread* writer : {&first, &second}) writer->join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  // Only the value is left: no temporary file of either writer survives.
  EXPECT_EQ(std::distance(fs::directory_iterator(settings_), {}), 1);
}

}  // namespace
}  // namespace viru4deduz::testing
