// GetLoads as a host calls it: the built module loaded with dlopen, its entry point found by its
// decorated name, files on disk made by the project's writer, and the user interface replaced
// through the module's hook. What only scripted layers show (the archive calls) over them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kNoOutput[] = "No output available for this TALVOR job.";

using GetLoadsTest = HostTest;

// The job is the host's path with the extension "._p" when that file exists, else the user's
// pick in the open-file dialog (a cancel ends silently, the host's buffer keeping the "._p"
// form); a path ending in Q names the "._Q" output. Of names differing only in case, the host's
// spelling is read (else the first in byte order), and the path comes back upper-cased. Node 10
// carries two entries: 1.25 + 1.0 = 2.25 -> 2, -2 - 0.75 -> -3, 3.5 -> 4 (halves away from
// zero), 4, -0.5 -> -1, 106; node 20 none. A work area of one word fits no job.
TEST_F(GetLoadsTest, PathsDialogsAndAnswers) {
  Request empty(""), missing(dir_ / "pipe1.x4");
  empty.Run(module_.getLoads);
  missing.Run(module_.getLoads);
  EXPECT_EQ(std::tuple(empty.status, missing.status, ui_.fileDialogs.size(), ui_.messages.size()), std::tuple(1, 1, 2u, 0u));
  EXPECT_EQ(std::tuple(ui_.fileDialogs[0].filter, ui_.fileDialogs[0].flags),
            std::tuple("Piping (*.X4)|*.X4|Piping (pre-5.0, *._P)|*._P||", 0x22180Cul));
  EXPECT_STREQ(missing.jobPath, (dir_ / "pipe1._p").c_str());
  WriteFile(dir_ / "pipe2._q", writer::WriteOutputFile(SmallJob()));
  ui_.fileAnswers = {dir_ / "pipe2._q"};
  Request q(dir_ / "nosuch.x4", 1, 10);
  q.Run(module_.getLoads);
  EXPECT_EQ(q.status, 0);
  EXPECT_STREQ(q.jobPath, Upper(dir_ / "pipe2._q").c_str());

  writer::OutputJob other = SmallJob();
  for (auto& group : other.loads[0]) group[0] += 100.0f;
  std::filesystem::create_directories(dir_ / "jobs");
  std::filesystem::create_directories(dir_ / "JOBS");
  const std::string jobPath = AddJob("jobs/pipe1", SmallJob());
  WriteFile(dir_ / "JOBS/PIPE1._P", writer::WriteOutputFile(other));
  WriteFile(dir_ / "jobs/Pipe3._P", writer::WriteOutputFile(SmallJob()));
  WriteFile(dir_ / "jobs/PIPE3._p", writer::WriteOutputFile(other));  // first in byte order
  Request loads(jobPath, 1, 10), twin(dir_ / "JOBS/PIPE1.X4", 1, 10), byteOrder(dir_ / "jobs/pipe3.x4", 1, 10), free(jobPath, 1, 20);
  for (Request* r : {&loads, &twin, &byteOrder, &free}) r->Run(module_.getLoads);
  ASSERT_EQ(loads.status, 0);
  EXPECT_STREQ(loads.jobPath, Upper(dir_ / "jobs/pipe1._p").c_str());
  const float expected[6] = {2, -3, 4, 4, -1, 106};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(loads.res[k][0], expected[k]) << "component " << k + 1;
  EXPECT_EQ(std::tuple(twin.res[0][0], byteOrder.res[0][0]), std::tuple(202.0f, 202.0f));
  EXPECT_EQ(free.status, 2);
  EXPECT_EQ(std::string(free.caseLabel, 150), std::string(loads.caseLabel, 150));
  SetWorkAreaSize("7");
  Request tooSmall(jobPath, 1, 10);
  tooSmall.Run(module_.getLoads);
  EXPECT_EQ(tooSmall.status, 2);
  ASSERT_EQ(ui_.messages.size(), 2u);
  for (const auto& m : ui_.messages) {
    EXPECT_EQ(std::tuple(m.text, m.caption, m.type),
              std::tuple("No restraint found with this node number.", "VirU4Deduz", 0x10u));
  }
}

// The archive layer is asked to expand the host's path and the local copy, and to pack the copy
// with its extension blanked.
TEST(GetLoadsScriptedTest, ArchiveSeesTheHostPathTheLocalCopyAndTheBlankedPath) {
  ScriptedModule m;
  m.AddFile("/JOBS/PIPE1._P", writer::WriteOutputFile(SmallJob()));
  Request r("/jobs/pipe1.x4", 1, 10);
  r.RunOn(m.module);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(m.archive.calls, (std::vector<std::pair<char, std::string>>{
                                 {'E', "/jobs/pipe1.x4"}, {'E', "/JOBS/PIPE1._P"}, {'P', "/JOBS/PIPE1   "}}));
}

