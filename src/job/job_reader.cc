#include "job/job_reader.h"

#include <algorithm>
#include <span>

#include "common/fixed_text.h"
#include "extract/assembly.h"
#include "extract/extraction_driver.h"
#include "extract/module_state.h"
#include "outfile/file_layout.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

// An extraction mode that is neither loads (1) nor displacements (2): the driver does all its
// reading and assembles nothing, so a work area keeps every stored case as the file has it.
constexpr int kAssembleNothing = 0;
constexpr int kLoadGroupWords = 12;

static_assert(kJobPathFieldWidth == kJobPathWidth);
static_assert(kCaseLabelFieldWidth == kCaseLabelWidth);

// The layout of the job's file; one of no version the module reads (a job not opened) has no
// tables and no results.
FileLayout LayoutOfJob(const ControlData& c) {
  static constexpr VersionLayout kNoVersion{};
  const VersionLayout* version = LayoutOf(c.fileVersion());
  return FileLayout(version != nullptr ? *version : kNoVersion, version != nullptr ? c : ControlData{});
}

// The file's layout, from the control data, and the output file opened on its unit with its
// record count (-1 where the runtime cannot count them). The caller closes the unit.
struct OpenedResults {
  ResultsCounts counts;
  FileLayout geometry;
  std::int64_t records;
};

OpenedResults OpenResults(RecordRuntime& runtime, const ControlData& c, const char* outputFile) {
  const FileLayout layout = LayoutOfJob(c);
  runtime.Open(kOutputUnit, TrimmedText(outputFile, kJobPathWidth));
  return {layout.counts(), layout, runtime.RecordCount(kOutputUnit)};
}

}  // namespace

JobReader::JobReader(Env& env) : env_(env), state_(std::make_unique<ModuleState>()) {}
JobReader::~JobReader() = default;

JobOutcome JobReader::OutcomeOf(int status, int caseRequestFlag) const {
  const DriverState& d = state_->driver;
  if (status == 0) return caseRequestFlag == -1 ? JobOutcome::kCancelled : JobOutcome::kResults;
  // Status 2 comes from the node once the results were read, and before that from the room test.
  if (status == 2) {
    return d.stage == DriverStage::kResultsRead ? JobOutcome::kNoRestraint
                                                : JobOutcome::kWorkAreaTooSmall;
  }
  if (d.stage != DriverStage::kNotStarted && (state_->io.ioErrorFlag & 1) != 0) {
    return JobOutcome::kReadFailed;
  }
  return JobOutcome::kNoOutput;
}

JobOutcome JobReader::Drive(int extractMode, const int* nodes, int loadCase, float* sets,
                            std::int32_t workWordCount,
                            const std::function<std::int32_t*()>& workArea) {
  char jobPath[kJobPathWidth] = {};
  modulePath_.copy(jobPath, kJobPathWidth - 1);
  const int length = static_cast<int>(std::min<std::size_t>(modulePath_.size(), kJobPathWidth - 1));
  char caseLabel[kCaseLabelWidth + 1] = {};
  int status = 1;
  int caseRequestFlag = 0;
  const int resultSetCount = extractMode == 2 ? 2 : 1;
  RunExtraction(*state_, env_, stops_, workArea, workWordCount, jobPath, kJobPathWidth, length, nodes, sets,
                status, caseRequestFlag, extractMode, resultSetCount, loadCase, caseLabel,
                kCaseLabelWidth, spelling_.c_str());
  return OutcomeOf(status, caseRequestFlag);
}

JobOutcome JobReader::Answer(const CaseQuestion& question, std::int32_t workWordCount,
                             std::array<float, 12>& sets) {
  sets.fill(0.0f);
  std::unique_ptr<std::int32_t[]> workArea;
  return Drive(question.extractMode, question.nodes, question.loadCase, sets.data(), workWordCount,
               [&] {
                 workArea = std::make_unique_for_overwrite<std::int32_t[]>(
                     static_cast<std::size_t>(std::max<std::int32_t>(workWordCount, 0)));
                 return workArea.get();
               });
}

void JobReader::ReadWholeJob(std::int32_t workWordCount,
                             const std::function<std::int32_t*()>& workArea) {
  const int nodes[2] = {0, 0};
  float sets[12] = {};
  // Any case: the driver takes it without the dialog.
  Drive(kAssembleNothing, nodes, 1, sets, workWordCount, workArea);
}

