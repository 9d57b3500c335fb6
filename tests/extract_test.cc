// The assembly of loads: rounded sums in the order the exchange sort leaves the entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <tuple>

#include "extract/assembly.h"

namespace viru4deduz {
namespace {

TEST(AssemblyTest, SumsRoundHalvesAwayFromZero) {
  const std::pair<float, float> rows[] = {{3.4f, 3.0f},  {2.5f, 3.0f},     {-2.5f, -3.0f},
                                          {-0.4f, 0.0f}, {3.0e9f, 3.0e9f}, {-3.0e9f, -3.0e9f}};
  for (const auto& [sum, rounded] : rows) EXPECT_EQ(RoundLoad(sum), rounded) << sum;
}

// A node's loads are added in the order the exchange sort by node number (for i, for j > i, swap
// i and j when node(j) < node(i)) leaves its entries. Random lists with many equal node numbers
// (negative ones too), some sorted either way, and loads of far-apart magnitudes, so that another
// order changes the rounded sums: every node's sums, alone and all at once, are the sort's bit
// for bit.
TEST(AssemblyTest, NodeSumsFollowTheExchangeSortOrder) {
  std::mt19937 random(20260115);
  for (int list = 0; list < 2000; ++list) {
    SCOPED_TRACE(list);
    const std::size_t length = 1 + random() % (list % 23 == 0 ? 300 : 40);
    const auto range = static_cast<std::int32_t>(1 + random() % (list % 3 == 0 ? 200 : 8));
    std::vector<std::int32_t> nodes, slice;
    for (std::size_t e = 0; e < length; ++e) {
      nodes.push_back(static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(range)) - range / 3);
      for (int m = 0; m < 12; ++m) {
        const float mantissa = static_cast<float>(random() % 2001) - 1000.0f;
        slice.push_back(std::bit_cast<std::int32_t>(std::ldexp(mantissa, static_cast<int>(random() % 36) - 10)));
      }
    }
    if (list % 10 == 1) std::sort(nodes.begin(), nodes.end(), std::greater<>());
    if (list % 10 == 2) std::sort(nodes.begin(), nodes.end());
    std::vector<std::size_t> order(length);
    std::iota(order.begin(), order.end(), std::size_t{0});
    for (std::size_t i = 0; i + 1 < length; ++i) {
      for (std::size_t j = i + 1; j < length; ++j) {
        if (nodes[order[j]] < nodes[order[i]]) std::swap(order[i], order[j]);
      }
    }
    std::map<std::int32_t, std::array<float, 6>> want;
    for (std::size_t e : order) {
      for (std::size_t c = 0; c < 6; ++c) want[nodes[e]][c] += std::bit_cast<float>(slice[12 * e + c]);
    }
    const auto count = static_cast<std::int32_t>(length);
    const std::vector<RestraintNodeLoads> all = SumLoadsAtEveryRestraintNode(nodes, slice, count);
    ASSERT_EQ(all.size(), want.size());
    auto at = all.begin();
    for (auto& [node, sums] : want) {
      for (float& sum : sums) sum = RoundLoad(sum);
      float alone[6] = {};
      std::int32_t status = 9;
      SumRestraintLoads(nodes, slice, count, &node, alone, status);
      ASSERT_EQ(std::tuple(status, std::memcmp(alone, sums.data(), sizeof alone), at->node,
                           std::memcmp(at->loads.data(), sums.data(), sizeof alone)), std::tuple(0, 0, node, 0));
      ++at;
    }
  }
}

}  // namespace
}  // namespace viru4deduz
