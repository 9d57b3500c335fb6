#include "loadcases/label_parts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "common/fixed_text.h"
#include "loadcases/fixed_point.h"
#include "outfile/control_data.h"

namespace viru4deduz {
namespace {

constexpr bool AllOfWidth(const auto& table, std::size_t width) {
  return std::all_of(table.begin(), table.end(),
                     [width](std::string_view entry) { return entry.size() == width; });
}
static_assert(AllOfWidth(StressTypeTable, 5));
static_assert(AllOfWidth(ComponentNameTable, 4));

// Factors this close to 1, to 0 or to the not-set mark are not written: the single-precision
// 1.0e-6, widened.
constexpr double kFactorTolerance = static_cast<double>(1.0e-6f);

// Combination methods: up to ABS the parts are summed ("+"); from MAX on they are listed (",").
constexpr std::int32_t kSrssMethod = 2;
constexpr std::int32_t kAbsMethod = 3;
constexpr std::int32_t kFirstListingMethod = 4;

// Blanks the field and writes text from position 1, cut at the field's end.
void WriteField(char* field, int width, int& length, std::string_view text) {
  BlankFill(field, width, 1, width);
  length = static_cast<int>(std::min(text.size(), static_cast<std::size_t>(std::max(width, 0))));
  CopySubstring(field, width, text.data(), length, 1, length, 1);
}

// magnitude rounded to the nearest single-precision value. Past the largest single, the
// conversion gives infinity once the value reaches halfway to 2^128, as the hardware does.
double SinglePrecision(double magnitude) {
  constexpr double kLargestSingle = std::numeric_limits<float>::max();
  if (!(magnitude > kLargestSingle)) return static_cast<float>(magnitude);
  const double halfwayToInfinity = kLargestSingle + std::ldexp(1.0, 103);
  return magnitude < halfwayToInfinity ? kLargestSingle : std::numeric_limits<double>::infinity();
}

std::string SignAndSeparator(double factor, bool componentWritten, bool combinationCase,
                             std::int32_t method) {
  const bool negative = factor < 0.0 && factor != kNotSetFactor;
  if (!combinationCase) {
    if (negative) return "-";
    return componentWritten ? "+" : "";
  }
  const bool listed = method >= kFirstListingMethod;
  const bool signIgnored = method == kSrssMethod || method == kAbsMethod;
  if (negative && !signIgnored) return listed && componentWritten ? ",-" : "-";
  if (!componentWritten) return "";
  return listed ? "," : "+";
}

bool ReadsLikeOne(double factor) {
  const double magnitude = std::fabs(factor);
  return std::fabs(magnitude - 1.0) < kFactorTolerance || magnitude < kFactorTolerance ||
         std::fabs(factor - kNotSetFactor) < kFactorTolerance;
}

}  // namespace

void FormatCaseNumber(char* field, int width, int& length, std::int32_t number, int prefixKind) {
  // Only a number above 1000 writes nothing. Any other number, 0 and negative references
  // included, is written with its prefix and its digits (a minus sign first), as 1000 is: the
  // name is never empty, so such a reference does not cost the case its label.
  if (number > kLargestCaseNumber) {
    WriteField(field, width, length, "");
    return;
  }
  const std::string_view prefix = prefixKind == kLinePrefix   ? "L"
                                  : prefixKind == kCasePrefix ? "CASE "
                                                              : "";
  WriteField(field, width, length, std::string(prefix) + std::to_string(number));
}

void ComponentName(char* field, int width, int& length, std::int32_t code) {
  std::string_view name;
  if (code >= 1 && code <= static_cast<std::int32_t>(ComponentNameTable.size())) {
    name = ComponentNameTable[static_cast<std::size_t>(code - 1)];
    name = name.substr(0, name.find_last_not_of(' ') + 1);  // "    " gives npos + 1 = 0
  }
  WriteField(field, width, length, name);
}

void StressTypeText(char* field, int width, int& length, std::int32_t stressType) {
  std::string_view text;
  if (stressType >= 1 && stressType <= static_cast<std::int32_t>(StressTypeTable.size())) {
    text = StressTypeTable[static_cast<std::size_t>(stressType - 1)];
  }
  WriteField(field, width, length, text);
}

void FormatFactorText(char* field, int width, int& length, double factor, std::int32_t decimals,
                      bool componentWritten, bool combinationCase, std::int32_t combinationMethod) {
  std::string text = SignAndSeparator(factor, componentWritten, combinationCase, combinationMethod);
  if (!ReadsLikeOne(factor)) {
    text += FixedPointMagnitude(SinglePrecision(std::fabs(factor)), decimals);
  }
  WriteField(field, width, length, text);
}

}  // namespace viru4deduz
