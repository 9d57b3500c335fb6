// GetLoads as a host calls it: the built module loaded with dlopen, its entry point found by its
// decorated name, files on disk made by the project's writer, and the user interface replaced
// through the module's hook. What only scripted layers show (the archive calls) over them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
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

// Whether any descriptor of this process has the file open.
bool OpenInThisProcess(const std::string& path) {
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::equivalent(fd.path(), path, error)) return true;
  }
  return false;
}

// A host callback that throws (the host's own exception, or std::bad_alloc from a message box)
// passes back to the host unchanged, and leaves the module as a fresh request expects it: the
// output file closed, the next request on this thread and on another answered, a user interface
// installed from this thread in effect at once.
TEST_F(GetLoadsTest, ARequestThatThrowsLeavesTheModuleReadyForTheNext) {
  struct ThrowingUi : ScriptedUserInterface {
    int RunListDialog(const char*, const char* const*, int, ListDialogHandler&) override {
      throw std::runtime_error("the host's dialog failed");
    }
    int ShowMessage(const char*, const char*, unsigned) override { throw std::bad_alloc(); }
  } throwing;
  const std::string jobPath = AddJob("pipe7", SmallJob());
  Request expected(jobPath, 1, 10);
  expected.Run(module_.getLoads);
  ASSERT_EQ(expected.status, 0);
  module_.setUserInterface(&throwing);
  Request chooses(jobPath, 1, 10, 0, 0), noRestraint(jobPath, 1, 20);
  EXPECT_THROW(chooses.Run(module_.getLoads), std::runtime_error);
  EXPECT_FALSE(OpenInThisProcess(dir_ / "pipe7._p"));
  EXPECT_THROW(noRestraint.Run(module_.getLoads), std::bad_alloc);
  module_.setUserInterface(&ui_);
  ui_.listActions = {ScriptedUserInterface::Ok(0)};
  Request again(jobPath, 1, 10, 0, 0), fromAnotherThread(jobPath, 1, 10);
  again.Run(module_.getLoads);
  std::thread([&] { fromAnotherThread.Run(module_.getLoads); }).join();
  EXPECT_EQ(std::tuple(again.status, ui_.listDialogs.size(), fromAnotherThread.status), std::tuple(0, 1u, 0));
  for (const Request* r : {&again, &fromAnotherThread}) EXPECT_EQ(std::memcmp(r->res, expected.res, sizeof r->res), 0);
}

