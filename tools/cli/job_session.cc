#include "job_session.h"

#include <algorithm>
#include <span>

#include "common/fixed_text.h"
#include "extract/assembly.h"
#include "extract/extraction_driver.h"

namespace viru4deduz::cli {
namespace {

// An extraction mode that is neither loads (1) nor displacements (2): the driver does all its
// reading and assembles nothing, so the work area keeps every stored case as the file has it.
constexpr int kAssembleNothing = 0;
constexpr int kLoadGroupWords = 12;

}  // namespace

JobSession::JobSession(Env& env) : env_(env), state_(std::make_unique<ModuleState>()) {}
JobSession::~JobSession() = default;

JobSession::Outcome JobSession::Run(const std::string& modulePath, std::int32_t workWordCount) {
  state_ = std::make_unique<ModuleState>();
  workWords_ = static_cast<std::size_t>(std::max<std::int32_t>(workWordCount, 0));
  workArea_ = std::make_unique_for_overwrite<std::int32_t[]>(std::max<std::size_t>(workWords_, 1));

  char jobPath[kJobPathWidth] = {};
  modulePath.copy(jobPath, kJobPathWidth - 1);
  const int length = static_cast<int>(std::min<std::size_t>(modulePath.size(), kJobPathWidth - 1));
  int node[2] = {0, 0};
  float resultBlock[12] = {};
  int status = 1;
  int caseRequestFlag = 0;
  const int extractMode = kAssembleNothing;
  const int resultSetCount = 1;
  int loadCase = 1;  // any case: the driver takes it without the dialog
  char caseLabel[kCaseLabelWidth + 1] = {};
  RunExtraction(*state_, env_, [this] { return workArea_.get(); }, workWordCount, jobPath, kJobPathWidth, length,
                node, resultBlock, status, caseRequestFlag, extractMode, resultSetCount, loadCase,
                caseLabel, kCaseLabelWidth);

  switch (state_->driver.stage) {
    case DriverStage::kNotStarted: return Outcome::kNoOutput;
    case DriverStage::kCaseChosen: return Outcome::kWorkAreaTooSmall;  // no region was laid out
    case DriverStage::kRegionsLaidOut: return Outcome::kReadFailed;
    case DriverStage::kResultsRead: break;
  }
  return Outcome::kRead;
}

JobSession::Outcome JobSession::ReadCases(const std::string& modulePath) {
  // No work area: the room test ends the request before anything beyond the control data is read.
  return Run(modulePath, 0) == Outcome::kNoOutput ? Outcome::kNoOutput : Outcome::kRead;
}

JobSession::Outcome JobSession::ReadResults(const std::string& modulePath,
                                            std::int32_t workWordCount) {
  return Run(modulePath, workWordCount);
}

int JobSession::skippedCaseCount() const {
  return std::clamp(control().skippedCaseCount(), 0, kLabelEntries);
}

std::string JobSession::Label(int k) const {
  if (k < 1 || k > kLabelEntries) return {};
  return TrimmedText(state_->driver.Label(k), kCaseLabelWidth);
}

std::int32_t JobSession::Ordinal(int k) {
  std::int32_t ordinal = 0;
  CountStoredCases(env_, state_->driver.caseStarts, k, ordinal, state_->output.legacy.fullListStart,
                   control().fileVersion());
  return ordinal;
}

bool JobSession::HasStoredResults(int k) {
  // Past case 1000 no case is counted (the count would end in the fatal stop).
  if (!CaseHasStoredResults(state_->driver.caseStarts, k, state_->output.legacy.fullListStart,
                            control().fileVersion())) {
    return false;
  }
  const std::int32_t ordinal = Ordinal(k);
  return ordinal >= 1 && ordinal <= control().resultCaseCount();
}

std::optional<int> JobSession::ChooseCase(UserInterface& ui) {
  const int skipped = skippedCaseCount();
  std::int32_t selection = 0;
  char caseLabel[kCaseLabelWidth + 1] = {};
  SelectLoadCase(ui, state_->driver.labels.data() + static_cast<std::ptrdiff_t>(skipped) * kCaseLabelWidth,
                 kCaseLabelWidth, state_->driver.labelCount, selection, caseLabel, kCaseLabelWidth);
  if (selection < 1) return std::nullopt;
  return skipped + selection;
}

std::vector<NodeLoads> JobSession::LoadsAtSupports(int k) {
  const WorkAreaRegions& g = state_->driver.regions;
  const std::int32_t entries = restraintEntryCount();
  const auto r = static_cast<std::size_t>(entries);
  const std::span<const std::int32_t> area(workArea_.get(), workWords_);
  // The entries stay in file order: the sums follow the exchange sort's order without moving them.
  const auto nodes = area.subspan(static_cast<std::size_t>(g.restraintNodes - 1), r);
  const std::int64_t firstLoad =
      g.restraintLoads + static_cast<std::int64_t>(Ordinal(k) - 1) * kLoadGroupWords * entries;
  const auto slice = area.subspan(static_cast<std::size_t>(firstLoad - 1), kLoadGroupWords * r);
  std::vector<NodeLoads> result;
  for (const RestraintNodeLoads& at : SumLoadsAtEveryRestraintNode(nodes, slice, entries)) {
    result.push_back({at.node, at.loads});
  }
  return result;
}

}  // namespace viru4deduz::cli
