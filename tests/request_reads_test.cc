// A request reads only what decides its answer when the file holds every record the full read
// would touch, else the whole results block: both give a host the same on valid files of every
// version, after another file, on cut files and on files whose counts lie. And a record the file
// system cannot give, in any piece of the file, ends a request as the reader that asks for it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "extract/assembly.h"
#include "host/host_stops.h"
#include "outfile/record_readers.h"
#include "platform/posix_record_runtime.h"
#include "testing/record_by_record_runtime.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kOutput[] = "/J/JOB._P";
constexpr char kNoOutput[] = "No output available for this TALVOR job.";

// A job whose tables are full to the last entry, to be read before another.
const std::string& NoisyFile() {
  static const std::string bytes = [] {
    writer::OutputJob noisy = RichJob(1531);
    noisy.codes.assign(kCodeTableSize - 1, 3);
    noisy.codes.front() = -4;
    noisy.codes.push_back(-999);
    noisy.factors.assign(kCodeTableSize, 7.5);
    noisy.decimals.assign(kCodeTableSize, 3);
    for (int k = 1; k <= 1000; ++k) {
      for (int j = 1; j <= 20; ++j) noisy.options[{k, j}] = 9;
    }
    noisy.names.assign(1000, std::string(132, 'N'));
    noisy.extra.assign(1000, 5);
    return writer::WriteOutputFile(noisy);
  }();
  return bytes;
}

struct Observed {
  Request request;
  std::vector<std::string> messages;
  std::string chainFile;
  std::int32_t ioErrorFlag = 0;
  std::size_t transfers = 0;
  std::int64_t lastRecord = 0;
  std::unique_ptr<LoadCaseTables> tables;  // when asked for

  auto Key() const {
    const Request& r = request;
    return std::make_tuple(r.status, std::string(reinterpret_cast<const char*>(r.res), sizeof r.res), r.loadCase,
                           std::string(r.caseLabel, sizeof r.caseLabel), std::string(r.jobPath), messages, chainFile,
                           ioErrorFlag);
  }
};

// The request on a fresh module whose record runtime knows the file's size (the reads that
// follow the answer) or not (the full read); afterNoise: the module has read the noisy file.
Observed Run(const std::string& bytes, const Request& request, bool knowsSize, bool afterNoise, bool keepTables) {
  ScriptedModule m;
  m.records.knowsRecordCount = knowsSize;
  if (afterNoise) {
    m.AddFile("/J/NOISY._P", NoisyFile());
    Request("/J/NOISY._P", 1, 20).RunOn(m.module);
    m.records.transfers.clear();
  }
  m.AddFile(kOutput, bytes);
  Observed o{request, {}, {}, 0, 0, 0, nullptr};
  o.request.RunOn(m.module);
  for (const auto& message : m.ui.messages) o.messages.push_back(message.caption + ": " + message.text);
  if (const std::string* chain = m.files.Find("x4chain.")) o.chainFile = *chain;
  o.ioErrorFlag = m.module.state().io.ioErrorFlag;
  o.transfers = m.records.transfers.size();
  for (const auto& transfer : m.records.transfers) o.lastRecord = std::max(o.lastRecord, transfer.second);
  if (keepTables) o.tables = std::make_unique<LoadCaseTables>(m.module.state().output.tables);
  EXPECT_FALSE(m.records.IsOpen(kOutputUnit));
  return o;
}

// Runs the request both ways, the quick one after the noisy file when asked, and expects the same
// status, values bit for bit, case, label, path, messages, chain file and read error flag; returns
// the full read's outcome, and in quicker whether the other way read fewer records.
Observed BothWays(const std::string& bytes, const Request& request, bool* quicker = nullptr, bool afterNoise = false) {
  const Observed quick = Run(bytes, request, true, afterNoise, afterNoise);
  Observed full = Run(bytes, request, false, false, afterNoise);
  EXPECT_EQ(quick.Key(), full.Key());
  EXPECT_TRUE(!afterNoise || std::memcmp(quick.tables.get(), full.tables.get(), sizeof(LoadCaseTables)) == 0);
  if (quicker != nullptr) *quicker = quick.transfers < full.transfers;
  return full;
}

class AnswerFollowingReadTest : public ::testing::TestWithParam<std::int32_t> {};

