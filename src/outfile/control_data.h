// The output file's control record and load case tables, as the module keeps them in memory.
#ifndef VIRU4DEDUZ_OUTFILE_CONTROL_DATA_H_
#define VIRU4DEDUZ_OUTFILE_CONTROL_DATA_H_

#include <cstdint>

#include "common/table.h"

namespace viru4deduz {

constexpr int kCodeTableSize = 30000;
constexpr int kCaseTableRows = 1000;
constexpr int kOptionColumns = 20;
constexpr int kRealOptionColumns = 5;
constexpr int kCaseNameWidth = 132;
constexpr int kNameTableChars = kCaseTableRows * kCaseNameWidth;  // 132,000

// Codes of the load case code list.
constexpr std::int32_t kBasicCaseMarker = -4;
constexpr std::int32_t kHarmonicCaseMarker = -5;
constexpr std::int32_t kCombinationCaseMarker = -888;
constexpr std::int32_t kEndOfCaseList = -999;

// The 4-byte real -1.0101 widened to 8 bytes: a factor or real option that is not set.
constexpr float kNotSetFactorSingle = -1.0101f;
constexpr double kNotSetFactor = static_cast<double>(kNotSetFactorSingle);

// The control record (record 1): items 1 to 31, item 8 being 100 characters of text.
struct ControlData {
  std::int32_t item[32] = {};  // item[k] for k = 1..31 (item[8] unused)
  char text[100] = {};         // item 8: two 50-character fields, not used by the module

  std::int32_t fileVersion() const { return item[1]; }
  std::int32_t resultCaseCount() const { return item[9]; }
  std::int32_t elementSetCountA() const { return item[10]; }
  std::int32_t elementSetCountB() const { return item[11]; }
  std::int32_t nodeCount() const { return item[12]; }
  std::int32_t elementCount() const { return item[14]; }
  std::int32_t hangerCount() const { return item[15]; }
  std::int32_t resultCountB() const { return item[16]; }
  std::int32_t resultCountC() const { return item[17]; }
  std::int32_t resultStartRecord() const { return item[20]; }
  std::int32_t skippedCaseCount() const { return item[23]; }
  std::int32_t caseBlockCount() const { return item[26]; }
  std::int32_t caseBlockRecord() const { return item[27]; }
};

// Byte offset of control item k (1..31) in record 1.
constexpr int ControlItemOffset(int k) { return k <= 7 ? (k - 1) * 4 : k == 8 ? 28 : 128 + (k - 9) * 4; }

// The load case tables in the current layout (1000 cases).
struct LoadCaseTables {
  Table<std::int32_t, kCodeTableSize> code;                          // LoadCaseCodeTable
  Table<double, kCodeTableSize> factor;                              // LoadCaseFactorTable
  Table<double, kCaseTableRows * kRealOptionColumns> realOption;     // LoadCaseRealOptionTable
  Table<std::int32_t, kCaseTableRows * kOptionColumns> option;       // LoadCaseOptionTable
  Table<std::int32_t, kCodeTableSize> factorDecimals;                // LoadCaseFactorDecimals
  Table<char, kNameTableChars> names;                                // LoadCaseNameTable
  Table<std::int32_t, kCaseTableRows> extra;                         // LoadCaseExtraTable

  // Column j of case i (column-major, 1000 rows).
  std::int32_t& Option(int caseIndex, int column) {
    return option[(column - 1) * kCaseTableRows + caseIndex];
  }
  std::int32_t Option(int caseIndex, int column) const {
    return option[(column - 1) * kCaseTableRows + caseIndex];
  }
  double& RealOption(int caseIndex, int column) {
    return realOption[(column - 1) * kCaseTableRows + caseIndex];
  }
};

// The arrays of the legacy block of the oldest files.
struct LegacyArrays {
  Table<std::int32_t, 1000> stressListStart;     // LegacyStressListStart
  Table<std::int32_t, 1000> dispForceListStart;  // LegacyDispForceListStart
  Table<std::int32_t, 1000> fullListStart;       // LegacyFullListStart
  Table<std::int32_t, 1000> caseTypes;           // LegacyCaseTypes
  Table<std::int32_t, 3000> stressList;          // LegacyStressList
  Table<std::int32_t, 3000> dispForceList;       // LegacyDispForceList
  Table<std::int32_t, 3000> fullList;            // LegacyFullList
};

// Everything read from the output file's control data.
struct OutputData {
  ControlData control;
  LoadCaseTables tables;
  LegacyArrays legacy;
};

// The 22 version codes the module reads.
bool IsAcceptedVersion(std::int32_t version);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_CONTROL_DATA_H_
