#include "loadcases/case_labels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/fixed_text.h"
#include "loadcases/fixed_point.h"

namespace viru4deduz {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr char kFailed[] = "<no label>";

struct Part {
  std::int32_t code;
  double factor = 1.0;
  std::int32_t decimals = 0;
};

// Lays load cases out in the code table one after another, as the output file holds them.
class CaseList {
 public:
  // The next case goes to code position `position` (its marker) and becomes case `number`.
  CaseList& At(int position, int number) {
    next_ = position;
    number_ = number;
    return *this;
  }

  CaseList& Add(std::int32_t marker, const std::vector<Part>& parts, std::int32_t stressType = 4,
                std::int32_t discard = 0, std::int32_t method = 0) {
    starts_[number_] = next_ + 1;
    t_->Option(number_, 2) = stressType;
    t_->Option(number_, 3) = discard;
    t_->Option(number_, 5) = method;
    t_->code[next_++] = marker;
    for (const Part& part : parts) {
      t_->code[next_] = part.code;
      t_->factor[next_] = part.factor;
      t_->factorDecimals[next_++] = part.decimals;
    }
    if (next_ <= kCodeTableSize) t_->code[next_] = kEndOfCaseList;
    ++number_;
    return *this;
  }
  CaseList& Harmonic(double first, double second, std::int32_t stressType = 3,
                     std::int32_t discard = 0) {
    std::int32_t w[4];
    std::memcpy(w, &first, 8);
    std::memcpy(w + 2, &second, 8);
    return Add(kHarmonicCaseMarker, {{w[0]}, {w[1]}, {w[2]}, {w[3]}}, stressType, discard);
  }
  void Start(int number, int position) { starts_[number] = position; }

  // Line 1 without its trailing blanks, after checking that the rest of all 10 lines is blank.
  std::string Label(int number) {
    char lines[kLabelLineCount * kLabelLineWidth];
    std::memset(lines, 'x', sizeof lines);
    std::int32_t lineCount = -7, status = -7;
    BuildCaseLabel(starts_, *t_, number, lines, lineCount, status);
    const auto length =
        static_cast<std::size_t>(TrimmedLength(lines, kLabelLineWidth, kLabelLineWidth));
    const std::size_t rest = sizeof lines - length;
    EXPECT_EQ(std::string(lines + length, rest), std::string(rest, ' '));
    EXPECT_EQ(lineCount, status == 0 ? 1 : 0);
    if (status == 0) return std::string(lines, length);
    EXPECT_EQ(status, -1);
    return kFailed;
  }

