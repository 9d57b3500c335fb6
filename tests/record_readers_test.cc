// The stream readers over files made by the writer, served by the scripted record runtime.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "outfile/record_readers.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

constexpr int kUnit = 39;

// A file of n records; word k (0-based over the whole file) holds k.
std::string CountingFile(int records) {
  std::string bytes(static_cast<std::size_t>(records) * 256, '\0');
  for (int k = 0; k < records * 64; ++k) std::memcpy(&bytes[static_cast<std::size_t>(k) * 4], &k, 4);
  return bytes;
}

class RecordReadersTest : public ::testing::Test {
 protected:
  void Serve(const std::string& bytes) {
    m_.AddFile("OUT._P", bytes);
    m_.records.Open(kUnit, "OUT._P");
  }
  ScriptedModule m_;
  RecordIo io_;
  RecordReaders readers_{m_.module.env(), io_};
};

TEST_F(RecordReadersTest, WordStreamReadsRecordsLazily) {
  Serve(CountingFile(4));
  std::vector<std::int32_t> words(65);
  StreamCursor cursor{1, kWordStreamUsedUp};
  readers_.QREAD4(words, kUnit, 64, cursor, 0);
  EXPECT_EQ(m_.records.transferCount(), 1);
  EXPECT_EQ(cursor.record, 2);
  EXPECT_EQ(cursor.position, 65);
  EXPECT_EQ(words[63], 127);

  cursor = {1, kWordStreamUsedUp};
  readers_.QREAD4(words, kUnit, 65, cursor, 0);
  EXPECT_EQ(cursor.record, 3);
  EXPECT_EQ(cursor.position, 2);
  EXPECT_EQ(words[64], 128);

  const int before = m_.records.transferCount();
  readers_.QREAD4(words, kUnit, 0, cursor, 0);
  EXPECT_EQ(m_.records.transferCount(), before);
  EXPECT_EQ(io_.ioErrorFlag, 0);
}

TEST_F(RecordReadersTest, WordStreamFailureShowsItsMessageAndLeavesTheChainFile) {
  Serve(CountingFile(20));
  m_.records.FailTransfer(1, 36);
  std::vector<std::int32_t> words(64, -5);
  StreamCursor cursor{11, kWordStreamUsedUp};
  readers_.QREAD4(words, kUnit, 64, cursor, 0);
  ASSERT_EQ(m_.ui.messages.size(), 1u);
  EXPECT_EQ(m_.ui.messages[0].text, "Error    36 reading in QREAD4 on REC=    12");
  EXPECT_EQ(m_.ui.messages[0].caption, "ERROR");
  EXPECT_EQ(m_.ui.messages[0].type, 0u);
  EXPECT_EQ(io_.ioErrorFlag, -1);
  EXPECT_EQ(cursor.record, 12);
  EXPECT_EQ(words[0], -5);  // nothing of the failed record is delivered
  ASSERT_NE(m_.files.Find("x4chain."), nullptr);
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 7\n");

  // A position beyond the used-up value is reported before the count is looked at.
  m_.ui.messages.clear();
  cursor.position = 66;
  readers_.QREAD4(words, kUnit, 0, cursor, 0);
  EXPECT_EQ(m_.ui.messages.size(), 1u);
}

TEST_F(RecordReadersTest, RealAndTextStreamsStopWithTheirOwnCodes) {
  Serve(CountingFile(2));
  std::vector<double> reals(40);
  StreamCursor cursor{1, kDoubleStreamUsedUp};
  readers_.ReadDoubleStream(reals, kUnit, 40, cursor, 0);  // record 3 does not exist
  EXPECT_EQ(io_.ioErrorFlag, -1);
  EXPECT_EQ(cursor.record, 3);
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 9\n");
  EXPECT_TRUE(m_.ui.messages.empty());

  io_.ioErrorFlag = 0;
  std::vector<char> text(600);
  std::int32_t record = 1;
  readers_.ReadTextStream(kUnit, record, text, 600, 0);
  EXPECT_EQ(io_.ioErrorFlag, 0);  // the text reader leaves the flag alone
  EXPECT_EQ(record, 3);
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 105\n");
}

TEST_F(RecordReadersTest, QreadMessageFieldsOverflowIntoAsterisks) {
  EXPECT_EQ(Qread4Message(-1, 123456), "Error    -1 reading in QREAD4 on REC= *****");
  EXPECT_EQ(Qread4Message(100000, 99999), "Error ***** reading in QREAD4 on REC= 99999");
}

