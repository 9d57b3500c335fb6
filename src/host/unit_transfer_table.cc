#include "host/unit_transfer_table.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace viru4deduz {

int UnitTransferTable::LabelOffset(int kind) {
  int offset = 0;
  for (int k = 0; k < kind; ++k) offset += k == 7 ? 1 : kUnitLabelWidth[k];
  return offset;
}

void UnitTransferTable::TransferUnit(std::int32_t kind, float factor, const char* label) {
  if (static_cast<std::uint32_t>(kind) >= kUnitKinds) return;
  factors[kind] = factor;
  if (kind == 7) return;
  // The label is taken as a string of its own first; when memory for it cannot be had, the
  // exception leaves with the factor stored and the label field unchanged.
  const std::string text = label != nullptr ? std::string(label) : std::string();
  char* field = labels + LabelOffset(kind);
  const std::size_t width = static_cast<std::size_t>(kUnitLabelWidth[kind]);
  std::memset(field, ' ', width);
  std::memcpy(field, text.data(), std::min(width, text.size()));
}

}  // namespace viru4deduz
