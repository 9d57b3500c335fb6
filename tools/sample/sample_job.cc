#include "sample/sample_job.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace viru4deduz::sample {
namespace {

using Six = std::array<double, 6>;  // FX FY FZ MX MY MZ, or DX DY DZ RX RY RZ

// The primary load sets the analysis solved; every load case's results are a sum of them. T2 is
// the upset temperature, taken as 1.2 times T1.
enum LoadSet { kWeight, kAnchorMovement, kThermal1, kThermal2, kPressure, kWind, kHarmonic, kSets };

constexpr int kNodeCount = 40;       // nodes 10, 20, ... 400
constexpr double kNodeSpacing = 1500.0;  // mm between neighbouring nodes
constexpr double kUpsetFactor = 1.2;

int NodeNumber(int index) { return 10 * (index + 1); }

// One restraint entry and its loads under each load set, T2 left out (it follows from T1).
struct Restraint {
  std::int32_t node;
  std::int32_t tag;
  Six weight, anchorMovement, thermal1, pressure, wind, harmonic;
};

Six Vertical(double fy) { return {0, fy, 0, 0, 0, 0}; }
Six Lateral(double fz) { return {0, 0, fz, 0, 0, 0}; }
Six Axial(double fx) { return {fx, 0, 0, 0, 0, 0}; }

// In file order: the two spring hangers first, then the two anchors, then the other supports.
// Each set balances the others' reactions, so that weight, wind and thermal loads add up.
std::vector<Restraint> Restraints() {
  return {
      {70, 1, Vertical(-6850.0), Vertical(-35.4), Vertical(412.6), {}, Vertical(-120.5), Vertical(96.3)},
      {210, 2, Vertical(-7420.3), Vertical(21.7), Vertical(-388.9), {}, Vertical(88.1), Vertical(-140.2)},
      {10, 3,
       {152.4, -3125.8, -48.6, -210.5, 35.2, 1480.7},
       {-320.5, 640.2, 75.1, 110.3, -88.7, 530.6},
       {-11842.6, 2315.4, 3120.9, 1875.3, -6420.8, -5210.4},
       {-1920.4, 0, 0, 0, 0, 0},
       {0, 0, -2140.7, 1620.2, 3870.5, 0},
       {120.4, -35.6, 88.2, 40.1, -62.5, 95.3}},
      {400, 4,
       {-95.3, -2870.2, 30.4, 160.8, -20.1, -1210.6},
       {461.1, -271.4, -78.6, -85.2, 70.4, -410.9},
       {7632.1, -2112.6, -2592.4, -1240.7, 4980.3, 3875.2},
       {1920.4, 0, 0, 0, 0, 0},
       {0, 103.7, -1980.3, -1410.6, -3520.8, 0},
       {-98.7, 28.4, -76.5, -35.2, 51.8, -80.6}},
      {40, 5, Vertical(-4123.6), Vertical(-210.4), Vertical(350.2), {}, Vertical(-95.2), Vertical(64.7)},
      {40, 6, Lateral(35.8), Lateral(12.4), Lateral(812.3), {}, Lateral(-1250.6), Lateral(-45.9)},
      {130, 7, Vertical(-5210.4), Vertical(95.3), Vertical(-615.7), {}, Vertical(40.6), Vertical(-88.1)},
      {170, 8, Vertical(-4870.9), Vertical(-60.2), Vertical(480.5), {}, Vertical(-52.3), Vertical(110.9)},
      {260, 9, Vertical(-5560.1), Vertical(130.8), Vertical(-702.4), {}, Vertical(66.4), Vertical(-73.5)},
      {260, 10, Lateral(-22.5), Lateral(-8.9), Lateral(-1340.8), {}, Lateral(-2310.2), Lateral(58.4)},
      {300, 11, {}, Axial(-140.6), Axial(4210.5), {}, {}, Axial(-30.2)},
      {340, 12, Vertical(-4390.7), Vertical(-310.6), Vertical(260.9), {}, Vertical(-30.8), Vertical(47.2)},
  };
}

std::array<Six, kSets> LoadsBySet(const Restraint& r) {
  Six thermal2;
  for (std::size_t m = 0; m < 6; ++m) thermal2[m] = std::round(kUpsetFactor * r.thermal1[m] * 10) / 10;
  return {r.weight, r.anchorMovement, r.thermal1, thermal2, r.pressure, r.wind, r.harmonic};
}

// A bow of the given heights between consecutive restrained nodes (node indexes, ascending,
// first 0 and last kNodeCount - 1): zero at each restrained node, a half sine in each span.
std::vector<double> Bow(const std::vector<int>& restrained, const std::vector<double>& heights) {
  std::vector<double> values(kNodeCount, 0.0);
  for (std::size_t span = 0; span + 1 < restrained.size(); ++span) {
    const int a = restrained[span], b = restrained[span + 1];
    for (int i = a; i <= b; ++i) {
      values[static_cast<std::size_t>(i)] = heights[span] * std::sin(std::numbers::pi * (i - a) / (b - a));
    }
  }
  return values;
}

std::vector<double> Wave(double amplitude, double halfWaves) {
  std::vector<double> values(kNodeCount);
  for (int i = 0; i < kNodeCount; ++i) {
    values[static_cast<std::size_t>(i)] =
        amplitude * std::sin(halfWaves * std::numbers::pi * i / (kNodeCount - 1));
  }
  return values;
}

struct Translations {
  std::vector<double> dx = std::vector<double>(kNodeCount, 0.0);
  std::vector<double> dy = std::vector<double>(kNodeCount, 0.0);
  std::vector<double> dz = std::vector<double>(kNodeCount, 0.0);
  std::vector<double> torsion = std::vector<double>(kNodeCount, 0.0);
};

// Node indexes of the supports: vertical restraints (anchors, rests, and the hangers, which hold
// the pipe where it hangs under its weight), lateral ones (anchors, guides) and axial ones.
const std::vector<int> kUnderWeight = {0, 3, 6, 12, 16, 20, 25, 33, 39};
const std::vector<int> kVertical = {0, 3, 12, 16, 25, 33, 39};
const std::vector<int> kLateral = {0, 3, 25, 39};
const std::vector<int> kAxial = {0, 29, 39};

std::array<Translations, kSets> TranslationsBySet() {
  std::array<Translations, kSets> sets;
  std::vector<double> sagHeights;
  for (std::size_t s = 0; s + 1 < kUnderWeight.size(); ++s) {
    const double spanNodes = kUnderWeight[s + 1] - kUnderWeight[s];
    sagHeights.push_back(-0.9 * (spanNodes / 3) * (spanNodes / 3));
  }
  sets[kWeight].dy = Bow(kUnderWeight, sagHeights);

  // The vessel nozzle (node 400) moves 3 mm along the line and 6.5 mm up; the pipe follows it
  // from the last rest on.
  for (int i = 0; i < kNodeCount; ++i) {
    const double t = i > 33 ? (i - 33) / 6.0 : 0.0;
    sets[kAnchorMovement].dx[static_cast<std::size_t>(i)] = 3.0 * i / (kNodeCount - 1);
    sets[kAnchorMovement].dy[static_cast<std::size_t>(i)] = 6.5 * t * t;
  }

  sets[kThermal1].dx = Bow(kAxial, {14.0, 5.0});
  sets[kThermal1].dy = Bow(kVertical, {0.4, 4.1, 0.4, 3.6, 0.4, 0.4});
  sets[kThermal1].dz = Bow(kLateral, {0.3, 9.5, -4.2});
  sets[kThermal1].torsion = Wave(2.5e-4, 2);
  for (auto field : {&Translations::dx, &Translations::dy, &Translations::dz, &Translations::torsion}) {
    for (int i = 0; i < kNodeCount; ++i) {
      (sets[kThermal2].*field)[static_cast<std::size_t>(i)] =
          kUpsetFactor * (sets[kThermal1].*field)[static_cast<std::size_t>(i)];
    }
  }

  sets[kPressure].dx = Wave(0.6, 1);
  sets[kWind].dz = Bow(kLateral, {-0.2, -4.8, -2.9});
  sets[kHarmonic].dy = Wave(0.85, 3);
  sets[kHarmonic].dz = Wave(0.42, 2);
  return sets;
}

// Translations in mm to 0.001, rotations in radians to 1e-6; the anchored ends do not rotate.
std::vector<Six> Displacements(const Translations& t) {
  auto slope = [](const std::vector<double>& u, int i) {
    if (i == 0 || i == kNodeCount - 1) return 0.0;
    const auto j = static_cast<std::size_t>(i);
    return (u[j + 1] - u[j - 1]) / (2 * kNodeSpacing);
  };
  auto round = [](double value, double step) { return std::round(value / step) * step; };
  std::vector<Six> out;
  for (int i = 0; i < kNodeCount; ++i) {
    const auto j = static_cast<std::size_t>(i);
    out.push_back({round(t.dx[j], 1e-3), round(t.dy[j], 1e-3), round(t.dz[j], 1e-3),
                   round(t.torsion[j], 1e-6), round(-slope(t.dz, i), 1e-6),
                   round(slope(t.dy, i), 1e-6)});
  }
  return out;
}

// Each load case's results as a sum of load sets; the discarded case keeps none.
const std::vector<std::vector<LoadSet>> kCaseSets = {
    {kWeight, kAnchorMovement, kThermal1, kPressure},  // 1 (OPE) W+D1+T1+P1
    {kWeight, kAnchorMovement, kThermal2, kPressure},  // 2 (OPE) W+D1+T2+P1
    {kWeight, kPressure},                              // 3 (SUS) W+P1
    {kWind},                                           // 4 (OCC) WIN1
    {},                                                // 5 (OCC) U1, discarded
    {kAnchorMovement, kThermal1},                      // 6 (EXP) L6=L1-L3
    {kWeight, kPressure, kWind},                       // 7 (OCC) L7=L3+L4
    {kHarmonic},                                       // 8 harmonic
};

template <std::size_t N>
std::array<float, N> Sum(const std::vector<LoadSet>& sets, const std::array<Six, kSets>& bySet) {
  std::array<float, N> out{};
  for (std::size_t m = 0; m < 6; ++m) {
    double total = 0.0;
    for (LoadSet set : sets) total += bySet[set][m];
    out[m] = static_cast<float>(total);
  }
  return out;
}

void AddResults(writer::OutputJob& job) {
  std::vector<std::array<Six, kSets>> entryLoads;
  for (const Restraint& r : Restraints()) {
    job.restraints.push_back({r.node, r.tag});
    entryLoads.push_back(LoadsBySet(r));
  }
  job.hangerCount = 2;
  job.resultCountB = 2;  // the anchors; the rest of the entries are the other supports

  const auto translations = TranslationsBySet();
  std::array<std::vector<Six>, kSets> displacements;
  for (std::size_t s = 0; s < kSets; ++s) displacements[s] = Displacements(translations[s]);

  for (const auto& sets : kCaseSets) {
    auto& loads = job.loads.emplace_back();
    for (const auto& bySet : entryLoads) loads.push_back(Sum<12>(sets, bySet));
    auto& nodes = job.displacements.emplace_back();
    for (std::size_t n = 0; n < kNodeCount; ++n) {
      std::array<Six, kSets> bySet;
      for (std::size_t s = 0; s < kSets; ++s) bySet[s] = displacements[s][n];
      nodes.push_back(Sum<6>(sets, bySet));
    }
  }
}

// Spring hanger data as the analysis keeps it (node, springs, rate N/mm, cold and hot load N);
// the module carries these words without reading them.
void AddHangerRecords(writer::OutputJob& job) {
  const int words = writer::HangerWords(job.version);
  for (const auto& [node, rate, cold, hot] : {std::array{70, 87, 7263, 6850}, {210, 92, 7031, 7420}}) {
    std::vector<std::int32_t> record(static_cast<std::size_t>(words), 0);
    record[0] = node;
    record[1] = 1;
    record[2] = rate;
    record[3] = cold;
    record[4] = hot;
    job.hangerRecords.push_back(record);
  }
}

// The two reals of a harmonic case, stored in the integer code table low word first.
void AppendReal(std::vector<std::int32_t>& codes, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  codes.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)));
  codes.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32)));
}

