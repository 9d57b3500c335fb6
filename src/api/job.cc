// The job as values: each job reads its own output file, through a record runtime of its own, as
// a request reads it; a failure is described by going through the file as inspect does.
#include "VirU4Deduz/Job.h"

#include "VirU4Deduz/FileReport.h"
#include "VirU4Deduz/VirU4Deduz.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/ascii_case.h"
#include "job/job_file.h"
#include "job/output_file_report.h"
#include "loadcases/label_parts.h"
#include "loadcases/load_case_select.h"
#include "outfile/work_area.h"
#include "platform/paths.h"
#include "platform/posix_file_system.h"
#include "platform/posix_record_runtime.h"
#include "platform/user_interface.h"

namespace viru4deduz::api {
namespace {

constexpr std::int32_t kDiscarded = 1;  // the keep/discard option of a discarded case

std::string WithRecord(const std::string& text, std::int64_t record) {
  return record > 0 ? text + " (record " + std::to_string(record) + ")" : text;
}

// The stress type's text without its parentheses ("OPE"), or "" for a type without one.
std::string StressTypeName(std::int32_t type) {
  if (type < 1 || type > static_cast<std::int32_t>(StressTypeTable.size())) return "";
  const std::string_view text = StressTypeTable[static_cast<std::size_t>(type - 1)];
  return std::string(text.substr(1, text.size() - 2));
}

}  // namespace

const char* CauseText(Cause cause) {
  switch (cause) {
    case Cause::kMissing: return "missing";
    case Cause::kUnreadable: return "unreadable";
    case Cause::kNotOutputFile: return "not an output file";
    case Cause::kDamaged: return "damaged";
    case Cause::kNoSuchCase: return "no such load case";
    case Cause::kNoResults: return "no results";
    case Cause::kNoRestraint: return "no restraint";
  }
  return "unknown";
}

Error::Error(Cause cause, std::string file, std::int64_t record, std::string detail)
    : std::runtime_error(WithRecord(file + ": " + CauseText(cause) + ": " + detail, record)),
      cause_(cause),
      file_(std::move(file)),
      record_(record),
      detail_(std::move(detail)) {}

struct Job::State {
  std::string spelledPath;  // the "._p" path as the caller spelled it
  std::string modulePath;   // upper-cased, as a request works on it
  std::string outputFile;   // where the file lies
  // This job's own: distinct jobs share no reading state. The file stays open while the job
  // lives, so that every answer comes from the file the job opened.
  PosixRecordRuntime records{*DefaultFileSystem()};
  RecordIo io;
  OutputData output;
  IgnoredFailures failures;  // a failure shows in the answer, and is then described
  JobFile file{records, io, output, failures};
  std::vector<LoadCase> cases;
  std::vector<std::string> offeredLabels;  // the selection list, in case order
  int firstOffered = 1;
  std::optional<std::vector<std::int32_t>> restraintNodes;  // once read
  std::optional<std::vector<std::int32_t>> nodeList;        // once read
  std::optional<SumOrder> sumOrder;  // the order each support's loads are added in, once worked out
  std::vector<std::int32_t> loadWords;  // one case's load values, reused from case to case

  // What is wrong with the file, found as inspect finds it.
  [[noreturn]] void FailDescribed() const {
    const OutputFileReport report = InspectOutputFile(modulePath, outputFile);
    const std::string first = report.problems.empty() ? "the module cannot read it" : report.problems.front();
    if (!report.opened || !report.controlRecordRead) throw Error(Cause::kUnreadable, outputFile, 0, first);
    if (report.sizeBytes >= kRecordLength && !report.versionRead) {
      throw Error(Cause::kNotOutputFile, outputFile, 0,
                  "version " + std::to_string(report.version()) + " is not one the module reads");
    }
    throw Error(Cause::kDamaged, outputFile, report.failedRecord, first);
  }

  const LoadCase& CaseNumbered(int number) const {
    if (number < 1 || number > static_cast<int>(cases.size())) {
      throw Error(Cause::kNoSuchCase, outputFile, 0,
                  "load case " + std::to_string(number) + " is not one of the job's " +
                      std::to_string(cases.size()));
    }
    return cases[static_cast<std::size_t>(number - 1)];
  }

  // The results are read only from a file whose counts can be true: a negative one, which a
  // request would lay out as nothing, says the file is damaged. Its cases are still listed.
  void CheckCounts() const {
    if (NeededWorkAreaWords(file.control()) < 0) FailDescribed();
  }

