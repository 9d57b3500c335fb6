#include "case_request.h"

#include <cstring>
#include <memory>

#include "exit_status.h"
#include "job/job_reader.h"
#include "outcome_status.h"
#include "windows1252.h"

namespace viru4deduz::cli {

int AskForCase(Env& env, const JobFiles& files, const CaseRequest& request, CaseAnswer& answer) {
  const std::int32_t words = WorkAreaWordsFromSettings(env);
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
  q.workWordCount = words;
  q.workArea = [&] {
    if (!workArea) {
      workArea = std::make_unique_for_overwrite<std::int32_t[]>(
          static_cast<std::size_t>(std::max<std::int32_t>(words, 1)));
    }
    return workArea.get();
  };
  JobReader reader(env);
  JobOutcome outcome = reader.Request(q);

  OutcomeDetail detail;
  const bool caseTaken = outcome != JobOutcome::kCancelled && loadCase >= 1 && reader.caseCount() > 0;
  if (outcome == JobOutcome::kWorkAreaTooSmall) {
    detail.workAreaHint = WorkAreaTooSmallHint(reader, words);
  } else if (caseTaken && outcome != JobOutcome::kReadFailed && !reader.HasStoredResults(loadCase)) {
    outcome = JobOutcome::kNoOutput;
    detail.caseWithoutResults = loadCase;
  }
  if (const int status = ExitStatusOf(outcome, detail)) return status;

  answer.loadCase = loadCase;
  answer.label = Windows1252ToUtf8(reader.Label(loadCase));
  for (std::size_t set = 0; set < 2; ++set) {
    for (std::size_t k = 0; k < 6; ++k) answer.sets[set][k] = resultBlock[6 * set + k];
  }
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
