// The output file's readers, over files of the project's writer served by the scripted runtime.
#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>

#include "common/fixed_text.h"
#include "host/fatal_stop.h"
#include "host/host_stops.h"
#include "outfile/legacy_layouts.h"
#include "outfile/results_block.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

class OutputFileTest : public ::testing::TestWithParam<std::int32_t> {};

// RichJob of every version, read by a request (every record once, in order) into the same tables;
// then its case blocks and results block read again into the regions the request laid out.
TEST_P(OutputFileTest, EveryVersionReadsBackIntoTheSameTablesAndRegions) {
  const std::int32_t v = GetParam();
  writer::OutputJob job = RichJob(v);
  if (v < 1440) job.itemOverrides = {{26, 5}, {27, 3}};  // items without meaning before 1440
  writer::FileMap map;
  ScriptedModule m;
  m.AddFile("/J/RICH._P", writer::WriteOutputFile(job, &map));
  m.records.knowsRecordCount = false;  // the full read
  Request request("/J/RICH._P", 1, 20, 0, 1);
  request.RunOn(m.module);
  ASSERT_EQ(std::pair(request.status, m.records.transfers.size()), std::pair(0, static_cast<std::size_t>(map.records)));
  for (std::int64_t i = 1; i <= map.records; ++i) EXPECT_EQ(m.records.transfers[static_cast<std::size_t>(i - 1)].second, i);

  // Below 1400 the combination comes back from its legacy list: factors of magnitude 1, no
  // decimals, no real options, no cycles, and its marker over the basic cases' end code.
  const OutputData& out = m.module.state().output;
  const LoadCaseTables& t = out.tables;
  for (std::size_t p = 0; p < job.codes.size(); ++p) {
    const int i = static_cast<int>(p) + 1;
    EXPECT_EQ(std::tuple(t.code[i], t.factor[i], t.factorDecimals[i]),
              std::tuple(job.codes[p], v < 1400 && i == 3 ? 1.0 : job.factors[p], v < 1400 ? 0 : job.decimals[p])) << i;
  }
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(std::tuple(t.Option(k, 1), t.Option(k, 2), t.Option(k, 15), t.realOption[k]),
              std::tuple(job.options.at({k, 1}), job.options.at({k, 2}), v >= 1400 ? 7000 + k : 0,
                         v < 1400 && k == 3 ? kNotSetFactor : 1.0)) << k;
  }
  EXPECT_EQ(std::tuple(t.code[30000], t.Option(101, 1), out.legacy.fullListStart[3], t.extra[2], TrimmedText(&t.names[133], 132)),
            std::tuple(0, -1, v < 1400 ? 1 : 0, v >= 1530 ? 6 : 0, "SUSTAINED"));

  const WorkAreaRegions& g = m.module.state().driver.regions;
  std::vector<std::int32_t> area(static_cast<std::size_t>(g.displacements - 1 + 6 * 70 * 3), -1);
  RecordIo io;
  IgnoredFailures ignored;
  RecordReaders readers(*m.module.env().records, io, ignored);
  m.records.Open(kOutputUnit, "/J/RICH._P");
  ReadCaseBlocks(readers, out.control.caseBlockCount(), area, kOutputUnit, out.control.caseBlockRecord());
  ReadResultsBlock(readers, area, {v, 70, 6, 2, 3, out.control.resultStartRecord()}, kOutputUnit, g);
  ASSERT_EQ(io.ioErrorFlag, 0);
  auto word = [&](std::int64_t first, std::size_t i) { return area[static_cast<std::size_t>(first - 1) + i]; };
  EXPECT_EQ(v >= 1440 ? area[15] : 16, 16);  // the last word of the case blocks
  for (std::size_t i = 0; i < 70; ++i) EXPECT_EQ(word(g.nodeList, i), job.nodes[i]);
  for (std::size_t e = 0; e < 6; ++e) EXPECT_EQ(word(g.restraintNodes, e), job.restraints[e].node);
  for (std::size_t e = 0; e < 6; ++e) EXPECT_EQ(word(g.restraintTags, e), job.restraints[e].tag);
  // Hanger records: 37 words each, one after another; or split into 47-word slots (zero-filled
  // past the leading words the file holds), then a slot of one word each, then 16-word slots.
  const bool split = !(v == 110 || v == 210 || v == 610 || v == 710);
  const std::size_t leading = v < 1400 ? 20 : v < 1530 ? 44 : 47, slot = split ? 47 : 37;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::vector<std::int32_t>& in = job.hangerRecords[i];
    for (std::size_t w = 0; w < slot; ++w) EXPECT_EQ(word(g.hangerRecords, slot * i + w), !split || w < leading ? in[w] : 0);
    if (!split) continue;
    EXPECT_EQ(word(g.hangerRecords, 94 + i), in[leading]);
    for (std::size_t w = 0; w < 16; ++w) EXPECT_EQ(word(g.hangerRecords, 96 + 16 * i + w), in[leading + 1 + w]);
  }
  // Values as the version stores them: 3-byte packed reals before 1510, 6 loads per entry before 1530.
  auto stored = [&](float x) { return v >= 1510 ? x : UnpackReal3(writer::PackReal3(x).data()); };
  for (std::size_t i = 0; i < 3 * 6 * 12; ++i) {  // case, entry, value
    const float expected = v >= 1530 || i % 12 < 6 ? stored(job.loads[i / 72][i / 12 % 6][i % 12]) : 0.0f;
    EXPECT_EQ(std::bit_cast<float>(word(g.restraintLoads, i)), expected) << i;
  }
  for (std::size_t i = 0; i < 3 * 70 * 6; ++i) {  // case, node, value
    EXPECT_EQ(std::bit_cast<float>(word(g.displacements, i)), stored(job.displacements[i / 420][i / 6 % 70][i % 6])) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AllVersions, OutputFileTest, ::testing::ValuesIn(kVersions));

