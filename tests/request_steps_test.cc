// GetLoads' request steps over scripted layers: the case named, counted among the stored ones or
// chosen from the list, and the room test.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <tuple>

#include "testing/test_support.h"
#include "writer/legacy_block.h"

namespace viru4deduz::testing {
namespace {

constexpr char kOutput[] = "/J/JOB._P";
constexpr char kNoOutput[] = "No output available for this TALVOR job.";
constexpr char kNoRestraint[] = "No restraint found with this node number.";
const std::string kBlank(150, ' ');

// The request on module m, which serves job as the output file.
Request Ask(const writer::OutputJob& job, Request r, ScriptedModule& m) {
  m.AddFile(kOutput, writer::WriteOutputFile(job));
  r.RunOn(m.module);
  return r;
}

// The case a request names: outside the label table there is none; past the defined cases the
// count of stored cases reaches the last one, and past case 1000 it stops with code 194 and the
// request goes on with that count. Such cases have blank labels.
TEST(CaseTest, NumbersNoFileHoldsTakeTheSliceTheCountReachesOrNone) {
  ScriptedModule reference;
  const Request last = Ask(RichJob(1531), Request(kOutput, 1, 20, 0, 3), reference);
  const struct {
    int loadCase, node, status;
    std::string chain;
  } rows[] = {
      {INT32_MIN, 20, 1, ""}, {-1, 20, 1, ""}, {1151, 20, 1, ""}, {INT32_MAX, 20, 1, ""}, {4, 20, 0, ""},
      {1001, 20, 0, "D4ODUDO.EXE 194\n"}, {1150, 20, 0, "D4ODUDO.EXE 194\n"}, {1001, 30, 2, "D4ODUDO.EXE 194\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.loadCase);
    ScriptedModule m;
    const Request r = Ask(RichJob(1531), Request(kOutput, 1, row.node, 0, row.loadCase), m);
    const std::string* chain = m.files.Find("x4chain.");
    EXPECT_EQ(std::tuple(r.status, chain != nullptr ? *chain : "", std::string(r.caseLabel, 150), m.ui.messages.size()),
              std::tuple(row.status, row.chain, kBlank, row.status == 0 ? 0u : 1u));
    EXPECT_TRUE(row.status == 0 || m.ui.messages.at(0).text == (row.status == 1 ? kNoOutput : kNoRestraint));
    EXPECT_TRUE(row.status != 0 || std::memcmp(r.res, last.res, sizeof r.res) == 0);
  }
}

// In files with a legacy block only the cases its full list marks are stored: an unmarked case
// takes the slice of the marked one before it, and before the first there is none. Markers past
// the thousandth case are not listed.
TEST(CaseTest, StoredCasesOfOlderFilesAndTheThousandthCase) {
  writer::OutputJob job = RichJob(711);
  job.legacyBlock = writer::LegacyBlockOf(job);
  std::int32_t* const fullListStart = &job.legacyBlock[200 + 2 * 20 - 1];  // 200 codes, 20 cases per array
  fullListStart[2] = 0;  // case 2 (basic) not stored: the file holds case 1's and case 3's slices
  job.loads.erase(job.loads.begin() + 1);
  job.displacements.erase(job.displacements.begin() + 1);
  ScriptedModule m;
  const Request first = Ask(job, Request(kOutput, 1, 20, 0, 1), m);
  const Request second = Ask(job, Request(kOutput, 1, 20, 0, 2), m);
  EXPECT_EQ(std::tuple(second.status, std::memcmp(first.res, second.res, sizeof first.res), std::string(second.caseLabel, 17)),
            std::tuple(0, 0, "CASE 2 (SUS) W+D1"));
  fullListStart[1] = 0;
  for (bool knowsSize : {true, false}) {  // the reads that follow the answer, and the full read
    m.records.knowsRecordCount = knowsSize;
    EXPECT_EQ(Ask(job, Request(kOutput, 1, 20, 0, 1), m).status, 1);
  }

  writer::OutputJob many = SmallJob();
  many.codes.clear();
  for (int k = 0; k < 1001; ++k) many.codes.insert(many.codes.end(), {-4, 1});
  many.codes.push_back(-999);
  many.loads.resize(1000, many.loads[0]);
  EXPECT_EQ(Ask(many, Request(kOutput, 1, 10, 0, 1000), m).status, 0);
  EXPECT_EQ(m.module.state().driver.caseCount, 1000);
}

// Without a case the user picks one from the labels after the skipped cases (a negative count
// skips none) up to the first blank one: case 3 combining case 1001 and case 5, a harmonic marker
// in the code table's last entry, have blank labels, and named they give their loads. OK without
// a choice is refused; a cancel gives no result and says nothing.
TEST(SelectionTest, TheListOffersTheCasesAfterTheSkippedOnesUpToTheFirstBlankLabel) {
  writer::OutputJob job = RichJob(1531);
  job.skippedCaseCount = 2;
  ScriptedModule m;
  m.ui.listActions = {ScriptedUserInterface::Ok(-1), ScriptedUserInterface::Ok(0)};
  const Request chosen = Ask(job, Request(kOutput, 1, 20, 0, 0), m);
  EXPECT_EQ(std::tuple(chosen.status, chosen.loadCase, std::string(chosen.caseLabel)), std::tuple(0, 3, "CASE 3 (EXP) L3=L1-L2"));
  EXPECT_EQ(std::tuple(m.ui.listDialogs.size(), m.ui.listDialogs.at(0).title, m.ui.listDialogs.at(0).entries),
            std::tuple(1u, "Load Case Selection", std::vector<std::string>{"CASE 3 (EXP) L3=L1-L2"}));
  EXPECT_EQ(std::tuple(m.ui.messages.size(), m.ui.messages.at(0).text, m.ui.messages.at(0).caption, m.ui.messages.at(0).type),
            std::tuple(1u, "Sorry, you can not use [OK] until a load case is selected.", "VirU4Deduz", 0x10u));

  job.skippedCaseCount = -2;
  ScriptedModule none;
  none.ui.listActions = {ScriptedUserInterface::Ok(1)};
  EXPECT_EQ(Ask(job, Request(kOutput, 1, 20, 0, 0), none).loadCase, 2);
  EXPECT_EQ(none.ui.listDialogs.at(0).entries.size(), 3u);

  job.codes = {-4, 1, 3, 6, -4, 1, 2, -888, 1, 1001, -4};
  job.codes.resize(kCodeTableSize, 1);
  job.codes.back() = kHarmonicCaseMarker;
  job.loads.resize(5, job.loads[0]);
  for (int caseNumber : {3, 5}) {
    ScriptedModule named;
    const Request r = Ask(job, Request(kOutput, 1, 20, 0, caseNumber), named);
    EXPECT_EQ(std::tuple(r.status, std::string(r.caseLabel, 150), named.module.state().driver.caseCount), std::tuple(0, kBlank, 5));
  }
  ScriptedModule cancelled;
  Request r(kOutput, 1, 20, 0, 0);
  std::memset(r.caseLabel, 'x', sizeof r.caseLabel);
  r = Ask(job, r, cancelled);
  EXPECT_EQ(std::tuple(r.status, r.loadCase, std::string(r.caseLabel, 150), cancelled.ui.messages.size()),
            std::tuple(1, 0, kBlank, 0u));
  EXPECT_EQ(cancelled.ui.listDialogs.at(0).entries.size(), 2u);
}

// The results must fit the work area exactly: the case blocks (8 words each), the node list, two
// words per restraint entry, 64 per hanger, 12 per entry and 6 per node in every case. A job that
// does not fit reads nothing of its case blocks or results.
TEST(RoomTest, ExactlyEnoughPassesAndAWordLessReadsNothing) {
  for (std::int32_t v : {1211, 1531}) {
    const int words = (v >= 1440 ? 16 : 0) + 70 + 2 * 6 + 12 * 6 * 3 + 6 * 70 * 3 + 64 * 2;
    for (int bytes : {4 * words, 4 * words - 1, 0, -4000}) {
      SCOPED_TRACE(::testing::Message() << v << ": " << bytes);
      writer::FileMap map;
      writer::WriteOutputFile(RichJob(v), &map);
      ScriptedModule m;
      m.settings.PutValue("Software\\Ostrel\\TALVOR\\5.30\\Settings", "XMS Memory Allocated", std::to_string(bytes));
      EXPECT_EQ(Ask(RichJob(v), Request(kOutput, 1, 20, 0, 1), m).status, bytes == 4 * words ? 0 : 2);
      if (bytes == 4 * words) continue;
      EXPECT_EQ(m.ui.messages.at(0).text, kNoRestraint);
      for (const auto& transfer : m.records.transfers) {
        EXPECT_LT(transfer.second, map.caseBlocksFirst > 0 ? map.caseBlocksFirst : map.resultsFirst);
      }
    }
  }
}

}  // namespace
}  // namespace viru4deduz::testing
