// Complete requests: the loads at a node, the displacements of two nodes, the case named by the
// host or chosen by the user, through the loaded module for every version; and the assembly
// rules on their own.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "extract/assembly.h"
#include "extract/extraction_driver.h"
#include "test_support.h"

namespace viru4deduz::testing {
namespace {

// A value as the file of that version stores it.
float Stored(float value, std::int32_t version) {
  if (version >= 1510) return value;
  const auto packed = writer::PackReal3(value);
  return UnpackReal3(packed.data());
}

// The loads at node in case k (0-based) as the assembly must give them: the entries ordered by
// the plain exchange sort, their components added in that order in single precision, rounded.
std::array<float, 6> ExpectedLoads(const writer::OutputJob& job, std::int32_t node, std::size_t k) {
  std::vector<std::size_t> order(job.restraints.size());
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    for (std::size_t j = i + 1; j < order.size(); ++j) {
      if (job.restraints[order[j]].node < job.restraints[order[i]].node) std::swap(order[i], order[j]);
    }
  }
  std::array<float, 6> sum{};
  for (std::size_t e : order) {
    if (job.restraints[e].node != node) continue;
    for (std::size_t m = 0; m < 6; ++m) sum[m] += Stored(job.loads[k][e][m], job.version);
  }
  for (float& v : sum) v = RoundLoad(v);
  return sum;
}

std::string Label(const std::string& text) { return text + std::string(150 - text.size(), ' '); }

class CompleteRequestTest : public HostTest, public ::testing::WithParamInterface<std::int32_t> {
 protected:
  std::string Case1Label() const {
    return GetParam() < 1400 ? "CASE 1 (OPE) W+T1+P1" : "CASE 1 (OPE) W+2.5T1+P1";
  }
};

TEST_P(CompleteRequestTest, LoadsOfSeveralEntriesStoredOutOfNodeOrder) {
  const writer::OutputJob job = RichJob(GetParam());
  const std::string path = AddJob("rich", job);
  for (int caseNumber : {1, 2, 3}) {
    Request r(path, 1, 20, 0, caseNumber);
    r.Run(module_.getLoads);
    ASSERT_EQ(r.status, 0);
    const auto expected = ExpectedLoads(job, 20, static_cast<std::size_t>(caseNumber - 1));
    for (int m = 0; m < 6; ++m) EXPECT_EQ(r.res[m][0], expected[static_cast<std::size_t>(m)]);
    EXPECT_EQ(r.loadCase, caseNumber);
  }
  Request second(path, 1, 20, 0, 2);
  second.Run(module_.getLoads);
  EXPECT_EQ(std::string(second.caseLabel, 150), Label("CASE 2 (SUS) W+D1"));
  Request third(path, 1, 20, 0, 3);
  third.Run(module_.getLoads);
  EXPECT_EQ(std::string(third.caseLabel, 150), Label("CASE 3 (EXP) L3=L1-L2"));
  EXPECT_TRUE(ui_.listDialogs.empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_P(CompleteRequestTest, DisplacementsOfTwoNodesOneMissing) {
  const writer::OutputJob job = RichJob(GetParam());
  Request r(AddJob("rich", job), 2, 15, 30, 3);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0);
  const auto& d = job.displacements[2][2];  // node 30 is the third node
  for (int m = 0; m < 6; ++m) {
    EXPECT_EQ(r.res[m][0], 0.0f);
    const float stored = Stored(d[static_cast<std::size_t>(m)], GetParam());
    EXPECT_EQ(r.res[m][1], m < 3 ? stored : stored * kDegreesPerRadian);
  }
}

TEST_P(CompleteRequestTest, NodeWithoutRestraintAndWorkAreaOneWordShort) {
  const writer::OutputJob job = RichJob(GetParam());
  const std::string path = AddJob("rich", job);
  Request free(path, 1, 30, 0, 1);
  free.Run(module_.getLoads);
  EXPECT_EQ(free.status, 2);
  EXPECT_EQ(std::string(free.caseLabel, 150), Label(Case1Label()));

  // Case blocks (from 1440) + 70 + 2*6 + 12*6*3 + 6*70*3 + 64*2 words.
  const int words = (GetParam() >= 1440 ? 16 : 0) + 70 + 12 + 216 + 1260 + 128;
  SetWorkAreaSize(std::to_string(4 * words));
  Request exact(path, 1, 20, 0, 1);
  exact.Run(module_.getLoads);
  EXPECT_EQ(exact.status, 0);
  SetWorkAreaSize(std::to_string(4 * words - 1));
  Request shortOne(path, 1, 20, 0, 1);
  shortOne.Run(module_.getLoads);
  EXPECT_EQ(shortOne.status, 2);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text, "No restraint found with this node number.");
}

TEST_P(CompleteRequestTest, UserChoosesTheCaseAfterTheSkippedOnes) {
  writer::OutputJob job = RichJob(GetParam());
  job.skippedCaseCount = 2;
  ui_.listActions.push_back(ScriptedUserInterface::Ok(0));
  Request r(AddJob("rich", job), 1, 20, 0, 0);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.loadCase, 3);
  EXPECT_STREQ(r.caseLabel, "CASE 3 (EXP) L3=L1-L2");
  ASSERT_EQ(ui_.listDialogs.size(), 1u);
  EXPECT_EQ(ui_.listDialogs[0].title, "Load Case Selection");
  EXPECT_EQ(ui_.listDialogs[0].entries, std::vector<std::string>{"CASE 3 (EXP) L3=L1-L2"});
}

