#include "host_request.h"

#include <cstring>

#include "common/fixed_text.h"
#include "exit_status.h"
#include "extract/assembly.h"
#include "host/module.h"
#include "windows1252.h"
#include "work_area.h"

namespace viru4deduz::cli {
HostAnswer AskModule(Env& env, CliUserInterface& ui, const std::string& jobArgument,
                     const HostRequest& request) {
  Module module(env);
  int node[2] = {request.nodes[0], request.nodes[1]};
  float res[6][2] = {};
  int status = -1;
  int extractMode = request.extractMode;
  char jobPath[kJobPathWidth] = {};
  jobArgument.copy(jobPath, kJobPathWidth - 1);
  int loadCase = request.loadCase;
  char caseLabel[kCaseLabelWidth + 1] = {};
  module.GetLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode,
                  jobPath, &loadCase, caseLabel);

  HostAnswer answer;
  answer.status = status;
  answer.loadCase = loadCase;
  answer.label = Windows1252ToUtf8(TrimmedText(caseLabel, kCaseLabelWidth));
  for (std::size_t set = 0; set < 2; ++set) {
    for (std::size_t k = 0; k < 6; ++k) answer.sets[set][k] = res[k][set];
  }
  answer.cancelled = status == 1 && ui.selectionCancelled();
  // A request that took its case (the control data were read) and read its results without an
  // error, yet has none, asked for a case whose results the file does not store. A host is
  // given, for a case without results of its own, the results the count of stored cases
  // reaches; a person typing a case number is told instead.
  const ModuleState& state = module.state();
  answer.caseWithoutResults = status == 1 && !answer.cancelled && state.driver.selectedCase > 0 &&
                              (state.io.ioErrorFlag & 1) == 0;
  if (status != 1 &&
      !CaseHasStoredResults(state.driver.caseStarts, state.driver.selectedCase,
                            state.output.legacy.fullListStart, state.output.control.fileVersion())) {
    answer.status = 1;
    answer.caseWithoutResults = true;
  }
  if (status == 2) {
    const std::int32_t words = WorkAreaWords(env);
    const ControlData& control = module.state().output.control;
    answer.workAreaTooSmall = !WorkAreaFits(control, words);
    if (answer.workAreaTooSmall) answer.workAreaHint = WorkAreaTooSmallHint(control, words);
  }
  return answer;
}

int ExitStatusOf(const HostAnswer& answer) {
  if (answer.status == 0) return kExitSuccess;
  if (answer.status == 2) {
    if (answer.workAreaTooSmall) PrintError(answer.workAreaHint);
    return kExitNoRestraint;
  }
  if (answer.cancelled) PrintError("no load case chosen");
  if (answer.caseWithoutResults) {
    PrintError("load case " + std::to_string(answer.loadCase) + " has no results in the output file");
  }
  return kExitNoResult;
}

}  // namespace viru4deduz::cli
