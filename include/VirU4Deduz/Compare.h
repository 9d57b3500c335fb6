// What changed between two revisions of a job: the loads at every support in every case, side by
// side, with the change.
#ifndef VIRU4DEDUZ_COMPARE_H_
#define VIRU4DEDUZ_COMPARE_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "VirU4Deduz/Job.h"

namespace viru4deduz::api {

// One component of the loads at a support in a case, in either job: a value is missing where
// that job does not store the case, or the node is not among its supports in that case.
struct VIRU4DEDUZ_JOB_API ComparedLoad {
  int loadCase = 0;
  std::int32_t node = 0;
  int component = 0;  // 0..5: FX FY FZ MX MY MZ
  std::optional<float> a, b;

  // b - a, when both are there (in double precision, so that it is exact for any two values).
  std::optional<double> Change() const;
  // The change as a percentage of |a|; none when a value is missing or a is 0.
  std::optional<double> Percent() const;
};

// Every component of the loads at every support node in every case that either job stores (or
// only in `cases`, when given), by case, then node, then component. Throws as SupportLoadsOf.
VIRU4DEDUZ_JOB_API std::vector<ComparedLoad> CompareSupportLoads(const Job& a, const Job& b,
                                                                const std::vector<int>& cases = {},
                                                                Rounding rounding = Rounding::kWhole);

// A threshold of change: an absolute value, or a percentage of the first job's value.
struct ChangeThreshold {
  double value = 0.0;
  bool percent = false;
};

// Whether the row's change is at or past the threshold. A value missing on one side is past
// every threshold, and so is a change from 0 against a percentage.
VIRU4DEDUZ_JOB_API bool AtOrPast(const ComparedLoad& row, const ChangeThreshold& threshold);
// Whether the row changed at all (a value missing on one side is a change).
VIRU4DEDUZ_JOB_API bool Changed(const ComparedLoad& row);

}  // namespace viru4deduz::api

#endif  // VIRU4DEDUZ_COMPARE_H_
