// viru4deduz supports JOB [--case K | --all-cases]: the loads at every restraint node, read a
// case at a time: the restraint node list once, then each case's loads where the file keeps them.
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "case_choice.h"
#include "cli_user_interface.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "standard_output.h"
#include "windows1252.h"
#include "workbook.h"

namespace viru4deduz::cli {
namespace {

// The cases to report, or the exit status after telling the user why there are none.
struct CaseList {
  std::vector<int> cases;
  int status = kExitSuccess;
};

CaseList CasesToReport(const Invocation& inv, const api::Job& job, CliUserInterface& ui) {
  CaseList list;
  if (inv.allCases) {
    for (const api::LoadCase& c : job.cases()) {
      if (c.hasResults) list.cases.push_back(c.number);
    }
    if (list.cases.empty()) {
      PrintError("the output file stores results for no load case");
      list.status = kExitNoResult;
    }
    return list;
  }
  int k = inv.caseNumber;
  if (k == 0) {
    const std::optional<int> chosen = job.ChooseCase(ui);
    if (!chosen) {
      PrintError("no load case chosen");
      list.status = kExitNoResult;
      return list;
    }
    k = *chosen;
  }
  list.status = CheckCase(job, k);
  if (list.status == kExitSuccess) list.cases.push_back(k);
  return list;
}

}  // namespace

int RunSupports(const Invocation& inv) {
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  if (!inv.allCases && CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K or --all-cases");
    return kExitUsage;
  }
  CliUserInterface ui;
  std::optional<api::Job> job;
  if (const int status = OpenJob(files, job)) return status;
  if (inv.caseNumber != 0) {
    if (const int status = CheckCase(*job, inv.caseNumber)) return status;
  }
  bool noRestraints = false;
  try {
    noRestraints = job->SupportNodes().empty();
  } catch (const api::Error&) {
    return ReportUnreadableOutput(files);
  }
  const CaseList list = CasesToReport(inv, *job, ui);
  if (list.status != kExitSuccess) return list.status;
  WarnOfDiscardedCases(*job, list.cases);
  if (noRestraints) {
    PrintError(std::string(api::kNoRestraintText) + " (the job has no restraints)");
    return kExitNoRestraint;
  }

  // The rows are written as they are made, a case at a time, so that the output of every case
  // of a large job needs no more memory than one case's supports. A case whose loads cannot be
  // read (the file changed under the command) ends the output there, and so does output that
  // cannot be written.
  int readStatus = kExitSuccess;
  const auto eachCase = [&](const auto& withSupports) {
    for (int k : list.cases) {
      if (readStatus != kExitSuccess || !std::cout) return;
      std::vector<api::SupportLoads> supports;
      try {
        supports = job->SupportLoadsOf(k, inv.unrounded ? api::Rounding::kNone : api::Rounding::kWhole);
      } catch (const api::Error&) {
        readStatus = ReportUnreadableOutput(files);
        return;
      }
      for (api::SupportLoads& at : supports) at.loads = inv.units.Loads(at.loads);
      withSupports(k, Windows1252ToUtf8(job->Case(k).label), supports);
    }
  };
  const ComponentKind& kind = inv.unrounded || inv.units.scaled ? kUnroundedLoadComponents : kLoadComponents;
  const auto caseObject = [&](int k, const std::string& label) {
    return CaseObject(k, label, job->Case(k).active, !job->Case(k).offered, true);
  };
  if (inv.format == Format::kJson) {
    JobDocument document(std::cout, inv.job, files.outputFile, job->version());
    eachCase([&](int k, const std::string& label, const std::vector<api::SupportLoads>& loads) {
      Json rows = Json::array();
      for (const api::SupportLoads& at : loads) rows.push_back(ComponentObject(kind, at.node, at.loads));
      Json one = caseObject(k, label);
      one["rows"] = std::move(rows);
      document.AddCase(one);
    });
    document.End();
  } else {
    const RowSource rows = [&](const RowSink& emit) {
      eachCase([&](int k, const std::string& label, const std::vector<api::SupportLoads>& loads) {
        for (const api::SupportLoads& at : loads) emit(ComponentRow(kind, k, at.node, at.loads, label));
      });
    };
    const std::vector<std::string> columns = ComponentGrid(kind).columns;
    if (!inv.xlsx.empty()) {
      if (const int status = WriteWorkbook(inv.xlsx, {{inv.job, files.outputFile, &*job}}, "Supports", columns, rows)) {
        return status;
      }
    } else if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, columns, rows);
    } else {
      WriteTable(std::cout, columns, rows, inv.units.LoadNote());
    }
  }
  if (const int status = OutputStatus()) return status;
  return readStatus;
}

}  // namespace viru4deduz::cli
