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
#include "common/messages.h"
#include "job/job_reader.h"
#include "job_checks.h"
#include "job_files.h"
#include "standard_output.h"
#include "windows1252.h"

namespace viru4deduz::cli {
namespace {

// The cases to report, or the exit status after telling the user why there are none.
struct CaseList {
  std::vector<int> cases;
  int status = kExitSuccess;
};

CaseList CasesToReport(const Invocation& inv, JobReader& session, CliUserInterface& ui) {
  CaseList list;
  if (inv.allCases) {
    for (int k = 1; k <= session.caseCount(); ++k) {
      if (session.HasStoredResults(k)) list.cases.push_back(k);
    }
    if (list.cases.empty()) {
      PrintError("the output file stores results for no load case");
      list.status = kExitNoResult;
    }
    return list;
  }
  int k = inv.caseNumber;
  if (k == 0) {
    const std::optional<int> chosen = session.ChooseCase(ui);
    if (!chosen) {
      PrintError("no load case chosen");
      list.status = kExitNoResult;
      return list;
    }
    k = *chosen;
  }
  list.status = CheckCase(session, k);
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
  Env env = CliEnv(ui);
  JobReader session(env);
  if (const int status = OpenJob(session, files)) return status;
  if (inv.caseNumber != 0) {
    if (const int status = CheckCase(session, inv.caseNumber)) return status;
  }
  const std::optional<std::int32_t> words = WorkAreaWords(session);
  JobOutcome prepared = JobOutcome::kReadFailed;
  try {
    if (words) prepared = session.PrepareSupports(*words);
  } catch (const std::bad_alloc&) {  // counts asking for more memory than there is: a damaged file
  }
  if (prepared != JobOutcome::kResults) return ReportUnreadableOutput(files);
  const CaseList list = CasesToReport(inv, session, ui);
  if (list.status != kExitSuccess) return list.status;
  if (session.restraintEntryCount() < 1) {
    PrintError(std::string(kNoRestraintMessage) + " (the job has no restraints)");
    return kExitNoRestraint;
  }

  // The rows are written as they are made, a case at a time, so that the output of every case
  // of a large job needs no more memory than one case's supports. A case whose loads cannot be
  // read (the file changed under the command) ends the output there, and so does output that
  // cannot be written.
  int readStatus = kExitSuccess;
  const auto eachCase = [&](const auto& withSupports) {
    std::vector<SupportLoads> supports;
    for (int k : list.cases) {
      if (readStatus != kExitSuccess || !std::cout) return;
      if (session.SupportsOf(k, supports) != JobOutcome::kResults) {
        readStatus = ReportUnreadableOutput(files);
        return;
      }
      withSupports(k, Windows1252ToUtf8(session.Label(k)), supports);
    }
  };
  const auto caseObject = [&](int k, const std::string& label) {
    return CaseObject(k, label, k <= session.skippedCaseCount(), true);
  };
  if (inv.format == Format::kJson) {
    JobDocument document(std::cout, inv.job, files.outputFile, session.version());
    eachCase([&](int k, const std::string& label, const std::vector<SupportLoads>& loads) {
      Json rows = Json::array();
      for (const SupportLoads& at : loads) rows.push_back(ComponentObject(kLoadComponents, at.node, at.loads));
      Json one = caseObject(k, label);
      one["rows"] = std::move(rows);
      document.AddCase(one);
    });
    document.End();
  } else {
    const RowSource rows = [&](const RowSink& emit) {
      eachCase([&](int k, const std::string& label, const std::vector<SupportLoads>& loads) {
        for (const SupportLoads& at : loads) emit(ComponentRow(kLoadComponents, k, at.node, at.loads, label));
      });
    };
    const std::vector<std::string> columns = ComponentGrid(kLoadComponents).columns;
    if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, columns, rows);
    } else {
      WriteTable(std::cout, columns, rows);
    }
  }
  if (const int status = OutputStatus()) return status;
  return readStatus;
}

}  // namespace viru4deduz::cli