// Every node and case of a valid file, the quicker way whenever it may, after the noisy file: a
// module keeps its tables between requests, but what a file yields never depends on the file
// read before it. In cases 1 to 3 node 20 has two entries (the 2nd and 4th, out of node order),
// summed and rounded; node 15 has no displacements and keeps its zeros beside node 30's.
TEST_P(AnswerFollowingReadTest, EveryNodeAndCaseOfAValidFile) {
  const std::int32_t v = GetParam();
  const writer::OutputJob job = RichJob(v);
  const std::string bytes = writer::WriteOutputFile(job);
  const auto stored = [v](float x) { return v >= 1510 ? x : UnpackReal3(writer::PackReal3(x).data()); };
  int quicker = 0;
  for (int loadCase : {1, 2, 3, 4, 1001}) {
    for (int node : {10, 20, 30, 40, 50, 700, -1}) {
      for (int mode : {1, 2}) {
        SCOPED_TRACE(::testing::Message() << "case " << loadCase << ", node " << node << ", mode " << mode);
        bool q = false;
        BothWays(bytes, Request(kOutput, mode, node, 700 - node, loadCase), &q, node == 20);
        quicker += q;
      }
    }
  }
  EXPECT_EQ(quicker, 5 * 7 * 2);
  BothWays(bytes, Request(kOutput, 3, 20, 0, 1));  // another mode: nothing to answer from
  const std::string labels[] = {v < 1400 ? "CASE 1 (OPE) W+T1+P1" : "CASE 1 (OPE) W+2.5T1+P1",
                                "CASE 2 (SUS) W+D1", "CASE 3 (EXP) L3=L1-L2"};
  for (std::size_t k = 0; k < 3; ++k) {
    const auto loads = BothWays(bytes, Request(kOutput, 1, 20, 0, static_cast<int>(k) + 1));
    const auto moves = BothWays(bytes, Request(kOutput, 2, 15, 30, static_cast<int>(k) + 1));
    EXPECT_EQ(std::string(loads.request.caseLabel, 150), labels[k] + std::string(150 - labels[k].size(), ' '));
    for (std::size_t c = 0; c < 6; ++c) {
      EXPECT_EQ(loads.request.res[c][0], RoundLoad(stored(job.loads[k][1][c]) + stored(job.loads[k][3][c])));
      const float d = stored(job.displacements[k][2][c]);
      EXPECT_EQ(moves.request.res[c][0], 0.0f);
      EXPECT_EQ(moves.request.res[c][1], c < 3 ? d : d * kDegreesPerRadian);
    }
  }
}

TEST_P(AnswerFollowingReadTest, AFileCutInsideItsResultsTakesTheFullRead) {
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(RichJob(GetParam()), &map);
  for (std::int32_t record = map.caseBlocksFirst > 0 ? map.caseBlocksFirst : map.resultsFirst;
       record <= map.records; ++record) {
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}}) {
      SCOPED_TRACE(::testing::Message() << "record " << record << " + " << cut << " bytes");
      const std::string damaged = bytes.substr(0, static_cast<std::size_t>(record - 1) * 256 + cut);
      bool quicker = true;
      BothWays(damaged, Request(kOutput, 1, 20, 0, 3), &quicker);
      EXPECT_FALSE(quicker);
      BothWays(damaged, Request(kOutput, 2, 20, 700, 3));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllVersions, AnswerFollowingReadTest, ::testing::ValuesIn(kVersions));

