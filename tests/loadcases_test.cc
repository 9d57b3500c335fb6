// The load case labels from the code, factor and option tables, and the fixed-point text in them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "common/fixed_text.h"
#include "loadcases/case_labels.h"
#include "loadcases/fixed_point.h"

namespace viru4deduz {
namespace {

constexpr int B = kBasicCaseMarker, C = kCombinationCaseMarker, H = kHarmonicCaseMarker;
constexpr char kFailed[] = "<no label>";
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Entry { std::int32_t code; double factor = 1.0; std::int32_t decimals = 0; };

// A harmonic case: its marker and two reals, each in two code table words, the low-order one first.
std::vector<Entry> Harmonic(double first, double second) {
  std::int32_t w[4];
  std::memcpy(w, &first, 8), std::memcpy(w + 2, &second, 8);
  return {{H}, {w[0]}, {w[1]}, {w[2]}, {w[3]}};
}

// Code table entries from `position` on, then the end code. Each marker starts the next case, from
// case `first` on, with the stress type, keep/discard and combination method of `options`.
struct Cases {
  Cases(const std::vector<Entry>& entries, std::array<std::int32_t, 3> options, int first = 1, int position = 1) {
    for (const Entry& e : entries) {
      if (e.code == B || e.code == C || e.code == H) {
        starts[first] = position + 1;
        t->Option(first, 2) = options[0], t->Option(first, 3) = options[1], t->Option(first++, 5) = options[2];
      }
      t->code[position] = e.code, t->factor[position] = e.factor, t->factorDecimals[position++] = e.decimals;
    }
    if (position <= kCodeTableSize) t->code[position] = kEndOfCaseList;
  }
  // Line 1 without its trailing blanks, after checking that the rest of all 10 lines is blank.
  std::string Label(int number) {
    char lines[kLabelLineCount * kLabelLineWidth];
    std::memset(lines, 'x', sizeof lines);
    std::int32_t lineCount = -7, status = -7;
    BuildCaseLabel(starts, *t, number, lines, lineCount, status);
    const auto n = static_cast<std::size_t>(TrimmedLength(lines, kLabelLineWidth, kLabelLineWidth));
    EXPECT_EQ(std::string(lines + n, sizeof lines - n), std::string(sizeof lines - n, ' '));
    EXPECT_EQ(std::pair(lineCount, status), status == 0 ? std::pair(1, 0) : std::pair(0, -1));
    return status == 0 ? std::string(lines, n) : kFailed;
  }
  Table<std::int32_t, 1000> starts;
  std::unique_ptr<LoadCaseTables> t = std::make_unique<LoadCaseTables>();
};

// Each row labels the first case of its entries: its head, its body and where its definition ends.
TEST(CaseLabelTest, EachKindOfCaseReadsAsItsComponents) {
  const double notSet = kNotSetFactor, nan = std::nan("");
  // Case number; stress type, keep/discard, combination method; code table entries; label.
  const std::tuple<std::int32_t, std::array<std::int32_t, 3>, std::vector<Entry>, const char*> rows[] = {
      {1, {4, 0, 0}, {{B}, {1, -1}, {3, notSet}, {6, 2.5, 1}, {9, -1.5, 1}, {2, 0, 2}, {4, 3, 0}, {5, 0.5, 2}, {64, 2.5, -3}, {B}},
       "CASE 1 (OPE) -W+T1+2.5P1-1.5F1+D1+3T2+0.50T3+3HP"},
      {1, {4, 0, 0}, {{B}, {1, notSet}, {3, 0.125, 2}, {6, 0.15f, 1}, {9, 0.35f, 1}, {2, 7.7, -2}, {10, 0.1, 12}, {C}},
       "CASE 1 (OPE) W+0.13T1+0.2P1+0.3F1+8D1+0.100000001WIN1"},
      {1, {4, 0, 0}, {{B}, {1, 1e30f, 0}, {3, 1e300, 1}, {6, nan, 1}, {9, -1}, {H}},
       "CASE 1 (OPE) 1000000015047466219876688855040W+InfinityT1+NaNP1-F1"},
      {3, {2, 0, 0}, {{B}, {B}}, "CASE 3 (SUS)"}, {2, {8, 0, 0}, {{B}, {1}}, "CASE 2  W"}, {2, {0, 0, 0}, {{B}, {1}}, "CASE 2  W"},
      {4, {3, 1, 0}, {{B}, {1}}, "CASE 4 (OCC) CASE NOT ACTIVE"}, {1, {4, 1, 0}, {{B}, {0}}, kFailed},
      {1, {4, 0, 0}, {{B}, {1}, {60}}, kFailed}, {1, {4, 0, 0}, {{B}, {1}, {65}}, kFailed},
      {5, {4, 0, 0}, {{C}, {1}, {2, -1}, {3, 0.5, 1}, {1000}, {0}, {-1, -1}, {B}}, "CASE 5 (OPE) L5=L1-L2+0.5L3+L1000+L0-L-1"},
      {5, {4, 0, 4}, {{C}, {1}, {2, -1}}, "CASE 5 (OPE) L5=L1,-L2"}, {5, {4, 0, 2}, {{C}, {1}, {2, -1}}, "CASE 5 (OPE) L5=L1+L2"},
      {5, {4, 0, 7}, {{C}, {1, -1}, {2}, {3, 2, 1}}, "CASE 5 (OPE) L5=-L1,L2,2.0L3"},
      {5, {4, 0, 3}, {{C}, {1, -1}, {2, -1}}, "CASE 5 (OPE) L5=L1+L2"}, {1000, {4, 0, 0}, {{C}, {1}}, "CASE 1000 (OPE) L1000=L1"},
      {3, {2, 0, 0}, {{C}}, "CASE 3 (SUS) L3="}, {4, {3, 1, 0}, {{C}, {1}}, "CASE 4 (OCC) CASE NOT ACTIVE"},
      {5, {4, 0, 0}, {{C}, {1}, {1001}}, kFailed}, {7, {3, 0, 0}, {{H}}, "CASE 7 (OCC)"},
      {7, {6, 0, 0}, Harmonic(10.0, -0.001), "CASE 7 (FAT)   10.0000 Hz   0.00 \xD8"},
      {7, {4, 0, 0}, Harmonic(9999.9999, -12.5), "CASE 7 (OCC)9999.9999 Hz -12.50 \xD8"},
      {7, {3, 0, 0}, Harmonic(9999.99996, 1000.0), "CASE 7 (OCC)********* Hz ****** \xD8"},
      {7, {3, 0, 0}, Harmonic(kInf, -kInf), "CASE 7 (OCC) Infinity Hz   -Inf \xD8"},
      {7, {3, 0, 0}, Harmonic(-kInf, nan), "CASE 7 (OCC)-Infinity Hz    NaN \xD8"},
      {7, {3, 1, 0}, Harmonic(10.0, 0.0), "CASE 7 (OCC)CASE NOT ACTIVE"},
  };
  for (const auto& [number, options, entries, label] : rows) EXPECT_EQ(Cases(entries, options, number).Label(number), label);
}

// A body that fills up stops taking components, and the line is cut after the head; nothing
// outside the tables is read, whatever the starts and codes hold.
TEST(CaseLabelTest, TheLineAndTheTablesAreNeverOverrun) {
  // "W+W...+W" of 255 characters, then a component whose "+" would fill the body: its name is never looked at.
  std::vector<Entry> full(130, Entry{1});
  full[0] = {B}, full[129] = {60};
  std::string body = "W";
  while (body.size() < 256) body += "+W";
  EXPECT_EQ(Cases(full, {4, 0, 0}).Label(1), "CASE 1 (OPE) " + body.substr(0, 256 - 13));

  EXPECT_EQ(Cases(Harmonic(1.0, 2.0), {3, 0, 0}, 1, 29996).Label(1), "CASE 1 (OCC)   1.0000 Hz   2.00 \xD8");
  EXPECT_EQ(Cases({{H}, {0}, {0}}, {3, 0, 0}, 1, 29997).Label(1), kFailed);  // the reals would not fit
  EXPECT_EQ(Cases({full.begin(), full.begin() + 11}, {4, 0, 0}, 1, 29990).Label(1), kFailed);  // no end code
  Cases cases({{B}, {1}}, {4, 0, 0}, 1, 10);
  for (int start : {0, 1, 12, 30001}) {  // 12 follows a component, not a marker
    cases.starts[1] = start;
    EXPECT_EQ(cases.Label(1), kFailed) << start;
  }
  EXPECT_EQ(std::pair(cases.Label(0), cases.Label(1001)), std::pair(std::string(kFailed), std::string(kFailed)));
}

// What the labels cannot show: a field with no room for the 0 before the point, the digits of
// values no factor (a single) can hold, and the magnitude alone.
TEST(FixedPointTest, DigitsAndFieldsBeyondTheLabels) {
  EXPECT_EQ(std::tuple(FixedPointField(-0.5, 4, 2), FixedPointMagnitude(5e-324, 9), FixedPointMagnitude(-3.25, 1)),
            std::tuple("-.50", "0.000000000", "3.3"));
  EXPECT_EQ(FixedPointMagnitude(std::numeric_limits<double>::max(), 0).size(), 309u);
}

}  // namespace
}  // namespace viru4deduz
