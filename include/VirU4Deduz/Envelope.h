// The load summary per support that goes to a structural engineer: for every support node and
// each of FX FY FZ MX MY MZ, the largest and the smallest value over chosen load cases, and the
// case that gives each.
#ifndef VIRU4DEDUZ_ENVELOPE_H_
#define VIRU4DEDUZ_ENVELOPE_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "VirU4Deduz/Job.h"

namespace viru4deduz::api {

// Which of a job's cases an envelope takes. With no case numbers, every case with results of its
// own that is active (or any, with includeInactive); with case numbers, those cases (each must
// have results of its own). Either way, only cases whose stress type ("OPE", "SUS", ...: the
// case's option in the file, the one its label shows) is among stressTypes, when any are given.
struct CaseSelection {
  std::vector<int> cases;
  std::vector<std::string> stressTypes;
  bool includeInactive = false;
};

// The chosen case numbers, ascending, each once. Throws Error (kNoSuchCase, kNoResults) for a
// case number given that the job lacks or does not store.
VIRU4DEDUZ_JOB_API std::vector<int> SelectCases(const Job& job, const CaseSelection& selection);

struct ComponentRange {
  float max = 0.0f;
  int maxCase = 0;
  float min = 0.0f;
  int minCase = 0;
};

struct SupportEnvelope {
  std::int32_t node = 0;
  std::array<ComponentRange, 6> components{};  // FX FY FZ MX MY MZ
};

// For every support node (as Job::SupportNodes orders them), each component's largest and
// smallest value over the cases (as LoadsAt gives them) and the case that gives it: on a tie the
// lowest case number. A value that is not a number is passed over while any case gives one.
// No cases: no rows. Throws as SupportLoadsOf.
VIRU4DEDUZ_JOB_API std::vector<SupportEnvelope> EnvelopeOf(const Job& job, const std::vector<int>& cases,
                                                          Rounding rounding = Rounding::kWhole);

}  // namespace viru4deduz::api

#endif  // VIRU4DEDUZ_ENVELOPE_H_
