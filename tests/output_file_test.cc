// Output files of every version, written by the project's writer and read back through the
// control data and results block readers over the scripted record runtime.
#include <gtest/gtest.h>

#include <bit>
#include <numeric>
#include <cstring>

#include "common/fixed_text.h"
#include "extract/extraction_driver.h"
#include "outfile/legacy_layouts.h"
#include "outfile/output_control.h"
#include "outfile/results_block.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr int kUnit = 39;

// A value as the file of that version stores it.
float Stored(float value, std::int32_t version) {
  if (version >= 1510) return value;
  const auto packed = writer::PackReal3(value);
  return UnpackReal3(packed.data());
}

class OutputFileTest : public ::testing::TestWithParam<std::int32_t> {
 protected:
  // Reads the control data of the job written for the version; returns extractStatus.
  std::int32_t ReadControl(const writer::OutputJob& job) {
    m_.records.AddFile("OUT._P", writer::WriteOutputFile(job, &map_));
    char name[256];
    SetField(name, 256, "OUT._P");
    std::int32_t status = 7;
    ReadOutputControl(readers_, out_, status, kUnit, name, 0);
    return status;
  }
  // Reads the results block into a work area sized for it.
  std::vector<std::int32_t> ReadResults() {
    const ControlData& c = out_.control;
    const std::int64_t r = std::int64_t{c.hangerCount()} + c.resultCountB() + c.resultCountC();
    std::vector<std::int32_t> area(static_cast<std::size_t>(8 * c.caseBlockCount() + RestraintLayoutWords(c)), -1);
    regions_.nodeList = 1 + 8 * c.caseBlockCount();
    regions_.restraintNodes = regions_.nodeList + c.nodeCount();
    regions_.restraintTags = regions_.restraintNodes + r;
    regions_.hangerRecords = regions_.restraintTags + r;
    regions_.restraintLoads = regions_.hangerRecords + 64 * c.hangerCount();
    regions_.displacements = regions_.restraintLoads + 12 * r * c.resultCaseCount();
    ReadCaseBlocks(readers_, c.caseBlockCount(), area, kUnit, c.caseBlockRecord());
    ResultsShape shape{c.fileVersion(), c.nodeCount(), static_cast<std::int32_t>(r), c.hangerCount(),
                       c.resultCaseCount(), c.resultStartRecord()};
    ReadResultsBlock(readers_, area, shape, kUnit, regions_);
    return area;
  }

  ScriptedModule m_;
  RecordIo io_;
  RecordReaders readers_{m_.module.env(), io_};
  OutputData out_;
  writer::FileMap map_;
  WorkAreaRegions regions_;
};

TEST_P(OutputFileTest, ControlDataAndTablesReadBack) {
  const std::int32_t version = GetParam();
  const writer::OutputJob job = RichJob(version);
  ASSERT_EQ(ReadControl(job), 0);
  const ControlData& c = out_.control;
  EXPECT_EQ(c.fileVersion(), version);
  EXPECT_EQ(c.nodeCount(), 70);
  EXPECT_EQ(c.hangerCount(), 2);
  EXPECT_EQ(c.resultCountB(), 1);
  EXPECT_EQ(c.resultCountC(), 3);
  EXPECT_EQ(c.resultCaseCount(), 3);
  EXPECT_EQ(c.caseBlockCount(), version >= 1440 ? 2 : 0);
  const LoadCaseTables& t = out_.tables;
  // Older files keep only what their layout holds; the combination of a file below 1400 comes
  // back from its legacy list with factors of magnitude 1 and the end code over its marker.
  for (std::size_t p = 0; p < job.codes.size(); ++p) {
    EXPECT_EQ(t.code[static_cast<int>(p) + 1], job.codes[p]) << "code " << p + 1;
    if (version >= 1400) {
      EXPECT_EQ(t.factor[static_cast<int>(p) + 1], job.factors[p]) << "factor " << p + 1;
      EXPECT_EQ(t.factorDecimals[static_cast<int>(p) + 1], job.decimals[p]) << "decimals " << p + 1;
    }
  }
  EXPECT_EQ(t.code[30000], 0);
  for (int caseIndex = 1; caseIndex <= 3; ++caseIndex) {
    EXPECT_EQ(t.option[caseIndex], job.options.at({caseIndex, 1}));
    EXPECT_EQ(t.option[1000 + caseIndex], job.options.at({caseIndex, 2}));
    // A combination of a file below 1400 gets no real options from the legacy lists.
    EXPECT_EQ(t.realOption[caseIndex], version < 1400 && caseIndex == 3 ? kNotSetFactor : 1.0);
    if (version >= 1400) {
      EXPECT_EQ(t.option[14000 + caseIndex], 7000 + caseIndex);
    }
  }
  if (version < 1400) {
    EXPECT_EQ(t.factor[3], 1.0);  // the old code list carries no factors
    EXPECT_EQ(t.factor[10], -1.0);
    EXPECT_EQ(out_.legacy.fullListStart[3], 1);
  }
  EXPECT_EQ(t.option[150], -1);  // case 150, column 1
  EXPECT_EQ(TrimmedText(&t.names[133], 132), "SUSTAINED");
  EXPECT_EQ(t.extra[2], version >= 1530 ? 6 : 0);
}