JobOutcome JobReader::Open(const std::string& modulePath, const std::string& spelling) {
  state_ = std::make_unique<ModuleState>();
  modulePath_ = modulePath;
  spelling_ = spelling;
  restraintNodes_.clear();
  wholeResults_.reset();
  wholeResultsWords_ = 0;

  // No work area: the room test ends the request before anything beyond the control data is
  // read (a job without results passes it and reads nothing into the single word).
  std::int32_t none = 0;
  ReadWholeJob(0, [&none] { return &none; });
  return state_->driver.stage == DriverStage::kNotStarted ? JobOutcome::kNoOutput
                                                          : JobOutcome::kResults;
}

std::int32_t JobReader::version() const { return state_->output.control.fileVersion(); }
int JobReader::caseCount() const { return state_->driver.caseCount; }

int JobReader::skippedCaseCount() const {
  return std::clamp(state_->output.control.skippedCaseCount(), 0, kLabelEntries);
}

std::string JobReader::Label(int k) const {
  if (k < 1 || k > kLabelEntries) return {};
  return TrimmedText(state_->driver.labels.data() + static_cast<std::ptrdiff_t>(k - 1) * kCaseLabelWidth,
                     kCaseLabelWidth);
}

std::int32_t JobReader::Ordinal(int k) {
  std::int32_t ordinal = 0;
  CountStoredCases(stops_, state_->driver.caseStarts, k, ordinal, state_->output.legacy.fullListStart,
                   version());
  return ordinal;
}

bool JobReader::HasStoredResults(int k) {
  // Past case 1000 no case is counted (the count would end in the fatal stop).
  if (!CaseHasStoredResults(state_->driver.caseStarts, k, state_->output.legacy.fullListStart,
                            version())) {
    return false;
  }
  const std::int32_t ordinal = Ordinal(k);
  return ordinal >= 1 && ordinal <= state_->output.control.resultCaseCount();
}

std::optional<int> JobReader::ChooseCase(UserInterface& ui) {
  const int skipped = skippedCaseCount();
  std::int32_t selection = 0;
  char caseLabel[kCaseLabelWidth + 1] = {};
  SelectLoadCase(ui, state_->driver.labels.data() + static_cast<std::ptrdiff_t>(skipped) * kCaseLabelWidth,
                 kCaseLabelWidth, state_->driver.labelCount, selection, caseLabel, kCaseLabelWidth);
  if (selection < 1) return std::nullopt;
  return skipped + selection;
}

std::int32_t JobReader::restraintEntryCount() const {
  return static_cast<std::int32_t>(LayoutOfJob(state_->output.control).counts().entries);
}

std::optional<std::vector<std::int32_t>> JobReader::NodeNumbers() {
  const auto [counts, geometry, records] =
      OpenResults(*env_.records, state_->output.control, state_->driver.outputFileOpened);
  // The file's records are counted first: a count it cannot hold is not given the memory.
  const bool held = records >= 0 && geometry.FullReadFits(records);
  std::vector<std::int32_t> nodes(held ? static_cast<std::size_t>(counts.nodes) : 0);
  ResultsValueReader reader(*env_.records, kOutputUnit, geometry);
  const bool read = held && reader.SectionOneWords(0, counts.nodes, nodes.data());
  env_.records->Close(kOutputUnit);
  if (!read) return std::nullopt;
  return nodes;
}

bool JobReader::ResultsFit(std::int32_t workWordCount) const {
  return RequestFitsWorkArea(state_->output.control, workWordCount);
}

std::int64_t JobReader::NeededWorkAreaWords() const {
  return viru4deduz::NeededWorkAreaWords(state_->output.control);
}

