// The example jobs the tests, the fuzz seeds and the benchmarks write with the project's writer.
#ifndef VIRU4DEDUZ_TESTING_EXAMPLE_JOBS_H_
#define VIRU4DEDUZ_TESTING_EXAMPLE_JOBS_H_

#include <cstdint>

#include "writer/output_writer.h"

namespace viru4deduz::testing {

// The 22 versions the module reads.
constexpr std::int32_t kVersions[] = {110,  111,  210,  211,  610,  611,  710,  711,
                                      1111, 1211, 1430, 1431, 1440, 1441, 1450, 1451,
                                      1510, 1511, 1520, 1521, 1530, 1531};

// A small job: three nodes, two restraint entries at node 10 and one at node 30, one basic case.
writer::OutputJob SmallJob(std::int32_t version = 1530);

// 70 nodes (Section 1 crosses records), two hangers and four further entries, three cases:
// two basic ones and a combination of them.
writer::OutputJob RichJob(std::int32_t version);

}  // namespace viru4deduz::testing

#endif  // VIRU4DEDUZ_TESTING_EXAMPLE_JOBS_H_
