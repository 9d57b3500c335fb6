// GetLoads as a host calls it: the built shared module loaded with dlopen, its entry point found
// by its decorated name, files on disk made by the project's writer, and the user interface
// replaced through the module's hook.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

using GetLoadsTest = HostTest;

TEST_F(GetLoadsTest, EmptyPathOpensTheDialogAndCancelEndsSilently) {
  Request r("");
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(ui_.fileDialogs.size(), 1u);
  EXPECT_EQ(ui_.fileDialogs[0].filter, "Piping (*.X4)|*.X4|Piping (pre-5.0, *._P)|*._P||");
  EXPECT_EQ(ui_.fileDialogs[0].flags, 0x22180Cul);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, MissingJobOpensTheDialogAndLeavesTheOutputFormInTheHostBuffer) {
  const std::string given = dir_ / "pipe1.x4";
  Request r(given);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ui_.fileDialogs.size(), 1u);
  EXPECT_STREQ(r.jobPath, (dir_ / "pipe1._p").c_str());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, MissingOrUnreadableOutputSaysNoOutputAvailable) {
  WriteFile(dir_ / "chosen.x4", "job");  // a job whose analysis never ran
  WriteFile(dir_ / "v1110._p", writer::WriteControlRecord(1110));
  WriteFile(dir_ / "v1210._p", writer::WriteControlRecord(1210));
  WriteFile(dir_ / "v1500._p", writer::WriteControlRecord(1500));
  WriteFile(dir_ / "empty._p", "");
  ui_.fileAnswers.push_back(dir_ / "chosen.x4");
  for (const char* job : {"nosuch.x4", "v1110.x4", "v1210.x4", "v1500.x4", "empty.x4"}) {
    SCOPED_TRACE(job);
    ui_.messages.clear();
    Request r(dir_ / job);
    r.Run(module_.getLoads);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "No output available for this TALVOR job.");
    EXPECT_EQ(ui_.messages[0].type & 0xF0u, 0x10u);
  }
}

TEST_F(GetLoadsTest, LowerCasePathIsFoundAndComesBackUpperCase) {
  const std::string jobPath = AddJob("pipe1", SmallJob());
  Request r(jobPath, 1, 10);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0) << (ui_.messages.empty() ? "" : ui_.messages[0].text);
  EXPECT_STREQ(r.jobPath, Upper(dir_ / "pipe1._p").c_str());
  // Node 10 carries two entries: 1.25 + 1.0 = 2.25 -> 2, -2 - 0.75 -> -3, 3.5 -> 4 (halves away
  // from zero), 4, -0.5 -> -1, 106.
  const float expected[6] = {2, -3, 4, 4, -1, 106};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.res[k][0], expected[k]) << "component " << k + 1;
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, DisplacementsOfTwoNodesOneOfThemMissing) {
  const std::string jobPath = AddJob("pipe2", SmallJob(1451));  // packed reals
  Request r(jobPath, 2, 99, 30);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.res[k][0], 0.0f);
  EXPECT_NEAR(r.res[0][1], -1.0f, 1e-4);
  EXPECT_NEAR(r.res[3][1], 0.5f * 57.29578f, 1e-3);
}

TEST_F(GetLoadsTest, FirstRequestStoresTheDefaultWorkAreaSize) {
  const std::string jobPath = AddJob("pipe3", SmallJob());
  Request r(jobPath, 1, 30);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(SettingsDir() + "/XMS Memory Allocated.value"), "12000000");
  EXPECT_TRUE(std::filesystem::is_directory(SettingsDir() + "/XMS Memory Allocated"));
}

TEST_F(GetLoadsTest, WorkAreaSizeSettingDecidesWhetherTheJobFits) {
  const std::string jobPath = AddJob("pipe4", SmallJob());
  SetWorkAreaSize("8000000abc");
  Request fits(jobPath, 1, 30);
  fits.Run(module_.getLoads);
  EXPECT_EQ(fits.status, 0);

  SetWorkAreaSize("7");  // one word: no job with a node fits
  Request tooSmall(jobPath, 1, 30);
  tooSmall.Run(module_.getLoads);
  EXPECT_EQ(tooSmall.status, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "No restraint found with this node number.");
  EXPECT_EQ(ui_.messages[0].type & 0xF0u, 0x10u);
}

