#include "case_request.h"

#include <memory>
#include <new>
#include <vector>

#include "common/messages.h"
#include "exit_status.h"
#include "job/job_reader.h"
#include "job_checks.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int AskForCase(Env& env, const JobFiles& files, const CaseRequest& request, CaseAnswer& answer) {
  JobReader reader(env);
  if (const int status = OpenJob(reader, files)) return status;
  if (request.loadCase != 0) {
    if (const int status = CheckCase(reader, request.loadCase)) return status;
  }
  const std::optional<std::int32_t> words = WorkAreaWords(reader);
  if (!words) return ReportUnreadableOutput(files);

  char jobPath[kJobPathFieldWidth] = {};
  files.modulePath.copy(jobPath, kJobPathFieldWidth - 1);
  int loadCase = request.loadCase;
  char caseLabel[kCaseLabelFieldWidth + 1] = {};
  float resultBlock[12] = {};
  std::unique_ptr<std::int32_t[]> workArea;
  HostRequest q;
  q.jobPath = jobPath;
  q.jobPathLength = static_cast<int>(files.modulePath.size());
  q.jobPathSpelling = files.spelledPath.c_str();
  q.extractMode = request.extractMode;
  q.node = request.nodes;
  q.loadCase = &loadCase;
  q.caseLabel = caseLabel;
  q.resultBlock = resultBlock;
  q.resultSetCount = request.extractMode == 2 ? 2 : 1;
  q.workWordCount = *words;
  q.workArea = [&] {
    workArea = std::make_unique_for_overwrite<std::int32_t[]>(static_cast<std::size_t>(*words));
    return workArea.get();
  };
  JobOutcome outcome = JobOutcome::kReadFailed;
  try {
    outcome = reader.Request(q);
  } catch (const std::bad_alloc&) {  // counts asking for more memory than there is: a damaged file
    return ReportUnreadableOutput(files);
  }
  // A case chosen in the dialog is checked as a given one is before the request.
  const bool chosen = request.loadCase == 0 && outcome != JobOutcome::kCancelled;
  if (chosen && loadCase >= 1 && !reader.HasStoredResults(loadCase)) return CheckCase(reader, loadCase);
  switch (outcome) {
    case JobOutcome::kResults:
      break;
    case JobOutcome::kCancelled:
      PrintError("no load case chosen");
      return kExitNoResult;
    case JobOutcome::kNoRestraint:
      if (!NodesInJob(reader, {request.nodes[0]}).front()) return kExitNoSuchNode;
      PrintError(std::string(kNoRestraintMessage) + " (node " + std::to_string(request.nodes[0]) +
                 ", load case " + std::to_string(loadCase) + ")");
      return kExitNoRestraint;
    case JobOutcome::kNoOutput:
    case JobOutcome::kReadFailed:
    case JobOutcome::kWorkAreaTooSmall:  // not with the work area the job needs: the file lies
      return ReportUnreadableOutput(files);
  }

  answer.version = reader.version();
  answer.loadCase = loadCase;
  answer.skipped = loadCase <= reader.skippedCaseCount();
  answer.label = Windows1252ToUtf8(reader.Label(loadCase));
  for (std::size_t set = 0; set < 2; ++set) {
    for (std::size_t k = 0; k < 6; ++k) answer.sets[set][k] = resultBlock[6 * set + k];
  }
  if (request.extractMode == 2) {
    const std::vector<bool> inJob = NodesInJob(reader, {request.nodes[0], request.nodes[1]});
    answer.inJob = {inJob[0], inJob[1]};
  }
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
