// Faults at every read: a full request of one file per version range fails at each of its record
// transfers in turn, and separately at each operation of the settings store and of the chain
// file. Every run must end as the readers document it: the status, the messages, the chain
// file's stop code and the read error flag; the output file closed and every settings key closed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <set>

#include "outfile/record_readers.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kOutput[] = "/J/FAULT._P";
constexpr char kNoOutput[] = "No output available for this TALVOR job.";
constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
constexpr int kInjected = kRecordReadError;

// Which part of the file a record belongs to, and so which reader takes it.
enum class Part { kControl, kWordTable, kRealTable, kNames, kExtra, kCaseBlocks, kSection1, kSection2 };

// How a request that fails in that part ends.
struct Outcome {
  int status;
  bool qreadMessage;  // QREAD4's own message before "No output available ..."
  int stopCode;       // the chain file's code; 0 for no chain file
  std::int32_t ioErrorFlag;
};

Outcome OutcomeOf(Part part) {
  switch (part) {
    case Part::kControl: return {1, false, 0, 0};  // no reader involved: just no output
    case Part::kWordTable: return {1, true, kStopWordRead, -1};
    case Part::kRealTable: return {1, false, kStopDoubleRead, -1};
    case Part::kNames: return {0, false, kStopTextRead, 0};  // reported, and reading goes on
    case Part::kExtra: return {1, true, kStopWordRead, -1};
    case Part::kCaseBlocks: return {1, true, kStopWordRead, -1};
    case Part::kSection1: return {1, true, kStopWordRead, -1};
    case Part::kSection2: return {1, false, kStopBlockRead, -1};
  }
  return {};
}

// Where the parts of a writer file lie, from its map and the documented stream sizes.
class FileParts {
 public:
  FileParts(const writer::OutputJob& job, const writer::FileMap& map) : map_(map) {
    const std::int32_t v = job.version;
    if (v >= 1400) {
      const int codeWords = v < 1520 ? 3000 : 30000;
      const int reals = v < 1520 ? 3500 : 35000;
      realsFirst_ = map.tablesFirst + (codeWords + 63) / 64;
      realsLast_ = realsFirst_ + (reals + 31) / 32 - 1;
    }
    const std::size_t section1Words =
        job.nodes.size() + 2 * job.restraints.size() +
        static_cast<std::size_t>(job.hangerCount) * static_cast<std::size_t>(writer::HangerWords(v));
    section2First_ = map.resultsFirst + static_cast<std::int32_t>((section1Words + 63) / 64);
  }

  Part Of(std::int64_t record) const {
    if (record == 1) return Part::kControl;
    if (record >= realsFirst_ && record <= realsLast_) return Part::kRealTable;
    if (record <= map_.tablesLast) return Part::kWordTable;
    if (record <= map_.namesLast) return Part::kNames;
    if (record <= map_.extraLast) return Part::kExtra;
    if (record <= map_.caseBlocksLast) return Part::kCaseBlocks;
    return record < section2First_ ? Part::kSection1 : Part::kSection2;
  }

 private:
  writer::FileMap map_;
  std::int32_t realsFirst_ = -1, realsLast_ = -1;
  std::int32_t section2First_ = 0;
};

// One file per version range, written once. One module serves every injected fault, as a host
// keeps it loaded: each request gets a fresh record runtime that fails at the chosen transfer.
class RecordFaultTest : public ::testing::TestWithParam<std::int32_t> {
 protected:
  void SetUp() override {
    job_ = RichJob(GetParam());
    bytes_ = writer::WriteOutputFile(job_, &map_);
    m_.AddFile(kOutput, bytes_);
    // Room for this job and little more, so that thousands of requests stay cheap.
    m_.settings.PutValue(kSettingsKey, "XMS Memory Allocated", "65536");
  }

