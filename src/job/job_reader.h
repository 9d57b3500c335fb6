// The one way into a job's output file: GetLoads runs the driver on the reader's module-wide state
// with the host's buffers, and the job library asks it questions of values.
//
// A request is the module's sequence of steps (find the output file, read its control data and
// tables, label the cases, take the case, test the room, read what decides the answer) run on the
// reader's own module-wide state; what happened comes back as one JobOutcome, which GetLoads turns
// into its statuses and messages and the job library into its values and errors. Beside the
// request, a job can be opened to list its cases, and the loads at every support of a case walked
// one case at a time, reading only that case's loads.
#ifndef VIRU4DEDUZ_JOB_JOB_READER_H_
#define VIRU4DEDUZ_JOB_JOB_READER_H_

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outfile/record_readers.h"
#include "platform/env.h"

namespace viru4deduz {

struct ModuleState;

enum class JobOutcome {
  kResults,           // the answer is there
  kNoOutput,          // no output file, one the module does not read, or no results for the case
  kWorkAreaTooSmall,  // the job's results do not fit the work area
  kNoRestraint,       // the node has no restraint in the case
  kReadFailed,        // reading the results failed (the reader has told the user and stopped)
  kCancelled,         // the user left the selection without choosing a case
};

// A question asked of the job Open named: the loads at nodes[0] (extractMode 1) or the
// displacements of nodes[0] and nodes[1] (extractMode 2) in loadCase (1..1150, as a host names
// it), as a host's request for them answers.
struct CaseQuestion {
  int extractMode = 1;
  int nodes[2] = {0, 0};
  int loadCase = 1;
};

constexpr int kJobPathFieldWidth = 256;
constexpr int kCaseLabelFieldWidth = 150;

// The loads at one node with restraints: three forces and three moments, summed and rounded as a
// request for that node gives them.
struct SupportLoads {
  std::int32_t node;
  std::array<float, 6> loads;
};

class JobReader {
 public:
  explicit JobReader(Env& env);
  ~JobReader();
  JobReader(const JobReader&) = delete;
  JobReader& operator=(const JobReader&) = delete;

  // What the driver's run on this reader's state ended with, from the status and the
  // cancelled-selection flag it left: for a host that runs the driver on its own buffers.
  JobOutcome OutcomeOf(int status, int caseRequestFlag) const;

  // The question answered as a request for it is, on the job Open named, with a work area of
  // workWordCount words (allocated only when the whole results are read; may throw
  // std::bad_alloc). sets receives the result sets (six components each).
  JobOutcome Answer(const CaseQuestion& question, std::int32_t workWordCount,
                    std::array<float, 12>& sets);

  // Opens the job whose output file the upper-cased "._P" path names (spelling: that path as
  // given): the control data, the tables and every case's label; the results are not read.
  // kResults or kNoOutput.
  JobOutcome Open(const std::string& modulePath, const std::string& spelling);

  // After Open (or a request that got as far as its case).
  std::int32_t version() const;
  int caseCount() const;
  // The leading cases never offered for selection.
  int skippedCaseCount() const;
  // Case k's label (1..1150) without trailing blanks, in Windows-1252 as the file has it.
  std::string Label(int k) const;
  // Whether the file stores results of case k itself (and not only those of the stored case
  // before it, which a request is given).
  bool HasStoredResults(int k);
  // The module's selection dialog over the offered labels; the chosen case, or nullopt when the
  // user cancels.
  std::optional<int> ChooseCase(UserInterface& ui);
  std::int32_t restraintEntryCount() const;
  // The node numbers of the job's results (the node list), after Open or a request that got as
  // far as its case; nullopt when the file does not hold them whole.
  std::optional<std::vector<std::int32_t>> NodeNumbers();
  // Whether a request goes on to read the results with a work area of workWordCount words.
  bool ResultsFit(std::int32_t workWordCount) const;
  // Words of work area a request needs for the job; -1 when the figure does not fit in 64 bits.
  std::int64_t NeededWorkAreaWords() const;

  // After Open: makes ready to walk the supports of stored cases, with the room test of a
  // request in a work area of workWordCount words. When the file holds every record of the
  // results, only the restraint node list is read now and each case's loads when it is walked;
  // otherwise the results are read whole, as a request reads them, and a failure is reported as
  // a request reports it. kResults, kWorkAreaTooSmall or kReadFailed.
  JobOutcome PrepareSupports(std::int32_t workWordCount);
  // The loads at every node with restraints in case k, by ascending node number; each set
  // agrees bit for bit with a request for that node. kResults or kReadFailed.
  JobOutcome SupportsOf(int k, std::vector<SupportLoads>& supports);
  // After PrepareSupports: the restraint node numbers as it read them, and the node list when it
  // read the results whole (nullopt otherwise: NodeNumbers reads it then).
  std::vector<std::int32_t> PreparedRestraintNodes() const;
  std::optional<std::vector<std::int32_t>> PreparedNodeList() const;

  ModuleState& state() { return *state_; }
  const ModuleState& state() const { return *state_; }

 private:
  std::int32_t Ordinal(int k);
  // The request's steps for the job Open named, on buffers of the reader's own.
  JobOutcome Drive(int extractMode, const int* nodes, int loadCase, float* sets,
                   std::int32_t workWordCount, const std::function<std::int32_t*()>& workArea);
  // Those steps reading everything and assembling nothing.
  void ReadWholeJob(std::int32_t workWordCount, const std::function<std::int32_t*()>& workArea);

  Env& env_;
  // The reader answers with values: a failure shows in the outcome, and what the fatal stop would
  // record is not kept.
  IgnoredFailures stops_;
  std::unique_ptr<ModuleState> state_;
  std::string modulePath_;  // as Open was given it
  std::string spelling_;
  std::vector<std::int32_t> restraintNodes_;
  std::unique_ptr<std::int32_t[]> wholeResults_;  // only when the results were read whole
  std::size_t wholeResultsWords_ = 0;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_JOB_READER_H_
