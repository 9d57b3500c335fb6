// The job as values, held against GetLoads through the loaded module on the same files: every
// case and node of the example job in every version, bit for bit, and each failure's cause
// against the status a host gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "VirU4Deduz/Job.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

using api::Cause;
using api::Components;
using api::Job;

Components Set(const Request& r, int set) {
  Components c{};
  for (std::size_t k = 0; k < 6; ++k) c[k] = r.res[k][set];
  return c;
}

bool SameBits(const Components& a, const Components& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

// The cause of what the call throws, or nullopt when it answers.
template <typename Call>
std::optional<Cause> CauseOf(Call call) {
  try {
    call();
  } catch (const api::Error& e) {
    return e.cause();
  }
  return std::nullopt;
}

class ApiTest : public HostTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(ApiTest, EveryCaseAndNodeAnswersAsGetLoads) {
  const writer::OutputJob example = RichJob(GetParam());
  const std::string jobPath = AddJob("pipe", example);
  const Job job = Job::Open(jobPath);
  EXPECT_EQ(job.version(), GetParam());
  EXPECT_EQ(job.Nodes(), example.nodes);
  EXPECT_EQ(job.SupportNodes(), (std::vector<std::int32_t>{10, 20, 40, 50, 700}));
  ASSERT_EQ(job.cases().size(), 3u);
  EXPECT_EQ(std::tuple(job.Case(1).stressType, job.Case(2).stressType, job.Case(3).stressType, job.Case(3).active),
            std::tuple("OPE", "SUS", "EXP", true));
  for (const api::LoadCase& c : job.cases()) {
    ASSERT_TRUE(c.hasResults);
    const std::vector<api::SupportLoads> supports = job.SupportLoadsOf(c.number);
    ASSERT_EQ(supports.size(), 5u);
    for (int node : {10, 20, 30, 40, 50, 700, -1}) {
      SCOPED_TRACE(::testing::Message() << "case " << c.number << ", node " << node);
      Request loads(jobPath, 1, node, 0, c.number), moves(jobPath, 2, node, 700 - node, c.number);
      loads.Run(module_.getLoads);
      moves.Run(module_.getLoads);
      EXPECT_EQ(std::string(loads.caseLabel, 150).substr(0, c.label.size()), c.label);
      const std::optional<Cause> cause = CauseOf([&] { job.LoadsAt(node, c.number); });
      EXPECT_EQ(loads.status, cause ? 2 : 0);
      EXPECT_EQ(cause.value_or(Cause::kNoRestraint), Cause::kNoRestraint);
      if (!cause) {
        EXPECT_TRUE(SameBits(job.LoadsAt(node, c.number), Set(loads, 0)));
        const auto at = std::find_if(supports.begin(), supports.end(), [&](const auto& s) { return s.node == node; });
        ASSERT_NE(at, supports.end());
        EXPECT_TRUE(SameBits(at->loads, Set(loads, 0)));
      }
      ASSERT_EQ(moves.status, 0);
      const auto sets = job.DisplacementsAt(node, 700 - node, c.number);
      EXPECT_TRUE(SameBits(sets[0], Set(moves, 0)) && SameBits(sets[1], Set(moves, 1)));
    }
  }
  int visited = 0;
  job.ForEachCase([&](const api::LoadCase& c, const std::vector<api::SupportLoads>& s) {
    visited += c.number;
    EXPECT_EQ(s.size(), 5u);
  });
  EXPECT_EQ(visited, 1 + 2 + 3);
}

// Cut at or inside any record of its case blocks and results, a file answers through the job
// exactly where GetLoads answers, bit for bit (a record cut short reads as its bytes and zeros in
// both), and elsewhere the job finds it damaged at a record of the file.
TEST_P(ApiTest, ACutFileAnswersWhereGetLoadsAnswers) {
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(RichJob(GetParam()), &map);
  int answered = 0;
  int failed = 0;
  for (std::int32_t record = map.caseBlocksFirst > 0 ? map.caseBlocksFirst : map.resultsFirst;
       record <= map.records; ++record) {
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}}) {
      SCOPED_TRACE(::testing::Message() << "record " << record << " + " << cut << " bytes");
      const std::string name = "cut" + std::to_string(record) + "_" + std::to_string(cut);
      WriteFile(dir_ / (name + "._p"), bytes.substr(0, static_cast<std::size_t>(record - 1) * 256 + cut));
      const Job job = Job::Open(dir_ / (name + ".x4"));
      Request loads(dir_ / (name + ".x4"), 1, 20, 0, 3), moves(dir_ / (name + ".x4"), 2, 20, 30, 3);
      loads.Run(module_.getLoads);
      moves.Run(module_.getLoads);
      const auto expectSame = [&](const Request& r, const auto& call, const auto& same) {
        try {
          const auto answer = call();
          ASSERT_EQ(r.status, 0);
          EXPECT_TRUE(same(answer));
          ++answered;
        } catch (const api::Error& e) {
          EXPECT_EQ(r.status, 1);
          EXPECT_EQ(e.cause(), Cause::kDamaged) << e.what();
          EXPECT_TRUE(e.record() >= record && e.record() <= record + (cut > 0)) << e.what();
          EXPECT_NE(std::string(e.what()).find(name + "._p"), std::string::npos) << e.what();
          ++failed;
        }
      };
      const auto sameLoads = [&](const Components& c) { return SameBits(c, Set(loads, 0)); };
      expectSame(loads, [&] { return job.LoadsAt(20, 3); }, sameLoads);
      expectSame(loads, [&] { return job.SupportLoadsOf(3).at(1).loads; }, sameLoads);  // node 20
      expectSame(moves, [&] { return job.DisplacementsAt(20, 30, 3); },
                 [&](const auto& sets) { return SameBits(sets[0], Set(moves, 0)) && SameBits(sets[1], Set(moves, 1)); });
    }
  }
  EXPECT_TRUE(answered > 0 && failed > 0) << answered << " answered, " << failed << " failed";
}