 private:
  std::unique_ptr<LoadCaseTables> t_ = std::make_unique<LoadCaseTables>();
  Table<std::int32_t, 1000> starts_;
  int next_ = 1, number_ = 1;
};

struct LabelRow {
  std::int32_t marker, number, stressType, discard, method;
  std::vector<Part> parts;
  const char* expected;
};

TEST(CaseLabelTest, BasicAndCombinationCasesReadAsTheirComponents) {
  constexpr int B = kBasicCaseMarker, C = kCombinationCaseMarker;
  const double notSet = kNotSetFactor;
  const LabelRow rows[] = {
      {B, 1, 4, 0, 0, {{1}, {3}, {6}}, "CASE 1 (OPE) W+T1+P1"},
      {B, 1, 4, 0, 0, {{1, notSet}, {3, notSet}, {6, notSet}}, "CASE 1 (OPE) W+T1+P1"},
      {B, 1, 4, 0, 0, {{1}, {3}, {6, -1}}, "CASE 1 (OPE) W+T1-P1"},
      {B, 1, 4, 0, 0, {{1}, {3, 2.5, 1}, {6}}, "CASE 1 (OPE) W+2.5T1+P1"},
      {B, 1, 4, 0, 0, {{1}, {3, 2, 0}, {6}}, "CASE 1 (OPE) W+2T1+P1"},
      {B, 1, 4, 0, 0, {{1, -1}, {3}}, "CASE 1 (OPE) -W+T1"},
      {B, 1, 4, 0, 0, {{1, 3, 0}}, "CASE 1 (OPE) 3W"},
      {B, 1, 4, 0, 0, {{1, 0, 2}, {3}}, "CASE 1 (OPE) W+T1"},
      {B, 1, 4, 0, 0, {{1, 0.5, 1}, {6, 2.5, 2}, {9, -1.5, 1}}, "CASE 1 (OPE) 0.5W+2.50P1-1.5F1"},
      {B, 1, 4, 0, 0, {{10, 0.1, 12}, {64, 2.5, -3}}, "CASE 1 (OPE) 0.100000001WIN1+3HP"},
      {B, 1, 4, 0, 0, {{1}, {3, 1e300, 1}}, "CASE 1 (OPE) W+InfinityT1"},
      {B, 3, 2, 0, 0, {}, "CASE 3 (SUS)"},
      {B, 2, 8, 0, 0, {{1}}, "CASE 2  W"},
      {B, 2, 0, 0, 0, {{1}}, "CASE 2  W"},
      {B, 4, 3, 1, 0, {{1}}, "CASE 4 (OCC) CASE NOT ACTIVE"},
      {B, 1, 4, 0, 0, {{1}, {60}}, kFailed},
      {B, 1, 4, 0, 0, {{1}, {65}}, kFailed},
      {B, 1, 4, 1, 0, {{0}}, kFailed},
      {C, 5, 4, 0, 0, {{1}, {2, -1}}, "CASE 5 (OPE) L5=L1-L2"},
      {C, 5, 4, 0, 4, {{1}, {2, -1}}, "CASE 5 (OPE) L5=L1,-L2"},
      {C, 5, 4, 0, 2, {{1}, {2, -1}}, "CASE 5 (OPE) L5=L1+L2"},
      {C, 5, 4, 0, 3, {{1, -1}, {2, -1}}, "CASE 5 (OPE) L5=L1+L2"},
      {C, 5, 4, 0, 7, {{1, -1}, {2}, {3, 2, 1}}, "CASE 5 (OPE) L5=-L1,L2,2.0L3"},
      {C, 5, 4, 0, 0, {{1}, {2, 0.5, 1}}, "CASE 5 (OPE) L5=L1+0.5L2"},
      {C, 5, 4, 0, 0, {{1000}}, "CASE 5 (OPE) L5=L1000"},
      {C, 1000, 4, 0, 0, {{1}}, "CASE 1000 (OPE) L1000=L1"},
      {C, 3, 2, 0, 0, {}, "CASE 3 (SUS) L3="},
      {C, 4, 3, 1, 0, {{1}}, "CASE 4 (OCC) CASE NOT ACTIVE"},
      {C, 5, 4, 0, 0, {{1}, {1001}}, kFailed},
      {C, 5, 4, 0, 0, {{0}, {-1, -1}}, "CASE 5 (OPE) L5=L0-L-1"},
  };
  for (const LabelRow& row : rows) {
    CaseList list;
    list.At(1, row.number).Add(row.marker, row.parts, row.stressType, row.discard, row.method);
    EXPECT_EQ(list.Label(row.number), row.expected) << row.expected;
  }
}

TEST(CaseLabelTest, HarmonicCasesShowFrequencyAndSecondRealInFixedFields) {
  const struct {
    double first, second;
    std::int32_t stressType, discard;
    const char* expected;
  } rows[] = {
      {10.0, 0.0, 3, 0, "CASE 7 (OCC)  10.0000 Hz   0.00 \xD8"},
      {10.0, 0.0, 6, 0, "CASE 7 (FAT)   10.0000 Hz   0.00 \xD8"},
      {9999.9999, -12.5, 4, 0, "CASE 7 (OCC)9999.9999 Hz -12.50 \xD8"},
      {10000.0, 0.0, 3, 0, "CASE 7 (OCC)********* Hz   0.00 \xD8"},
      {10.0, 1000.0, 3, 0, "CASE 7 (OCC)  10.0000 Hz ****** \xD8"},
      {10.0, 0.0, 3, 1, "CASE 7 (OCC)CASE NOT ACTIVE"},
  };
  for (const auto& row : rows) {
    CaseList list;
    list.At(1, 7).Harmonic(row.first, row.second, row.stressType, row.discard);
    EXPECT_EQ(list.Label(7), row.expected);
  }
  CaseList empty;
  empty.At(1, 7).Add(kHarmonicCaseMarker, {}, 3);
  EXPECT_EQ(empty.Label(7), "CASE 7 (OCC)");
}

TEST(CaseLabelTest, NeighbouringCasesAndCaseNumbers) {
  CaseList list;
  list.Add(kBasicCaseMarker, {{1}, {3}}).Harmonic(2.5, 90.0).Add(kBasicCaseMarker, {{6}});
  EXPECT_EQ(list.Label(1), "CASE 1 (OPE) W+T1");
  EXPECT_EQ(list.Label(2), "CASE 2 (OCC)   2.5000 Hz  90.00 \xD8");
  EXPECT_EQ(list.Label(3), "CASE 3 (OPE) P1");
  for (int n : {9, 10, 99, 100, 101, 110, 999, 1000}) {
    list.At(100, n).Add(kBasicCaseMarker, {{1}});
    EXPECT_EQ(list.Label(n), "CASE " + std::to_string(n) + " (OPE) W");
  }
}

TEST(CaseLabelTest, AFullBodyStopsTakingComponentsAndTheLineIsCutAfterTheHead) {
  CaseList list;
  std::vector<Part> parts(128, Part{1});  // "W+W...+W": 255 characters
  parts.push_back({60});  // its "+" would fill the body, so its name is never looked at
  list.Add(kBasicCaseMarker, parts);
  std::string body = "W";
  while (body.size() < 256) body += "+W";
  EXPECT_EQ(list.Label(1), "CASE 1 (OPE) " + body.substr(0, 256 - 13));
}

TEST(CaseLabelTest, NothingOutsideTheTablesIsRead) {
  CaseList list;
  list.At(29996, 1).Harmonic(1.0, 2.0);  // the reals end on the last entry
  EXPECT_EQ(list.Label(1), "CASE 1 (OCC)   1.0000 Hz   2.00 \xD8");
  list.At(29997, 2).Add(kHarmonicCaseMarker, {{0}, {0}});  // they would not fit
  EXPECT_EQ(list.Label(2), kFailed);
  list.At(29990, 3).Add(kBasicCaseMarker, std::vector<Part>(10, Part{1}));  // no end code
  EXPECT_EQ(list.Label(3), kFailed);
  list.At(10, 4).Add(kBasicCaseMarker, {{1}});
  for (int start : {0, 1, 12, 30001}) {  // 12 follows a component, not a marker
    list.Start(4, start);
    EXPECT_EQ(list.Label(4), kFailed) << start;
  }
  EXPECT_EQ(list.Label(0), kFailed);
  EXPECT_EQ(list.Label(1001), kFailed);
}

TEST(FixedPointTest, ExactDigitsHalvesAwayFromZeroAndFieldOverflow) {
  const struct {
    double value;
    int width, decimals;  // width 0: the magnitude without a field
    const char* expected;
  } rows[] = {
      {2.5, 0, 0, "3"}, {0.125, 0, 2, "0.13"}, {-3.25, 0, 1, "3.3"}, {0.5, 0, 2, "0.50"},
      {0.15f, 0, 1, "0.2"}, {0.35f, 0, 1, "0.3"}, {1e30f, 0, 0, "1000000015047466219876688855040"},
      {5e-324, 0, 9, "0.000000000"}, {0.1f, 0, 15, "0.100000001"}, {7.7, 0, -2, "8"},
      {kInf, 0, 2, "Infinity"}, {std::nan(""), 0, 2, "NaN"},
      {10.0, 9, 4, "  10.0000"}, {10000.0, 9, 4, "*********"}, {9999.99996, 9, 4, "*********"},
      {-0.001, 6, 2, "  0.00"}, {-100.0, 6, 2, "******"}, {-0.5, 4, 2, "-.50"},
      {kInf, 9, 4, " Infinity"}, {-kInf, 9, 4, "-Infinity"}, {-kInf, 6, 2, "  -Inf"},
      {std::nan(""), 6, 2, "   NaN"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.width == 0 ? FixedPointMagnitude(row.value, row.decimals)
                             : FixedPointField(row.value, row.width, row.decimals),
              row.expected)
        << row.value;
  }
  EXPECT_EQ(FixedPointMagnitude(std::numeric_limits<double>::max(), 0).size(), 309u);
}

}  // namespace
}  // namespace viru4deduz
