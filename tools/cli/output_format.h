// The three forms of every subcommand's output: an aligned table for people, one JSON document
// and CSV for scripts. JSON and CSV write every value as the shortest text that reads back as the
// same single-precision number, so nothing the module returned is rounded on the way out; a
// table shows reals with a fixed number of decimals per column, their decimal points aligned.
#ifndef VIRU4DEDUZ_TOOLS_CLI_OUTPUT_FORMAT_H_
#define VIRU4DEDUZ_TOOLS_CLI_OUTPUT_FORMAT_H_

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

namespace viru4deduz::cli {

enum class Format { kTable, kJson, kCsv };

// JSON whose keys keep the order in which they were set and whose reals are single precision,
// so that a value is written with exactly the digits that identify it.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

// A real that a table shows with a fixed number of decimals; CSV writes it whole.
struct Fixed {
  float value;
  int decimals;
};

// One cell: numbers are right-aligned in a table, texts (UTF-8) and flags left-aligned.
using Cell = std::variant<std::int64_t, float, bool, std::string, Fixed>;

struct Grid {
  std::vector<std::string> columns;
  std::vector<std::vector<Cell>> rows;
};

// Rows given as they are made, so that output of any length holds one row at a time: a source
// calls the sink once per row, and may be asked for its rows more than once.
using RowSink = std::function<void(const std::vector<Cell>&)>;
using RowSource = std::function<void(const RowSink&)>;
RowSource RowsOf(const Grid& grid);

// The shortest decimal text that reads back as value ("12", "-0.5729578", "3e+10", "nan").
std::string FormatFloat(float value);

// Columns separated by two blanks, a header line first; flags read "yes" or "no". The rows are
// taken twice: once to measure the columns, once to write them.
// note, when given, ends the header line (the units of the values).
void WriteTable(std::ostream& out, const Grid& grid, const std::string& note = "");
void WriteTable(std::ostream& out, const std::vector<std::string>& columns, const RowSource& rows,
                const std::string& note = "");

// A header line, then one line per row (ended by a line feed, as Unix tools expect); fields are
// quoted as RFC 4180 has it when they hold a comma, a quote or a line break. Flags read "true" or
// "false".
void WriteCsv(std::ostream& out, const Grid& grid);
void WriteCsv(std::ostream& out, const std::vector<std::string>& columns, const RowSource& rows);

// The document, indented by two, with a final line break.
void WriteJson(std::ostream& out, const Json& document);

// The one shape of every command's JSON document: the job as given, its output file and format
// version, and the cases, each an object with its number, label and flags and, for a command
// that writes rows, its "rows". Written a case at a time, so that a document of every case of a
// large job is never held whole.
class JobDocument {
 public:
  JobDocument(std::ostream& out, const std::string& job, const std::string& outputFile,
              std::int32_t version);
  void AddCase(const Json& oneCase);
  void End();
  // Ends the document with one more member after "cases" (an envelope's rows).
  void End(const std::string& key, const Json& value);

 private:
  std::ostream& out_;
  bool empty_ = true;
};

// {"case": k, "label": ..., "active": ..., "skipped": ..., "results": ...}: a case of the
// document.
Json CaseObject(int k, const std::string& label, bool active, bool skipped, bool results);

// The cases as the format asks: the grid as a table or CSV, or the job's document holding them.
void WriteCases(std::ostream& out, Format format, const std::string& job, const std::string& outputFile,
                std::int32_t version, const std::vector<Json>& cases, const Grid& grid,
                const std::string& note = "");

// A value's text as WriteJson writes it, indented by indent (-1: on one line).
std::string JsonText(const Json& value, int indent);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_OUTPUT_FORMAT_H_
