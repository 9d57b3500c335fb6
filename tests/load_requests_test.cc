// Complete requests: the loads at a node, the displacements of two nodes, the case named by the
// host or chosen by the user, through the loaded module for every version; and the assembly
// rules on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "extract/assembly.h"
#include "extract/extraction_driver.h"
#include "testing/test_support.h"
#include "writer/legacy_block.h"

namespace viru4deduz::testing {
namespace {

// A value as the file of that version stores it.
float Stored(float value, std::int32_t version) {
  if (version >= 1510) return value;
  const auto packed = writer::PackReal3(value);
  return UnpackReal3(packed.data());
}

// Every node's loads as the assembly must give them: the entries ordered by the exchange sort as
// written, their components added in that order in single precision, rounded.
std::map<std::int32_t, std::array<float, 6>> ExchangeSortSums(const std::vector<std::int32_t>& nodes,
                                                              const std::vector<std::int32_t>& slice) {
  std::vector<std::size_t> order(nodes.size());  // entry indices, swapped in place of the entries
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    for (std::size_t j = i + 1; j < order.size(); ++j) {
      if (nodes[order[j]] < nodes[order[i]]) std::swap(order[i], order[j]);
    }
  }
  std::map<std::int32_t, std::array<float, 6>> sums;
  for (std::size_t e : order) {
    for (std::size_t m = 0; m < 6; ++m) sums[nodes[e]][m] += std::bit_cast<float>(slice[12 * e + m]);
  }
  for (auto& [node, sum] : sums) {
    for (float& v : sum) v = RoundLoad(v);
  }
  return sums;
}

// The loads at node in case k (0-based) of a job.
std::array<float, 6> ExpectedLoads(const writer::OutputJob& job, std::int32_t node, std::size_t k) {
  std::vector<std::int32_t> nodes, slice;
  for (std::size_t e = 0; e < job.restraints.size(); ++e) {
    nodes.push_back(job.restraints[e].node);
    for (float v : job.loads[k][e]) slice.push_back(std::bit_cast<std::int32_t>(Stored(v, job.version)));
  }
  return ExchangeSortSums(nodes, slice)[node];
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
  EXPECT_EQ(ui_.messages[0].caption, "VirU4Deduz");  // the module's own boxes share one caption
  EXPECT_EQ(ui_.listDialogs[0].entries,
            (std::vector<std::string>{"CASE 1 (OPE) W+2.5T1+P1", "CASE 2 (SUS) W+D1", "CASE 3 (EXP) L3=L1-L2"}));

  ui_.listActions = {ScriptedUserInterface::Ok(1)};
  Request chosen(path, 1, 20, 0, 0);
  chosen.Run(module_.getLoads);
  EXPECT_EQ(chosen.status, 0);
  EXPECT_EQ(chosen.loadCase, 2);
  EXPECT_STREQ(chosen.caseLabel, "CASE 2 (SUS) W+D1");
}

// A case whose results the file does not store takes the slice that the count of stored cases
// reaches: past the defined cases, the last one's; in an older file, whose full list marks the
// stored cases, the last marked case's before it. A count of 0 names no slice.
TEST_F(SelectionTest, CaseWithoutStoredResultsTakesTheSliceTheCountReaches) {
  const auto same = [](const Request& a, const Request& b) {
    return std::memcmp(a.res, b.res, sizeof a.res) == 0;
  };
  const std::string current = AddJob("current", RichJob(1440));
  Request third(current, 1, 20, 0, 3), fourth(current, 1, 20, 0, 4);
  third.Run(module_.getLoads);
  fourth.Run(module_.getLoads);
  EXPECT_EQ(fourth.status, 0);
  EXPECT_TRUE(same(third, fourth));
  EXPECT_EQ(std::string(fourth.caseLabel, 150), std::string(150, ' '));

  writer::OutputJob job = RichJob(711);
  job.legacyBlock = writer::LegacyBlockOf(job);
  const auto fullListStart = [&](int k) -> std::int32_t& {  // 200 codes, 20 cases per array
    return job.legacyBlock[static_cast<std::size_t>(200 + 2 * 20 + k - 1)];
  };
  fullListStart(2) = 0;  // case 2 (basic) not stored: the file holds case 1's and case 3's slices
  job.loads.erase(job.loads.begin() + 1);
  job.displacements.erase(job.displacements.begin() + 1);
  const std::string older = AddJob("older", job);
  Request first(older, 1, 20, 0, 1), second(older, 1, 20, 0, 2);
  first.Run(module_.getLoads);
  second.Run(module_.getLoads);
  EXPECT_EQ(second.status, 0);
  EXPECT_TRUE(same(first, second));
  EXPECT_EQ(std::string(second.caseLabel, 17), "CASE 2 (SUS) W+D1");

  fullListStart(1) = 0;
  Request none(AddJob("none", job), 1, 20, 0, 1);
  none.Run(module_.getLoads);
  EXPECT_EQ(none.status, 1);
}

TEST(AssemblyTest, RoundingNodeSumsAndDegrees) {
  EXPECT_EQ(RoundLoad(1.2f + 2.2f + -0.1f), 3.0f);
  EXPECT_EQ(RoundLoad(-2.5f), -3.0f);
  EXPECT_EQ(RoundLoad(2.5f), 3.0f);
  EXPECT_EQ(RoundLoad(-0.4f), 0.0f);
  EXPECT_EQ(RoundLoad(3.0e9f), 3.0e9f);  // beyond the 32-bit step: already whole, returned as is
  EXPECT_EQ(RoundLoad(-3.0e9f), -3.0e9f);

  const std::vector<std::int32_t> nodes{30, 10, 20, 10};
  std::vector<std::int32_t> slice(48);
  for (int e = 0; e < 4; ++e) slice[static_cast<std::size_t>(12 * e)] = std::bit_cast<std::int32_t>(1.0f + e);
  float result[6] = {};
  std::int32_t status = 9;
  const int node[1] = {10};
  SumRestraintLoads(nodes, slice, 4, node, result, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(result[0], 6.0f);  // 2 + 4
  const auto all = SumLoadsAtEveryRestraintNode(nodes, slice, 4);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ((std::array{all[0].node, all[1].node, all[2].node}), (std::array{10, 20, 30}));
  EXPECT_EQ((std::array{all[0].loads[0], all[1].loads[0], all[2].loads[0]}), (std::array{6.0f, 3.0f, 1.0f}));
  SumRestraintLoads(nodes, slice, 0, node, result, status);  // no entries: nothing at any node
  EXPECT_EQ(status, -1);
  EXPECT_TRUE(SumLoadsAtEveryRestraintNode(nodes, slice, 0).empty());

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

// Random lists with many equal node numbers (negative ones too), and such lists in descending and
// in ascending order: the sums at each node, alone and at every node at once, are those of the
// exchange sort as written, bit for bit; a node without entries has none. The loads' magnitudes
// lie far apart, so that adding the same loads in another order changes the rounded sums.
TEST(AssemblyTest, NodeSumsFollowTheExchangeSortOrder) {
  std::mt19937 random(20260115);
  auto bits = [](const float* v) {
    std::array<std::uint32_t, 6> b{};
    for (std::size_t m = 0; m < 6; ++m) b[m] = std::bit_cast<std::uint32_t>(v[m]);
    return b;
  };
  using NodeBits = std::pair<std::int32_t, std::array<std::uint32_t, 6>>;
  std::vector<NodeBits> want, alone, atOnce;
  std::vector<std::int32_t> nodes, slice;
  for (int list = 0; list < 2000; ++list) {
    const std::size_t length = 1 + random() % (list % 23 == 0 ? 300 : 40);  // long ones of each order
    const auto range = static_cast<std::int32_t>(1 + random() % (list % 3 == 0 ? 200 : 8));
    nodes.clear(), slice.clear(), want.clear(), alone.clear(), atOnce.clear();
    for (std::size_t e = 0; e < length; ++e) {
      nodes.push_back(static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(range)) - range / 3);
      for (int m = 0; m < 12; ++m) {
        const float mantissa = static_cast<float>(random() % 2001) - 1000.0f;
        slice.push_back(std::bit_cast<std::int32_t>(std::ldexp(mantissa, static_cast<int>(random() % 36) - 10)));
      }
    }
    if (list % 10 == 1) std::sort(nodes.begin(), nodes.end(), std::greater<>());
    if (list % 10 == 2) std::sort(nodes.begin(), nodes.end());
    const auto count = static_cast<std::int32_t>(length);
    const auto expected = ExchangeSortSums(nodes, slice);
    for (const auto& [node, sums] : expected) {
      want.emplace_back(node, bits(sums.data()));
      float result[6] = {};
      std::int32_t status = 9;
      SumRestraintLoads(nodes, slice, count, &node, result, status);
      alone.emplace_back(status == 0 ? node : -9999, bits(result));
    }
    for (const RestraintNodeLoads& at : SumLoadsAtEveryRestraintNode(nodes, slice, count)) {
      atOnce.emplace_back(at.node, bits(at.loads.data()));
    }
    ASSERT_EQ(alone, want) << "list " << list;
    ASSERT_EQ(atOnce, want) << "list " << list;
    float result[6] = {};
    std::int32_t status = 0;
    const int absent = expected.begin()->first - 1;
    SumRestraintLoads(nodes, slice, count, &absent, result, status);
    ASSERT_EQ(status, -1) << "list " << list;
    ASSERT_EQ(bits(result), bits(std::array<float, 6>{}.data())) << "list " << list;
  }
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

}  // namespace
}  // namespace viru4deduz::testing
