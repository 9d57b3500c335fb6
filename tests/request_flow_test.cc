// The request flow of one module instance over scripted layers: archive calls, the output file's
// name, the version list, the room test, the chain file and the settings it reads.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "outfile/fatal_stop.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";

// A legacy block (210, 460 or 2300 words) with one stored basic case of stress type 4.
std::vector<std::int32_t> LegacyBlock(std::int32_t version) {
  const int codes = version < 500 ? 40 : version < 1000 ? 200 : 1000;
  const int starts = version < 1000 ? 20 : 100;
  const int lists = version < 500 ? 30 : version < 1000 ? 60 : 300;
  std::vector<std::int32_t> block(static_cast<std::size_t>(codes + 4 * starts + 3 * lists), 0);
  const std::int32_t end = version < 1000 ? -99 : -999;
  block[0] = -4, block[1] = 1, block[2] = 3, block[3] = end;
  block[static_cast<std::size_t>(codes + 2 * starts)] = 1;  // the full list start of case 1: stored
  block[static_cast<std::size_t>(codes + 3 * starts)] = 4;  // its stress type
  return block;
}

writer::OutputJob JobOfVersion(std::int32_t version) {
  writer::OutputJob job = SmallJob(version);
  if (version < 1400) job.legacyBlock = LegacyBlock(version);
  return job;
}

class RequestFlowTest : public ::testing::Test {
 protected:
  void AddJob(const std::string& outputName, const writer::OutputJob& job) {
    m_.AddFile(outputName, writer::WriteOutputFile(job));
  }
  void SetWorkAreaBytes(std::int64_t bytes) {
    m_.settings.PutValue(kSettingsKey, "XMS Memory Allocated", std::to_string(bytes));
  }
  ScriptedModule m_;
};

TEST_F(RequestFlowTest, ArchiveSeesTheHostPathTheLocalCopyAndTheBlankedPath) {
  AddJob("/JOBS/PIPE1._P", SmallJob());
  Request r("/jobs/pipe1.x4", 1, 10);
  r.RunOn(m_.module);
  ASSERT_EQ(r.status, 0);
  ASSERT_EQ(m_.archive.calls.size(), 3u);
  EXPECT_EQ(m_.archive.calls[0], std::make_pair('E', std::string("/jobs/pipe1.x4")));
  EXPECT_EQ(m_.archive.calls[1], std::make_pair('E', std::string("/JOBS/PIPE1._P")));
  EXPECT_EQ(m_.archive.calls[2], std::make_pair('P', std::string("/JOBS/PIPE1   ")));
  EXPECT_STREQ(r.jobPath, "/JOBS/PIPE1._P");
}

TEST_F(RequestFlowTest, PathEndingInQReadsTheQOutput) {
  AddJob("/JOBS/PIPE1._Q", SmallJob());
  m_.ui.fileAnswers.push_back("/jobs/pipe1._q");
  Request r("", 1, 10);
  r.RunOn(m_.module);
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(m_.records.opens.size(), 1u);
  EXPECT_EQ(m_.records.opens[0].second, "/jobs/pipe1._q");  // as the user spelled it
}

TEST_F(RequestFlowTest, EveryAcceptedVersionDeliversTheLoads) {
  for (std::int32_t version : {110, 111, 210, 211, 610, 611, 710, 711, 1111, 1211, 1430, 1431,
                               1440, 1441, 1450, 1451, 1510, 1511, 1520, 1521, 1530, 1531}) {
    SCOPED_TRACE(version);
    const std::string name = "/J/V" + std::to_string(version) + "._P";
    AddJob(name, JobOfVersion(version));
    Request r(name, 1, 10);
    r.RunOn(m_.module);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.res[0][0], 2.0f);
    EXPECT_EQ(r.res[5][0], 106.0f);
    EXPECT_EQ(m_.records.closes.back(), 39);
    EXPECT_FALSE(m_.records.IsOpen(39));
  }
}

// A module keeps its tables between requests: what a file yields must not depend on the file
// read before it, whichever layout either has.
TEST_F(RequestFlowTest, TablesNeverKeepAnythingOfTheFileReadBefore) {
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
  AddJob("/J/NOISY._P", noisy);
  for (std::int32_t version : kVersions) {
    SCOPED_TRACE(version);
    const std::string name = "/J/V" + std::to_string(version) + "._P";
    AddJob(name, JobOfVersion(version));
    ScriptedModule fresh;
    fresh.AddFile(name, writer::WriteOutputFile(JobOfVersion(version)));
    Request first(name, 1, 10), noise("/J/NOISY._P", 1, 10), after(name, 1, 10);
    first.RunOn(fresh.module);
    noise.RunOn(m_.module);
    after.RunOn(m_.module);
    const LoadCaseTables& a = fresh.module.state().output.tables;
    const LoadCaseTables& b = m_.module.state().output.tables;
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(std::memcmp(after.caseLabel, first.caseLabel, sizeof first.caseLabel), 0);
  }
}