TEST_F(GetLoadsTest, UnreadableAndUnwritableSettingsAreReportedWithTheirCause) {
  // A file in the way of the Settings key, of the settings root (XDG_CONFIG_HOME), or of the home
  // directory's: the key cannot be opened, so the value can be neither read nor stored; the
  // request still runs with the default size. Files stop root as well as anyone.
  const std::string jobPath = AddJob("pipe5", SmallJob());
  std::filesystem::create_directories(dir_ / "config/VirU4Deduz/Software/Ostrel/TALVOR/5.30");
  WriteFile(SettingsDir(), "not a key");
  WriteFile(dir_ / "file", "not a directory");
  const std::optional<std::string> file = dir_ / "file", unset, config = dir_ / "config";
  for (const auto& [configHome, home] : {std::pair{config, unset}, {file, unset}, {unset, file}}) {
    ScopedEnvVar configVar("XDG_CONFIG_HOME", configHome), homeVar("HOME", home);
    ui_.messages.clear();
    Request r(jobPath, 1, 30);
    r.Run(module_.getLoads);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].caption, "Registry Error");
    EXPECT_EQ(ui_.messages[0].text, std::strerror(ENOTDIR));  // the cause, not the unopened key's
    EXPECT_EQ(ui_.messages[0].type, 0x40u);
    EXPECT_EQ(ui_.messages[1].text, "Unable to update registry");
    EXPECT_EQ(ui_.messages[1].type, 0x30u);
  }
}

TEST_F(GetLoadsTest, NodeWithoutRestraintIsStatusTwo) {
  const std::string jobPath = AddJob("pipe6", SmallJob());
  Request r(jobPath, 1, 20);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "No restraint found with this node number.");
}

TEST_F(GetLoadsTest, TruncatedResultsLeaveTheChainFileOnlyAsAPlainFileOfTheCurrentDirectory) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1530));
  bytes.resize(bytes.size() - 256);  // the last record of the results block is gone
  WriteFile(dir_ / "cut._p", bytes);
  const std::string chain = dir_ / "x4chain.", target = dir_ / "elsewhere";
  int reader = -1;  // a FIFO's reader, so that the open for writing does not fail at once
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string text;  // the creation message's; empty: the chain file is written
  } cases[] = {
      {"a link to a file elsewhere", [&] { std::filesystem::create_symlink(target, chain); }, std::strerror(ELOOP)},
      {"a dangling link", [&] { std::filesystem::create_symlink(dir_ / "absent", chain); }, std::strerror(ELOOP)},
      {"a hard link", [&] { std::filesystem::create_hard_link(target, chain); }, "more than one name"},
      {"a FIFO", [&] { mkfifo(chain.c_str(), 0600); }, std::strerror(ENXIO)},
      {"a FIFO with a reader", [&] { mkfifo(chain.c_str(), 0600), reader = open(chain.c_str(), O_RDONLY | O_NONBLOCK); },
       "Not a regular file"},
      {"a user text with a separator",  // the Settings key is there since the first request
       [&] { std::filesystem::create_directory(chain + "sub"), WriteFile(SettingsDir() + "/VESKO_USER.value", "sub/x"); },
       "\"x4chain.sub/x\" holds a path separator"},
      {"an older chain file", [&] { WriteFile(chain, "an older and longer line\n"); }, ""},
  };
  struct Disarm {
    ~Disarm() { alarm(0); }
  } disarm;
  alarm(60);  // a FIFO that blocks the request ends the run instead of hanging it
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& made : {chain, chain + "sub", dir_ / "absent", SettingsDir() + "/VESKO_USER.value"}) {
      std::filesystem::remove_all(made);
    }
    WriteFile(target, "keep");
    c.make();
    ui_.messages.clear();
    Request r(dir_ / "cut.x4", 1, 10);
    r.Run(module_.getLoads);
    if (reader >= 0) close(reader), reader = -1;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(target), "keep");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "absent"));
    EXPECT_FALSE(std::filesystem::exists(chain + "sub/x"));
    if (c.text.empty()) {
      EXPECT_EQ(ReadFile(chain), "D4ODUDO.EXE 409\n");
      continue;
    }
    ASSERT_FALSE(ui_.messages.empty());
    EXPECT_EQ(ui_.messages[0].caption, "STOPQ2 chain file creation. #409");
    EXPECT_NE(ui_.messages[0].text.find(c.text), std::string::npos) << ui_.messages[0].text;
    EXPECT_EQ(ui_.messages[0].type, 0x10010u);
  }
}

TEST_F(GetLoadsTest, UnitFactorsChangeNoReturnedValue) {
  const std::string jobPath = AddJob("pipe7", SmallJob());
  Request before(jobPath, 1, 10);
  before.Run(module_.getLoads);
  GetLoadsTransferUnits units;
  for (int kind = -1; kind <= 22; ++kind) {
    units.TransferUnit(static_cast<UnitTransfer::TalvorUnits>(kind), 1000.0f, "kN");
  }
  Request after(jobPath, 1, 10);
  after.Run(module_.getLoads);
  EXPECT_EQ(std::memcmp(before.res, after.res, sizeof before.res), 0);
}

