// viru4deduz compare A B [--case K | --all-cases] [--threshold VALUE[%]]: the loads at every
// support in every case of two revisions of a job, side by side with the change; nodes and cases
// in one job only are listed with the other side empty. The exit status says, as diff and cmp
// do, whether anything is at or past the threshold (without one: whether anything changed).
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli_user_interface.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "VirU4Deduz/Compare.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"
#include "workbook.h"

namespace viru4deduz::cli {
namespace {

struct OpenedJob {
  JobFiles files;
  std::optional<api::Job> job;
};

// A value, or an empty cell where there is none.
Cell ValueCell(const std::optional<double>& value, int decimals) {
  if (!value) return std::string();
  return Fixed{static_cast<float>(*value), decimals};
}

Cell PercentCell(const std::optional<double>& value) {
  if (!value) return std::string();
  return Fixed{static_cast<float>(*value), 2};
}

Json ValueJson(const std::optional<double>& value, bool whole) {
  if (!value) return nullptr;
  return whole ? WholeValue(static_cast<float>(*value)) : Json(static_cast<float>(*value));
}

Json JobObject(const std::string& given, const OpenedJob& opened) {
  return {{"job", given}, {"output_file", opened.files.outputFile}, {"version", opened.job->version()}};
}

}  // namespace

int RunCompare(const Invocation& inv) {
  OpenedJob a, b;
  if (const int status = ResolveAndOpenJob(inv.job, a.files, a.job)) return status;
  if (const int status = ResolveAndOpenJob(inv.otherJob, b.files, b.job)) return status;
  std::vector<int> cases;
  if (inv.caseNumber != 0) {
    const auto has = [&](const api::Job& job) {
      return inv.caseNumber <= static_cast<int>(job.cases().size());
    };
    if (!has(*a.job) && !has(*b.job)) {
      PrintError("load case " + std::to_string(inv.caseNumber) + " is in neither job");
      return kExitUsage;
    }
    cases.push_back(inv.caseNumber);
  }
  std::vector<api::ComparedLoad> rows;
  try {
    rows = api::CompareSupportLoads(*a.job, *b.job, cases, inv.unrounded ? api::Rounding::kNone : api::Rounding::kWhole);
  } catch (const api::Error& e) {
    return ReportUnreadableOutput(e.file() == b.files.outputFile ? b.files : a.files);
  }
  // Both sides in the units asked for; the changes and the threshold then are in them too.
  if (inv.units.scaled) {
    for (api::ComparedLoad& row : rows) {
      if (row.a) row.a = inv.units.LoadComponent(row.component, *row.a);
      if (row.b) row.b = inv.units.LoadComponent(row.component, *row.b);
    }
  }
  const api::ChangeThreshold threshold{inv.threshold, inv.thresholdPercent};
  const auto shown = [&](const api::ComparedLoad& row) {
    return inv.thresholdGiven ? api::AtOrPast(row, threshold) : true;
  };
  bool different = false;
  for (const api::ComparedLoad& row : rows) {
    different = different || (inv.thresholdGiven ? api::AtOrPast(row, threshold) : api::Changed(row));
  }

  const bool whole = !inv.unrounded && !inv.units.scaled;  // the module's rounded loads: JSON integers
  const int decimals = whole ? 0 : 3;
  const auto side = [](const std::optional<float>& v) { return v ? std::optional<double>(*v) : std::nullopt; };
  if (inv.format == Format::kJson) {
    Json document = {{"a", JobObject(inv.job, a)}, {"b", JobObject(inv.otherJob, b)}};
    if (inv.thresholdGiven) document["threshold"] = inv.thresholdPercent ? Json(std::to_string(inv.threshold) + "%") : Json(inv.threshold);
    Json list = Json::array();
    for (const api::ComparedLoad& row : rows) {
      if (!shown(row)) continue;
      list.push_back({{"case", row.loadCase}, {"node", row.node}, {"component", kLoadComponents.names[row.component]},
                      {"a", ValueJson(side(row.a), whole)}, {"b", ValueJson(side(row.b), whole)},
                      {"change", ValueJson(row.Change(), whole)}, {"percent", ValueJson(row.Percent(), false)}});
    }
    document["rows"] = std::move(list);
    WriteJson(std::cout, document);
  } else {
    const std::vector<std::string> columns = {"CASE", "NODE", "COMPONENT", "A", "B", "CHANGE", "PERCENT"};
    const RowSource source = [&](const RowSink& emit) {
      for (const api::ComparedLoad& row : rows) {
        if (!shown(row)) continue;
        emit({std::int64_t{row.loadCase}, std::int64_t{row.node}, std::string(kLoadComponents.names[row.component]),
              ValueCell(side(row.a), decimals), ValueCell(side(row.b), decimals), ValueCell(row.Change(), decimals),
              PercentCell(row.Percent())});
      }
    };
    if (!inv.xlsx.empty()) {
      const int status = WriteWorkbook(inv.xlsx, {{inv.job, a.files.outputFile, &*a.job}, {inv.otherJob, b.files.outputFile, &*b.job}},
                                       "Compare", columns, source);
      if (status != 0) return status;
    } else if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, columns, source);
    } else {
      WriteTable(std::cout, columns, source, inv.units.LoadNote());
    }
  }
  if (const int status = OutputStatus()) return status;
  return different ? kExitDifferent : kExitSuccess;
}

}  // namespace viru4deduz::cli