// After a read error the chain file is written only as a plain file of the current directory,
// replacing an older one; anything else is refused with a box that names the stop code.
TEST_F(GetLoadsTest, TheChainFileIsOnlyEverAPlainFileOfTheCurrentDirectory) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1530));
  bytes.resize(bytes.size() - 256);  // the last record of the results block is gone
  WriteFile(dir_ / "cut._p", bytes);
  const std::string chain = dir_ / "x4chain.", target = dir_ / "elsewhere";
  int reader = -1;  // a FIFO's reader, so that the open for writing does not fail at once
  const std::tuple<const char*, std::function<void()>, std::string> cases[] = {  // the refusal's text
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
  for (const auto& [what, make, refusal] : cases) {
    SCOPED_TRACE(what);
    for (const std::string& made : {chain, chain + "sub", SettingsDir() + "/VESKO_USER.value"}) std::filesystem::remove_all(made);
    WriteFile(target, "keep");
    make();
    ui_.messages.clear();
    Request r(dir_ / "cut.x4", 1, 10);
    r.Run(module_.getLoads);
    if (reader >= 0) close(reader), reader = -1;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(target), "keep");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "absent"));
    ASSERT_EQ(ui_.messages.size(), refusal.empty() ? 1u : 2u);
    EXPECT_EQ(ui_.messages.back().text, kNoOutput);
    if (refusal.empty()) {
      EXPECT_EQ(ReadFile(chain), "D4ODUDO.EXE 409\n");
    } else {
      EXPECT_EQ(std::tuple(ui_.messages[0].caption, ui_.messages[0].type), std::tuple("STOPQ2 chain file creation. #409", 0x10010u));
      EXPECT_NE(ui_.messages[0].text.find(refusal), std::string::npos) << ui_.messages[0].text;
    }
  }
}

// The module keeps the host's unit factors and labels, each label cut to its kind's field and
// blank-padded (kind 7 has none); it never applies them.
TEST_F(GetLoadsTest, UnitFactorsAreKeptAndChangeNoReturnedValue) {
  const std::string jobPath = AddJob("pipe7", SmallJob());
  Request before(jobPath, 1, 10), after(jobPath, 1, 10);
  before.Run(module_.getLoads);
  GetLoadsTransferUnits units;
  for (int kind = -1; kind <= 22; ++kind) units.TransferUnit(static_cast<UnitTransfer::TalvorUnits>(kind), 1000.0f, "kN");
  after.Run(module_.getLoads);
  EXPECT_EQ(std::memcmp(before.res, after.res, sizeof before.res), 0);

  UnitTransferTable table;
  std::memset(table.labels, 'x', sizeof table.labels);
  table.TransferUnit(6, 1.8f, "FAHRENHEIT");
  table.TransferUnit(13, 2.0f, "kilonewton");
  table.TransferUnit(0, 25.4f, "m");
  table.TransferUnit(2, 4.0f, nullptr);
  table.TransferUnit(7, 32.0f, "OFFSET");
  const auto label = [&](int kind, int width) { return std::string(table.labels + UnitTransferTable::LabelOffset(kind), width); };
  EXPECT_EQ((std::vector{label(6, 2), label(13, 7), label(0, 3), label(2, 3)}),  // kind 7's byte is nobody's
            (std::vector<std::string>{"Fx", "kilonew", "m  ", "   "}));
  EXPECT_EQ(std::tuple(table.factors[7], UnitTransferTable::LabelOffset(21) + 3), std::tuple(32.0f, 132));
  const UnitTransferTable kept = table;
  table.TransferUnit(22, 9.0f, "NO");
  table.TransferUnit(-1, 9.0f, "NO");
  EXPECT_EQ(std::memcmp(&kept, &table, sizeof table), 0);
}

// Several host threads over two jobs: every answer is its own job's. The module lets one request
// run at a time; without that its tables are shared between the requests.
TEST_F(GetLoadsTest, RequestsFromSeveralThreadsAreServedOneAtATime) {
  writer::OutputJob other = SmallJob(1451);
  for (auto& group : other.loads[0]) group[1] -= 50.0f;
  const std::string jobs[2] = {AddJob("one", SmallJob()), AddJob("two", other)};
  Request expected[2] = {Request(jobs[0], 1, 10), Request(jobs[1], 1, 10)};
  for (Request& r : expected) r.Run(module_.getLoads);
  ASSERT_NE(expected[0].res[1][0], expected[1].res[1][0]);
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 30; ++i) {
        Request r(jobs[(t + i) % 2], 1, 10);
        r.Run(module_.getLoads);
        wrong += r.status != 0 || std::memcmp(r.res, expected[(t + i) % 2].res, sizeof r.res) != 0;
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
  struct CallingBackUi : ScriptedUserInterface {
    LoadedModule* module = nullptr;
    UserInterface* next = nullptr;
    std::string jobPath;
    int innerStatus = -7;
    int RunListDialog(const char* title, const char* const* entries, int count, ListDialogHandler& handler) override {
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
  ui.jobPath = AddJob("pipe7", SmallJob());
  ui.listActions = {ScriptedUserInterface::Ok(0)};
  module_.setUserInterface(&ui);
  Request outer(ui.jobPath, 1, 10, 0, 0), next(ui.jobPath, 1, 10, 0, 0);
  outer.Run(module_.getLoads);
  EXPECT_EQ(std::tuple(ui.innerStatus, outer.status, outer.loadCase, ui.messages.size()), std::tuple(1, 0, 1, 0u));
  next.Run(module_.getLoads);  // the later interface's dialog: cancelled
  EXPECT_EQ(std::tuple(next.status, later.listDialogs.size()), std::tuple(1, 1u));
}

}  // namespace
}  // namespace viru4deduz::testing