JobOutcome JobReader::PrepareSupports(std::int32_t workWordCount) {
  if (!ResultsFit(workWordCount)) return JobOutcome::kWorkAreaTooSmall;
  const auto [counts, geometry, records] =
      OpenResults(*env_.records, state_->output.control, state_->driver.outputFileOpened);
  restraintNodes_.assign(static_cast<std::size_t>(counts.entries), 0);
  ResultsValueReader reader(*env_.records, kOutputUnit, geometry);
  const bool quiet = records >= 0 && geometry.FullReadFits(records) &&
                     reader.SectionOneWords(geometry.RestraintNodesWord(), counts.entries,
                                            restraintNodes_.data());
  env_.records->Close(kOutputUnit);
  if (quiet) return JobOutcome::kResults;

  // A record may be missing: the results are read whole, as a request reads them, so that the
  // failure is reported and the stop made just as a request would.
  restraintNodes_.clear();
  wholeResultsWords_ = static_cast<std::size_t>(std::max<std::int32_t>(workWordCount, 1));
  wholeResults_ = std::make_unique_for_overwrite<std::int32_t[]>(wholeResultsWords_);
  ReadWholeJob(workWordCount, [this] { return wholeResults_.get(); });
  if (state_->driver.stage != DriverStage::kResultsRead) {
    wholeResults_.reset();
    return state_->driver.stage == DriverStage::kCaseChosen ? JobOutcome::kWorkAreaTooSmall
                                                            : JobOutcome::kReadFailed;
  }
  return JobOutcome::kResults;
}

JobOutcome JobReader::SupportsOf(int k, std::vector<SupportLoads>& supports) {
  supports.clear();
  const ControlData& c = state_->output.control;
  const FileLayout layout = LayoutOfJob(c);
  const ResultsCounts& counts = layout.counts();
  const std::int32_t ordinal = Ordinal(k);
  if (ordinal < 1 || ordinal > counts.cases) return JobOutcome::kNoOutput;
  const auto entries = static_cast<std::int32_t>(counts.entries);
  const auto r = static_cast<std::size_t>(entries);
  std::span<const std::int32_t> nodes;
  std::span<const std::int32_t> slice;
  std::vector<std::int32_t> read;
  if (wholeResults_) {
    const WorkAreaRegions& g = state_->driver.regions;
    const std::span<const std::int32_t> area(wholeResults_.get(), wholeResultsWords_);
    nodes = area.subspan(static_cast<std::size_t>(g.restraintNodes - 1), r);
    const std::int64_t first = g.restraintLoads + std::int64_t{ordinal - 1} * kLoadGroupWords * entries;
    slice = area.subspan(static_cast<std::size_t>(first - 1), kLoadGroupWords * r);
  } else {
    // The case's loads where the file keeps them, in the work area's grouping (twelve words to
    // an entry, of which the sums take the first six).
    const FileLayout geometry = OpenResults(*env_.records, c, state_->driver.outputFileOpened).geometry;
    ResultsValueReader reader(*env_.records, kOutputUnit, geometry);
    read.assign(kLoadGroupWords * r, 0);
    bool ok = true;
    for (std::size_t e = 0; e < r && ok; ++e) {
      for (int m = 0; m < 6 && ok; ++m) {
        ok = reader.SectionTwoValue(geometry.LoadValue(ordinal, static_cast<std::int64_t>(e), m),
                                    read[e * kLoadGroupWords + static_cast<std::size_t>(m)]);
      }
    }
    env_.records->Close(kOutputUnit);
    if (!ok) return JobOutcome::kReadFailed;
    nodes = restraintNodes_;
    slice = read;
  }
  for (const RestraintNodeLoads& at : SumLoadsAtEveryRestraintNode(nodes, slice, entries)) {
    supports.push_back({at.node, at.loads});
  }
  return JobOutcome::kResults;
}

std::vector<std::int32_t> JobReader::PreparedRestraintNodes() const {
  if (!wholeResults_) return restraintNodes_;
  const WorkAreaRegions& g = state_->driver.regions;
  const std::int32_t* first = wholeResults_.get() + (g.restraintNodes - 1);
  return std::vector<std::int32_t>(first, first + (g.restraintTags - g.restraintNodes));
}

std::optional<std::vector<std::int32_t>> JobReader::PreparedNodeList() const {
  if (!wholeResults_) return std::nullopt;
  const WorkAreaRegions& g = state_->driver.regions;
  const std::int32_t* first = wholeResults_.get() + (g.nodeList - 1);
  return std::vector<std::int32_t>(first, first + (g.restraintNodes - g.nodeList));
}

}  // namespace viru4deduz
