// The jobs the whole-request benchmarks read, made by the project's writer: one shape each.
#ifndef VIRU4DEDUZ_BENCH_BENCH_JOBS_H_
#define VIRU4DEDUZ_BENCH_BENCH_JOBS_H_

#include <cstdint>
#include <vector>

#include "writer/output_writer.h"

namespace viru4deduz {

struct JobShape {
  std::int32_t version;
  int nodes, entries, cases;
};

// The jobs, by number: 0 the large one, 1 the same packed with half the cases, 2 a model of
// 1,000 cases, 3 the same model with one case, 4 a model of many supports.
inline constexpr JobShape kShapes[] = {
    {1531, 20000, 2000, 200}, {1451, 20000, 2000, 100}, {1531, 2000, 300, 1000},
    {1531, 2000, 300, 1}, {1531, 3000, 10000, 20},
};

inline writer::OutputJob JobOf(const JobShape& shape) {
  writer::OutputJob job;
  job.version = shape.version;
  for (int n = 1; n <= shape.nodes; ++n) job.nodes.push_back(n);
  for (int e = 0; e < shape.entries; ++e) {
    job.restraints.push_back({(e * 7919) % shape.nodes + 1, e});
  }
  job.hangerCount = shape.entries / 20;
  job.resultCountB = shape.entries / 2;
  job.hangerRecords.assign(static_cast<std::size_t>(job.hangerCount), std::vector<std::int32_t>(64, 1));
  job.codes.clear();
  for (int k = 1; k <= shape.cases; ++k) job.codes.insert(job.codes.end(), {-4, 1, 3, 6});
  job.codes.push_back(-999);
  job.loads.assign(static_cast<std::size_t>(shape.cases),
                   std::vector<std::array<float, 12>>(static_cast<std::size_t>(shape.entries),
                                                      {1.5f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f}));
  job.displacements.assign(static_cast<std::size_t>(shape.cases),
                           std::vector<std::array<float, 6>>(static_cast<std::size_t>(shape.nodes),
                                                             {0.5f, 0.25f, 0.125f, 0.01f, 0.02f, 0.03f}));
  return job;
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_BENCH_BENCH_JOBS_H_
