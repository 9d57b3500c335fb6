#include "extract/extraction_driver.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "common/ascii_case.h"
#include "common/fixed_text.h"
#include "extract/assembly.h"
#include "outfile/output_control.h"
#include "outfile/results_block.h"
#include "outfile/file_layout.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

// a*b + c in 64 bits, or -1 when it overflows. For the layout of counts already made
// non-negative.
std::int64_t MulAdd(std::int64_t a, std::int64_t b, std::int64_t c) {
  std::int64_t product = 0;
  std::int64_t sum = 0;
  if (a < 0 || b < 0 || c < 0 || __builtin_mul_overflow(a, b, &product) ||
      __builtin_add_overflow(product, c, &sum)) {
    return -1;
  }
  return sum;
}

// Whether base + a*b > limit, decided exactly for any signed counts of the control record: a
// product beyond 64 bits lies beyond every base and limit, on the side its factors' signs give.
bool Exceeds(std::int64_t base, std::int64_t a, std::int64_t b, std::int64_t limit) {
  std::int64_t product = 0;
  std::int64_t sum = 0;
  if (__builtin_mul_overflow(a, b, &product) || __builtin_add_overflow(base, product, &sum)) {
    return (a < 0) == (b < 0);
  }
  return sum > limit;
}

std::int64_t RestraintEntries(const ControlData& c) {
  return static_cast<std::int64_t>(c.hangerCount()) + c.resultCountB() + c.resultCountC();
}

bool IsCaseMarker(std::int32_t code) {
  return code == kBasicCaseMarker || code == kCombinationCaseMarker || code == kHarmonicCaseMarker;
}

// Lists the load cases: CaseStartTable(k) is the position just after the k-th case's marker.
// Markers past the 1000th have no place in the table and are not listed.
//
// The markers and the end code are negative and most entries are not, so a group of eight
// entries none of which is negative holds neither and is passed over as a whole. A table that
// was cut short reads as zeros and has no end code: all 30,000 entries are looked at, and in the
// instrumented builds, where every comparison is a call, that scan entry by entry was a good
// part of what such a request cost.
void ListCases(ModuleState& m) {
  DriverState& d = m.driver;
  const std::int32_t* const code = m.output.tables.code.data();  // code[p - 1] is entry p
  d.caseStarts.Fill(0);
  d.caseCount = 0;
  constexpr int kGroup = 8;
  static_assert(kCodeTableSize % kGroup == 0);
  for (int first = 1; first <= kCodeTableSize; first += kGroup) {
    std::int32_t anyNegative = 0;
    for (int j = 0; j < kGroup; ++j) anyNegative |= code[first - 1 + j];
    if (anyNegative >= 0) continue;
    for (int p = first; p < first + kGroup; ++p) {
      const std::int32_t entry = code[p - 1];
      if (entry == kEndOfCaseList) return;
      if (!IsCaseMarker(entry)) continue;
      if (d.caseCount == kMaxCases) return;
      d.caseStarts[++d.caseCount] = p + 1;
    }
  }
}

void BuildLabel(ModuleState& m, int k) {
  DriverState& d = m.driver;
  BlankFill(d.Label(k), kCaseLabelWidth, 1, kCaseLabelWidth);
  std::int32_t lineCount = 0;
  BuildCaseLabel(d.caseStarts, m.output.tables, k, d.labelLines, lineCount, d.extractStatus);
  const int n = std::min(TrimmedLength(d.labelLines, kLabelLineWidth, kLabelLineWidth),
                         kCaseLabelWidth);
  CopySubstring(d.Label(k), kCaseLabelWidth, d.labelLines, kLabelLineWidth, 1, n, 1);
}