  // The stored slice of a case with results of its own, in a file that holds every record of
  // its results.
  std::int32_t OrdinalOf(int number) {
    const LoadCase& c = CaseNumbered(number);
    if (!c.hasResults) {
      throw Error(Cause::kNoResults, outputFile, 0,
                  "the file stores no results for load case " + std::to_string(number));
    }
    CheckCounts();
    return file.StoredOrdinalQuietly(number);
  }

  // A list of the results read once, on first use: the file's lists do not change while the job
  // holds it open.
  using ListRead = std::optional<std::vector<std::int32_t>> (JobFile::*)();
  const std::vector<std::int32_t>& ReadOnce(std::optional<std::vector<std::int32_t>>& list, ListRead read) {
    if (!list) {
      CheckCounts();
      list = (file.*read)();
      if (!list) FailDescribed();
    }
    return *list;
  }
  const std::vector<std::int32_t>& RestraintNodes() { return ReadOnce(restraintNodes, &JobFile::ReadRestraintNodes); }
  const std::vector<std::int32_t>& NodeList() { return ReadOnce(nodeList, &JobFile::ReadNodeList); }

  const SumOrder& SupportSumOrder() {
    if (!sumOrder) {
      const std::vector<std::int32_t>& nodes = RestraintNodes();
      sumOrder = SumOrderAtEveryRestraintNode(nodes, static_cast<std::int32_t>(nodes.size()));
    }
    return *sumOrder;
  }

