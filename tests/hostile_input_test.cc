// Hostile control data and settings, each with the outcome the module defines for it: counts
// that are negative or whose products overflow, record numbers that point nowhere, load case
// tables the labels cannot describe, load case numbers no file holds, absurd work area sizes.
// A negative count reads nothing and never moves a region outside the work area; a job that does
// not fit reads nothing of its results.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>

#include "outfile/record_readers.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kOutput[] = "/J/HOSTILE._P";
constexpr char kNoOutput[] = "No output available for this TALVOR job.";
constexpr char kNoRestraint[] = "No restraint found with this node number.";
constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";

struct Outcome {
  int status = -7;
  std::vector<std::string> messages;
  std::string chainFile;       // "" when none was written
  std::int64_t lastRecord = 0;  // the highest record read
};

Outcome RunRequest(ScriptedModule& m, const std::string& bytes, int loadCase = 1, int node = 20) {
  m.AddFile(kOutput, bytes);
  Request r(kOutput, 1, node, 0, loadCase);
  r.RunOn(m.module);
  Outcome o;
  o.status = r.status;
  for (const auto& message : m.ui.messages) o.messages.push_back(message.text);
  if (const std::string* chain = m.files.Find("x4chain.")) o.chainFile = *chain;
  for (const auto& transfer : m.records.transfers) o.lastRecord = std::max(o.lastRecord, transfer.second);
  EXPECT_FALSE(m.records.IsOpen(kOutputUnit));
  return o;
}

Outcome RunJob(const writer::OutputJob& job, int loadCase = 1) {
  ScriptedModule m;
  return RunRequest(m, writer::WriteOutputFile(job), loadCase);
}

writer::OutputJob WithItems(std::map<int, std::int32_t> items) {
  writer::OutputJob job = RichJob(1531);
  job.itemOverrides = std::move(items);
  return job;
}

TEST(HostileInputTest, NegativeCountsReadNothingAndTheRestOfTheJobStillAnswers) {
  // A file is accepted by its version code alone. A negative count reads nothing and lays out an
  // empty region; in the room test its product counts as it is, so a negative element product
  // passes. The job has 70 nodes, entries 2 hangers + 1 + 3 (node 20 is the 2nd and 4th), 3 cases.
  writer::OutputJob base = RichJob(1531);
  base.elementCount = 4;
  const std::string baseBytes = writer::WriteOutputFile(base);
  ScriptedModule reference;
  reference.AddFile(kOutput, baseBytes);
  Request expected(kOutput, 1, 20, 0, 1);
  expected.RunOn(reference.module);
  ASSERT_EQ(expected.status, 0);

  enum Answer { kSameLoads, kSomeLoads, kStatus2, kStatus1 };
  const struct {
    int item;
    Answer minusOne, lowest;  // for -1 and for INT32_MIN
  } rows[] = {
      {9, kStatus1, kStatus1},         // no stored case: case 1 names no slice
      {10, kSameLoads, kSameLoads},      // element sets and elements size the room test only
      {11, kSameLoads, kSameLoads},
      {14, kSameLoads, kSameLoads},
      {23, kSameLoads, kSameLoads},      // the skipped cases matter to the selection list only
      {26, kSameLoads, kSameLoads},      // no case blocks are read
      {12, kSomeLoads, kSomeLoads},      // no node list: the entry lists start on the node numbers
      {15, kSomeLoads, kStatus2},    // fewer entries (3), or none at all
      {16, kSomeLoads, kStatus2},
      {17, kSomeLoads, kStatus2},
  };
  for (const auto& row : rows) {
    for (const auto& [value, answer] : {std::pair{-1, row.minusOne}, {INT32_MIN, row.lowest}}) {
      SCOPED_TRACE(::testing::Message() << "item " << row.item << " = " << value);
      writer::OutputJob job = base;
      job.itemOverrides = {{row.item, value}};
      ScriptedModule m;
      m.AddFile(kOutput, writer::WriteOutputFile(job));
      Request r(kOutput, 1, 20, 0, 1);
      r.RunOn(m.module);
      std::vector<std::string> messages;
      for (const auto& message : m.ui.messages) messages.push_back(message.text);
      EXPECT_EQ(r.status, answer == kStatus1 ? 1 : answer == kStatus2 ? 2 : 0);
      std::vector<std::string> expectedMessages;
      if (answer == kStatus1) expectedMessages.push_back(kNoOutput);
      if (answer == kStatus2) expectedMessages.push_back(kNoRestraint);
      EXPECT_EQ(messages, expectedMessages);
      if (answer == kSameLoads) {
        EXPECT_EQ(std::memcmp(r.res, expected.res, sizeof r.res), 0);
      }
      EXPECT_FALSE(m.files.Exists("x4chain."));
    }
  }

  // A negative number of skipped cases skips none: the list offers every case from case 1.
  writer::OutputJob job = base;
  job.itemOverrides = {{23, -2}};
  ScriptedModule m;
  m.AddFile(kOutput, writer::WriteOutputFile(job));
  m.ui.listActions = {ScriptedUserInterface::Ok(1)};
  Request chosen(kOutput, 1, 20, 0, 0);
  chosen.RunOn(m.module);
  EXPECT_EQ(chosen.status, 0);
  EXPECT_EQ(chosen.loadCase, 2);
  ASSERT_EQ(m.ui.listDialogs.size(), 1u);
  EXPECT_EQ(m.ui.listDialogs[0].entries.size(), 3u);
}