// Also: every default the conversion and the widening give reaches the end of its table, over
// what an earlier file left there.
TEST(LegacyLayoutTest, CombinationListsAreReadUpToPosition100) {
  OutputData out;
  LoadCaseTables& t = out.tables;
  for (auto* table : {t.factor.data(), t.realOption.data()}) std::fill_n(table, 5000, 7.0);
  for (auto* table : {t.option.data(), t.factorDecimals.data()}) std::fill_n(table, 20000, 7);
  out.tables.code[1] = -4, out.tables.code[2] = 1, out.tables.code[3] = -999;
  out.legacy.caseTypes[1] = 3;  // an occasional case
  out.legacy.fullListStart[2] = 98;  // a list that runs past position 100 without its end code
  for (int m = 98; m <= 103; ++m) out.legacy.fullList[m] = m - 96;
  out.legacy.stressListStart[3] = 1;  // a list of stresses only
  out.legacy.stressList[1] = -1, out.legacy.stressList[2] = -999;
  ConvertLegacyCaseLists(out), ExpandCaseTables(out);
  // Case 2 takes list positions 98..100; case 3's marker is written over the last of them.
  EXPECT_EQ(std::vector(out.tables.code.data(), out.tables.code.data() + 8), std::vector({-4, 1, -888, 2, 3, -888, 1, -999}));
  EXPECT_EQ(std::tuple(out.tables.factor[7], out.tables.Option(3, 4), out.tables.Option(3, 5), out.tables.Option(1, 6),
                       out.tables.RealOption(1, 2)),
            std::tuple(-1.0, 6, 1, 1, 0.0));
  const auto all = [](const auto* first, const auto* last, auto value) {
    return std::count(first, last, value) == last - first;
  };
  EXPECT_TRUE(all(&t.factor[8], t.factor.data() + kCodeTableSize, 1.0));
  EXPECT_TRUE(all(t.factorDecimals.data(), t.factorDecimals.data() + kCodeTableSize, 0));
  for (int j = 1; j <= kOptionColumns; ++j) {
    EXPECT_TRUE(all(&t.Option(101, j), &t.Option(1000, j) + 1, -1)) << "column " << j;
    if (j > kRealOptionColumns) continue;
    EXPECT_TRUE(all(&t.RealOption(101, j), &t.RealOption(1000, j) + 1, kNotSetFactor)) << "column " << j;
    EXPECT_TRUE(all(&t.RealOption(4, j), &t.RealOption(100, j) + 1, kNotSetFactor)) << "column " << j;
  }
  EXPECT_TRUE(all(&t.Option(4, 1), &t.Option(100, 1) + 1, -1));
}

