// The job as values, over the job reader: each answer is the request a host would make for it,
// run on platform layers that show nothing and write nothing, and a failure is described by
// going through the file as inspect does.
#include "VirU4Deduz/Job.h"

#include "VirU4Deduz/FileReport.h"
#include "VirU4Deduz/VirU4Deduz.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

#include "common/ascii_case.h"
#include "extract/module_state.h"
#include "job/job_reader.h"
#include "job/output_file_report.h"
#include "job/quiet_env.h"
#include "loadcases/label_parts.h"
#include "platform/paths.h"
#include "platform/user_interface.h"
#include "platform/posix_file_system.h"

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
  std::int64_t fileBytes = 0;  // its size when opened, which bounds the work area
  QuietEnv layers;          // this job's own: distinct jobs share no platform state
  JobReader reader{layers.env};
  std::vector<LoadCase> cases;
  bool supportsPrepared = false;

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

  const LoadCase& CaseWithResults(int number) const {
    const LoadCase& c = CaseNumbered(number);
    if (!c.hasResults) {
      throw Error(Cause::kNoResults, outputFile, 0,
                  "the file stores no results for load case " + std::to_string(number));
    }
    return c;
  }

  // The work area a question reads the whole results in: as many words as the job needs, and no
  // more than the file can fill (each word of it takes at least a byte of the file, and the
  // tables' room is small beside a mebibyte), so that counts that lie are described, not given
  // the memory.
  std::int32_t WorkWords() const {
    constexpr std::int64_t kSlackWords = 1 << 20;
    const std::int64_t needed = reader.NeededWorkAreaWords();
    const std::int64_t fillable = std::min<std::int64_t>(fileBytes, INT32_MAX) + kSlackWords;
    if (needed < 0 || needed > INT32_MAX || needed > fillable) FailDescribed();
    return static_cast<std::int32_t>(std::max<std::int64_t>(needed, 1));
  }

  // Ready to walk the supports: the restraint node list read where it lies, or the results read
  // whole when the file does not hold every record of them (then a failure is described).
  void PrepareSupports() {
    if (supportsPrepared) return;
    const std::int32_t words = WorkWords();
    JobOutcome prepared = JobOutcome::kReadFailed;
    try {
      prepared = reader.PrepareSupports(words);
    } catch (const std::bad_alloc&) {
      FailDescribed();
    }
    if (prepared != JobOutcome::kResults) FailDescribed();
    supportsPrepared = true;
  }

  // The question answered as a host's request for it is, with the work area the job needs.
  JobOutcome Ask(int extractMode, const int (&nodes)[2], int loadCase,
                 std::array<Components, 2>& answer) {
    const std::int32_t words = WorkWords();
    CaseQuestion question;
    question.extractMode = extractMode;
    question.nodes[0] = nodes[0];
    question.nodes[1] = nodes[1];
    question.loadCase = loadCase;
    std::array<float, 12> sets{};
    JobOutcome outcome = JobOutcome::kReadFailed;
    try {
      outcome = reader.Answer(question, words, sets);
    } catch (const std::bad_alloc&) {  // counts asking for more memory than there is
      FailDescribed();
    }
    for (std::size_t set = 0; set < 2; ++set) {
      for (std::size_t k = 0; k < 6; ++k) answer[set][k] = sets[6 * set + k];
    }
    return outcome;
  }
};

Job::Job(std::unique_ptr<State> state) : state_(std::move(state)) {}
Job::Job(Job&& other) noexcept = default;
Job& Job::operator=(Job&& other) noexcept = default;
Job::~Job() = default;