TEST(HostileInputTest, OverflowingProductsMeanTheJobDoesNotFit) {
  writer::FileMap map;
  writer::WriteOutputFile(RichJob(1531), &map);
  const std::map<int, std::int32_t> rows[] = {
      // Beyond 32 bits.
      {{12, 100000}, {9, 10000}},             // 6 * nodes * cases
      {{16, 1 << 16}, {9, 1 << 16}},          // 12 * entries * cases
      {{15, 1 << 26}},                        // 64 * hangers
      {{10, 1 << 20}, {14, 1 << 12}},         // 24 * sets * elements
      {{26, 1 << 29}},                        // 8 * case blocks
      {{16, INT32_MAX}, {17, INT32_MAX}},     // the entries' sum itself
      // Beyond 64 bits.
      {{15, INT32_MAX}, {16, INT32_MAX}, {17, INT32_MAX}, {9, INT32_MAX}},
      {{11, INT32_MAX}, {14, INT32_MAX}},
  };
  for (const auto& items : rows) {
    SCOPED_TRACE(::testing::Message() << "item " << items.begin()->first);
    const Outcome o = RunJob(WithItems(items));
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.messages, std::vector<std::string>{kNoRestraint});
    EXPECT_LT(o.lastRecord, map.caseBlocksFirst);  // nothing of the case blocks or results
  }
}

TEST(HostileInputTest, RecordNumbersThatPointNowhereAreReadErrors) {
  writer::FileMap map;
  writer::WriteOutputFile(RichJob(1531), &map);
  const std::int32_t pastEnd = map.records + 1;
  const struct {
    int item;
    std::int32_t record;
    std::string reported;  // the record QREAD4 names
  } rows[] = {
      {20, 0, "    0"}, {20, -5, "   -5"}, {20, INT32_MIN, "*****"},
      {20, pastEnd, std::to_string(pastEnd)}, {20, INT32_MAX, "*****"},
      {27, 0, "    0"}, {27, -1, "   -1"}, {27, pastEnd, std::to_string(pastEnd)},
      {27, INT32_MAX, "*****"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "item " << row.item << " = " << row.record);
    const Outcome o = RunJob(WithItems({{row.item, row.record}}));
    EXPECT_EQ(o.status, 1);
    const std::string qread = "Error    36 reading in QREAD4 on REC= " +
                              std::string(5 - std::min<std::size_t>(5, row.reported.size()), ' ') +
                              row.reported;
    EXPECT_EQ(o.messages, (std::vector<std::string>{qread, kNoOutput}));
    EXPECT_EQ(o.chainFile, "D4ODUDO.EXE 7\n");
  }
  // With no case blocks, their record number is never used.
  const Outcome none = RunJob(WithItems({{26, 0}, {27, -1}}));
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.chainFile, "");
}

