// What the output file's version code decides about its layout, in one table: the control data's
// streams, the hanger records, the results block's values, the case blocks and the extra table.
// Readers, the results geometry and the command-line host's file report look here instead of
// comparing version codes themselves.
#ifndef VIRU4DEDUZ_OUTFILE_VERSION_LAYOUT_H_
#define VIRU4DEDUZ_OUTFILE_VERSION_LAYOUT_H_

#include <cstdint>

namespace viru4deduz {

struct VersionLayout {
  std::int32_t version = 0;
  // The load case tables: the legacy block's words (0 from 1400 on, where the code list, real and
  // option streams below take its place).
  int legacyBlockWords = 0;
  int codeWords = 0;            // the code list stream (0 below 1400)
  int realValues = 0;           // the stream of 8-byte reals
  int optionWords = 0;          // the stream of option words and factor decimals
  bool currentTables = false;   // tables in the 1000-case layout (no conversion after reading)
  bool extraTable = false;      // 1000 words after the names
  bool caseBlocks = false;      // control items 26 and 27 name a table of 8-word case blocks
  // Hanger records: split into three parts (first part words, 1 word, 16 words), or one block
  // of hangerWords words.
  bool splitHangers = false;
  int hangerFirstPartWords = 0;
  int hangerWords = 0;
  // The results block's second section: packed 3-byte reals (85 to a record) or 4-byte reals
  // (64 to a record); load values per restraint entry and case.
  bool packedResults = false;
  int loadValuesPerEntry = 0;
};

// The layout of one of the 22 version codes the module reads; nullptr for any other code.
const VersionLayout* LayoutOf(std::int32_t version);

// Whether the version is one whose files have no case blocks, so that control items 26 and 27
// are taken as 0 whatever they hold. An unknown code is rejected, and its items are left alone.
bool IgnoresCaseBlockItems(std::int32_t version);

// Whether the file's legacy block marks which cases have stored results, instead of storing
// results for every defined case.
bool MarksStoredCases(std::int32_t version);

// Values of the results block's second section in one record.
constexpr int ValuesPerRecord(const VersionLayout& layout) { return layout.packedResults ? 85 : 64; }

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_VERSION_LAYOUT_H_