TEST(RecordFormatsTest, PackedRealsAndTheReadErrorMessage) {
  const unsigned char minusTwo[3] = {0, 0, 0xC0}, largest[3] = {0xFF, 0xFF, 0x7F}, finest[3] = {0x01, 0x01, 0x3E};
  EXPECT_EQ(std::tuple(UnpackReal3(minusTwo), UnpackReal3(largest), UnpackReal3(finest)),
            std::tuple(-2.0f, std::ldexp(1.0f, 33) - std::ldexp(1.0f, 15), 1.0f + std::ldexp(1.0f, -9) + std::ldexp(1.0f, -17)));
  EXPECT_EQ(std::tuple(Qread4Message(-1, 123456), Qread4Message(100000, 99999)),
            std::tuple("Error    -1 reading in QREAD4 on REC= *****", "Error ***** reading in QREAD4 on REC= 99999"));
}

// Two records whose word k (0-based over the whole file) holds k; every failure is logged, and
// shown and stopped as a host does.
class RecordReadersTest : public ::testing::Test, public ReadReporter {
 protected:
  void SetUp() override {
    std::string bytes(2 * 256, '\0');
    for (int k = 0; k < 2 * 64; ++k) std::memcpy(&bytes[static_cast<std::size_t>(k) * 4], &k, 4);
    m_.AddFile("OUT._P", bytes);
    m_.records.Open(kOutputUnit, "OUT._P");
  }
  void Report(const ReadFailure& failure) override {
    failures_.push_back(failure);
    host_.Report(failure);
  }
  ScriptedModule m_;
  RecordIo io_;
  HostStops host_{m_.module.env()};
  RecordReaders readers_{*m_.module.env().records, io_, *this};
  std::vector<ReadFailure> failures_;
};

// Whole records or the rest of one, a stream never reads a record before an item of it is wanted.
TEST_F(RecordReadersTest, AStreamReadsTheNextRecordOnlyWhenAnItemIsWanted) {
  std::vector<std::int32_t> words(64);
  StreamCursor cursor{0, kWordStreamUsedUp};
  readers_.QREAD4(words, kOutputUnit, 64, cursor, 0);
  EXPECT_EQ(std::tuple(m_.records.transferCount(), cursor.record, cursor.position, words[63]), std::tuple(1, 1, 65, 63));
  for (int count : {60, 4, 0}) readers_.QREAD4(words, kOutputUnit, count, cursor, 0);
  EXPECT_EQ(std::tuple(m_.records.transferCount(), cursor.record, cursor.position, words[3]), std::tuple(2, 2, 65, 127));
}