  // Runs the request with a runtime that fails transfer k (0: none); returns the runtime. A
  // runtime that does not know the file's size makes the request take the full read of the
  // results block, whose every transfer is failed in turn below.
  std::unique_ptr<ScriptedRecordRuntime> RunFailingAt(int k, Request& r, bool knowsSize = false) {
    auto runtime = std::make_unique<ScriptedRecordRuntime>();
    runtime->knowsRecordCount = knowsSize;
    runtime->AddFile(kOutput, bytes_);
    if (k > 0) runtime->FailTransfer(k, kInjected);
    m_.module.env().records = runtime.get();
    m_.ui.messages.clear();
    m_.files.createdPaths.clear();
    r.RunOn(m_.module);
    m_.module.env().records = &m_.records;
    return runtime;
  }

  writer::OutputJob job_;
  writer::FileMap map_;
  std::string bytes_;
  ScriptedModule m_;
};

TEST_P(RecordFaultTest, RequestFailingAtEachTransferEndsAsDocumented) {
  // The request without faults: case 1's loads at node 20, and the records it reads, in order.
  Request good(kOutput, 1, 20, 0, 1);
  const auto transfers = RunFailingAt(0, good)->transfers;
  ASSERT_EQ(good.status, 0);
  ASSERT_GT(transfers.size(), 500u);
  const FileParts parts(job_, map_);
  std::set<Part> seen;

  for (std::size_t k = 1; k <= transfers.size(); ++k) {
    const std::int64_t record = transfers[k - 1].second;
    const Part part = parts.Of(record);
    const Outcome expected = OutcomeOf(part);
    seen.insert(part);
    SCOPED_TRACE(::testing::Message() << "transfer " << k << " of record " << record << ", part "
                                      << static_cast<int>(part));
    Request r(kOutput, 1, 20, 0, 1);
    const auto runtime = RunFailingAt(static_cast<int>(k), r);

    ASSERT_EQ(r.status, expected.status);
    std::vector<std::string> texts;
    for (const auto& message : m_.ui.messages) texts.push_back(message.text);
    std::vector<std::string> expectedTexts;
    if (expected.qreadMessage) expectedTexts.push_back(Qread4Message(kInjected, static_cast<std::int32_t>(record)));
    if (expected.status == 1) expectedTexts.push_back(kNoOutput);
    ASSERT_EQ(texts, expectedTexts);

    if (expected.stopCode == 0) {
      ASSERT_TRUE(m_.files.createdPaths.empty());
    } else {
      ASSERT_EQ(m_.files.createdPaths, std::vector<std::string>{"x4chain."});
      ASSERT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE " + std::to_string(expected.stopCode) + "\n");
    }
    ASSERT_EQ(m_.module.state().io.ioErrorFlag, expected.ioErrorFlag);
    if (expected.status == 0) {
      for (int c = 0; c < 6; ++c) ASSERT_EQ(r.res[c][0], good.res[c][0]);
    }
    ASSERT_FALSE(runtime->IsOpen(kOutputUnit));
    ASSERT_EQ(m_.settings.OpenHandleCount(), 0u);
  }

  // Every part the version's file has was failed at least once.
  const std::int32_t v = GetParam();
  std::set<Part> expectedParts = {Part::kControl, Part::kWordTable, Part::kNames, Part::kSection1,
                                  Part::kSection2};
  if (v >= 1400) expectedParts.insert(Part::kRealTable);
  if (v >= 1440) expectedParts.insert(Part::kCaseBlocks);
  if (v >= 1530) expectedParts.insert(Part::kExtra);
  EXPECT_EQ(seen, expectedParts);
}

