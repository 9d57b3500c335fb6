#include "units.h"

#include <cstdio>

namespace viru4deduz::cli {
namespace {

constexpr char kFileUnits[] = "units of the output file";

// "kN", or the output file's unit times the factor when no label names it.
std::string Label(const std::string& label, double factor) {
  if (!label.empty()) return label;
  if (factor == 1.0) return "output file's";
  char text[48];
  std::snprintf(text, sizeof text, "%g x output file's", factor);
  return text;
}

}  // namespace

std::string Units::LoadNote() const {
  if (!scaled) return std::string("[") + kFileUnits + "]";
  return "[force: " + Label(forceLabel, force) + ", moment: " + Label(momentLabel, moment) + "]";
}

std::string Units::DisplacementNote() const {
  if (!scaled) return std::string("[") + kFileUnits + "; rotations in degrees]";
  return "[length: " + Label(lengthLabel, length) + "; rotations in degrees]";
}

float Units::LoadComponent(int component, float value) const {
  return static_cast<float>(static_cast<double>(value) * (component < 3 ? force : moment));
}

std::array<float, 6> Units::Loads(const std::array<float, 6>& values) const {
  std::array<float, 6> scaledValues = values;
  if (!scaled) return scaledValues;
  for (int m = 0; m < 6; ++m) scaledValues[static_cast<std::size_t>(m)] = LoadComponent(m, values[static_cast<std::size_t>(m)]);
  return scaledValues;
}

std::array<float, 6> Units::Displacements(const std::array<float, 6>& values) const {
  std::array<float, 6> scaledValues = values;
  if (!scaled) return scaledValues;
  for (std::size_t m = 0; m < 3; ++m) scaledValues[m] = static_cast<float>(static_cast<double>(values[m]) * length);
  return scaledValues;
}

}  // namespace viru4deduz::cli