// The work area is allocated before anything of the job is read: a size the machine cannot give
// ends the request with std::bad_alloc before the case is asked for and before any record is
// read, and the next request answers. Run in a child whose address space is limited (the
// sanitizers' shadow memory cannot live under such a limit).
TEST(GetLoadsScriptedTest, AWorkAreaTheMachineCannotGiveFailsBeforeAnythingIsRead) {
  if (kAddressSanitizer) GTEST_SKIP() << "an address space limit leaves no room for the shadow memory";
  const pid_t child = fork();
  if (child == 0) {
    ScriptedModule m;
    m.AddFile("/J/PIPE1._P", writer::WriteOutputFile(RichJob(1531)));
    m.settings.PutValue("Software\\Ostrel\\TALVOR\\5.30\\Settings", "XMS Memory Allocated", "2000000000");
    const rlimit limit{1u << 30, 1u << 30};  // far below the 2 GB asked for
    setrlimit(RLIMIT_AS, &limit);
    Request big("/J/PIPE1.X4", 1, 20, 0, 0), next("/J/PIPE1.X4", 1, 20, 0, 3);
    bool threw = false;
    try {
      big.RunOn(m.module);
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    const bool nothingRead = m.records.transfers.empty() && m.ui.listDialogs.empty() && m.archive.calls.size() == 1;
    m.settings.PutValue("Software\\Ostrel\\TALVOR\\5.30\\Settings", "XMS Memory Allocated", "65536");
    next.RunOn(m.module);
    _exit(threw && nothingRead && next.status == 0 ? 0 : 1);
  }
  int wstatus = -1;
  waitpid(child, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << wstatus;
}

// A file cut while the user chooses the case (say, by an analysis run again) is read as it now
// stands: the request ends as one made on the cut file from the start, not with an answer taken
// from the records that are left.
TEST_F(GetLoadsTest, AFileCutDuringTheRequestIsReadAsItNowStands) {
  struct CuttingUi : ScriptedUserInterface {
    std::string file;
    int RunListDialog(const char* title, const char* const* entries, int count, ListDialogHandler& handler) override {
      std::filesystem::resize_file(file, std::filesystem::file_size(file) - 256);
      return ScriptedUserInterface::RunListDialog(title, entries, count, handler);
    }
  } cutting;
  const std::string jobPath = AddJob("pipe7", RichJob(1531));
  cutting.file = dir_ / "pipe7._p";
  cutting.listActions = {ScriptedUserInterface::Ok(0)};
  module_.setUserInterface(&cutting);
  Request during(jobPath, 1, 20, 0, 0), after(jobPath, 1, 20, 0, 1);
  during.Run(module_.getLoads);
  const std::string chainDuring = ReadFile(dir_ / "x4chain.");
  after.Run(module_.getLoads);
  EXPECT_EQ(std::tuple(during.status, during.loadCase, chainDuring), std::tuple(1, 1, "D4ODUDO.EXE 409\n"));
  EXPECT_EQ(std::tuple(after.status, std::vector<std::string>{cutting.messages[0].text, cutting.messages[1].text}),
            std::tuple(1, std::vector<std::string>{kNoOutput, kNoOutput}));
}

// The driver's last steps: a mode that assembles nothing takes no slice, so a case past the stored
// ones answers (status 0, nothing written but zeros) where loads find no output; a results read
// that fails is still followed by the count of stored cases, whose stop (194 for a case past
// 1000) is the last one the chain file keeps. A host without a job path buffer picks the job; one
// without a status, mode, node or case makes no request.
TEST_F(GetLoadsTest, TheFullReadsLastStepsEndAsTheDriverSays) {
  writer::OutputJob twoStored = RichJob(1531);
  twoStored.itemOverrides = {{9, 2}};  // case 3 has no stored slice
  const std::string stored = AddJob("two", twoStored);
  Request other(stored, 3, 20, 0, 3), loads(stored, 1, 20, 0, 3);
  other.Run(module_.getLoads);
  loads.Run(module_.getLoads);
  EXPECT_EQ(std::tuple(other.status, loads.status), std::tuple(0, 1));

  std::string cut = writer::WriteOutputFile(RichJob(1531));
  cut.resize(cut.size() - 256);
  WriteFile(dir_ / "cut._p", cut);
  Request past1000(dir_ / "cut.x4", 1, 20, 0, 1001);
  past1000.Run(module_.getLoads);
  EXPECT_EQ(std::tuple(past1000.status, ReadFile(dir_ / "x4chain.")), std::tuple(1, "D4ODUDO.EXE 194\n"));

  ui_.fileAnswers = {dir_ / "two._p"};
  int node[2] = {20, 0}, status = -7, mode = 1, loadCase = 1;
  float res[6][2] = {};
  char label[151] = {};
  module_.getLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &mode, nullptr, &loadCase, label);
  EXPECT_EQ(std::tuple(status, res[0][0] != 0.0f), std::tuple(0, true));
  module_.getLoads(nullptr, res[0], res[1], res[2], res[3], res[4], res[5], &status, &mode, nullptr, &loadCase, label);
  module_.getLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], nullptr, &mode, nullptr, &loadCase, label);
  EXPECT_EQ(std::tuple(status, ui_.fileDialogs.size()), std::tuple(1, 1u));
}

}  // namespace
}  // namespace viru4deduz::testing