// A request that reads only what decides its answer reports nothing of its own: whichever of
// those reads fails, the full read runs from the start and (the fault having passed) answers.
TEST_P(RecordFaultTest, AFailedReadOfWhatTheAnswerNeedsFallsBackToTheFullRead) {
  for (int mode : {1, 2}) {
    Request full(kOutput, mode, 20, 700, 1), good(kOutput, mode, 20, 700, 1);
    const std::size_t fullTransfers = RunFailingAt(0, full)->transfers.size();
    const auto transfers = RunFailingAt(0, good, true)->transfers;
    ASSERT_EQ(good.status, 0);
    ASSERT_EQ(std::memcmp(good.res, full.res, sizeof good.res), 0);
    ASSERT_LT(transfers.size(), fullTransfers);
    const FileParts parts(job_, map_);
    for (std::size_t k = 1; k <= transfers.size(); ++k) {
      const Part part = parts.Of(transfers[k - 1].second);
      if (part != Part::kSection1 && part != Part::kSection2) continue;
      SCOPED_TRACE(::testing::Message() << "mode " << mode << ", transfer " << k);
      Request r(kOutput, mode, 20, 700, 1);
      const auto runtime = RunFailingAt(static_cast<int>(k), r, true);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(std::memcmp(r.res, good.res, sizeof r.res), 0);
      EXPECT_TRUE(m_.ui.messages.empty());
      EXPECT_TRUE(m_.files.createdPaths.empty());
      EXPECT_EQ(m_.module.state().io.ioErrorFlag, 0);
      EXPECT_GT(runtime->transfers.size(), k);  // the full read of the results block followed
    }
  }
}

// Below 500, 500 to 999, 1000 to 1399 (legacy blocks of three sizes), 1400 to 1519 (packed reals
// and case blocks), 1520 to 1529, 1530 and later (the extra table).
INSTANTIATE_TEST_SUITE_P(VersionRanges, RecordFaultTest,
                         ::testing::Values(111, 611, 1211, 1451, 1521, 1531));

// A file system whose chain file fails to be written or closed; both go unreported.
class FailingWrites : public FileSystem {
 public:
  FailingWrites(MemoryFileSystem& files, bool failAppend) : files_(files), failAppend_(failAppend) {}
  bool Exists(const std::string& path) override { return files_.Exists(path); }
  std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) override {
    return files_.OpenForRead(path, error);
  }
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) override {
    auto file = files_.CreateForWrite(path, error);
    if (file == nullptr) return nullptr;
    return std::make_unique<Failing>(std::move(file), failAppend_);
  }
  std::string ErrorText(int error) override { return files_.ErrorText(error); }

 private:
  class Failing : public WritableFile {
   public:
    Failing(std::unique_ptr<WritableFile> file, bool failAppend)
        : file_(std::move(file)), failAppend_(failAppend) {}
    int Append(const void* data, std::size_t n) override {
      return failAppend_ ? EIO : file_->Append(data, n);
    }
    int Close() override {
      const int status = file_->Close();
      return failAppend_ ? status : EIO;
    }

   private:
    std::unique_ptr<WritableFile> file_;
    bool failAppend_;
  };
  MemoryFileSystem& files_;
  bool failAppend_;
};

