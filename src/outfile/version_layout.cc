#include "outfile/version_layout.h"

#include <algorithm>
#include <iterator>

namespace viru4deduz {
namespace {

// legacy, code, reals, options, current, extra, case blocks, split, first part, hanger, packed, L
constexpr VersionLayout kLayouts[] = {
    {110, 210, 0, 0, 0, false, false, false, false, 37, 37, true, 6},
    {111, 210, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {210, 210, 0, 0, 0, false, false, false, false, 37, 37, true, 6},
    {211, 210, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {610, 460, 0, 0, 0, false, false, false, false, 37, 37, true, 6},
    {611, 460, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {710, 460, 0, 0, 0, false, false, false, false, 37, 37, true, 6},
    {711, 460, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {1111, 2300, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {1211, 2300, 0, 0, 0, false, false, false, true, 20, 37, true, 6},
    {1430, 0, 3000, 3500, 5000, false, false, false, true, 44, 61, true, 6},
    {1431, 0, 3000, 3500, 5000, false, false, false, true, 44, 61, true, 6},
    {1440, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, true, 6},
    {1441, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, true, 6},
    {1450, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, true, 6},
    {1451, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, true, 6},
    {1510, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, false, 6},
    {1511, 0, 3000, 3500, 5000, false, false, true, true, 44, 61, false, 6},
    {1520, 0, 30000, 35000, 50000, true, false, true, true, 44, 61, false, 6},
    {1521, 0, 30000, 35000, 50000, true, false, true, true, 44, 61, false, 6},
    {1530, 0, 30000, 35000, 50000, true, true, true, true, 47, 64, false, 12},
    {1531, 0, 30000, 35000, 50000, true, true, true, true, 47, 64, false, 12},
};

}  // namespace

const VersionLayout* LayoutOf(std::int32_t version) {
  const auto found = std::find_if(std::begin(kLayouts), std::end(kLayouts),
                                  [version](const VersionLayout& l) { return l.version == version; });
  return found != std::end(kLayouts) ? found : nullptr;
}

bool IgnoresCaseBlockItems(std::int32_t version) {
  const VersionLayout* layout = LayoutOf(version);
  return layout != nullptr && !layout->caseBlocks;
}

bool MarksStoredCases(std::int32_t version) {
  const VersionLayout* layout = LayoutOf(version);
  return layout != nullptr && layout->legacyBlockWords > 0;
}

}  // namespace viru4deduz
