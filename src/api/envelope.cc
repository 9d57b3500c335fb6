#include "VirU4Deduz/Envelope.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace viru4deduz::api {
namespace {

// Whether a case's value takes the place of the one held: cases come in ascending order, so
// only a strictly better value moves the range (the lowest case keeps a tie), and a number
// always replaces a value that is not one.
bool Better(float value, float held, bool larger) {
  if (std::isnan(value)) return false;
  if (std::isnan(held)) return true;
  return larger ? value > held : value < held;
}

}  // namespace

std::vector<int> SelectCases(const Job& job, const CaseSelection& selection) {
  std::vector<int> chosen;
  const auto typeWanted = [&](const LoadCase& c) {
    return selection.stressTypes.empty() ||
           std::find(selection.stressTypes.begin(), selection.stressTypes.end(), c.stressType) !=
               selection.stressTypes.end();
  };
  if (selection.cases.empty()) {
    for (const LoadCase& c : job.cases()) {
      if (c.hasResults && (c.active || selection.includeInactive) && typeWanted(c)) chosen.push_back(c.number);
    }
    return chosen;
  }
  for (int number : selection.cases) {
    const LoadCase& c = job.Case(number);
    if (!c.hasResults) {
      throw Error(Cause::kNoResults, job.outputFile(), 0,
                  "the file stores no results for load case " + std::to_string(number));
    }
    if (typeWanted(c)) chosen.push_back(number);
  }
  std::sort(chosen.begin(), chosen.end());
  chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
  return chosen;
}

std::vector<SupportEnvelope> EnvelopeOf(const Job& job, const std::vector<int>& cases, Rounding rounding) {
  if (cases.empty()) return {};
  const std::vector<std::int32_t> nodes = job.SupportNodes();
  std::vector<SupportEnvelope> envelope(nodes.size());
  std::vector<float> loads(6 * nodes.size());
  bool first = true;
  for (int k : cases) {
    job.SupportLoadsInto(k, loads, rounding);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      envelope[i].node = nodes[i];
      for (std::size_t m = 0; m < 6; ++m) {
        const float value = loads[6 * i + m];
        ComponentRange& range = envelope[i].components[m];
        if (first || Better(value, range.max, true)) range.max = value, range.maxCase = k;
        if (first || Better(value, range.min, false)) range.min = value, range.minCase = k;
      }
    }
    first = false;
  }
  return envelope;
}

}  // namespace viru4deduz::api