TEST_F(RequestFlowTest, ExactlyEnoughRoomPassesAndOneWordLessDoesNot) {
  AddJob("/J/ROOM._P", SmallJob());
  // 3 nodes, 3 entries, 1 case: 3 + 2*3 + 12*3 + 6*3 = 63 words.
  SetWorkAreaBytes(63 * 4);
  Request fits("/J/ROOM._P", 1, 10);
  fits.RunOn(m_.module);
  EXPECT_EQ(fits.status, 0);
  SetWorkAreaBytes(63 * 4 - 1);
  Request shortByOne("/J/ROOM._P", 1, 10);
  shortByOne.RunOn(m_.module);
  EXPECT_EQ(shortByOne.status, 2);
  EXPECT_EQ(m_.ui.messages.back().text, "No restraint found with this node number.");
}

TEST_F(RequestFlowTest, TablesThatCannotBeReadAreNoOutput) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1530));
  bytes.resize(100 * 256 + 17);  // cut inside the code list
  m_.AddFile("/J/CUT._P", bytes);
  Request r("/J/CUT._P", 1, 10);
  r.RunOn(m_.module);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(m_.ui.messages.size(), 2u);
  EXPECT_EQ(m_.ui.messages[0].text, "Error    36 reading in QREAD4 on REC=   102");
  EXPECT_EQ(m_.ui.messages[1].text, "No output available for this TALVOR job.");
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 7\n");

  // The next request of the same module starts with a clear read error flag.
  AddJob("/J/GOOD._P", SmallJob(1530));
  Request next("/J/GOOD._P", 1, 10);
  next.RunOn(m_.module);
  EXPECT_EQ(next.status, 0);
}

TEST_F(RequestFlowTest, MarkersPastTheThousandthCaseAreNotListed) {
  writer::OutputJob job = SmallJob(1530);
  job.codes.clear();
  for (int k = 0; k < 1001; ++k) job.codes.insert(job.codes.end(), {-4, 1});
  job.codes.push_back(-999);
  job.loads.resize(1000, job.loads[0]);
  AddJob("/J/MANY._P", job);
  Request last("/J/MANY._P", 1, 10, 0, 1000);
  last.RunOn(m_.module);
  EXPECT_EQ(last.status, 0);
  EXPECT_EQ(m_.module.state().driver.caseCount, 1000);
  Request beyond("/J/MANY._P", 1, 10, 0, 1001);  // the count stops at 1000: case 1000's slice
  beyond.RunOn(m_.module);
  EXPECT_EQ(beyond.status, 0);
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 194\n");
}

TEST_F(RequestFlowTest, ChainFileCarriesTheUserSuffixAndOnlyTheLastStop) {
  m_.settings.PutValue(kSettingsKey, "VESKO_USER", "ab  ");
  Env& env = m_.module.env();
  STOPQ2(env, 7);
  STOPQ2(env, 409);
  ASSERT_NE(m_.files.Find("x4chain.ab"), nullptr);
  EXPECT_EQ(*m_.files.Find("x4chain.ab"), "D4ODUDO.EXE 409\n");
  EXPECT_EQ(m_.files.Find("x4chain.ab")->size(), 16u);
  EXPECT_TRUE(m_.ui.messages.empty());
}

TEST_F(RequestFlowTest, ChainFileThatCannotBeCreatedGivesOneBoxPerStop) {
  m_.files.failCreate["x4chain."] = EACCES;
  STOPQ2(m_.module.env(), 409);
  STOPQ2(m_.module.env(), 7);
  ASSERT_EQ(m_.ui.messages.size(), 2u);
  EXPECT_EQ(m_.ui.messages[0].caption, "STOPQ2 chain file creation. #409");
  EXPECT_EQ(m_.ui.messages[0].text, m_.files.ErrorText(EACCES));
  EXPECT_EQ(m_.ui.messages[0].type & 0xF0u, 0x10u);
  EXPECT_EQ(m_.ui.messages[1].caption, "STOPQ2 chain file creation. #7");
  EXPECT_EQ(m_.files.Find("x4chain."), nullptr);
}

TEST(UnitTransferTableTest, LabelsAreCutBlankedAndKeptApartPerKind) {
  UnitTransferTable table;
  std::memset(table.labels, 'x', sizeof table.labels);
  table.TransferUnit(6, 1.8f, "FAHRENHEIT");
  table.TransferUnit(13, 2.0f, "kilonewton");
  table.TransferUnit(0, 25.4f, "m");
  table.TransferUnit(1, 3.0f, "");
  table.TransferUnit(2, 4.0f, nullptr);
  table.TransferUnit(7, 32.0f, "OFFSET");
  EXPECT_EQ(std::string(table.labels + UnitTransferTable::LabelOffset(6), 2), "Fx");  // kind 7's byte
  EXPECT_EQ(std::string(table.labels + UnitTransferTable::LabelOffset(13), 7), "kilonew");
  EXPECT_EQ(std::string(table.labels + UnitTransferTable::LabelOffset(0), 3), "m  ");
  EXPECT_EQ(std::string(table.labels + UnitTransferTable::LabelOffset(1), 3), "   ");
  EXPECT_EQ(std::string(table.labels + UnitTransferTable::LabelOffset(2), 3), "   ");
  EXPECT_EQ(table.factors[7], 32.0f);
  EXPECT_EQ(UnitTransferTable::LabelOffset(21) + 3, 132);

  const UnitTransferTable before = table;
  table.TransferUnit(22, 9.0f, "NO");
  table.TransferUnit(-1, 9.0f, "NO");
  EXPECT_EQ(std::memcmp(&before, &table, sizeof table), 0);
}

}  // namespace
}  // namespace viru4deduz::testing