void AddLoadCases(writer::OutputJob& job) {
  constexpr std::int32_t kBasic = -4, kCombination = -888, kHarmonicCase = -5, kEnd = -999;
  constexpr std::int32_t W = 1, D1 = 2, T1 = 3, T2 = 4, P1 = 6, U1 = 8, WIN1 = 10;
  job.codes = {kBasic, W, D1, T1, P1,  kBasic, W, D1, T2, P1,  kBasic, W, P1,  kBasic, WIN1,
               kBasic, U1,  kCombination, 1, 3,  kCombination, 3, 4,  kHarmonicCase};
  AppendReal(job.codes, 12.5);  // Hz
  AppendReal(job.codes, 0.0);   // phase
  job.codes.push_back(kEnd);
  job.factors.assign(job.codes.size(), 1.0);
  job.factors[19] = -1.0;  // L6 = L1 - L3
  job.decimals.assign(job.codes.size(), 0);

  enum Stress { kExp = 1, kSus = 2, kOcc = 3, kOpe = 4 };
  struct Options {
    int type, stress, discard, method;
    const char* name;
  };
  const Options cases[] = {
      {0, kOpe, 0, 0, "OPERATING"},
      {0, kOpe, 0, 0, "OPERATING, UPSET TEMPERATURE"},
      {0, kSus, 0, 0, "SUSTAINED"},
      {0, kOcc, 0, 0, "WIND"},
      {0, kOcc, 1, 0, "SEISMIC (NOT ANALYSED)"},
      {1, kExp, 0, 0, "EXPANSION RANGE"},
      {1, kOcc, 0, 1, "SUSTAINED PLUS WIND"},
      {0, kOcc, 0, 0, "PUMP PULSATION"},
  };
  int k = 1;
  for (const Options& c : cases) {
    job.options[{k, 1}] = c.type;
    job.options[{k, 2}] = c.stress;
    job.options[{k, 3}] = c.discard;
    job.options[{k, 4}] = 0;  // disp/force/stress
    job.options[{k, 5}] = c.method;
    job.options[{k, 6}] = 1;  // snubbers active
    job.options[{k, 7}] = 0;  // hangers as designed
    job.options[{k, 9}] = c.stress == kSus ? 0 : 1;  // EC cold, EH1 hot
    job.options[{k, 10}] = 0;
    job.options[{k, 15}] = c.stress == kExp ? 7000 : 0;
    job.realOptions[{k, 1}] = 1.0;
    job.names.push_back(c.name);
    job.caseBlocks.push_back({k, c.stress, c.type, c.discard, 0, 0, 0, 0});
    ++k;
  }
}

}  // namespace

writer::OutputJob SampleJob() {
  writer::OutputJob job;
  job.version = 1531;
  for (int i = 0; i < kNodeCount; ++i) job.nodes.push_back(NodeNumber(i));
  AddLoadCases(job);
  AddResults(job);
  AddHangerRecords(job);
  return job;
}

}  // namespace viru4deduz::sample