INSTANTIATE_TEST_SUITE_P(AllVersions, CompleteRequestTest, ::testing::ValuesIn(kVersions));

using SelectionTest = HostTest;

TEST_F(SelectionTest, OkWithoutSelectionIsRefusedAndCancelGivesNoResult) {
  const std::string path = AddJob("rich", RichJob(1531));
  ui_.listActions = {ScriptedUserInterface::Ok(-1), ScriptedUserInterface::Cancel()};
  Request r(path, 1, 20, 0, 0);
  std::memset(r.caseLabel, 'x', sizeof r.caseLabel);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.loadCase, 0);
  EXPECT_EQ(std::string(r.caseLabel, 150), std::string(150, ' '));
  ASSERT_EQ(ui_.messages.size(), 1u);  // the refusal; a cancel says nothing
  EXPECT_EQ(ui_.messages[0].text, "Sorry, you can not use [OK] until a load case is selected.");
  EXPECT_EQ(ui_.messages[0].type, 0x10u);
  EXPECT_EQ(ui_.listDialogs[0].entries,
            (std::vector<std::string>{"CASE 1 (OPE) W+2.5T1+P1", "CASE 2 (SUS) W+D1", "CASE 3 (EXP) L3=L1-L2"}));

  ui_.listActions = {ScriptedUserInterface::Ok(1)};
  Request chosen(path, 1, 20, 0, 0);
  chosen.Run(module_.getLoads);
  EXPECT_EQ(chosen.status, 0);
  EXPECT_EQ(chosen.loadCase, 2);
  EXPECT_STREQ(chosen.caseLabel, "CASE 2 (SUS) W+D1");
}

TEST_F(SelectionTest, CaseNumbersNoFileCanHoldGiveNoResult) {
  const std::string path = AddJob("rich", RichJob(1530));
  for (int caseNumber : {-1, 4, 1151}) {
    SCOPED_TRACE(caseNumber);
    ui_.messages.clear();
    Request r(path, 1, 20, 0, caseNumber);
    r.Run(module_.getLoads);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "No output available for this TALVOR job.");
  }
}