// Every case gets its label, in order (the cases are listed one after another from case 1).
void BuildLabels(ModuleState& m) {
  for (int k = 1; k <= kMaxCases && m.driver.caseStarts[k] >= 1; ++k) BuildLabel(m, k);
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
// the node's entries, or the node list and the groups of the requested nodes. The sums and sets
// are made by the same operations as from the work area, so they agree bit for bit. false when
// a record could not be read.
bool ReadAnswer(ResultsValueReader& reader, const FileLayout& geometry, int extractMode,
                const int* node, int resultSetCount, std::int32_t ordinal, float* answer,
                std::int32_t& answerStatus) {
  const ResultsCounts& counts = geometry.counts();
  const std::int64_t listLength = extractMode == 1 ? counts.entries : counts.nodes;
  const std::int64_t listFirstWord = extractMode == 1 ? geometry.RestraintNodesWord() : 0;
  std::vector<std::int32_t> list(static_cast<std::size_t>(listLength));
  if (!reader.SectionOneWords(listFirstWord, listLength, list.data())) return false;
  const auto count = static_cast<std::int32_t>(listLength);
  if (extractMode == 1) {
    const std::vector<std::size_t> order = EntriesInSumOrder(list, count, node[0]);
    if (order.empty()) {
      answerStatus = -1;
      return true;
    }
    std::vector<std::int32_t> groups(6 * order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
      for (int v = 0; v < 6; ++v) {
        const std::int64_t value = geometry.LoadValue(ordinal, static_cast<std::int64_t>(order[i]), v);
        if (!reader.SectionTwoValue(value, groups[6 * i + static_cast<std::size_t>(v)])) return false;
      }
    }
    AddAndRoundLoads(groups, answer);
    answerStatus = 0;
    return true;
  }
  for (int set = 0; set < resultSetCount; ++set) {
    const std::int64_t j = FirstPosition(list, count, node[set]);
    if (j < 0) continue;
    std::int32_t group[6];
    for (int v = 0; v < 6; ++v) {
      if (!reader.SectionTwoValue(geometry.DisplacementValue(ordinal, j, v), group[v])) return false;
    }
    DisplacementSet(group, answer + 6 * set);
  }
  answerStatus = 0;
  return true;
}

}  // namespace

std::int64_t RestraintLayoutWords(const ControlData& c) {
  const std::int64_t r = RestraintEntries(c);
  const std::int64_t n = c.nodeCount();
  const std::int64_t cases = c.resultCaseCount();
  std::int64_t words = MulAdd(2, r, n);                   // node list and the two entry lists
  words = MulAdd(12, MulAdd(r, cases, 0), words);         // restraint loads
  words = MulAdd(6, MulAdd(n, cases, 0), words);          // displacements
  return MulAdd(64, c.hangerCount(), words);              // hanger records
}

std::int64_t ElementLayoutWords(const ControlData& c) {
  const std::int64_t perElement =
      MulAdd(84, c.elementSetCountB(), MulAdd(24, c.elementSetCountA(), 30));
  return MulAdd(perElement, c.elementCount(), 0);
}

std::int64_t NeededWorkAreaWords(const ControlData& c) {
  const std::int64_t caseBlocks = 8 * static_cast<std::int64_t>(c.caseBlockCount());
  const std::int64_t restraint = RestraintLayoutWords(c);
  const std::int64_t element = ElementLayoutWords(c);
  if (caseBlocks < 0 || restraint < 0 || element < 0) return -1;
  std::int64_t words = 0;
  if (__builtin_add_overflow(caseBlocks, std::max(restraint, element), &words)) return -1;
  return words;
}

bool ResultsFitWorkArea(const ControlData& c, std::int32_t workWordCount) {
  const std::int64_t n = c.nodeCount();
  const std::int64_t r = RestraintEntries(c);
  const std::int64_t h = c.hangerCount();
  // Every factor below stays far inside 64 bits; only the products with a count can leave it.
  const std::int64_t room = workWordCount - std::int64_t{8} * c.caseBlockCount();
  const bool restraintLayoutTooLarge =
      Exceeds(n + 2 * r + 64 * h, c.resultCaseCount(), 12 * r + 6 * n, room);
  const std::int64_t perElement =
      std::int64_t{24} * c.elementSetCountA() + 30 + std::int64_t{84} * c.elementSetCountB();
  const bool elementLayoutTooLarge = Exceeds(0, perElement, c.elementCount(), room);
  return !restraintLayoutTooLarge && !elementLayoutTooLarge;
}

bool RequestFitsWorkArea(const ControlData& c, std::int32_t workWordCount) {
  // The room test takes the counts as the control record gives them, so a negative count makes
  // its layout smaller and may let a job pass that would not otherwise.
  if (!ResultsFitWorkArea(c, workWordCount)) return false;
  // The regions. A negative count reads nothing, so its region is laid out empty: a region of
  // negative size would put the next one before the work area, and a product of two negative
  // counts would ask for words that no count gives. Laid out so, the regions can need more
  // words than the room test counted; a job whose regions then do not fit is treated as one
  // that does not fit.
  const VersionLayout* version = LayoutOf(c.fileVersion());
  if (version == nullptr) return false;
  const WorkAreaRegions regions = LayOutRegions(FileLayout(*version, c).counts());
  return regions.end - 1 <= std::max(workWordCount, 0);
}