// The settings operations a request makes, each failed on its own, on a good file and on a file
// whose results are cut short (so that the fatal stop reads "VESKO_USER" for the chain file).
TEST(SettingsFaultTest, EachSettingsOperationFailingEndsAsDocumented) {
  using Store = ScriptedSettingsStore;
  const std::string registry = "Registry Error";
  const std::string update = "";  // "Unable to update registry" has no caption of its own
  struct Fault {
    const char* what;
    void (*inject)(Store&);
    std::vector<std::string> workAreaCaptions;  // the boxes of reading the work area size
    std::vector<std::string> chainCaptions;     // the boxes of reading the chain user
    std::string chainFile;
  } faults[] = {
      {"open Software", [](Store& s) { s.FailCreateKey("Software", 5); }, {registry, update},
       {registry}, "x4chain."},
      {"open Ostrel", [](Store& s) { s.FailCreateKey("Ostrel", 5); }, {registry, update},
       {registry}, "x4chain."},
      {"open TALVOR", [](Store& s) { s.FailCreateKey("TALVOR", 5); }, {registry, update},
       {registry}, "x4chain."},
      {"open 5.30", [](Store& s) { s.FailCreateKey("5.30", 5); }, {registry, update},
       {registry}, "x4chain."},
      {"open Settings", [](Store& s) { s.FailCreateKey("Settings", 5); }, {registry, update},
       {registry}, "x4chain."},
      {"query work area size", [](Store& s) { s.FailQueryValue("XMS Memory Allocated", 5); },
       {registry}, {}, "x4chain.ab"},
      {"store work area size", [](Store& s) { s.FailSetValue("XMS Memory Allocated", 5); },
       {update}, {}, "x4chain.ab"},
      {"mark missing work area size",
       [](Store& s) { s.FailCreateKey("XMS Memory Allocated", 5); }, {}, {}, "x4chain.ab"},
      {"query chain user", [](Store& s) { s.FailQueryValue("VESKO_USER", 5); }, {}, {registry},
       "x4chain."},
  };
  const writer::OutputJob job = RichJob(1531);
  writer::FileMap map;
  const std::string whole = writer::WriteOutputFile(job, &map);
  const std::string cut = whole.substr(0, static_cast<std::size_t>(map.resultsLast - 1) * 256);

  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    for (bool cutFile : {false, true}) {
      ScriptedModule m;
      m.AddFile(kOutput, cutFile ? cut : whole);
      m.settings.PutValue(kSettingsKey, "VESKO_USER", "ab");
      fault.inject(m.settings);
      Request r(kOutput, 1, 20, 0, 1);
      r.RunOn(m.module);
      std::vector<std::string> captions;
      for (const auto& message : m.ui.messages) captions.push_back(message.caption);
      EXPECT_EQ(m.settings.OpenHandleCount(), 0u);
      std::vector<std::string> expected = fault.workAreaCaptions;
      if (!cutFile) {
        EXPECT_EQ(r.status, 0);  // the default work area serves
        EXPECT_EQ(captions, expected);
        continue;
      }
      expected.insert(expected.end(), fault.chainCaptions.begin(), fault.chainCaptions.end());
      expected.push_back(kMessageCaption);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(captions, expected);
      ASSERT_NE(m.files.Find(fault.chainFile), nullptr);
      EXPECT_EQ(*m.files.Find(fault.chainFile), "D4ODUDO.EXE 409\n");
    }
  }
}

TEST(ChainFileFaultTest, EachChainFileOperationFailingEndsAsDocumented) {
  writer::OutputJob job = RichJob(1521);
  writer::FileMap map;
  const std::string whole = writer::WriteOutputFile(job, &map);
  const std::string cut = whole.substr(0, static_cast<std::size_t>(map.resultsLast - 1) * 256);

  // The chain file cannot be created: one message box, no file; the request ends as without it.
  {
    ScriptedModule m;
    m.AddFile(kOutput, cut);
    m.files.failCreate["x4chain."] = EACCES;
    Request r(kOutput, 1, 20, 0, 1);
    r.RunOn(m.module);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(m.ui.messages.size(), 2u);
    EXPECT_EQ(m.ui.messages[0].caption, "STOPQ2 chain file creation. #409");
    EXPECT_EQ(m.ui.messages[0].text, m.files.ErrorText(EACCES));
    EXPECT_EQ(m.ui.messages[1].text, kNoOutput);
    EXPECT_EQ(m.files.Find("x4chain."), nullptr);
  }
  // Writing or closing it fails: nothing is reported, and the request ends as without it.
  for (bool failAppend : {true, false}) {
    ScriptedModule m;
    m.AddFile(kOutput, cut);
    FailingWrites files(m.files, failAppend);
    m.module.env().files = &files;
    Request r(kOutput, 1, 20, 0, 1);
    r.RunOn(m.module);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(m.ui.messages.size(), 1u);
    EXPECT_EQ(m.ui.messages[0].text, kNoOutput);
    ASSERT_NE(m.files.Find("x4chain."), nullptr);
    EXPECT_EQ(*m.files.Find("x4chain."), failAppend ? "" : "D4ODUDO.EXE 409\n");
  }
}

}  // namespace
}  // namespace viru4deduz::testing