TEST(HostileInputTest, CasesTheLabelsCannotDescribeAreNotOffered) {
  // Case 3 combines case 1001; case 5 is a harmonic marker in the code table's last entry. Both
  // keep blank labels: asked for by number they deliver their loads, and the selection list ends
  // before the first of them.
  writer::OutputJob job = RichJob(1531);
  job.codes = {-4, 1, 3, 6, -4, 1, 2, -888, 1, 1001, -4};
  job.codes.resize(kCodeTableSize, 1);
  job.codes.back() = kHarmonicCaseMarker;
  job.loads.resize(5, job.loads[0]);
  job.displacements.resize(5, job.displacements[0]);
  const std::string bytes = writer::WriteOutputFile(job);
  for (int caseNumber : {3, 5}) {
    SCOPED_TRACE(caseNumber);
    ScriptedModule m;
    m.AddFile(kOutput, bytes);
    Request r(kOutput, 1, 20, 0, caseNumber);
    r.RunOn(m.module);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(std::string(r.caseLabel, 150), std::string(150, ' '));
    EXPECT_EQ(m.module.state().driver.caseCount, 5);
  }
  ScriptedModule m;
  m.AddFile(kOutput, bytes);
  m.ui.listActions = {ScriptedUserInterface::Ok(2)};  // past the two entries offered
  Request r(kOutput, 1, 20, 0, 0);
  r.RunOn(m.module);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(m.ui.listDialogs.size(), 1u);
  EXPECT_EQ(m.ui.listDialogs[0].entries.size(), 2u);
}

TEST(HostileInputTest, LoadCaseNumbersNoFileHolds) {
  const std::string bytes = writer::WriteOutputFile(RichJob(1531));
  ScriptedModule reference;
  reference.AddFile(kOutput, bytes);
  Request lastCase(kOutput, 1, 20, 0, 3);
  lastCase.RunOn(reference.module);
  ASSERT_EQ(lastCase.status, 0);
  const struct {
    int loadCase;
    int status;
    std::string chainFile;
  } rows[] = {
      // Outside the label table: no case at all.
      {INT32_MIN, 1, ""}, {-1, 1, ""}, {1151, 1, ""}, {INT32_MAX, 1, ""},
      // Past the defined cases the count of stored cases reaches the last one; past case 1000 it
      // stops with code 194 and the request goes on with that count.
      {4, 0, ""}, {1001, 0, "D4ODUDO.EXE 194\n"}, {1150, 0, "D4ODUDO.EXE 194\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.loadCase);
    ScriptedModule m;
    Request r(kOutput, 1, 20, 0, row.loadCase);
    m.AddFile(kOutput, bytes);
    r.RunOn(m.module);
    EXPECT_EQ(r.status, row.status);
    const std::string* chain = m.files.Find("x4chain.");
    EXPECT_EQ(chain != nullptr ? *chain : "", row.chainFile);
    if (row.status == 0) {
      EXPECT_EQ(std::memcmp(r.res, lastCase.res, sizeof r.res), 0);  // the last stored case's
      EXPECT_EQ(std::string(r.caseLabel, 150), std::string(150, ' '));
    } else {
      ASSERT_EQ(m.ui.messages.size(), 1u);
      EXPECT_EQ(m.ui.messages[0].text, kNoOutput);
    }
  }
  // Such a case at a node without restraint is a node without restraint.
  ScriptedModule m;
  m.AddFile(kOutput, bytes);
  Request r(kOutput, 1, 30, 0, 1001);
  r.RunOn(m.module);
  EXPECT_EQ(r.status, 2);
  ASSERT_EQ(m.ui.messages.size(), 1u);
  EXPECT_EQ(m.ui.messages[0].text, kNoRestraint);
}

TEST(HostileInputTest, AbsurdWorkAreaSizes) {
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(RichJob(1531), &map);
  // A value longer than the 260-byte read buffer cannot be read: it is reported and replaced by
  // the default, which this job fits in.
  const std::string unreadable = ScriptedSettingsStore().ErrorText(ScriptedSettingsStore::kMoreData);
  const struct {
    std::string setting;
    int status;
    std::vector<std::string> messages;
  } rows[] = {
      {"0", 2, {kNoRestraint}},
      {"-4000", 2, {kNoRestraint}},
      // Beyond 2^31 saturates to the largest size (2 GiB, which this job fits in); wrapping
      // would have left 404 bytes, too few.
      {"4294967700", 0, {}},
      {std::string(300, '9'), 0, {unreadable}},
      {"-" + std::string(299, '9'), 0, {unreadable}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.setting.substr(0, 12));
    ScriptedModule m;
    m.settings.PutValue(kSettingsKey, "XMS Memory Allocated", row.setting);
    const Outcome o = RunRequest(m, bytes);
    EXPECT_EQ(o.status, row.status);
    EXPECT_EQ(o.messages, row.messages);
    if (row.status == 2) {
      EXPECT_LT(o.lastRecord, map.caseBlocksFirst);
    }
    const bool replaced = row.setting.size() > 260;
    EXPECT_EQ(m.settings.Value(kSettingsKey, "XMS Memory Allocated"),
              replaced ? "12000000" : row.setting);
  }
}

}  // namespace
}  // namespace viru4deduz::testing
