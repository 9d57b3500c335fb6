// Fixed-point text of reals, as the labels show factors and harmonic frequencies.
//
// The digits come from the exact binary value of the real, so the text does not depend on the
// C library or on the floating-point rounding mode. A value exactly halfway between two
// candidates (2.5 with no decimals, 0.125 with two) rounds away from zero: "3", "0.13".
#ifndef VIRU4DEDUZ_LOADCASES_FIXED_POINT_H_
#define VIRU4DEDUZ_LOADCASES_FIXED_POINT_H_

#include <string>

namespace viru4deduz {

// The most decimals a fixed-point text carries; fewer than 0 or more than this are clamped.
constexpr int kMaxFixedPointDecimals = 9;

// |value| with `decimals` decimals, rounded to nearest, without leading blanks, with a "0"
// before the point below 1 and without the point when decimals is 0. Infinity reads "Infinity"
// and a NaN "NaN".
std::string FixedPointMagnitude(double value, int decimals);

// value right-justified in a field of `width` characters with `decimals` decimals, a minus sign
// before negative values (but not before one that rounds to all zeros), and `width` asterisks
// when the text needs more room. When only the "0" before the point does not fit, it is left
// out. Infinity reads "Infinity" where it fits and "Inf" otherwise; a NaN reads "NaN".
std::string FixedPointField(double value, int width, int decimals);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_LOADCASES_FIXED_POINT_H_
