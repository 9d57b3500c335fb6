// The input format of fuzz_labels, shared with the seed generator that writes it.
//
//   byte 0        flags: bit 0 puts the definitions at the end of the code table instead of at
//                 its start
//   bytes 1-4     a case index (int32) labelled on its own, whatever the table lists ...
//   bytes 5-8     ... with this start position (int32) in place of the listed one
//   byte 9        number of option cells that follow (each 7 bytes):
//                   uint16 case (taken modulo 1000, plus 1), uint8 column (modulo 20, plus 1),
//                   int32 value
//   then          code list entries of 16 bytes each, in order: int32 code, int32 decimals,
//                 double factor
// Integers are little-endian. A short input simply ends early.
#ifndef VIRU4DEDUZ_FUZZ_LABEL_INPUT_H_
#define VIRU4DEDUZ_FUZZ_LABEL_INPUT_H_

#include <cstdint>
#include <cstring>
#include <string>

namespace viru4deduz::fuzzing {

constexpr int kLabelHeaderBytes = 10;
constexpr int kOptionCellBytes = 7;
constexpr int kCodeEntryBytes = 16;
constexpr std::uint8_t kDefinitionsAtEnd = 1;

template <typename T>
void Put(std::string& out, T value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

}  // namespace viru4deduz::fuzzing

#endif  // VIRU4DEDUZ_FUZZ_LABEL_INPUT_H_
