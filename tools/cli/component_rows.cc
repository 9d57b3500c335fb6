#include "component_rows.h"

#include <cctype>
#include <cmath>
#include <iostream>

namespace viru4deduz::cli {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

Json WholeValue(float value) {
  if (std::isfinite(value) && std::fabs(value) < 9.0e18f) return static_cast<std::int64_t>(value);
  return value;
}

Grid ComponentGrid(const ComponentKind& kind) {
  Grid grid;
  grid.columns = {"CASE", "NODE"};
  grid.columns.insert(grid.columns.end(), kind.names.begin(), kind.names.end());
  grid.columns.push_back("LABEL");
  return grid;
}

std::vector<Cell> ComponentRow(const ComponentKind& kind, int caseNumber, int node,
                               const std::array<float, 6>& values, const std::string& label,
                               bool inJob) {
  std::vector<Cell> row = {std::int64_t{caseNumber}, std::int64_t{node}};
  for (std::size_t k = 0; k < 6; ++k) {
    row.push_back(inJob ? Cell(Fixed{values[k], kind.decimals[k]}) : Cell(std::string()));
  }
  row.push_back(label);
  return row;
}

Json ComponentObject(const ComponentKind& kind, int node, const std::array<float, 6>& values,
                     const bool* inJob) {
  Json object = {{"node", node}};
  if (inJob != nullptr) object["in_job"] = *inJob;
  for (std::size_t k = 0; k < 6; ++k) {
    const std::string key = Lower(kind.names[k]);
    if (inJob != nullptr && !*inJob) {
      object[key] = nullptr;
    } else {
      object[key] = kind.whole ? WholeValue(values[k]) : Json(values[k]);
    }
  }
  return object;
}

void WriteCaseRows(Format format, const std::string& job, const std::string& outputFile,
                   std::int32_t version, Json oneCase, Json jsonRows, const Grid& grid, const std::string& note) {
  oneCase["rows"] = std::move(jsonRows);
  WriteCases(std::cout, format, job, outputFile, version, {std::move(oneCase)}, grid, note);
}

}  // namespace viru4deduz::cli
