// viru4deduz inspect JOB: what the output file holds and where, and what is wrong with it.
#include <climits>
#include <iostream>

#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "VirU4Deduz/FileReport.h"
#include "cli_user_interface.h"
#include "job_files.h"
#include "standard_output.h"
#include "windows1252.h"
#include "work_area_setting.h"

namespace viru4deduz::cli {
namespace {

// The control text in UTF-8, as read: for JSON, whose writer escapes control characters itself.
std::string ControlText(const api::FileReport& report) {
  return Windows1252ToUtf8(report.text);
}

// The control text for a table or CSV, which may go to a terminal: its control characters as
// visible escapes, so that the file cannot send the terminal commands.
std::string ShownControlText(const api::FileReport& report) {
  return VisibleControls(ControlText(report));
}

std::string JsonKey(std::string name) {
  for (char& ch : name) {
    if (ch == ' ') ch = '_';
  }
  return name;
}

std::optional<std::int64_t> NeededBytes(const api::FileReport& report) {
  const std::int64_t words = report.neededWorkAreaWords;
  if (!report.versionRead || words < 0 || words > INT64_MAX / 4) return std::nullopt;
  return words * 4;
}

// The top of the one document shape every command writes (the job, its output file, the
// version), then the report.
Json Document(const std::string& job, const api::FileReport& report) {
  Json items = Json::array();
  for (int k = 1; k <= 31; ++k) {
    Json item = {{"item", k}, {"name", api::ControlItemName(k)}};
    if (k == 8) {
      item["value"] = ControlText(report);
    } else {
      item["value"] = report.items[static_cast<std::size_t>(k)];
    }
    items.push_back(item);
  }
  Json counts = Json::object();
  for (const auto& [name, value] : report.counts) counts[JsonKey(name)] = value;
  counts["load_cases"] = report.loadCases ? Json(*report.loadCases) : Json(nullptr);
  counts["stored_cases"] = report.storedCases ? Json(*report.storedCases) : Json(nullptr);
  Json layout = Json::array();
  for (const api::RecordRange& r : report.layout) {
    layout.push_back({{"part", r.name}, {"first_record", r.first}, {"last_record", r.last}});
  }
  const std::optional<std::int64_t> needed = NeededBytes(report);
  return {{"job", job},
          {"output_file", report.outputFile},
          {"version", report.version()},
          {"size_bytes", report.sizeBytes},
          {"records", report.records},
          {"version_read", report.versionRead},
          {"control_items", items},
          {"counts", counts},
          {"work_area_needed_bytes", needed ? Json(*needed) : Json(nullptr)},
          {"host_work_area_bytes", ReadWorkAreaSetting().bytes},
          {"layout", layout},
          {"problems", report.problems}};
}

// One grid for CSV: SECTION, NAME, VALUE, FIRST_RECORD, LAST_RECORD.
Grid CsvGrid(const api::FileReport& report) {
  Grid grid{{"SECTION", "NAME", "VALUE", "FIRST_RECORD", "LAST_RECORD"}, {}};
  auto add = [&](const char* section, const std::string& name, Cell value) {
    grid.rows.push_back({std::string(section), name, std::move(value), std::string(), std::string()});
  };
  add("file", "output_file", report.outputFile);
  add("file", "size_bytes", static_cast<std::int64_t>(report.sizeBytes));
  add("file", "records", report.records);
  add("file", "version_read", report.versionRead);
  for (int k = 1; k <= 31; ++k) {
    const std::string name = "item " + std::to_string(k) + " " + api::ControlItemName(k);
    add("control", name.substr(0, name.find_last_not_of(' ') + 1),
        k == 8 ? Cell(ShownControlText(report)) : Cell(std::int64_t{report.items[static_cast<std::size_t>(k)]}));
  }
  for (const auto& [name, value] : report.counts) add("count", JsonKey(name), value);
  if (report.loadCases) add("count", "load_cases", std::int64_t{*report.loadCases});
  if (report.storedCases) add("count", "stored_cases", std::int64_t{*report.storedCases});
  if (const auto needed = NeededBytes(report)) add("work_area", "needed_bytes", *needed);
  add("work_area", "host_bytes", ReadWorkAreaSetting().bytes);
  for (const api::RecordRange& r : report.layout) {
    grid.rows.push_back({std::string("layout"), r.name, std::string(), r.first, r.last});
  }
  for (const std::string& problem : report.problems) add("problem", "", problem);
  return grid;
}

void WriteReportTable(const api::FileReport& report) {
  std::cout << "Output file  " << report.outputFile << "\n"
            << "Size         " << report.sizeBytes << " bytes, " << report.records
            << " records of 256 bytes\n"
            << "Version      ";
  if (!report.controlRecordRead) {
    std::cout << "unknown: the control record cannot be read\n";
  } else {
    // A version the module does not read says first that the file is no output file of it: the
    // number is only what the file's first word reads.
    if (report.versionRead) {
      std::cout << report.version() << " (the module reads it)\n";
    } else {
      std::cout << "not one the module reads (the file's first word reads " << report.version() << ")\n";
    }
  }
  if (const auto needed = NeededBytes(report)) {
    // A host reads the job only in the room its setting gives; the command reads it in any.
    const std::int64_t host = ReadWorkAreaSetting().bytes;
    std::cout << "Work area    " << *needed << " bytes needed; a host's \"XMS Memory Allocated\" gives "
              << host << (host >= *needed ? "\n" : ", too few for a host to read the job\n");
  }
  std::cout << "\n";
  Grid items{{"ITEM", "NAME", "VALUE"}, {}};
  for (int k = 1; k <= 31; ++k) {
    items.rows.push_back({std::int64_t{k}, std::string(api::ControlItemName(k)),
                          k == 8 ? Cell(ShownControlText(report)) : Cell(std::int64_t{report.items[static_cast<std::size_t>(k)]})});
  }
  WriteTable(std::cout, items);
  std::cout << "\n";
  Grid counts{{"COUNT", "VALUE"}, {}};
  for (const auto& [name, value] : report.counts) counts.rows.push_back({name, value});
  if (report.loadCases) counts.rows.push_back({std::string("load cases"), std::int64_t{*report.loadCases}});
  if (report.storedCases) counts.rows.push_back({std::string("stored cases"), std::int64_t{*report.storedCases}});
  WriteTable(std::cout, counts);
  if (!report.layout.empty()) {
    std::cout << "\n";
    Grid layout{{"PART", "FIRST", "LAST", "RECORDS"}, {}};
    for (const api::RecordRange& r : report.layout) {
      const std::int64_t records = r.last >= r.first && r.first > INT64_MIN / 2 ? r.last - r.first + 1 : 0;
      layout.rows.push_back({r.name, r.first, r.last, records});
    }
    WriteTable(std::cout, layout);
  }
  std::cout << "\nProblems" << (report.problems.empty() ? ": none\n" : "\n");
  for (const std::string& problem : report.problems) std::cout << "  " << problem << "\n";
}

}  // namespace

int RunInspect(const Invocation& inv) {
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  api::FileReport report;
  try {
    report = api::Inspect(files.argument);
  } catch (const api::Error& gone) {  // the file went away after it was found
    PrintError(gone.what());
    return kExitNoInput;
  }
  switch (inv.format) {
    case Format::kJson:
      WriteJson(std::cout, Document(inv.job, report));
      break;
    case Format::kCsv:
      WriteCsv(std::cout, CsvGrid(report));
      break;
    case Format::kTable:
      WriteReportTable(report);
      break;
  }
  if (const int status = OutputStatus()) return status;
  if (!report.controlRecordRead) return kExitNoInput;
  return report.problems.empty() ? kExitSuccess : kExitDataError;
}

}  // namespace viru4deduz::cli