OutputFileLocation LocateOutputFile(const std::string& path) {
  static_assert(kMaxJobPathLength + 1 == kJobPathFieldWidth);  // the module's path buffers
  if (path.empty() || path.size() > kMaxJobPathLength || path.find('\0') != std::string::npos) {
    throw Error(Cause::kMissing, path, 0,
                "not a job path of 1 to " + std::to_string(kMaxJobPathLength) + " characters");
  }
  // The job file's extension replaced by "._p", as the module replaces it; a request then works
  // on the upper-cased path, which names the same file where names differ only in case.
  char outputPath[kJobPathFieldWidth] = {};
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
  if (s->reader.Open(s->modulePath, s->spelledPath) != JobOutcome::kResults) s->FailDescribed();
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(s->outputFile, error);
  s->fileBytes = error ? 0 : static_cast<std::int64_t>(std::min<std::uintmax_t>(bytes, INT64_MAX));

  const LoadCaseTables& tables = s->reader.state().output.tables;
  const int skipped = s->reader.skippedCaseCount();
  for (int k = 1; k <= s->reader.caseCount(); ++k) {
    LoadCase c;
    c.number = k;
    c.label = s->reader.Label(k);
    c.stressType = StressTypeName(tables.Option(k, kStressTypeColumn));
    c.active = tables.Option(k, kKeepDiscardColumn) != kDiscarded;
    c.offered = k > skipped;
    c.hasResults = s->reader.HasStoredResults(k);
    s->cases.push_back(std::move(c));
  }
  return Job(std::move(s));
}

const std::string& Job::outputFile() const { return state_->outputFile; }
std::int32_t Job::version() const { return state_->reader.version(); }
const std::vector<LoadCase>& Job::cases() const { return state_->cases; }

const LoadCase& Job::Case(int number) const { return state_->CaseNumbered(number); }

std::optional<int> Job::ChooseCase(UserInterface& ui) const { return state_->reader.ChooseCase(ui); }

UserInterface& TerminalUserInterface() { return *DefaultUserInterface(); }

// Where the file holds every record of its results, the node list is read where it lies;
// otherwise the results are read whole, as a request reads them, and the list taken from there.
std::vector<std::int32_t> Job::Nodes() const {
  std::optional<std::vector<std::int32_t>> nodes = state_->reader.NodeNumbers();
  if (!nodes) {
    state_->PrepareSupports();
    nodes = state_->reader.PreparedNodeList();
    if (!nodes) state_->FailDescribed();
  }
  return std::move(*nodes);
}

std::vector<std::int32_t> Job::SupportNodes() const {
  state_->PrepareSupports();
  std::vector<std::int32_t> nodes = state_->reader.PreparedRestraintNodes();
  std::sort(nodes.begin(), nodes.end());
  nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
  return nodes;
}

Components Job::LoadsAt(std::int32_t node, int loadCase) const {
  state_->CaseWithResults(loadCase);
  std::array<Components, 2> answer{};
  const int nodes[2] = {node, 0};
  switch (state_->Ask(1, nodes, loadCase, answer)) {
    case JobOutcome::kResults:
      return answer[0];
    case JobOutcome::kNoRestraint:
      throw Error(Cause::kNoRestraint, state_->outputFile, 0,
                  std::string(kNoRestraintText) + " (node " + std::to_string(node) +
                      ", load case " + std::to_string(loadCase) + ")");
    default:
      state_->FailDescribed();
  }
}

std::array<Components, 2> Job::DisplacementsAt(std::int32_t nodeA, std::int32_t nodeB,
                                               int loadCase) const {
  state_->CaseWithResults(loadCase);
  std::array<Components, 2> answer{};
  const int nodes[2] = {nodeA, nodeB};
  if (state_->Ask(2, nodes, loadCase, answer) != JobOutcome::kResults) state_->FailDescribed();
  return answer;
}

std::vector<SupportLoads> Job::SupportLoadsOf(int loadCase) const {
  state_->CaseWithResults(loadCase);
  state_->PrepareSupports();
  std::vector<viru4deduz::SupportLoads> read;
  if (state_->reader.SupportsOf(loadCase, read) != JobOutcome::kResults) state_->FailDescribed();
  std::vector<SupportLoads> supports;
  supports.reserve(read.size());
  for (const viru4deduz::SupportLoads& at : read) supports.push_back({at.node, at.loads});
  return supports;
}

void Job::ForEachCase(
    const std::function<void(const LoadCase&, const std::vector<SupportLoads>&)>& visit) const {
  for (const LoadCase& c : state_->cases) {
    if (c.hasResults) visit(c, SupportLoadsOf(c.number));
  }
}

}  // namespace viru4deduz::api