void RunExtraction(ModuleState& m, Env& env, ReadReporter& stops, const WorkAreaSource& workArea,
                   const std::int32_t& workWordCount, char* jobPath, int jobPathWidth,
                   int jobPathLength, const int* node, float* resultBlock, int& status,
                   int& caseRequestFlag, const int& extractMode, const int& resultSetCount,
                   int& loadCase, char* caseLabel, int caseLabelWidth,
                   const char* jobPathSpelling) {
  DriverState& d = m.driver;
  const ControlData& c = m.output.control;
  RecordReaders readers(env, m.io, stops);

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
    RecordRuntime& records;
    int unit;
    ~CloseOnExit() { records.Close(unit); }
  } closeOnExit{*env.records, d.outputUnit};

  SpellAsGiven(d.outputFileName, jobPathSpelling, length, d.outputFileOpened);
  ReadOutputControl(readers, m.output, d.extractStatus, d.outputUnit, d.outputFileOpened, 0);
  if (d.extractStatus & 1) return;
  status = 2;

  ListCases(m);
  // The skipped leading cases matter only to the selection list, which offers the labels from
  // entry skippedCaseCount + 1 on. A negative count would start the list before the label
  // table, so it skips no case; a count past the table leaves nothing to offer.
  const std::int32_t skipped = std::clamp(c.skippedCaseCount(), 0, kLabelEntries);
  if (!OnlyTheNamedLabelIsSeen(loadCase, extractMode)) {
    BuildLabels(m);
    CountLabels(m, skipped);
  } else if (loadCase >= 1 && loadCase <= d.caseCount) {
    BuildLabel(m, loadCase);
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
  const FileLayout layout(*LayoutOf(c.fileVersion()), c);
  const ResultsCounts& counts = layout.counts();
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
    const std::int64_t records = env.records->RecordCount(d.outputUnit);
    std::int32_t ordinal = 0;
    CountStoredCasesQuietly(d.caseStarts, d.selectedCase, ordinal, m.output.legacy.fullListStart,
                            c.fileVersion());
    const bool sliceExists = ordinal >= 1 && ordinal <= cases;
    float answer[12] = {};
    std::int32_t answerStatus = 0;
    ResultsValueReader reader(*env.records, d.outputUnit, layout);
    // The answer stands only if the file is still as it was opened: records counted at the open
    // may have gone since (a file cut or rewritten while the user chose the case), and then the
    // full read below reads the file as it now stands and reports what it misses.
    if (records >= 0 && layout.FullReadFits(records) &&
        (!sliceExists || ReadAnswer(reader, layout, extractMode, node, resultSetCount, ordinal,
                                    answer, answerStatus)) &&
        env.records->StillAsOpened(d.outputUnit)) {
      d.stage = DriverStage::kResultsRead;
      // The count again, for the stop it leaves where the full read would leave it.
      CountStoredCases(stops, d.caseStarts, d.selectedCase, d.caseResultOrdinal,
                       m.output.legacy.fullListStart, c.fileVersion());
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
  ReadCaseBlocks(readers, c.caseBlockCount(),
                 area.first(static_cast<std::size_t>(g.nodeList - g.caseBlocks)), d.outputUnit,
                 c.caseBlockRecord());
  ResultsShape shape{c.fileVersion(),  static_cast<std::int32_t>(n),
                     d.restraintEntryCount, static_cast<std::int32_t>(counts.hangers),
                     static_cast<std::int32_t>(cases), c.resultStartRecord()};
  ReadResultsBlock(readers, area, shape, d.outputUnit, g);

  // The chosen case's slice is the one its ordinal among the stored cases names. A case whose
  // results the file does not store takes the slice the count reaches (the last stored case
  // before it), and a case past 1000 the slice of the last stored case, after the stop the count
  // leaves. The count is made whether or not the results could be read: its stop is the last one
  // a request leaves in the chain file.
  CountStoredCases(stops, d.caseStarts, d.selectedCase, d.caseResultOrdinal,
                   m.output.legacy.fullListStart, c.fileVersion());
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
