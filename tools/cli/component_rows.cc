#include "component_rows.h"

#include <cctype>
#include <iostream>

namespace viru4deduz::cli {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

Grid ComponentGrid(const ComponentNames& names) {
  Grid grid;
  grid.columns = {"CASE", "NODE"};
  grid.columns.insert(grid.columns.end(), names.begin(), names.end());
  grid.columns.push_back("LABEL");
  return grid;
}

std::vector<Cell> ComponentRow(int caseNumber, int node, const std::array<float, 6>& values,
                               const std::string& label) {
  std::vector<Cell> row = {std::int64_t{caseNumber}, std::int64_t{node}};
  row.insert(row.end(), values.begin(), values.end());
  row.push_back(label);
  return row;
}

void AddComponentRow(Grid& grid, int caseNumber, int node, const std::array<float, 6>& values,
                     const std::string& label) {
  grid.rows.push_back(ComponentRow(caseNumber, node, values, label));
}

Json ComponentObject(const ComponentNames& names, int node, const std::array<float, 6>& values) {
  Json object = {{"node", node}};
  for (std::size_t k = 0; k < names.size(); ++k) object[Lower(names[k])] = values[k];
  return object;
}

void WriteResult(Format format, const Json& document, const Grid& grid) {
  switch (format) {
    case Format::kJson:
      WriteJson(std::cout, document);
      break;
    case Format::kCsv:
      WriteCsv(std::cout, grid);
      break;
    case Format::kTable:
      WriteTable(std::cout, grid);
      break;
  }
  std::cout.flush();
}

}  // namespace viru4deduz::cli
