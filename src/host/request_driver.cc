#include "host/request_driver.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "common/ascii_case.h"
#include "common/fixed_text.h"
#include "extract/assembly.h"
#include "job/job_file.h"
#include "outfile/results_block.h"
#include "outfile/file_layout.h"
#include "outfile/work_area.h"

namespace viru4deduz {
namespace {

// Case k's entry of the label table, blank-padded; the request's status is that of the last label
// built.
void BuildLabel(DriverState& d, const JobFile& job, int k) {
  const std::optional<std::string> label = job.Label(k);
  SetField(d.Label(k), kCaseLabelWidth, label.value_or(""));
  d.extractStatus = label ? 0 : -1;
}

// Every case gets its label, in order (the cases are listed one after another from case 1).
void BuildLabels(DriverState& d, const JobFile& job) {
  for (int k = 1; k <= job.caseCount(); ++k) BuildLabel(d, job, k);
}

// A request that names its case and asks for loads or displacements shows no list and ends with
// the status its results give: of all the labels only the named case's is seen, and only that
// one is built. The others stay blank, as nothing reads them.
bool OnlyTheNamedLabelIsSeen(int loadCase, int extractMode) {
  return loadCase != 0 && (extractMode == 1 || extractMode == 2);
}

// The labels offered for selection: those before the first empty one, less the skipped cases.
void CountLabels(ModuleState& m, std::int32_t skipped) {
  DriverState& d = m.driver;
  d.labelCount = kLabelEntries;
  for (int i = 1; i <= kLabelEntries; ++i) {
    if (TrimmedLength(d.Label(i), kCaseLabelWidth, kCaseLabelWidth) == 0) {
      d.labelCount = i - 1;
      break;
    }
  }
  d.labelCount -= skipped;
}

// The output file's name spelled as the job path was given before it was upper-cased. Where
// names differ only in case, as on Windows, both name one file; where they do not, the file to
// read is the one the host named, not another that happens to exist in upper case. The suffix
// keeps the given spelling when it is the same letters ("._p" for "._P"). Without a spelling,
// or one that is not the same path, the name stays as built.
void SpellAsGiven(const char* outputFileName, const char* spelling, int length,
                  char (&spelled)[kJobPathWidth]) {
  std::memcpy(spelled, outputFileName, kJobPathWidth);
  if (spelling == nullptr || strnlen(spelling, kJobPathWidth) != static_cast<std::size_t>(length)) {
    return;
  }
  const std::string_view given(spelling, static_cast<std::size_t>(length));
  const std::string_view built(outputFileName, static_cast<std::size_t>(length));
  if (!EqualsIgnoringAsciiCase(given.substr(0, given.size() - 3), built.substr(0, built.size() - 3))) {
    return;
  }
  const std::size_t copied =
      EqualsIgnoringAsciiCase(given.substr(given.size() - 3), built.substr(built.size() - 3))
          ? given.size()
          : given.size() - 3;
  std::memcpy(spelled, spelling, copied);
}

// The answer of a loads (mode 1) or displacements (mode 2) request for stored case `ordinal`,
// read value by value from where the file keeps it: the restraint node numbers and the groups of
// the node's entries, or the node list and the groups of the requested nodes. false when a record
// could not be read.
bool ReadAnswer(JobFile& job, int extractMode, const int* node, int resultSetCount,
                std::int32_t ordinal, float* answer, std::int32_t& answerStatus) {
  const std::optional<std::vector<std::int32_t>> list =
      extractMode == 1 ? job.ReadRestraintNodes() : job.ReadNodeList();
  if (!list) return false;
  ResultsRead read = ResultsRead::kFailed;
  if (extractMode == 1) {
    const std::vector<std::size_t> order =
        EntriesInSumOrder(*list, static_cast<std::int32_t>(list->size()), node[0]);
    read = job.ReadLoadsOf(ordinal, order, answer);
  } else {
    const auto sets = static_cast<std::size_t>(std::clamp(resultSetCount, 0, 2));
    read = job.ReadDisplacementsAt(ordinal, *list, std::span<const int>(node, sets), answer);
  }
  answerStatus = read == ResultsRead::kNoRestraint ? -1 : 0;
  return read != ResultsRead::kFailed;
}

}  // namespace

JobOutcome OutcomeOf(const ModuleState& m, int status, int caseRequestFlag) {
  const DriverState& d = m.driver;
  if (status == 0) return caseRequestFlag == -1 ? JobOutcome::kCancelled : JobOutcome::kResults;
  // Status 2 comes from the node once the results were read, and before that from the room test.
  if (status == 2) {
    return d.stage == DriverStage::kResultsRead ? JobOutcome::kNoRestraint
                                                : JobOutcome::kWorkAreaTooSmall;
  }
  if (d.stage != DriverStage::kNotStarted && (m.io.ioErrorFlag & 1) != 0) {
    return JobOutcome::kReadFailed;
  }
  return JobOutcome::kNoOutput;
}

void RunExtraction(ModuleState& m, Env& env, ReadReporter& stops, const WorkAreaSource& workArea,
                   const std::int32_t& workWordCount, char* jobPath, int jobPathWidth,
                   int jobPathLength, const int* node, float* resultBlock, int& status,
                   int& caseRequestFlag, const int& extractMode, const int& resultSetCount,
                   int& loadCase, char* caseLabel, int caseLabelWidth,
                   const char* jobPathSpelling) {
  DriverState& d = m.driver;
  JobFile job(*env.records, m.io, m.output, stops);
  const ControlData& c = job.control();

  // Reset. The read error flag starts clear too: one damaged file must not fail every later
  // request of the loaded module.
  std::fill(resultBlock, resultBlock + 6 * std::clamp(resultSetCount, 0, 2), 0.0f);
  d.labels.Fill(' ');
  d.extractStatus = -1;
  d.stage = DriverStage::kNotStarted;
  status = 1;
  m.io.ioErrorFlag = 0;

  // The output file: the job path with its last three characters replaced by "._P" (or "._Q"
  // for a job path ending in Q). A path too short to have an extension names no output file.
  const int length = jobPathLength;
  if (length < 3 || length > jobPathWidth || jobPathWidth > kJobPathWidth) return;
  std::memcpy(d.outputSuffix, jobPath[length - 1] == 'Q' ? "._Q" : "._P", 3);
  std::memcpy(d.outputFileName, jobPath, static_cast<std::size_t>(jobPathWidth));
  BlankFill(d.outputFileName, kJobPathWidth, length - 2, length);
  std::memcpy(jobPath, d.outputFileName, static_cast<std::size_t>(jobPathWidth));
  d.outputUnit = kOutputUnit;
  CopySubstring(d.outputFileName, kJobPathWidth, d.outputSuffix, 3, length - 2, length, 1);

  // Every way out of the request closes the output file, an exception from a host's dialog or
  // message box included, so that nothing of this request is left open behind it.
  struct CloseOnExit {
    JobFile& job;
    ~CloseOnExit() { job.Close(); }
  } closeOnExit{job};

  SpellAsGiven(d.outputFileName, jobPathSpelling, length, d.outputFileOpened);
  if (!job.Open(TrimmedText(d.outputFileOpened, kJobPathWidth))) return;
  d.extractStatus = 0;
  status = 2;

  d.caseCount = job.caseCount();
  // The skipped leading cases matter only to the selection list, which offers the labels from
  // entry skippedCaseCount + 1 on. A negative count would start the list before the label
  // table, so it skips no case; a count past the table leaves nothing to offer.
  const std::int32_t skipped = std::clamp(c.skippedCaseCount(), 0, kLabelEntries);
  if (!OnlyTheNamedLabelIsSeen(loadCase, extractMode)) {
    BuildLabels(d, job);
    CountLabels(m, skipped);
  } else if (loadCase >= 1 && loadCase <= d.caseCount) {
    BuildLabel(d, job, loadCase);
  }

  if (loadCase != 0) {
    // A case number outside the label table names no case the file can hold.
    if (loadCase < 1 || loadCase > kLabelEntries) {
      BlankFill(caseLabel, caseLabelWidth, 1, caseLabelWidth);
      status = 1;
      return;
    }
    d.selectedCase = loadCase;
    CopySubstring(caseLabel, caseLabelWidth, d.Label(d.selectedCase), kCaseLabelWidth, 1,
                  kCaseLabelWidth, 1);
  } else {
    std::int32_t selection = 0;
    SelectLoadCase(*env.ui, d.labels.data() + static_cast<std::ptrdiff_t>(skipped) * kCaseLabelWidth,
                   kCaseLabelWidth, d.labelCount, selection, caseLabel, caseLabelWidth);
    if (selection < 1) {
      caseRequestFlag = -1;
      d.extractStatus = 0;
      status = 0;
      d.stage = DriverStage::kCaseChosen;
      return;
    }
    d.selectedCase = skipped + selection;
    loadCase = d.selectedCase;
  }
  d.stage = DriverStage::kCaseChosen;

  // Room: nothing is read unless the job's results fit.
  if (!RequestFitsWorkArea(c, workWordCount)) return;

  // The regions, within the work area now that the room test has passed.
  const ResultsCounts& counts = job.layout().counts();
  const std::int64_t n = counts.nodes;
  const std::int64_t r = counts.entries;
  const std::int64_t cases = counts.cases;
  d.restraintEntryCount = static_cast<std::int32_t>(r);
  d.regions = LayOutRegions(counts);
  const WorkAreaRegions& g = d.regions;
  d.stage = DriverStage::kRegionsLaidOut;

  // Reads that follow the answer: when the file holds every record that the full read below
  // would touch, only what decides the answer is read, and the work area is not used at all.
  // Whatever goes wrong there sends the request on to the full read, which then reads and
  // reports exactly as it always has.
  if (extractMode == 1 || extractMode == 2) {
    const std::int32_t ordinal = job.StoredOrdinalQuietly(d.selectedCase);
    const bool sliceExists = ordinal >= 1 && ordinal <= cases;
    float answer[12] = {};
    std::int32_t answerStatus = 0;
    // The answer stands only if the file is still as it was opened: records counted at the open
    // may have gone since (a file cut or rewritten while the user chose the case), and then the
    // full read below reads the file as it now stands and reports what it misses.
    if (job.HoldsEveryResultsRecord() &&
        (!sliceExists || ReadAnswer(job, extractMode, node, resultSetCount, ordinal, answer, answerStatus)) &&
        job.StillAsOpened()) {
      d.stage = DriverStage::kResultsRead;
      // The count again, for the stop it leaves where the full read would leave it.
      d.caseResultOrdinal = job.StoredOrdinal(d.selectedCase);
      if (!sliceExists) {
        status = 1;
        return;
      }
      std::copy(answer, answer + 6 * std::clamp(resultSetCount, 1, 2), resultBlock);
      d.extractStatus = answerStatus;
      if (!(d.extractStatus & 1)) status = 0;
      return;
    }
  }

  std::int32_t* const words = workArea();  // may throw std::bad_alloc; the file is closed then too
  std::span<std::int32_t> area(words, static_cast<std::size_t>(std::max(workWordCount, 0)));
  ReadCaseBlocks(job.readers(), c.caseBlockCount(),
                 area.first(static_cast<std::size_t>(g.nodeList - g.caseBlocks)), d.outputUnit,
                 c.caseBlockRecord());
  ResultsShape shape{c.fileVersion(),  static_cast<std::int32_t>(n),
                     d.restraintEntryCount, static_cast<std::int32_t>(counts.hangers),
                     static_cast<std::int32_t>(cases), c.resultStartRecord()};
  ReadResultsBlock(job.readers(), area, shape, d.outputUnit, g);

  // The chosen case's slice is the one its ordinal among the stored cases names. A case whose
  // results the file does not store takes the slice the count reaches (the last stored case
  // before it), and a case past 1000 the slice of the last stored case, after the stop the count
  // leaves. The count is made whether or not the results could be read: its stop is the last one
  // a request leaves in the chain file.
  d.caseResultOrdinal = job.StoredOrdinal(d.selectedCase);
  // Results that could not be read are no results (the reader has reported the error).
  if (m.io.ioErrorFlag & 1) {
    status = 1;
    return;
  }
  d.stage = DriverStage::kResultsRead;

  // Loads and displacements take a slice: an ordinal that names none (0, or past the stored
  // cases) is no output. Any other mode assembles nothing and takes none, and ends as the labels
  // left it.
  const bool takesSlice = extractMode == 1 || extractMode == 2;
  if (takesSlice && (d.caseResultOrdinal < 1 || d.caseResultOrdinal > cases)) {
    status = 1;
    return;
  }
  const std::int64_t ordinal = d.caseResultOrdinal;
  if (extractMode == 1) {
    auto nodes = area.subspan(static_cast<std::size_t>(g.restraintNodes - 1), static_cast<std::size_t>(r));
    auto slice = area.subspan(static_cast<std::size_t>(g.restraintLoads - 1 + (ordinal - 1) * 12 * r),
                              static_cast<std::size_t>(12 * r));
    SumRestraintLoads(nodes, slice, d.restraintEntryCount, node, resultBlock, d.extractStatus);
  } else if (extractMode == 2) {
    auto nodes = area.subspan(static_cast<std::size_t>(g.nodeList - 1), static_cast<std::size_t>(n));
    auto slice = area.subspan(static_cast<std::size_t>(g.displacements - 1 + (ordinal - 1) * 6 * n),
                              static_cast<std::size_t>(6 * n));
    ExtractDisplacements(nodes, slice, static_cast<std::int32_t>(n), node, resultBlock,
                         resultSetCount, d.extractStatus);
  }
  if (!(d.extractStatus & 1)) status = 0;
}

}  // namespace viru4deduz
