// --xlsx FILE: a command's table as an Excel workbook, through libxlsxwriter. A first sheet
// names the job (or jobs), its version and its cases with their labels; then the table, its
// header row frozen, numbers as numbers, on as many sheets as its rows need (a sheet holds
// 1,048,576 rows). Rows are written as they come, so a workbook of any length holds one row at
// a time.
#ifndef VIRU4DEDUZ_TOOLS_CLI_WORKBOOK_H_
#define VIRU4DEDUZ_TOOLS_CLI_WORKBOOK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "VirU4Deduz/Job.h"
#include "output_format.h"

namespace viru4deduz::cli {

// A job as the first sheet shows it: what the user gave, its output file, and the job itself
// (for its version and cases).
struct WorkbookJob {
  std::string given;
  std::string outputFile;
  const api::Job* job;
};

// Writes the workbook to path: 0, or 74 after telling the user why it could not be written.
int WriteWorkbook(const std::string& path, const std::vector<WorkbookJob>& jobs, const std::string& sheet,
                  const std::vector<std::string>& columns, const RowSource& rows);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_WORKBOOK_H_
