#include "loadcases/fixed_point.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace viru4deduz {
namespace {

// A non-negative whole number as base-1e9 limbs, least significant first.
using Limbs = std::vector<std::uint32_t>;
constexpr std::uint32_t kLimbBase = 1000000000;

// factor stays below 2^31, so limb * factor + carry stays far below 2^64.
void MultiplySmall(Limbs& limbs, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : limbs) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product % kLimbBase);
    carry = product / kLimbBase;
  }
  for (; carry != 0; carry /= kLimbBase) {
    limbs.push_back(static_cast<std::uint32_t>(carry % kLimbBase));
  }
}

std::uint32_t PowerOfFive(int exponent) {
  std::uint32_t power = 1;
  for (int i = 0; i < exponent; ++i) power *= 5;
  return power;
}

std::string LimbsToDigits(const Limbs& limbs) {
  std::string digits = std::to_string(limbs.back());
  for (auto limb = limbs.rbegin() + 1; limb != limbs.rend(); ++limb) {
    const std::string part = std::to_string(*limb);
    digits.append(9 - part.size(), '0');
    digits += part;
  }
  return digits;
}

// The exact decimal value of a finite non-negative double: its digits, the last fractionDigits
// of which stand after the point. A double is m * 2^e with a whole m, and for e < 0 that is
// m * 5^-e / 10^-e, so the digits are those of a whole number either way.
struct ExactDecimal {
  std::string digits;
  int fractionDigits = 0;
};

ExactDecimal ExactDigits(double magnitude) {
  int exponent = 0;
  const double mantissa = std::frexp(magnitude, &exponent);
  auto whole = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));  // exact, below 2^53
  exponent = whole == 0 ? 0 : exponent - 53;
  for (; whole != 0 && whole % 2 == 0; whole /= 2) ++exponent;  // fewer digits to carry along

  Limbs limbs;
  for (std::uint64_t rest = whole; rest != 0; rest /= kLimbBase) {
    limbs.push_back(static_cast<std::uint32_t>(rest % kLimbBase));
  }
  if (limbs.empty()) limbs.push_back(0);

  ExactDecimal exact;
  if (exponent >= 0) {
    for (int left = exponent; left > 0; left -= 29) MultiplySmall(limbs, 1u << std::min(left, 29));
  } else {
    exact.fractionDigits = -exponent;
    for (int left = -exponent; left > 0; left -= 13) {
      MultiplySmall(limbs, PowerOfFive(std::min(left, 13)));
    }
  }
  exact.digits = LimbsToDigits(limbs);
  return exact;
}

// The digits of the exact value times 10^decimals, rounded to a whole number (halves away from
// zero), at least decimals + 1 of them.
std::string RoundedDigits(const ExactDecimal& exact, int decimals) {
  std::string digits = exact.digits;
  int fraction = exact.fractionDigits;
  if (fraction < decimals) {
    digits.append(static_cast<std::size_t>(decimals - fraction), '0');
    fraction = decimals;
  }
  const auto dropped = static_cast<std::size_t>(fraction - decimals);
  const std::size_t needed = dropped + static_cast<std::size_t>(decimals) + 1;
  if (digits.size() < needed) digits.insert(0, needed - digits.size(), '0');

  const bool roundUp = dropped > 0 && digits[digits.size() - dropped] >= '5';
  digits.resize(digits.size() - dropped);
  if (roundUp) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(0, 1, '1');
    } else {
      ++digits[i - 1];
    }
  }
  return digits;
}

std::string FiniteMagnitude(double magnitude, int decimals) {
  const std::string digits = RoundedDigits(ExactDigits(magnitude), decimals);
  const std::size_t pointAt = digits.size() - static_cast<std::size_t>(decimals);
  const std::size_t firstNonZero = std::min(digits.find_first_not_of('0'), pointAt - 1);
  std::string text = digits.substr(firstNonZero, pointAt - firstNonZero);
  if (decimals > 0) {
    text += '.';
    text.append(digits, pointAt, std::string::npos);
  }
  return text;
}

}  // namespace

std::string FixedPointMagnitude(double value, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxFixedPointDecimals);
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return "Infinity";
  return FiniteMagnitude(std::fabs(value), decimals);
}

std::string FixedPointField(double value, int width, int decimals) {
  if (width < 1) return std::string();
  decimals = std::clamp(decimals, 0, kMaxFixedPointDecimals);
  const auto fieldWidth = static_cast<std::size_t>(width);
  std::string text;
  if (std::isnan(value)) {
    text = "NaN";
  } else if (std::isinf(value)) {
    const std::string sign = value < 0 ? "-" : "";
    text = sign + (sign.size() + 8 <= fieldWidth ? "Infinity" : "Inf");
  } else {
    text = FiniteMagnitude(std::fabs(value), decimals);
    if (value < 0 && text.find_first_of("123456789") != std::string::npos) text.insert(0, 1, '-');
  }
  const std::size_t zeroAt = text[0] == '-' ? 1 : 0;
  if (text.size() == fieldWidth + 1 && text.compare(zeroAt, 2, "0.") == 0) text.erase(zeroAt, 1);
  if (text.size() > fieldWidth) return std::string(fieldWidth, '*');
  return std::string(fieldWidth - text.size(), ' ') + text;
}

}  // namespace viru4deduz
