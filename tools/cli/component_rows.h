// Rows of six result components (loads or displacements) at a node for a load case, as table and
// CSV rows and as JSON objects.
#ifndef VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_
#define VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_

#include <array>
#include <string>

#include "output_format.h"

namespace viru4deduz::cli {

using ComponentNames = std::array<const char*, 6>;

// Three forces and three moments; three translations and three rotations (degrees).
constexpr ComponentNames kLoadComponents = {"FX", "FY", "FZ", "MX", "MY", "MZ"};
constexpr ComponentNames kDisplacementComponents = {"DX", "DY", "DZ", "RX", "RY", "RZ"};

// Columns CASE, NODE, the six components and LABEL.
Grid ComponentGrid(const ComponentNames& names);
std::vector<Cell> ComponentRow(int caseNumber, int node, const std::array<float, 6>& values,
                               const std::string& label);
void AddComponentRow(Grid& grid, int caseNumber, int node, const std::array<float, 6>& values,
                     const std::string& label);

// {"node": node, "fx": ..., ...}: the components under their names in lower case.
Json ComponentObject(const ComponentNames& names, int node, const std::array<float, 6>& values);

// Writes the document or the grid, as the format asks.
void WriteResult(Format format, const Json& document, const Grid& grid);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_
