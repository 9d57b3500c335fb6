// viru4deduz supports JOB [--case K | --all-cases]: the loads at every restraint node, read a
// case at a time: the restraint node list once, then each case's loads where the file keeps them.
#include <iostream>
#include <string>
#include <vector>

#include "case_choice.h"
#include "cli_user_interface.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "common/messages.h"
#include "job/job_reader.h"
#include "job_files.h"
#include "outcome_status.h"
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
  if (!session.HasStoredResults(k)) {
    OutcomeDetail detail;
    detail.caseWithoutResults = k;
    list.status = ExitStatusOf(JobOutcome::kNoOutput, detail);
    return list;
  }
  list.cases.push_back(k);
  return list;
}

}  // namespace

int RunSupports(const Invocation& inv) {
  const std::optional<JobFiles> files = ResolveJob(inv.job);
  if (!files) return kExitNoResult;
  if (!inv.allCases && CaseSourceFor(inv.caseNumber) == CaseSource::kMissing) {
    ComplainNoCase(inv.commandName, "--case K or --all-cases");
    return kExitUsage;
  }
  CliUserInterface ui;
  Env env = CliEnv(ui);
  const std::int32_t words = WorkAreaWordsFromSettings(env);
  JobReader session(env);
  if (const int status = ExitStatusOf(session.Open(files->modulePath, files->spelledPath))) {
    return status;
  }
  const JobOutcome prepared = session.PrepareSupports(words);
  if (prepared != JobOutcome::kResults) {
    OutcomeDetail detail;
    if (prepared == JobOutcome::kWorkAreaTooSmall) detail.workAreaHint = WorkAreaTooSmallHint(session, words);
    return ExitStatusOf(prepared, detail);
  }
  const CaseList list = CasesToReport(inv, session, ui);
  if (list.status != kExitSuccess) return list.status;
  if (session.restraintEntryCount() < 1) {
    PrintError(kNoRestraintMessage);
    PrintError("the job has no restraints");
    return kExitNoRestraint;
  }

  // The rows are written as they are made, a case at a time, so that the output of every case
  // of a large job needs no more memory than one case's supports. A case whose loads cannot be
  // read (the file changed under the command) ends the output there.
  int readStatus = kExitSuccess;
  const auto eachCase = [&](const auto& withSupports) {
    std::vector<SupportLoads> supports;
    for (int k : list.cases) {
      if (readStatus != kExitSuccess) return;
      const JobOutcome outcome = session.SupportsOf(k, supports);
      if (outcome != JobOutcome::kResults) {
        readStatus = ExitStatusOf(outcome);
        return;
      }
      withSupports(k, Windows1252ToUtf8(session.Label(k)), supports);
    }
  };
  if (inv.format == Format::kJson) {
    std::cout << "{\n  \"output_file\": " << JsonText(files->outputFile, -1) << ",\n  \"cases\": [";
    bool first = true;
    eachCase([&](int k, const std::string& label, const std::vector<SupportLoads>& loads) {
      Json supports = Json::array();
      for (const SupportLoads& at : loads) supports.push_back(ComponentObject(kLoadComponents, at.node, at.loads));
      const Json one = {{"case", k}, {"label", label}, {"supports", std::move(supports)}};
      // The case as an element of the document's "cases", four blanks in.
      const std::string text = JsonText(one, 2);
      std::string indented = first ? "\n    " : ",\n    ";
      indented.reserve(text.size() + text.size() / 4);
      for (char c : text) {
        indented += c;
        if (c == '\n') indented += "    ";
      }
      std::cout << indented;
      first = false;
    });
    std::cout << (first ? "]" : "\n  ]") << "\n}\n";
  } else {
    const RowSource rows = [&](const RowSink& emit) {
      eachCase([&](int k, const std::string& label, const std::vector<SupportLoads>& loads) {
        for (const SupportLoads& at : loads) emit(ComponentRow(k, at.node, at.loads, label));
      });
    };
    const std::vector<std::string> columns = ComponentGrid(kLoadComponents).columns;
    if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, columns, rows);
    } else {
      WriteTable(std::cout, columns, rows);
    }
  }
  std::cout.flush();
  return readStatus;
}

}  // namespace viru4deduz::cli