INSTANTIATE_TEST_SUITE_P(AllVersions, ApiTest, ::testing::ValuesIn(kVersions));

using ApiErrorTest = HostTest;

// A missing job, a file of no version the module reads, a case the job lacks or does not store:
// each a cause of its own where GetLoads has status 1. Distinct jobs answer from two threads.
TEST_F(ApiErrorTest, EachFailureNamesItsCauseAndWhereGetLoadsHasNoResult) {
  EXPECT_EQ(CauseOf([&] { Job::Open(dir_ / "absent.x4"); }), Cause::kMissing);
  WriteFile(dir_ / "other._p", writer::WriteControlRecord(1500));
  EXPECT_EQ(CauseOf([&] { Job::Open(dir_ / "other.x4"); }), Cause::kNotOutputFile);

  writer::OutputJob twoStored = RichJob(1531);
  twoStored.itemOverrides = {{9, 2}};  // the file stores results for cases 1 and 2 only
  const Job stored = Job::Open(AddJob("two", twoStored));
  EXPECT_EQ(std::tuple(CauseOf([&] { stored.LoadsAt(20, 4); }), CauseOf([&] { stored.LoadsAt(20, 3); })),
            std::tuple(Cause::kNoSuchCase, Cause::kNoResults));
  Request noResults(dir_ / "two.x4", 1, 20, 0, 3);
  noResults.Run(module_.getLoads);
  EXPECT_EQ(noResults.status, 1);

  // A negative count: a request lays its part out as nothing and answers; the job lists the
  // cases and says the file is damaged, as inspect does.
  writer::OutputJob negative = RichJob(1531);
  negative.itemOverrides = {{12, -1}};
  const Job lying = Job::Open(AddJob("negative", negative));
  EXPECT_EQ(std::tuple(lying.cases().size(), CauseOf([&] { lying.LoadsAt(20, 1); }), CauseOf([&] { lying.Nodes(); })),
            std::tuple(3u, Cause::kDamaged, Cause::kDamaged));

  const Job one = Job::Open(AddJob("one", RichJob(1531))), two = Job::Open(AddJob("other2", RichJob(1211)));
  const Components a = one.LoadsAt(20, 1), b = two.LoadsAt(20, 1);
  int wrong = 0;
  std::thread t([&] { for (int i = 0; i < 20; ++i) wrong += !SameBits(one.LoadsAt(20, 1), a); });
  for (int i = 0; i < 20; ++i) wrong += !SameBits(two.LoadsAt(20, 1), b);
  t.join();
  EXPECT_EQ(wrong, 0);
}

// The job's selection dialog offers what GetLoads' offers, and a choice names the same case:
// the cases after the skipped ones (a negative count skips none) up to the first without a label.
TEST_F(ApiErrorTest, TheSelectionOffersWhatGetLoadsOffers) {
  writer::OutputJob job = RichJob(1531);
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    job.skippedCaseCount = variant == 1 ? -2 : 1;
    if (variant == 2) {  // case 3 combines case 1001: no label, and the list ends before it
      job.codes = {-4, 1, 3, 6, -4, 1, 2, -888, 1, 1001, -4, 1, -999};
      job.loads.resize(4, job.loads[0]);
      job.displacements.resize(4, job.displacements[0]);
    }
    const std::string path = AddJob("choice" + std::to_string(variant), job);
    ui_.listActions = {ScriptedUserInterface::Ok(0)};
    Request r(path, 1, 20, 0, 0);
    r.Run(module_.getLoads);
    ScriptedUserInterface mine;
    mine.listActions = {ScriptedUserInterface::Ok(0)};
    EXPECT_EQ(Job::Open(path).ChooseCase(mine), std::optional<int>(r.loadCase));
    ASSERT_EQ(std::tuple(ui_.listDialogs.size(), mine.listDialogs.size()), std::tuple(1u, 1u));
    EXPECT_EQ(mine.listDialogs[0].entries, ui_.listDialogs[0].entries);
    EXPECT_EQ(mine.listDialogs[0].entries.size(), variant == 0 ? 2u : variant == 1 ? 3u : 1u);
    ui_.listDialogs.clear();
  }
}

}  // namespace
}  // namespace viru4deduz::testing