// Counts that are negative, lie or multiply past 32 or 64 bits, and record numbers that point
// nowhere, each ending as defined, the same both ways. A negative count reads nothing and lays
// out an empty region, while the room test takes it as it is (a negative element product passes);
// a job that does not fit reads nothing of its case blocks or results.
TEST(HostileCountsTest, EachEndsAsDefinedAndTheSameBothWays) {
  writer::FileMap map;
  writer::OutputJob base = RichJob(1531);
  base.elementCount = 4;
  const std::string baseBytes = writer::WriteOutputFile(base, &map);
  const auto reference = BothWays(baseBytes, Request(kOutput, 1, 20, 0, 3));
  const std::int32_t pastEnd = map.records + 1;
  enum Answer { kSame, kOther, kNoRoom, kStatus2, kStatus1, kBlockError, kWordError };
  const std::pair<std::map<int, std::int32_t>, Answer> rows[] = {
      // Element sets and elements size the room test only, the skipped cases matter to the
      // selection list only; no case blocks are read, and then their record is not used.
      {{{10, -1}}, kSame}, {{{11, INT32_MIN}}, kSame}, {{{14, -1}}, kSame}, {{{23, INT32_MIN}}, kSame},
      {{{26, -1}}, kSame}, {{{26, 0}, {27, -1}}, kSame},
      // No node list (the entry lists start on the node numbers), one more node, fewer entries.
      {{{12, -1}}, kOther}, {{{12, 71}}, kOther}, {{{15, -1}}, kOther}, {{{16, 2}}, kOther},
      {{{16, INT32_MIN}}, kStatus2}, {{{17, INT32_MIN}}, kStatus2},  // no entries at all
      // Beyond 32 bits: 6 * nodes * cases, 12 * entries * cases, 64 * hangers, 24 * sets *
      // elements, 8 * case blocks, the entries' sum itself; then beyond 64 bits.
      {{{12, 100000}, {9, 10000}}, kNoRoom}, {{{16, 1 << 16}, {9, 1 << 16}}, kNoRoom}, {{{15, 1 << 26}}, kNoRoom},
      {{{10, 1 << 20}, {14, 1 << 12}}, kNoRoom}, {{{26, 1 << 29}}, kNoRoom}, {{{16, INT32_MAX}, {17, INT32_MAX}}, kNoRoom},
      {{{15, INT32_MAX}, {16, INT32_MAX}, {17, INT32_MAX}, {9, INT32_MAX}}, kNoRoom},
      {{{11, INT32_MAX}, {14, INT32_MAX}}, kNoRoom},
      {{{9, -1}}, kStatus1}, {{{9, 2}}, kStatus1},  // case 3 names no stored slice
      {{{9, 4}}, kBlockError}, {{{15, 3}}, kBlockError},  // the last loads lie past the end
      {{{20, 0}}, kWordError}, {{{20, INT32_MIN}}, kWordError}, {{{20, map.records}}, kWordError},
      {{{20, pastEnd}}, kWordError}, {{{27, -1}}, kWordError}, {{{27, pastEnd}}, kWordError},
  };
  for (const auto& [items, answer] : rows) {
    SCOPED_TRACE(::testing::Message() << "item " << items.begin()->first << " = " << items.begin()->second);
    writer::OutputJob job = base;
    job.itemOverrides = items;
    const std::string bytes = writer::WriteOutputFile(job);
    const auto o = BothWays(bytes, Request(kOutput, 1, 20, 0, 3));
    BothWays(bytes, Request(kOutput, 2, 20, 700, 3));
    const int status = answer == kNoRoom || answer == kStatus2 ? 2 : answer >= kStatus1 ? 1 : 0;
    const int stop = answer == kWordError ? kStopWordRead : answer == kBlockError ? kStopBlockRead : 0;
    EXPECT_EQ(std::tuple(o.request.status, o.messages.size(), o.chainFile),
              std::tuple(status, answer == kWordError ? 2u : status != 0 ? 1u : 0u,
                         stop != 0 ? "D4ODUDO.EXE " + std::to_string(stop) + "\n" : ""));
    EXPECT_TRUE(answer != kSame || std::memcmp(o.request.res, reference.request.res, sizeof o.request.res) == 0);
    EXPECT_TRUE(answer != kNoRoom || o.lastRecord < map.caseBlocksFirst) << o.lastRecord;
  }
}

// Which piece of the file a record belongs to decides which reader takes it, and so how a full
// read failing there ends: the status, whether QREAD4's own message comes before "No output
// available ...", the chain file's code (0: none) and the read error flag. No reader takes the
// control record; a failure in the names is reported and reading goes on.
// The stream that no reader asks for is never reported.
enum Piece { kControl, kWordTable, kRealTable, kNames, kExtra, kCaseBlocks, kSection1, kSection2, kUnread };
struct Outcome { int status; bool qreadMessage; int stopCode; std::int32_t ioErrorFlag; };
constexpr Outcome kOutcomes[] = {{1, false, 0, 0},  {1, true, kStopWordRead, -1},  {1, false, kStopDoubleRead, -1},
                                 {0, false, kStopTextRead, 0}, {1, true, kStopWordRead, -1}, {1, true, kStopWordRead, -1},
                                 {1, true, kStopWordRead, -1}, {1, false, kStopBlockRead, -1}, {0, false, 0, 0}};

Piece PieceOf(const writer::OutputJob& job, const writer::FileMap& map, std::int64_t record) {
  const std::int32_t v = job.version;
  const std::int64_t realsFirst = v < 1400 ? -1 : map.tablesFirst + ((v < 1520 ? 3000 : 30000) + 63) / 64;
  const std::int64_t realsLast = realsFirst + ((v < 1520 ? 3500 : 35000) + 31) / 32 - 1;
  const std::size_t section1Words = job.nodes.size() + 2 * job.restraints.size() +
                                    static_cast<std::size_t>(job.hangerCount * writer::HangerWords(v));
  if (record == 1) return kControl;
  if (record >= realsFirst && record <= realsLast && v >= 1400) return kRealTable;
  if (record <= map.tablesLast) return kWordTable;
  if (record <= map.namesLast) return kNames;
  if (record <= map.extraLast) return kExtra;
  if (record <= map.unreadLast) return kUnread;
  if (record <= map.caseBlocksLast) return kCaseBlocks;
  return record < map.resultsFirst + static_cast<std::int64_t>((section1Words + 63) / 64) ? kSection1 : kSection2;
}