// The job's output file as the host named it: of two files whose names differ only in case, the
// one the given spelling names is read, although the path comes back upper-cased; a name that
// exists only in other cases is matched, the first candidate in byte order.
TEST_F(GetLoadsTest, TheFileReadIsTheOneTheHostNamedNotItsUpperCaseTwin) {
  writer::OutputJob other = SmallJob();
  for (auto& group : other.loads[0]) group[0] += 100.0f;
  std::filesystem::create_directories(dir_ / "jobs");
  std::filesystem::create_directories(dir_ / "JOBS");
  WriteFile(dir_ / "jobs/pipe1._p", writer::WriteOutputFile(SmallJob()));
  WriteFile(dir_ / "JOBS/PIPE1._P", writer::WriteOutputFile(other));
  WriteFile(dir_ / "jobs/Pipe3._P", writer::WriteOutputFile(SmallJob()));
  WriteFile(dir_ / "jobs/PIPE3._p", writer::WriteOutputFile(other));
  const struct {
    std::string given;
    float first;  // component 1 at node 10: 2 in the one job, 202 in the other
  } rows[] = {{"jobs/pipe1.x4", 2}, {"JOBS/PIPE1.X4", 202}, {"jobs/pipe3.x4", 202}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.given);
    Request r(dir_ / row.given, 1, 10);
    r.Run(module_.getLoads);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.res[0][0], row.first);
    EXPECT_STREQ(r.jobPath, Upper(dir_ / row.given.substr(0, row.given.size() - 3) + "._P").c_str());
  }
}

// Several host threads over two jobs: every answer is its own job's. The module lets one request
// run at a time; without that its tables are shared between the requests.
TEST_F(GetLoadsTest, RequestsFromSeveralThreadsAreServedOneAtATime) {
  writer::OutputJob other = SmallJob(1451);
  for (auto& group : other.loads[0]) group[1] -= 50.0f;
  const std::string jobs[2] = {AddJob("one", SmallJob()), AddJob("two", other)};
  Request expected[2] = {Request(jobs[0], 1, 10), Request(jobs[1], 1, 10)};
  for (Request& r : expected) r.Run(module_.getLoads);
  ASSERT_EQ(expected[0].status, 0);
  ASSERT_EQ(expected[1].status, 0);
  ASSERT_NE(expected[0].res[1][0], expected[1].res[1][0]);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 30; ++i) {
        const int job = (t + i) % 2;
        Request r(jobs[job], 1, 10);
        r.Run(module_.getLoads);
        if (r.status != 0 || std::memcmp(r.res, expected[job].res, sizeof r.res) != 0) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

// A host whose selection dialog calls the module again: the inner request cannot wait for the
// outer one, so it ends at once with status 1; a user interface installed from there takes over
// when the outer request ends. Nothing deadlocks.
TEST_F(GetLoadsTest, CallsFromInsideTheModulesOwnDialogGetADefinedAnswer) {
  const std::string jobPath = AddJob("pipe7", SmallJob());
  struct CallingBackUi : ScriptedUserInterface {
    LoadedModule* module = nullptr;
    UserInterface* next = nullptr;
    std::string jobPath;
    int innerStatus = -7;
    int RunListDialog(const char* title, const char* const* entries, int count,
                      ListDialogHandler& handler) override {
      Request inner(jobPath, 1, 10);
      inner.Run(module->getLoads);
      innerStatus = inner.status;
      module->setUserInterface(next);
      return ScriptedUserInterface::RunListDialog(title, entries, count, handler);
    }
  };
  ScriptedUserInterface later;
  CallingBackUi ui;
  ui.module = &module_;
  ui.next = &later;
  ui.jobPath = jobPath;
  ui.listActions = {ScriptedUserInterface::Ok(0)};
  module_.setUserInterface(&ui);
  Request outer(jobPath, 1, 10, 0, 0);
  outer.Run(module_.getLoads);
  EXPECT_EQ(ui.innerStatus, 1);
  EXPECT_EQ(outer.status, 0);
  EXPECT_EQ(outer.loadCase, 1);
  EXPECT_TRUE(ui.messages.empty());

  Request next(jobPath, 1, 10, 0, 0);  // the later interface's dialog: cancelled
  next.Run(module_.getLoads);
  EXPECT_EQ(next.status, 1);
  EXPECT_EQ(later.listDialogs.size(), 1u);
}

}  // namespace
}  // namespace viru4deduz::testing
