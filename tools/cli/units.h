// The units of the values a command writes. The output file does not say its units: the values
// are in whatever units the analysis was set to write (its own output settings), and a table says
// so in its header line. --scale-force, --scale-moment and --scale-length multiply the values into
// another unit system, named by --unit-labels in every header.
#ifndef VIRU4DEDUZ_TOOLS_CLI_UNITS_H_
#define VIRU4DEDUZ_TOOLS_CLI_UNITS_H_

#include <array>
#include <string>

namespace viru4deduz::cli {

struct Units {
  double force = 1.0;   // FX FY FZ
  double moment = 1.0;  // MX MY MZ
  double length = 1.0;  // DX DY DZ (rotations stay in degrees)
  std::string forceLabel, momentLabel, lengthLabel;  // --unit-labels FORCE,MOMENT,LENGTH
  bool scaled = false;  // a factor or a label was given

  // What a header line says of the units of loads (or of displacements).
  std::string LoadNote() const;
  std::string DisplacementNote() const;
  // The values multiplied by their factors, in single precision.
  std::array<float, 6> Loads(const std::array<float, 6>& values) const;
  std::array<float, 6> Displacements(const std::array<float, 6>& values) const;
  float LoadComponent(int component, float value) const;
};

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_UNITS_H_
