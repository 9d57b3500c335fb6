// The unit factors and labels a host registers per kind of quantity. The module keeps them for
// the host and never applies them: results keep the units of the output file.
#ifndef VIRU4DEDUZ_HOST_UNIT_TRANSFER_TABLE_H_
#define VIRU4DEDUZ_HOST_UNIT_TRANSFER_TABLE_H_

#include <cstdint>

namespace viru4deduz {

constexpr int kUnitKinds = 22;
constexpr int kUnitLabelBytes = 132;

// Label field width per kind; kind 7 (the additive part of the temperature conversion) has none
// but keeps a byte of its own that nothing writes.
constexpr int kUnitLabelWidth[kUnitKinds] = {3, 3, 3, 6, 6, 10, 1, 0, 10, 10, 10,
                                             10, 10, 7, 10, 7, 3, 10, 3, 3, 3, 3};

struct UnitTransferTable {
  float factors[kUnitKinds] = {};
  char labels[kUnitLabelBytes] = {};  // the label fields end to end, blank-padded, no terminator

  // Offset of a kind's label field in labels.
  static int LabelOffset(int kind);

  // Stores the factor; then, except for kind 7, the label cut to its field and blank-padded.
  // Kinds outside 0..21 change nothing.
  void TransferUnit(std::int32_t kind, float factor, const char* label);
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_UNIT_TRANSFER_TABLE_H_
