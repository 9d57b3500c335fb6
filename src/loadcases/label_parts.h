// The pieces a load case label is made of: case numbers, component names, stress types and the
// sign and factor before each component. Each operation blanks its work field, writes its text
// from position 1 and returns the number of characters written; nothing is ever written past
// the field's width.
#ifndef VIRU4DEDUZ_LOADCASES_LABEL_PARTS_H_
#define VIRU4DEDUZ_LOADCASES_LABEL_PARTS_H_

#include <array>
#include <cstdint>
#include <string_view>

namespace viru4deduz {

// The stress type texts, indexed by stress type 1 to 7 (entry 0 is type 1); 5 characters each.
inline constexpr std::array<std::string_view, 7> StressTypeTable = {
    "(EXP)", "(SUS)", "(OCC)", "(OPE)", "(HGR)", "(FAT)", "(HYD)"};

// The load component names, indexed by component code 1 to 64 (entry 0 is code 1); 4 characters
// each, blank-padded. Code 60 has no name.
inline constexpr std::array<std::string_view, 64> ComponentNameTable = {
    "W   ", "D1  ", "T1  ", "T2  ", "T3  ", "P1  ", "P2  ", "U1  ", "F1  ", "WIN1", "WNC ",
    "D2  ", "D3  ", "F2  ", "F3  ", "U2  ", "U3  ", "T4  ", "T5  ", "T6  ", "T7  ", "T8  ",
    "T9  ", "P3  ", "P4  ", "P5  ", "P6  ", "P7  ", "P8  ", "P9  ", "D4  ", "D5  ", "D6  ",
    "D7  ", "D8  ", "D9  ", "F4  ", "F5  ", "F6  ", "F7  ", "F8  ", "F9  ", "WAV1", "WAV2",
    "WAV3", "WAV4", "WAV5", "WAV6", "WAV7", "WAV8", "WAV9", "WIN2", "WIN3", "WIN4", "WIN5",
    "WIN6", "WIN7", "WIN8", "WIN9", "    ", "WW  ", "H   ", "CS  ", "HP  "};

// The captions of the option table's columns (entries 0 to 19 for columns 1 to 20) and of the
// real option table's columns (entries 0 to 4), shown in 20-character fields; unnamed columns
// are blank. Labels use only stress type, keep/discard and combination method.
inline constexpr std::array<std::string_view, 20> OptionColumnNameTable = {
    "Load Case Type:", "Stress Type:", "Keep/Discard:", "Display:", "Combination Method:",
    "Snubbers:", "Hanger Stiffness:", "", "Elastic Modulus:", "Flg Analysis Temp:",
    "", "", "", "", "Cycles:", "", "", "", "", ""};
inline constexpr std::array<std::string_view, 5> RealOptionColumnNameTable = {
    "Friction Mult.:", "OCC Load Factor:", "", "", ""};
constexpr int kOptionColumnNameWidth = 20;

// Option columns the labels read.
constexpr int kStressTypeColumn = 2;
constexpr int kKeepDiscardColumn = 3;
constexpr int kCombinationMethodColumn = 5;

// Prefixes of FormatCaseNumber.
constexpr int kNoPrefix = 0;
constexpr int kLinePrefix = 1;  // "L"
constexpr int kCasePrefix = 3;  // "CASE "

// The largest number FormatCaseNumber writes.
constexpr std::int32_t kLargestCaseNumber = 1000;

// The prefix and the decimal digits of number ("L7", "CASE 1000", "L0", "L-3"). Numbers above
// 1000 write nothing at all, prefix included: length 0, so that a combination that refers to
// one cannot be labelled.
void FormatCaseNumber(char* field, int width, int& length, std::int32_t number, int prefixKind);

// The name of a load component code; length 0 for codes outside 1 to 64 and for code 60.
void ComponentName(char* field, int width, int& length, std::int32_t code);

// The 5-character text of a stress type; length 0 for types outside 1 to 7.
void StressTypeText(char* field, int width, int& length, std::int32_t stressType);

// What stands before one component of a basic or combination case: the separator from the
// previous component ("+", or "," for the MAX-like combination methods 4 and above), a minus
// sign for a negative factor (none in SRSS and ABS combinations) and the factor itself, unless
// it reads like 1 (1, -1, 0 or not set). The factor is written in single precision with
// `decimals` decimals, clamped to 0 to 9.
void FormatFactorText(char* field, int width, int& length, double factor, std::int32_t decimals,
                      bool componentWritten, bool combinationCase, std::int32_t combinationMethod);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_LOADCASES_LABEL_PARTS_H_