// What a host sees of a request: status, values, messages (caption and text), the chain file as
// the last stop left it and the files created (one per stop).
auto Seen(const Request& r, ScriptedModule& m) {
  std::vector<std::string> texts;
  for (const auto& message : m.ui.messages) texts.push_back(message.caption + ": " + message.text);
  const std::vector<std::string>& made = m.files.createdPaths;
  const std::string chain = made.empty() ? "" : *m.files.Find(made.back());
  return std::tuple(r.status, std::string(reinterpret_cast<const char*>(r.res), sizeof r.res), texts, chain,
                    m.module.state().io.ioErrorFlag, made);
}

// A record the file system cannot give (a bad sector: the bytes before it come back, a read that
// starts in it fails with EIO, or finds the file ending there) fails only when a reader asks for
// it, and is reported as that record, with that reader's stop code and box, however far the
// module's runtime reads ahead: every request ends as it does over a runtime that reads each
// record on its own. The full read (mode 3 assembles nothing and always takes it) ends as the
// piece's reader says; loads and displacements answer from what they need, and a record they
// need sends them on to the full read. The unread stream is never reported. Every way out closes
// the file and every settings key. A bad name record
// stops the names' reader (105) and, from version 1530 on, the extra table's read too, which
// starts again at the record the names' reader stopped at (7).
class BadRecordTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(BadRecordTest, IsReportedAsThatRecordByItsOwnReader) {
  writer::OutputJob job = RichJob(GetParam());
  job.unreadRecords = 40;
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(job, &map);
  ScriptedModule m;
  m.settings.PutValue("Software\\Ostrel\\TALVOR\\5.30\\Settings", "XMS Memory Allocated", "65536");
  m.files.AddFile(kOutput, bytes);
  PosixRecordRuntime blocks(m.files);
  RecordByRecordRuntime plain(m.files);
  const auto run = [&](RecordRuntime& runtime, int mode) {
    m.module.env().records = &runtime;
    m.ui.messages.clear();
    m.files.createdPaths.clear();
    Request r(kOutput, mode, 20, 700, 1);
    r.RunOn(m.module);
    EXPECT_EQ(std::tuple(blocks.IsOpen(kOutputUnit), m.settings.OpenHandleCount()), std::tuple(false, 0u));
    return Seen(r, m);
  };
  decltype(run(plain, 1)) good[4];
  for (int mode : {1, 2, 3}) good[mode] = run(plain, mode);
  int quick[2] = {0, 0};  // faults in the results that a quick answer did not need, and did
  for (bool endOfFile : {false, true}) {
    for (std::int32_t record = 1; record <= map.records; ++record) {
      const Piece piece = PieceOf(job, map, record);
      if (record % 37 != 0 && PieceOf(job, map, record - 1) == piece && PieceOf(job, map, record + 1) == piece) continue;
      m.files.badSectors[kOutput] = {static_cast<std::uint64_t>(record - 1) * 256, 256, endOfFile};
      for (int mode : {1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << "record " << record << ", piece " << piece << ", mode " << mode
                                          << (endOfFile ? ", reads as the end" : ", EIO"));
        const auto seen = run(blocks, mode);
        ASSERT_EQ(seen, run(plain, mode));
        const bool namesThenExtra = piece == kNames && job.version >= 1530;
        const Outcome e = namesThenExtra ? kOutcomes[kExtra] : kOutcomes[piece];
        std::vector<std::string> texts;
        if (e.qreadMessage) texts.push_back("ERROR: " + Qread4Message(endOfFile ? kRecordBeyondEnd : kRecordReadError, record));
        if (e.status == 1) texts.push_back(std::string("VirU4Deduz: ") + kNoOutput);
        const std::string chain = e.stopCode ? "D4ODUDO.EXE " + std::to_string(e.stopCode) + "\n" : "";
        const bool answered = e.status == 0 && e.stopCode == 0;
        const bool needed = seen != good[mode];
        if (piece >= kCaseBlocks && mode != 3) {  // loads and displacements read only what they need
          ++quick[needed];
          if (!needed) continue;
        }
        EXPECT_EQ(std::tuple(std::get<0>(seen), std::get<2>(seen), std::get<3>(seen), std::get<4>(seen),
                             std::get<5>(seen).size()),
                  std::tuple(e.status, texts, chain, e.ioErrorFlag, (e.stopCode != 0) + namesThenExtra + 0u));
        EXPECT_TRUE(!answered || seen == good[mode]);
      }
    }
  }
  EXPECT_TRUE(quick[0] > 0 && quick[1] > 0) << quick[0] << " unseen, " << quick[1] << " reported";
}

INSTANTIATE_TEST_SUITE_P(AllVersions, BadRecordTest, ::testing::ValuesIn(kVersions));

}  // namespace
}  // namespace viru4deduz::testing