TEST_P(OutputFileTest, ResultsBlockLandsInTheSameRegionsForEveryVersion) {
  const std::int32_t version = GetParam();
  const writer::OutputJob job = RichJob(version);
  ASSERT_EQ(ReadControl(job), 0);
  const std::vector<std::int32_t> area = ReadResults();
  ASSERT_EQ(io_.ioErrorFlag, 0);
  auto word = [&](std::int64_t first, std::int64_t i) { return area[static_cast<std::size_t>(first - 1 + i)]; };
  auto real = [&](std::int64_t first, std::int64_t i) { return std::bit_cast<float>(word(first, i)); };

  if (version >= 1440) {
    EXPECT_EQ(area[15], 16);
  }
  for (int n = 0; n < 70; ++n) EXPECT_EQ(word(regions_.nodeList, n), job.nodes[static_cast<std::size_t>(n)]);
  for (int e = 0; e < 6; ++e) {
    EXPECT_EQ(word(regions_.restraintNodes, e), job.restraints[static_cast<std::size_t>(e)].node);
    EXPECT_EQ(word(regions_.restraintTags, e), job.restraints[static_cast<std::size_t>(e)].tag);
  }
  const bool consecutive = version == 110 || version == 210 || version == 610 || version == 710;
  const int firstPart = version < 1400 ? 20 : version < 1530 ? 44 : 47;
  for (int h = 0; h < 2; ++h) {
    const auto& words = job.hangerRecords[static_cast<std::size_t>(h)];
    if (consecutive) {
      for (int w = 0; w < 37; ++w) EXPECT_EQ(word(regions_.hangerRecords, 37 * h + w), words[static_cast<std::size_t>(w)]);
      continue;
    }
    for (int w = 0; w < 47; ++w) {
      EXPECT_EQ(word(regions_.hangerRecords, 47 * h + w), w < firstPart ? words[static_cast<std::size_t>(w)] : 0);
    }
    EXPECT_EQ(word(regions_.hangerRecords, 94 + h), words[static_cast<std::size_t>(firstPart)]);
    for (int w = 0; w < 16; ++w) {
      EXPECT_EQ(word(regions_.hangerRecords, 96 + 16 * h + w), words[static_cast<std::size_t>(firstPart + 1 + w)]);
    }
  }
  for (int k = 0; k < 3; ++k) {
    for (int e = 0; e < 6; ++e) {
      for (int m = 0; m < 12; ++m) {
        const float expected = version >= 1530 || m < 6
                                   ? Stored(job.loads[static_cast<std::size_t>(k)][static_cast<std::size_t>(e)][static_cast<std::size_t>(m)], version)
                                   : 0.0f;
        EXPECT_EQ(real(regions_.restraintLoads, (k * 6 + e) * 12 + m), expected);
      }
    }
    for (int n = 0; n < 70; ++n) {
      for (int m = 0; m < 6; ++m) {
        EXPECT_EQ(real(regions_.displacements, (k * 70 + n) * 6 + m),
                  Stored(job.displacements[static_cast<std::size_t>(k)][static_cast<std::size_t>(n)][static_cast<std::size_t>(m)], version));
      }
    }
  }
}

TEST_P(OutputFileTest, EveryRecordIsReadOnceInIncreasingOrder) {
  ASSERT_EQ(ReadControl(RichJob(GetParam())), 0);
  ReadResults();
  std::vector<std::int64_t> records;
  for (const auto& [unit, record] : m_.records.transfers) records.push_back(record);
  std::vector<std::int64_t> expected(static_cast<std::size_t>(map_.records));
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(records, expected);
}

INSTANTIATE_TEST_SUITE_P(AllVersions, OutputFileTest, ::testing::ValuesIn(kVersions));