TEST_F(RecordReadersTest, PackedRealsTake85ToARecord) {
  std::string bytes(512, '\0');
  for (int i = 0; i < 86; ++i) {
    const auto packed = writer::PackReal3(static_cast<float>(i + 1));
    const int offset = i < 85 ? i * 3 : 256;  // the 86th opens the next record
    std::memcpy(&bytes[static_cast<std::size_t>(offset)], packed.data(), 3);
  }
  Serve(bytes);
  std::vector<std::int32_t> values(86);
  StreamCursor cursor{0, kPackedBlockUsedUp};
  readers_.ReadPackedRealBlock(kUnit, cursor, values, 86);
  EXPECT_EQ(std::bit_cast<float>(values[84]), 85.0f);
  EXPECT_EQ(std::bit_cast<float>(values[85]), 86.0f);
  EXPECT_EQ(cursor.record, 2);
  EXPECT_EQ(cursor.position, 1);
}

TEST_F(RecordReadersTest, UnpackedValuesFollowTheBitFields) {
  const unsigned char zero[3] = {0, 0, 0}, one[3] = {0, 0, 0x3E}, two[3] = {0, 0, 0x40},
                      minusOne[3] = {0, 0, 0xBE}, largest[3] = {0xFF, 0xFF, 0x7F};
  EXPECT_EQ(UnpackReal3(zero), std::ldexp(1.0f, -31));
  EXPECT_EQ(UnpackReal3(one), 1.0f);
  EXPECT_EQ(UnpackReal3(two), 2.0f);
  EXPECT_EQ(UnpackReal3(minusOne), -1.0f);
  EXPECT_EQ(UnpackReal3(largest), std::ldexp(1.0f, 33) - std::ldexp(1.0f, 15));
  for (float x : {1.0f, -2.5f, 1234.5f, 0.001f, -7.25e5f}) {
    const auto packed = writer::PackReal3(x);
    EXPECT_NEAR(UnpackReal3(packed.data()), x, std::fabs(x) * 1e-5f) << x;
  }
}

TEST_F(RecordReadersTest, NameTableSpans516Records) {
  Serve(std::string(600 * 256, 'N'));
  std::vector<char> names(132000);
  std::int32_t record = 5;
  readers_.ReadTextStream(kUnit, record, names, 132000, 0);
  EXPECT_EQ(record, 5 + 516);
  EXPECT_EQ(m_.records.transfers.front().second, 5);
  EXPECT_EQ(m_.records.transfers.back().second, 520);
}

struct FailureLog : ReadReporter {
  void Report(const ReadFailure& failure) override { failures.push_back(failure); }
  std::vector<ReadFailure> failures;
};

TEST_F(RecordReadersTest, BlockReadersStopAtTheEndOfTheFileAndRefuseAStaleCursor) {
  FailureLog log;
  readers_.SetReporter(&log);
  Serve(CountingFile(1));
  std::vector<std::int32_t> words(65);
  StreamCursor cursor{0, kWordBlockUsedUp};
  readers_.ReadWordBlock(kUnit, cursor, words, 65);
  EXPECT_EQ(io_.ioErrorFlag, -1);
  EXPECT_EQ(cursor.position, kWordBlockUsedUp + 1);
  EXPECT_EQ(*m_.files.Find("x4chain."), "D4ODUDO.EXE 409\n");
  const int before = m_.records.transferCount();
  readers_.ReadWordBlock(kUnit, cursor, words, 1);  // the cursor was not set again
  EXPECT_EQ(m_.records.transferCount(), before);
  ASSERT_EQ(log.failures.size(), 2u);
  EXPECT_EQ(log.failures[0].stopCode, 409);
  EXPECT_EQ(log.failures[0].status, 36);
  EXPECT_EQ(log.failures[0].record, 2);
  EXPECT_STREQ(log.failures[1].reason, "stream position out of range");
}

TEST_F(RecordReadersTest, CountLargerThanTheDestinationIsRefused) {
  Serve(CountingFile(4));
  std::vector<std::int32_t> words(10);
  StreamCursor cursor{0, kWordStreamUsedUp};
  readers_.QREAD4(words, kUnit, 11, cursor, 0);
  EXPECT_EQ(io_.ioErrorFlag, -1);
  EXPECT_EQ(m_.records.transferCount(), 0);
}

}  // namespace
}  // namespace viru4deduz::testing
