#include "testing/example_jobs.h"

#include <numeric>
#include <utility>

namespace viru4deduz::testing {

writer::OutputJob SmallJob(std::int32_t version) {
  writer::OutputJob job;
  job.version = version;
  job.nodes = {10, 20, 30};
  job.restraints = {{30, 1}, {10, 2}, {10, 3}};
  job.resultCountB = 3;
  job.codes = {-4, 1, 3, -999};
  job.options[{1, 2}] = 4;
  job.options[{1, 3}] = 0;
  job.loads = {{{{5.0f, 6.0f, 0, 0, 0, 0}}, {{1.25f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f}},
                {{1.0f, -0.75f, 0.5f, 0.0f, -5.5f, 100.0f}}}};
  job.displacements = {{{{0.1f, 0.2f, 0.3f, 0.01f, 0.0f, -0.02f}},
                        {{1.0f, 2.0f, 3.0f, 0.0f, 0.0f, 0.0f}},
                        {{-1.0f, -2.0f, -3.0f, 0.5f, 0.5f, 0.5f}}}};
  return job;
}

writer::OutputJob RichJob(std::int32_t version) {
  writer::OutputJob job;
  job.version = version;
  for (int n = 0; n < 70; ++n) job.nodes.push_back(10 * (n + 1));
  job.restraints = {{40, 7}, {20, 8}, {700, 9}, {20, 10}, {50, 11}, {10, 12}};
  job.hangerCount = 2;
  job.resultCountB = 1;
  for (int h = 0; h < 2; ++h) {
    std::vector<std::int32_t> words(static_cast<std::size_t>(writer::HangerWords(version)));
    std::iota(words.begin(), words.end(), 1000 * (h + 1));
    job.hangerRecords.push_back(words);
  }
  job.codes = {-4, 1, 3, 6, -4, 1, 2, -888, 1, 2, -999};
  job.factors = {0, 1, 2.5, 1, 0, 1, 1, 0, 1, -1, 1};
  job.decimals = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  for (auto [caseIndex, type] : {std::pair{1, 4}, {2, 2}, {3, 1}}) {
    job.options[{caseIndex, 1}] = caseIndex == 3 ? 1 : 0;
    job.options[{caseIndex, 2}] = type;
    job.options[{caseIndex, 3}] = 0;
    job.options[{caseIndex, 4}] = 0;
    job.options[{caseIndex, 5}] = caseIndex == 3 ? 0 : 0;
    job.options[{caseIndex, 15}] = 7000 + caseIndex;
    job.realOptions[{caseIndex, 1}] = 1.0;
  }
  job.names = {"OPERATING", "SUSTAINED", "EXPANSION"};
  job.extra = {5, 6, 7};
  job.caseBlocks = {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}};
  for (int k = 0; k < 3; ++k) {
    job.loads.emplace_back();
    for (int e = 0; e < 6; ++e) {
      std::array<float, 12> group;
      for (int m = 0; m < 12; ++m) group[static_cast<std::size_t>(m)] = 100.0f * k + 10.0f * e + m + 0.25f;
      job.loads.back().push_back(group);
    }
    job.displacements.emplace_back();
    for (int n = 0; n < 70; ++n) {
      job.displacements.back().push_back({0.001f * n, -0.5f * k, 3.0f, 0.01f, 0.0f, -1.0f * n});
    }
  }
  return job;
}

}  // namespace viru4deduz::testing
