#include "output_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>
#include <utility>

#include "windows1252.h"

namespace viru4deduz::cli {
namespace {

bool IsNumber(const Cell& cell) {
  return !std::holds_alternative<bool>(cell) && !std::holds_alternative<std::string>(cell);
}

// A cell's text in a table (flags "yes" and "no", reals to their decimals) or in CSV (flags
// "true" and "false", reals whole).
std::string CellText(const Cell& cell, bool table) {
  if (const auto* i = std::get_if<std::int64_t>(&cell)) return std::to_string(*i);
  if (const auto* f = std::get_if<float>(&cell)) return FormatFloat(*f);
  if (const auto* b = std::get_if<bool>(&cell)) return *b ? (table ? "yes" : "true") : (table ? "no" : "false");
  if (const auto* x = std::get_if<Fixed>(&cell)) {
    char text[64];  // a float's 39 integer digits at most, and the decimals
    const int n = table ? std::snprintf(text, sizeof text, "%.*f", x->decimals, static_cast<double>(x->value)) : -1;
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text) return FormatFloat(x->value);
    return std::string(text, static_cast<std::size_t>(n));
  }
  return std::get<std::string>(cell);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string FormatFloat(float value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : std::string("?");
}

void WriteTable(std::ostream& out, const std::vector<std::string>& columns, const RowSource& rows,
                const std::string& note) {
  const std::size_t count = columns.size();
  // A column's numbers, and its heading above them, are right-aligned among themselves; a text
  // starts where its column starts. So a long text in a column of numbers (the control text
  // among the control items) widens the column without pushing the numbers to its far end.
  std::vector<std::size_t> widths(count, 0);
  std::vector<std::size_t> numberWidths(count, 0);  // 0: the column holds no number
  // First pass: the columns' widths.
  rows([&](const std::vector<Cell>& row) {
    for (std::size_t c = 0; c < count && c < row.size(); ++c) {
      const std::size_t width = Utf8Length(CellText(row[c], true));
      widths[c] = std::max(widths[c], width);
      if (IsNumber(row[c])) numberWidths[c] = std::max({numberWidths[c], width, Utf8Length(columns[c])});
    }
  });
  for (std::size_t c = 0; c < count; ++c) widths[c] = std::max({widths[c], numberWidths[c], Utf8Length(columns[c])});
  auto writeLine = [&](const std::vector<std::string>& cells, const std::vector<bool>& numbers,
                       const std::string& end = "") {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      std::string cell = cells[c];
      const std::size_t length = Utf8Length(cell);
      if (numbers[c] && length < numberWidths[c]) cell.insert(0, numberWidths[c] - length, ' ');
      if (c > 0) line += "  ";
      line += cell + std::string(widths[c] - std::min(widths[c], Utf8Length(cell)), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);  // no blanks after the last column
    if (!end.empty()) line += "  " + end;
    out << line << '\n';
  };
  std::vector<bool> headings(count);
  for (std::size_t c = 0; c < count; ++c) headings[c] = numberWidths[c] > 0;
  writeLine(columns, headings, note);
  // Second pass: the lines.
  rows([&](const std::vector<Cell>& row) {
    std::vector<std::string> cells;
    std::vector<bool> numbers;
    for (std::size_t c = 0; c < count && c < row.size(); ++c) {
      cells.push_back(CellText(row[c], true));
      numbers.push_back(IsNumber(row[c]));
    }
    writeLine(cells, numbers);
  });
}

void WriteCsv(std::ostream& out, const std::vector<std::string>& columns, const RowSource& rows) {
  auto writeLine = [&](const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) out << (c > 0 ? "," : "") << CsvField(cells[c]);
    out << '\n';
  };
  writeLine(columns);
  rows([&](const std::vector<Cell>& row) {
    std::vector<std::string> cells;
    for (const Cell& cell : row) cells.push_back(CellText(cell, false));
    writeLine(cells);
  });
}

RowSource RowsOf(const Grid& grid) {
  return [&grid](const RowSink& emit) {
    for (const auto& row : grid.rows) emit(row);
  };
}

void WriteTable(std::ostream& out, const Grid& grid, const std::string& note) {
  WriteTable(out, grid.columns, RowsOf(grid), note);
}

void WriteCsv(std::ostream& out, const Grid& grid) { WriteCsv(out, grid.columns, RowsOf(grid)); }

std::string JsonText(const Json& value, int indent) {
  // Text that is not UTF-8 (it never should be: every text is converted) is replaced, not thrown.
  std::string text = value.dump(indent, ' ', false, nlohmann::detail::error_handler_t::replace);
  // The writer escapes the controls below 0x20 but not DEL, which can only stand inside a string
  // (and never inside a UTF-8 sequence): escaped here, so that no control reaches a terminal.
  for (std::size_t at = text.find('\x7f'); at != std::string::npos; at = text.find('\x7f', at)) {
    text.replace(at, 1, "\\u007f");
  }
  return text;
}

void WriteJson(std::ostream& out, const Json& document) { out << JsonText(document, 2) << '\n'; }

JobDocument::JobDocument(std::ostream& out, const std::string& job, const std::string& outputFile,
                         std::int32_t version)
    : out_(out) {
  const Json head = {{"job", job}, {"output_file", outputFile}, {"version", version}};
  const std::string text = JsonText(head, 2);
  out_ << text.substr(0, text.rfind('\n')) << ",\n  \"cases\": [";
}

void JobDocument::AddCase(const Json& oneCase) {
  // The case as an element of "cases", four blanks in.
  const std::string text = JsonText(oneCase, 2);
  std::string indented = empty_ ? "\n    " : ",\n    ";
  indented.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    indented += c;
    if (c == '\n') indented += "    ";
  }
  out_ << indented;
  empty_ = false;
}

void JobDocument::End() { out_ << (empty_ ? "]" : "\n  ]") << "\n}\n"; }

void JobDocument::End(const std::string& key, const Json& value) {
  const Json member = {{key, value}};
  const std::string text = JsonText(member, 2);  // "{\n  "key": ...\n}"
  out_ << (empty_ ? "]" : "\n  ]") << "," << text.substr(1);
  if (text.empty() || text.back() != '\n') out_ << "\n";
}

Json CaseObject(int k, const std::string& label, bool active, bool skipped, bool results) {
  return {{"case", k}, {"label", label}, {"active", active}, {"skipped", skipped}, {"results", results}};
}

void WriteCases(std::ostream& out, Format format, const std::string& job, const std::string& outputFile,
                std::int32_t version, const std::vector<Json>& cases, const Grid& grid,
                const std::string& note) {
  switch (format) {
    case Format::kJson: {
      JobDocument document(out, job, outputFile, version);
      for (const Json& one : cases) document.AddCase(one);
      document.End();
      break;
    }
    case Format::kCsv:
      WriteCsv(out, grid);
      break;
    case Format::kTable:
      WriteTable(out, grid, note);
      break;
  }
}

}  // namespace viru4deduz::cli