TEST(OutputFileLayoutTest, TablesLieInTheRecordsTheirVersionGives) {
  writer::FileMap map;
  writer::WriteOutputFile(RichJob(1530), &map);
  EXPECT_EQ(map.tablesFirst, 2);
  EXPECT_EQ(map.tablesLast, 2346);
  EXPECT_EQ(map.namesFirst, 2347);
  EXPECT_EQ(map.namesLast, 2862);
  EXPECT_EQ(map.extraFirst, 2863);
  EXPECT_EQ(map.extraLast, 2878);
  writer::WriteOutputFile(RichJob(1430), &map);
  EXPECT_EQ(map.tablesLast, 237);
  EXPECT_EQ(map.namesFirst, 238);
  EXPECT_EQ(map.namesLast, 753);
}

TEST(OutputFileLayoutTest, SectionTwoStartsOnTheRecordAfterAFullSectionOne) {
  // 64 node numbers fill the first results record exactly; no loads; the displacements begin at
  // value 1 of the very next record.
  writer::OutputJob job;
  job.version = 1530;
  for (int n = 1; n <= 64; ++n) job.nodes.push_back(n);
  job.codes = {-4, 1, -999};
  job.displacements = {std::vector<std::array<float, 6>>(64, {1.5f, 2, 3, 0, 0, 0})};
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(job, &map);
  ASSERT_EQ(map.resultsLast, map.resultsFirst + 6);  // 1 record of nodes, 384 values in 6
  float first;
  std::memcpy(&first, bytes.data() + map.resultsFirst * 256, 4);
  EXPECT_EQ(first, 1.5f);

  ScriptedModule m;
  m.AddFile("/J/FULL._P", bytes);
  Request r("/J/FULL._P", 2, 64, 1, 1);
  r.RunOn(m.module);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.res[0][0], 1.5f);
  EXPECT_EQ(r.res[0][1], 1.5f);
}

TEST(OutputFileLayoutTest, LegacyListsAreReadUpToPosition100) {
  OutputData out;
  out.tables.code[1] = -4, out.tables.code[2] = 1, out.tables.code[3] = -999;
  out.legacy.caseTypes[1] = 3;
  out.legacy.fullListStart[2] = 98;  // a list that runs past position 100 without its end code
  for (int m = 98; m <= 103; ++m) out.legacy.fullList[m] = m - 96;
  out.legacy.stressListStart[3] = 1;
  out.legacy.stressList[1] = -1, out.legacy.stressList[2] = -999;
  ConvertLegacyCaseLists(out);
  ExpandCaseTables(out);
  // Case 2 takes list positions 98..100; case 3's marker is written over the last of them.
  const std::int32_t expected[] = {-4, 1, -888, 2, 3, -888, 1, -999};
  for (int p = 1; p <= 8; ++p) EXPECT_EQ(out.tables.code[p], expected[p - 1]) << p;
  EXPECT_EQ(out.tables.factor[7], -1.0);
  EXPECT_EQ(out.tables.Option(3, 4), 6);  // a stress-only list
  EXPECT_EQ(out.tables.Option(3, 5), 1);
  EXPECT_EQ(out.tables.Option(1, 6), 1);  // an occasional case
  EXPECT_EQ(out.tables.RealOption(1, 2), 0.0);
}

TEST(OutputFileLayoutTest, SameValuesGiveTheSameBlocksPackedOrNot) {
  // 1451 stores packed 3-byte reals, 1510 4-byte reals: values that the packed format holds
  // exactly read back the same from both.
  std::vector<std::vector<std::int32_t>> areas;
  for (std::int32_t version : {1451, 1510}) {
    ScriptedModule m;
    RecordIo io;
    RecordReaders readers(m.module.env(), io);
    writer::OutputJob job = SmallJob(version);
    for (auto& group : job.loads[0]) group = {1.5f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f};
    for (auto& group : job.displacements[0]) group = {0.125f, -0.5f, 3.0f, 0.25f, 1.0f, -8.0f};
    m.records.AddFile("OUT._P", writer::WriteOutputFile(job));
    char name[256];
    SetField(name, 256, "OUT._P");
    OutputData out;
    std::int32_t status = 0;
    ReadOutputControl(readers, out, status, kUnit, name, 0);
    ASSERT_EQ(status, 0);
    std::vector<std::int32_t> area(static_cast<std::size_t>(RestraintLayoutWords(out.control)));
    WorkAreaRegions r{1, 1, 4, 7, 10, 10, 46};
    ReadResultsBlock(readers, area, {version, 3, 3, 0, 1, out.control.resultStartRecord()}, kUnit, r);
    areas.push_back(area);
  }
  EXPECT_EQ(areas[0], areas[1]);
}

}  // namespace
}  // namespace viru4deduz::testing