  // The cases with their labels, and the selection dialog's list: the labels after the skipped
  // leading cases, up to the first case without one (a case after it is not skipped, but the
  // dialog does not offer it).
  void ListCases() {
    const int skipped = std::clamp(file.control().skippedCaseCount(), 0, file.caseCount());
    const LoadCaseTables& tables = file.tables();
    bool labelled = true;
    for (int k = 1; k <= file.caseCount(); ++k) {
      LoadCase c;
      c.number = k;
      c.label = file.Label(k).value_or("");
      c.label.erase(c.label.find_last_not_of(" \t\n\v\f\r") + 1);
      labelled = labelled && !c.label.empty();
      c.stressType = StressTypeName(tables.Option(k, kStressTypeColumn));
      c.active = tables.Option(k, kKeepDiscardColumn) != kDiscarded;
      c.offered = k > skipped;
      c.hasResults = file.HasStoredResults(k);
      if (c.offered && labelled) offeredLabels.push_back(c.label);
      cases.push_back(std::move(c));
    }
    firstOffered = skipped + 1;
  }
};

Job::Job(std::unique_ptr<State> state) : state_(std::move(state)) {}
Job::Job(Job&& other) noexcept = default;
Job& Job::operator=(Job&& other) noexcept = default;
Job::~Job() = default;

OutputFileLocation LocateOutputFile(const std::string& path) {
  static_assert(kMaxJobPathLength + 1 == kJobPathWidth);  // the module's path buffers
  if (path.empty() || path.size() > kMaxJobPathLength || path.find('\0') != std::string::npos) {
    throw Error(Cause::kMissing, path, 0,
                "not a job path of 1 to " + std::to_string(kMaxJobPathLength) + " characters");
  }
  // The job file's extension replaced by "._p", as the module replaces it; a request then works
  // on the upper-cased path, which names the same file where names differ only in case.
  char outputPath[kJobPathWidth] = {};
  path.copy(outputPath, path.size());
  PathRemoveExtensionA(outputPath);
  PathAddExtensionA(outputPath, sizeof outputPath, "._p");
  OutputFileLocation where;
  where.spelled = outputPath;
  where.exists = DefaultFileSystem()->Exists(where.spelled);
  std::error_code error;
  const std::filesystem::path onDisk = PosixFileSystem::Resolve(AsciiUpper(where.spelled));
  const std::filesystem::path absolute = std::filesystem::absolute(onDisk, error);
  where.onDisk = (error ? onDisk : absolute.lexically_normal()).string();
  return where;
}

FileReport Inspect(const std::string& path) {
  const OutputFileLocation where = LocateOutputFile(path);
  if (!where.exists) throw Error(Cause::kMissing, where.spelled, 0, "there is no output file for the job");
  return InspectOutputFile(AsciiUpper(where.spelled), where.onDisk);
}

Job Job::Open(const std::string& path) {
  auto s = std::make_unique<State>();
  const OutputFileLocation where = LocateOutputFile(path);
  s->spelledPath = where.spelled;
  s->modulePath = AsciiUpper(where.spelled);
  s->outputFile = where.onDisk;
  if (!where.exists) throw Error(Cause::kMissing, where.spelled, 0, "there is no output file for the job");
  if (!s->file.Open(s->spelledPath)) s->FailDescribed();
  s->ListCases();
  return Job(std::move(s));
}

const std::string& Job::outputFile() const { return state_->outputFile; }
std::int32_t Job::version() const { return state_->file.control().fileVersion(); }
const std::vector<LoadCase>& Job::cases() const { return state_->cases; }

const LoadCase& Job::Case(int number) const { return state_->CaseNumbered(number); }

std::optional<int> Job::ChooseCase(UserInterface& ui) const {
  const int selection = ChooseLoadCase(ui, state_->offeredLabels);
  if (selection < 1) return std::nullopt;
  return state_->firstOffered - 1 + selection;
}

UserInterface& TerminalUserInterface() { return *DefaultUserInterface(); }

std::vector<std::int32_t> Job::Nodes() const { return state_->NodeList(); }

std::vector<std::int32_t> Job::SupportNodes() const { return state_->SupportSumOrder().nodes; }

Components Job::LoadsAt(std::int32_t node, int loadCase, Rounding rounding) const {
  const std::int32_t ordinal = state_->OrdinalOf(loadCase);
  // The node's entries in the order they are added, from the order the job worked out once for
  // every support: no pass over the restraint list for each question.
  const SumOrder& order = state_->SupportSumOrder();
  const auto at = std::lower_bound(order.nodes.begin(), order.nodes.end(), node);
  std::span<const std::size_t> entries;
  if (at != order.nodes.end() && *at == node) {
    const auto i = static_cast<std::size_t>(at - order.nodes.begin());
    entries = std::span<const std::size_t>(order.entries).subspan(order.firstEntry[i],
                                                                  order.firstEntry[i + 1] - order.firstEntry[i]);
  }
  Components loads{};
  switch (state_->file.ReadLoadsOf(ordinal, entries, loads.data(), rounding == Rounding::kWhole)) {
    case ResultsRead::kRead:
      return loads;
    case ResultsRead::kNoRestraint:
      throw Error(Cause::kNoRestraint, state_->outputFile, 0,
                  std::string(kNoRestraintText) + " (node " + std::to_string(node) +
                      ", load case " + std::to_string(loadCase) + ")");
    case ResultsRead::kFailed:
      break;
  }
  state_->FailDescribed();
}

std::array<Components, 2> Job::DisplacementsAt(std::int32_t nodeA, std::int32_t nodeB,
                                               int loadCase) const {
  const std::int32_t ordinal = state_->OrdinalOf(loadCase);
  const int nodes[2] = {nodeA, nodeB};
  float sets[12] = {};
  if (state_->file.ReadDisplacementsAt(ordinal, state_->NodeList(), nodes, sets) != ResultsRead::kRead) {
    state_->FailDescribed();
  }
  std::array<Components, 2> answer{};
  std::copy(sets, sets + 6, answer[0].begin());
  std::copy(sets + 6, sets + 12, answer[1].begin());
  return answer;
}

void Job::SupportLoadsInto(int loadCase, std::span<float> out, Rounding rounding) const {
  const std::int32_t ordinal = state_->OrdinalOf(loadCase);
  const SumOrder& order = state_->SupportSumOrder();
  if (out.size() != 6 * order.nodes.size()) {
    throw std::invalid_argument("SupportLoadsInto: room for " + std::to_string(out.size()) + " floats, not 6 for each of " +
                                std::to_string(order.nodes.size()) + " supports");
  }
  if (!state_->file.ReadCaseLoads(ordinal, state_->loadWords)) state_->FailDescribed();
  SumInOrder(order, state_->loadWords, static_cast<std::size_t>(state_->file.loadValuesPerEntry()), out.data(),
             rounding == Rounding::kWhole);
}

std::vector<SupportLoads> Job::SupportLoadsOf(int loadCase, Rounding rounding) const {
  state_->OrdinalOf(loadCase);  // a case that is not there, or has no results, is said first
  const std::vector<std::int32_t>& nodes = state_->SupportSumOrder().nodes;
  std::vector<float> sums(6 * nodes.size());
  SupportLoadsInto(loadCase, sums, rounding);
  std::vector<SupportLoads> supports(nodes.size());
  for (std::size_t i = 0; i < supports.size(); ++i) {
    supports[i].node = nodes[i];
    std::copy_n(sums.begin() + static_cast<std::ptrdiff_t>(6 * i), 6, supports[i].loads.begin());
  }
  return supports;
}

void Job::ForEachCase(
    const std::function<void(const LoadCase&, const std::vector<SupportLoads>&)>& visit) const {
  for (const LoadCase& c : state_->cases) {
    if (c.hasResults) visit(c, SupportLoadsOf(c.number));
  }
}

}  // namespace viru4deduz::api
