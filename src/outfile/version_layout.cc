#include "outfile/version_layout.h"

#include <algorithm>
#include <iterator>

namespace viru4deduz {
namespace {

// One row per version code the module reads. A field a row leaves out is 0 or false: no legacy
// block, no code list stream, tables in the 100-case layout, no extra table, no case blocks,
// hangers in one block, 4-byte results.
constexpr VersionLayout kLayouts[] = {
    {.version = 110, .legacyBlockWords = 210, .hangerFirstPartWords = 37, .hangerWords = 37,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 111, .legacyBlockWords = 210, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 210, .legacyBlockWords = 210, .hangerFirstPartWords = 37, .hangerWords = 37,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 211, .legacyBlockWords = 210, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 610, .legacyBlockWords = 460, .hangerFirstPartWords = 37, .hangerWords = 37,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 611, .legacyBlockWords = 460, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 710, .legacyBlockWords = 460, .hangerFirstPartWords = 37, .hangerWords = 37,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 711, .legacyBlockWords = 460, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1111, .legacyBlockWords = 2300, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1211, .legacyBlockWords = 2300, .splitHangers = true, .hangerFirstPartWords = 20,
     .hangerWords = 37, .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1430, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61, .packedResults = true,
     .loadValuesPerEntry = 6},
    {.version = 1431, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61, .packedResults = true,
     .loadValuesPerEntry = 6},
    {.version = 1440, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1441, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1450, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1451, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .packedResults = true, .loadValuesPerEntry = 6},
    {.version = 1510, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .loadValuesPerEntry = 6},
    {.version = 1511, .codeWords = 3000, .realValues = 3500, .optionWords = 5000,
     .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44, .hangerWords = 61,
     .loadValuesPerEntry = 6},
    {.version = 1520, .codeWords = 30000, .realValues = 35000, .optionWords = 50000,
     .currentTables = true, .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44,
     .hangerWords = 61, .loadValuesPerEntry = 6},
    {.version = 1521, .codeWords = 30000, .realValues = 35000, .optionWords = 50000,
     .currentTables = true, .caseBlocks = true, .splitHangers = true, .hangerFirstPartWords = 44,
     .hangerWords = 61, .loadValuesPerEntry = 6},
    {.version = 1530, .codeWords = 30000, .realValues = 35000, .optionWords = 50000,
     .currentTables = true, .extraTable = true, .caseBlocks = true, .splitHangers = true,
     .hangerFirstPartWords = 47, .hangerWords = 64, .loadValuesPerEntry = 12},
    {.version = 1531, .codeWords = 30000, .realValues = 35000, .optionWords = 50000,
     .currentTables = true, .extraTable = true, .caseBlocks = true, .splitHangers = true,
     .hangerFirstPartWords = 47, .hangerWords = 64, .loadValuesPerEntry = 12},
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
