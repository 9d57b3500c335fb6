// Rows of six result components (loads or displacements) at a node for a load case, as table and
// CSV rows and as the rows of a case in the JSON document.
#ifndef VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_
#define VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_

#include <array>
#include <string>

#include "output_format.h"

namespace viru4deduz::cli {

struct ComponentKind {
  std::array<const char*, 6> names;
  std::array<int, 6> decimals;  // in a table
  bool whole;                   // rounded to whole numbers by the module: JSON integers
};

// Three forces and three moments, summed and rounded; three translations and three rotations
// (degrees).
constexpr ComponentKind kLoadComponents = {{"FX", "FY", "FZ", "MX", "MY", "MZ"}, {0, 0, 0, 0, 0, 0}, true};
// The loads' sums before the module's rounding (--unrounded): reals, three decimals in a table.
constexpr ComponentKind kUnroundedLoadComponents = {{"FX", "FY", "FZ", "MX", "MY", "MZ"}, {3, 3, 3, 3, 3, 3}, false};
constexpr ComponentKind kDisplacementComponents = {{"DX", "DY", "DZ", "RX", "RY", "RZ"}, {3, 3, 3, 4, 4, 4}, false};

// A whole value as a JSON integer ("-3984", not "-3984.0"); one no integer holds stays a real.
Json WholeValue(float value);

// Columns CASE, NODE, the six components and LABEL.
Grid ComponentGrid(const ComponentKind& kind);
// A node the job does not have (inJob false) shows no values.
std::vector<Cell> ComponentRow(const ComponentKind& kind, int caseNumber, int node,
                               const std::array<float, 6>& values, const std::string& label,
                               bool inJob = true);

// {"node": node, "fx": ..., ...}: the components under their names in lower case. With inJob
// given (a node the user named), "in_job" tells whether the job has the node; the values of one it
// does not have are null.
Json ComponentObject(const ComponentKind& kind, int node, const std::array<float, 6>& values,
                     const bool* inJob = nullptr);

// One case's rows as the format asks: the grid as a table or CSV, or the document of the job
// with the case (oneCase, its "rows" taken from jsonRows).
void WriteCaseRows(Format format, const std::string& job, const std::string& outputFile,
                   std::int32_t version, Json oneCase, Json jsonRows, const Grid& grid,
                   const std::string& note = "");

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_COMPONENT_ROWS_H_
