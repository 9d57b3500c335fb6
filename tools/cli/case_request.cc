#include "case_request.h"

#include <optional>
#include <vector>

#include "VirU4Deduz/Job.h"
#include "exit_status.h"
#include "job_checks.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int AskForCase(CliUserInterface& ui, const JobFiles& files, const CaseRequest& request,
               CaseAnswer& answer) {
  std::optional<api::Job> job;
  if (const int status = OpenJob(files, job)) return status;
  int loadCase = request.loadCase;
  if (loadCase == 0) {
    const std::optional<int> chosen = job->ChooseCase(ui);
    if (!chosen) {
      PrintError("no load case chosen");
      return kExitNoResult;
    }
    loadCase = *chosen;
  }
  // A case chosen in the dialog is checked as a given one is.
  if (const int status = CheckCase(*job, loadCase)) return status;
  try {
    if (request.extractMode == 1) {
      answer.sets[0] = job->LoadsAt(request.nodes[0], loadCase,
                                    request.unrounded ? api::Rounding::kNone : api::Rounding::kWhole);
    } else {
      answer.sets = job->DisplacementsAt(request.nodes[0], request.nodes[1], loadCase);
    }
  } catch (const api::Error& error) {
    if (error.cause() != api::Cause::kNoRestraint) return ReportUnreadableOutput(files);
    if (!NodesInJob(*job, {request.nodes[0]}).front()) return kExitNoSuchNode;
    PrintError(error.detail());
    return kExitNoRestraint;
  }

  const api::LoadCase& c = job->Case(loadCase);
  answer.version = job->version();
  answer.loadCase = loadCase;
  answer.skipped = !c.offered;
  answer.active = c.active;
  answer.label = Windows1252ToUtf8(c.label);
  WarnOfDiscardedCases(*job, {loadCase});
  if (request.extractMode == 2) {
    const std::vector<bool> inJob = NodesInJob(*job, {request.nodes[0], request.nodes[1]});
    answer.inJob = {inJob[0], inJob[1]};
  }
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