TEST(AssemblyTest, RoundingSortAndDegrees) {
  EXPECT_EQ(RoundLoad(1.2f + 2.2f + -0.1f), 3.0f);
  EXPECT_EQ(RoundLoad(-2.5f), -3.0f);
  EXPECT_EQ(RoundLoad(2.5f), 3.0f);
  EXPECT_EQ(RoundLoad(-0.4f), 0.0f);
  EXPECT_EQ(RoundLoad(3.0e9f), 3.0e9f);  // beyond the 32-bit step: already whole, returned as is
  EXPECT_EQ(RoundLoad(-3.0e9f), -3.0e9f);

  std::vector<std::int32_t> nodes{30, 10, 20, 10}, tags{1, 2, 3, 4}, slice(48);
  for (int e = 0; e < 4; ++e) slice[static_cast<std::size_t>(12 * e)] = std::bit_cast<std::int32_t>(1.0f + e);
  SortRestraintEntries(nodes, tags, slice, 4);
  EXPECT_EQ(nodes, (std::vector<std::int32_t>{10, 10, 20, 30}));
  EXPECT_EQ(tags, (std::vector<std::int32_t>{2, 4, 3, 1}));
  float result[6] = {};
  std::int32_t status = 9;
  const int node[1] = {10};
  SumRestraintLoads(nodes, slice, 4, node, result, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(result[0], 6.0f);  // 2 + 4

  const std::vector<std::int32_t> list{15};
  std::vector<std::int32_t> group;
  for (float v : {0.1f, 0.2f, 0.3f, 0.01f, 0.0f, -0.02f}) group.push_back(std::bit_cast<std::int32_t>(v));
  float sets[12] = {};
  const int twice[2] = {15, 15};
  ExtractDisplacements(list, group, 1, twice, sets, 2, status);
  EXPECT_FLOAT_EQ(sets[3], 0.5729578f);
  EXPECT_FLOAT_EQ(sets[5], -1.1459156f);
  EXPECT_EQ(std::memcmp(sets, sets + 6, 6 * sizeof(float)), 0);
}

TEST(AssemblyTest, StoredCaseOrdinal) {
  ScriptedModule m;
  Table<std::int32_t, 1000> starts, legacy;
  legacy[1] = 1, legacy[3] = 1;
  std::int32_t ordinal = 0;
  CountStoredCases(m.module.env(), starts, 3, ordinal, legacy, 1211);
  EXPECT_EQ(ordinal, 2);
  starts[1] = 2, starts[2] = 6, starts[3] = 10;
  CountStoredCases(m.module.env(), starts, 3, ordinal, legacy, 1430);
  EXPECT_EQ(ordinal, 3);
  CountStoredCases(m.module.env(), starts, 0, ordinal, legacy, 1430);  // never met: stop 194
  EXPECT_EQ(*m.files.Find("x4chain."), "D4ODUDO.EXE 194\n");
}

// Random restraint lists with many equal node numbers: the module's sums equal those of a plain
// transcription of the exchange sort, bit for bit.
TEST(AssemblyTest, SumsFollowTheExchangeSortOrder) {
  std::mt19937 random(20261206);
  std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
  for (int trial = 0; trial < 40; ++trial) {
    writer::OutputJob job;
    job.version = 1531;
    job.nodes = {1, 2, 3, 4, 5};
    const int entries = 1 + static_cast<int>(random() % 60);
    for (int e = 0; e < entries; ++e) job.restraints.push_back({static_cast<std::int32_t>(1 + random() % 5), e});
    job.resultCountB = entries;
    job.codes = {-4, 1, -999};
    job.loads.emplace_back();
    for (int e = 0; e < entries; ++e) {
      std::array<float, 12> group{};
      for (float& v : group) v = value(random);
      job.loads[0].push_back(group);
    }
    ScriptedModule m;
    m.AddFile("/J/R._P", writer::WriteOutputFile(job));
    for (std::int32_t node = 1; node <= 5; ++node) {
      Request r("/J/R._P", 1, node, 0, 1);
      r.RunOn(m.module);
      const bool present = std::any_of(job.restraints.begin(), job.restraints.end(),
                                       [&](const writer::RestraintEntry& e) { return e.node == node; });
      ASSERT_EQ(r.status, present ? 0 : 2);
      if (!present) continue;
      const auto expected = ExpectedLoads(job, node, 0);
      for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.res[k][0]), std::bit_cast<std::uint32_t>(expected[static_cast<std::size_t>(k)]));
      }
    }
  }
}

}  // namespace
}  // namespace viru4deduz::testing
