#include "workbook.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <type_traits>
#include <variant>

#include "cli_user_interface.h"
#include "exit_status.h"
#include "windows1252.h"

namespace viru4deduz::cli {
namespace {

constexpr lxw_row_t kRowsPerSheet = 1048576;

class Sheet {
 public:
  Sheet(lxw_workbook* book, const std::string& name, lxw_format* header)
      : sheet_(workbook_add_worksheet(book, name.substr(0, 31).c_str())), header_(header) {}

  bool ok() const { return sheet_ != nullptr; }

  void Header(const std::vector<std::string>& columns) {
    for (std::size_t c = 0; c < columns.size(); ++c) Write(static_cast<lxw_col_t>(c), columns[c], header_);
    worksheet_freeze_panes(sheet_, 1, 0);
    ++row_;
  }

  void Row(const std::vector<Cell>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      const auto col = static_cast<lxw_col_t>(c);
      std::visit([&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::int64_t>) {
          worksheet_write_number(sheet_, row_, col, static_cast<double>(value), nullptr);
        } else if constexpr (std::is_same_v<T, float>) {
          worksheet_write_number(sheet_, row_, col, static_cast<double>(value), nullptr);
        } else if constexpr (std::is_same_v<T, Fixed>) {
          worksheet_write_number(sheet_, row_, col, static_cast<double>(value.value), nullptr);
        } else if constexpr (std::is_same_v<T, bool>) {
          worksheet_write_boolean(sheet_, row_, col, value, nullptr);
        } else if (!value.empty()) {  // an empty text is an empty cell
          Write(col, value, nullptr);
        }
      }, cells[c]);
    }
    ++row_;
  }

  bool full() const { return row_ >= kRowsPerSheet; }

 private:
  void Write(lxw_col_t col, const std::string& text, lxw_format* format) {
    worksheet_write_string(sheet_, row_, col, text.c_str(), format);
  }

  lxw_worksheet* sheet_;
  lxw_format* header_;
  lxw_row_t row_ = 0;
};

// The first sheet: each job's name, output file and version, then its cases.
void JobSheet(lxw_workbook* book, lxw_format* header, const std::vector<WorkbookJob>& jobs) {
  Sheet sheet(book, "Job", header);
  if (!sheet.ok()) return;
  sheet.Header({"JOB", "OUTPUT FILE", "VERSION", "CASE", "LABEL", "ACTIVE", "RESULTS"});
  for (const WorkbookJob& j : jobs) {
    for (const api::LoadCase& c : j.job->cases()) {
      sheet.Row({j.given, j.outputFile, std::int64_t{j.job->version()}, std::int64_t{c.number},
                 Windows1252ToUtf8(c.label), c.active, c.hasResults});
    }
  }
}

}  // namespace

int WriteWorkbook(const std::string& path, const std::vector<WorkbookJob>& jobs, const std::string& sheetName,
                  const std::vector<std::string>& columns, const RowSource& rows) {
  // The library writes the file only when the workbook is closed, and tells of a file it cannot
  // create on standard error in its own words: the file is made here first, so that a path that
  // cannot be written is told once, as every other output error is.
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fclose(file);
  } else {
    PrintError("cannot write " + path + ": " + std::strerror(errno));
    return kExitOutputError;
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;  // rows go to the file as they are written
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  if (book == nullptr) {
    PrintError("cannot write " + path + ": the workbook could not be made");
    return kExitOutputError;
  }
  lxw_format* header = workbook_add_format(book);
  format_set_bold(header);
  JobSheet(book, header, jobs);
  int sheets = 1;
  Sheet sheet(book, sheetName, header);
  sheet.Header(columns);
  Sheet* current = &sheet;
  std::deque<Sheet> more;  // stays where it is as it grows
  rows([&](const std::vector<Cell>& cells) {
    if (current->full()) {
      more.emplace_back(book, sheetName + " (" + std::to_string(++sheets) + ")", header);
      current = &more.back();
      current->Header(columns);
    }
    current->Row(cells);
  });
  const lxw_error error = workbook_close(book);
  if (error != LXW_NO_ERROR) {
    PrintError("cannot write " + path + ": " + lxw_strerror(error));
    return kExitOutputError;
  }
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