// Each reader stops with its own code at the end of the file, whole records at a time or one by
// one, delivering nothing of the record that failed; a block reader then refuses the cursor left
// past it. QREAD4 refuses a position out of range (even for no words) and a count larger than its
// destination, and alone shows a message; the text reader alone leaves the error flag alone.
TEST_F(RecordReadersTest, EachReaderStopsWithItsOwnCode) {
  std::vector<std::int32_t> words(200, -5);
  std::vector<double> reals(64);
  std::vector<char> text(600);
  StreamCursor block{1, kWordBlockUsedUp}, position{1, kWordStreamUsedUp + 1}, stream{1, kWordStreamUsedUp};
  const std::string kEnd = "record could not be read", kOut = "stream position out of range";
  const std::tuple<std::function<std::int32_t()>, int, int, int, std::string> rows[] = {  // read, stop code, flag, record, reason
      {[&] { StreamCursor c{1, 65}; readers_.QREAD4(words, kOutputUnit, 65, c, 0); return c.record; }, 7, -1, 3, kEnd},
      {[&] { StreamCursor c{1, 33}; readers_.ReadDoubleStream(reals, kOutputUnit, 64, c, 0); return c.record; }, 9, -1, 3, kEnd},
      {[&] { std::int32_t r = 1; readers_.ReadTextStream(kOutputUnit, r, text, 600, 0); return r; }, 105, 0, 3, kEnd},
      {[&] { readers_.ReadWordBlock(kOutputUnit, block, words, 65); return block.record; }, 409, -1, 3, kEnd},
      {[&] { readers_.ReadWordBlock(kOutputUnit, block, words, 1); return block.record; }, 409, -1, 3, kOut},
      {[&] { readers_.QREAD4(words, kOutputUnit, 0, position, 0); return position.record; }, 7, -1, 1, kOut},
      {[&] { readers_.QREAD4(std::span(words).first(10), kOutputUnit, 11, stream, 0); return stream.record; }, 7, -1, 1,
       "count larger than its table"},
  };
  for (const auto& [read, stopCode, flag, record, reason] : rows) {
    SCOPED_TRACE(reason + " " + std::to_string(stopCode));
    io_.ioErrorFlag = 0, io_.ioStatus = 0;
    m_.ui.messages.clear(), failures_.clear();
    const std::int32_t named = read(), status = reason == kEnd ? kRecordBeyondEnd : 0;  // 0: no transfer made
    EXPECT_EQ(std::tuple(named, words[64], io_.ioErrorFlag), std::tuple(record, -5, flag));
    EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE " + std::to_string(stopCode) + "\n");
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(std::tuple(failures_[0].stopCode, failures_[0].status, failures_[0].record, std::string(failures_[0].reason)),
              std::tuple(stopCode, status, record, reason));
    ASSERT_EQ(m_.ui.messages.size(), stopCode == 7 ? 1u : 0u);
    for (const auto& message : m_.ui.messages) {
      EXPECT_EQ(std::tuple(message.text, message.caption, message.type), std::tuple(Qread4Message(status, record), "ERROR", 0u));
    }
  }
}

// Files created for writing that take no byte and cannot be closed.
struct UnwritableFiles : MemoryFileSystem {
  struct File : WritableFile {
    int Append(const void*, std::size_t) override { return EIO; }
    int Close() override { return EIO; }
  };
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) override {
    return MemoryFileSystem::CreateForWrite(path, error) ? std::make_unique<File>() : nullptr;
  }
};

// The chain file is "x4chain." and the user text, cut to 11 characters. One that cannot be created
// is reported in one box and left alone; one that cannot be written or closed is not reported.
TEST(FatalStopTest, TheChainFileAndEachWayItCanFail) {
  for (int fault : {0, EACCES, EIO}) {
    ScriptedModule m;
    UnwritableFiles unwritable;
    if (fault == EIO) m.module.env().files = &unwritable;
    if (fault == EACCES) m.files.failCreate["x4chain."] = EACCES;
    m.settings.PutValue("Software\\Ostrel\\TALVOR\\5.30\\Settings", "VESKO_USER", fault ? "" : "abcdefghijkl");
    STOPQ2(m.module.env(), 409);
    const std::string* file = (fault == EIO ? unwritable : m.files).Find(fault ? "x4chain." : "x4chain.abcdefghijk");
    EXPECT_EQ(file ? *file : "none", fault == EACCES ? "none" : fault == EIO ? "" : "D4ODUDO.EXE 409\n") << fault;
    ASSERT_EQ(m.ui.messages.size(), fault == EACCES ? 1u : 0u) << fault;
    for (const auto& message : m.ui.messages) {
      EXPECT_EQ(std::tuple(message.text, message.caption, message.type),
                std::tuple(FileErrorText(EACCES), "STOPQ2 chain file creation. #409", kMessageBoxIconStop | kMessageBoxSetForeground));
    }
  }
}

}  // namespace
}  // namespace viru4deduz::testing
