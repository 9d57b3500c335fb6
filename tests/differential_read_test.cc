// A request reads only what decides its answer when the file holds every record the full read
// would touch, and the full read otherwise. Both must give a host the same request: the same
// status, values bit for bit, case number, label, path, messages, chain file and read error flag,
// on valid files of every version and on damaged ones.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>

#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kOutput[] = "/J/DIFF._P";

struct Observed {
  Request request;
  std::vector<std::string> messages;
  std::string chainFile;
  std::int32_t ioErrorFlag = 0;
  std::size_t transfers = 0;
};

// The request on a module whose record runtime knows the file's size (reads that follow the
// answer) or does not (the full read).
Observed Run(const std::string& bytes, const Request& request, bool knowsSize) {
  ScriptedModule m;
  m.records.knowsRecordCount = knowsSize;
  m.AddFile(kOutput, bytes);
  Observed o{request, {}, {}, 0, 0};
  o.request.RunOn(m.module);
  for (const auto& message : m.ui.messages) o.messages.push_back(message.caption + ": " + message.text);
  if (const std::string* chain = m.files.Find("x4chain.")) o.chainFile = *chain;
  o.ioErrorFlag = m.module.state().io.ioErrorFlag;
  o.transfers = m.records.transfers.size();
  EXPECT_FALSE(m.records.IsOpen(kOutputUnit));
  return o;
}

// Runs the request both ways and expects the same outcome; returns whether the quick way read
// fewer records (it does whenever it may).
bool SameBothWays(const std::string& bytes, const Request& request) {
  const Observed quick = Run(bytes, request, true), full = Run(bytes, request, false);
  const Request& a = quick.request;
  const Request& b = full.request;
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(std::memcmp(a.res, b.res, sizeof a.res), 0);
  EXPECT_EQ(a.loadCase, b.loadCase);
  EXPECT_EQ(std::memcmp(a.caseLabel, b.caseLabel, sizeof a.caseLabel), 0);
  EXPECT_EQ(std::memcmp(a.jobPath, b.jobPath, sizeof a.jobPath), 0);
  EXPECT_EQ(quick.messages, full.messages);
  EXPECT_EQ(quick.chainFile, full.chainFile);
  EXPECT_EQ(quick.ioErrorFlag, full.ioErrorFlag);
  return quick.transfers < full.transfers;
}

class DifferentialReadTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(DifferentialReadTest, EveryNodeAndCaseOfAValidFile) {
  const std::string bytes = writer::WriteOutputFile(RichJob(GetParam()));
  int quicker = 0;
  for (int loadCase : {1, 2, 3, 4, 1001}) {
    for (int node : {10, 20, 30, 40, 50, 700, -1}) {
      SCOPED_TRACE(::testing::Message() << "case " << loadCase << ", node " << node);
      quicker += SameBothWays(bytes, Request(kOutput, 1, node, 0, loadCase));
      quicker += SameBothWays(bytes, Request(kOutput, 2, node, 700 - node, loadCase));
    }
  }
  EXPECT_EQ(quicker, 5 * 7 * 2);
  // Another mode reads nothing it can answer from, and the selection list is the full read's.
  SameBothWays(bytes, Request(kOutput, 3, 20, 0, 1));
}

TEST_P(DifferentialReadTest, AFileCutInsideItsResults) {
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(RichJob(GetParam()), &map);
  for (std::int32_t record = map.caseBlocksFirst > 0 ? map.caseBlocksFirst : map.resultsFirst;
       record <= map.records; ++record) {
    for (std::size_t cut : {std::size_t{0}, std::size_t{100}}) {
      SCOPED_TRACE(::testing::Message() << "record " << record << " + " << cut << " bytes");
      const std::string damaged = bytes.substr(0, static_cast<std::size_t>(record - 1) * 256 + cut);
      EXPECT_FALSE(SameBothWays(damaged, Request(kOutput, 1, 20, 0, 3)));
      SameBothWays(damaged, Request(kOutput, 2, 20, 700, 3));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllVersions, DifferentialReadTest, ::testing::ValuesIn(kVersions));

TEST(DifferentialReadCountsTest, CountsThatLieOrOverflow) {
  writer::FileMap map;
  writer::WriteOutputFile(RichJob(1531), &map);
  const std::map<int, std::int32_t> rows[] = {
      {{9, -1}}, {{12, -1}}, {{15, -1}}, {{16, INT32_MIN}}, {{26, -1}}, {{9, 2}}, {{9, 4}},
      {{12, 71}}, {{16, 2}}, {{15, 3}}, {{12, INT32_MAX}, {9, INT32_MAX}}, {{16, INT32_MAX}},
      {{20, map.records}}, {{20, map.records + 1}}, {{20, 0}}, {{27, map.records}},
      {{26, 1 << 20}}, {{20, INT32_MAX - 2}},
  };
  for (const auto& items : rows) {
    SCOPED_TRACE(::testing::Message() << "item " << items.begin()->first << " = " << items.begin()->second);
    writer::OutputJob job = RichJob(1531);
    job.itemOverrides = items;
    const std::string bytes = writer::WriteOutputFile(job);
    for (int mode : {1, 2}) SameBothWays(bytes, Request(kOutput, mode, 20, 700, 3));
  }
}

}  // namespace
}  // namespace viru4deduz::testing
