// VirU4Deduz as values: a pipe stress job's analysis output file opened as a Job, and asked for
// its load cases, the loads at a node, the displacements of nodes and the loads at every support.
//
// The numbers are those GetLoads (VirU4Deduz.h) returns, bit for bit: the same readers, labels,
// sums and roundings, in the units the output file stores them in. What GetLoads does for a host
// besides (message boxes, dialogs, the chain file, the settings, status words) is not done here:
// a failure is an Error naming the output file, the record where it applies and the cause.
//
// A Job holds what it read of the file's control data and tables and keeps the output file open
// while it lives; each question reads what it needs of the results from the file again. Distinct Job objects may be used from distinct
// threads at once; one Job is for one thread at a time. A Job moved from may only be destroyed
// or assigned to.
#ifndef VIRU4DEDUZ_JOB_H_
#define VIRU4DEDUZ_JOB_H_

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(_WIN32)
#define VIRU4DEDUZ_JOB_API
#else
#define VIRU4DEDUZ_JOB_API __attribute__((visibility("default")))
#endif

namespace viru4deduz {
class UserInterface;  // VirU4Deduz.h
}  // namespace viru4deduz

namespace viru4deduz::api {

// The longest job path the module takes (its path buffers hold 255 characters and a NUL).
inline constexpr std::size_t kMaxJobPathLength = 255;

// The message GetLoads shows for a node without restraints.
inline constexpr char kNoRestraintText[] = "No restraint found with this node number.";

// Why a job could not be opened or a question not answered.
enum class Cause {
  kMissing,        // the job has no output file
  kUnreadable,     // the output file exists but the system cannot read it
  kNotOutputFile,  // the file is not an output file of a version the module reads
  kDamaged,        // an output file whose contents cannot be read whole (cut, or counts that lie)
  kNoSuchCase,     // the job defines no load case of that number
  kNoResults,      // the output file stores no results for the load case
  kNoRestraint,    // no restraint at the node in the load case
};

// "missing", "unreadable", "not an output file", "damaged", "no such load case", "no results",
// "no restraint".
VIRU4DEDUZ_JOB_API const char* CauseText(Cause cause);

class VIRU4DEDUZ_JOB_API Error : public std::runtime_error {
 public:
  // what() is "FILE: CAUSE: DETAIL", with " (record N)" when a record applies.
  Error(Cause cause, std::string file, std::int64_t record, std::string detail);

  Cause cause() const noexcept { return cause_; }
  const std::string& file() const noexcept { return file_; }  // the output file
  std::int64_t record() const noexcept { return record_; }    // 0 when no record applies
  const std::string& detail() const noexcept { return detail_; }

 private:
  Cause cause_;
  std::string file_;
  std::int64_t record_;
  std::string detail_;
};

struct LoadCase {
  int number = 0;          // as a host names it: 1, 2, ..., the skipped leading cases included
  std::string label;       // the module's label, in Windows-1252, without trailing blanks
  std::string stressType;  // "OPE", "SUS", "EXP", "OCC", "HGR", "FAT", "HYD", or "" for none
  bool active = true;      // false for a discarded case
  bool offered = true;     // false for the leading cases the selection list leaves out
  bool hasResults = false; // the output file stores this case's own results
};

// How the loads at a node are given: summed over its restraint entries and rounded to whole
// numbers, halves away from zero, as GetLoads gives them (kWhole); or the single-precision sums
// before that rounding, added in the same order (kNone).
enum class Rounding { kWhole, kNone };

// Three forces then three moments (loads), or three translations then three rotations in
// degrees (displacements).
using Components = std::array<float, 6>;

struct SupportLoads {
  std::int32_t node = 0;
  Components loads{};  // summed over the node's restraint entries and rounded, as GetLoads does
};

// Where the output file of the job that path names is looked for, as Job::Open looks: the path
// with its extension replaced by "._p" as spelled, where it lies (absolute, each component
// matched without regard to case where it does not exist as spelled), and whether it exists.
// Throws Error (kMissing) for a path that cannot be a job path: empty, longer than
// kMaxJobPathLength, or holding a NUL.
struct OutputFileLocation {
  std::string spelled;
  std::string onDisk;
  bool exists = false;
};
VIRU4DEDUZ_JOB_API OutputFileLocation LocateOutputFile(const std::string& path);

// The module's own terminal layer, for a program that shows the selection dialog (ChooseCase) on
// its terminal: questions on the controlling terminal, messages on standard error, and with no
// terminal every question answered "cancel".
VIRU4DEDUZ_JOB_API UserInterface& TerminalUserInterface();

class VIRU4DEDUZ_JOB_API Job {
 public:
  // Opens the job: the job file (PIPE1.X4), its output file (PIPE1._P) or the name without an
  // extension, each path component matched without regard to case where it does not exist as
  // spelled. Reads the control data and the load case tables. Throws Error (kMissing,
  // kUnreadable, kNotOutputFile, kDamaged).
  static Job Open(const std::string& path);

  Job(Job&& other) noexcept;
  Job& operator=(Job&& other) noexcept;
  ~Job();

  const std::string& outputFile() const;  // where the output file lies
  std::int32_t version() const;           // the file's format version
  const std::vector<LoadCase>& cases() const;
  // The case of that number; throws Error (kNoSuchCase).
  const LoadCase& Case(int number) const;
  // The module's selection dialog over the offered cases up to the first without a label (as
  // GetLoads offers them), shown through ui (which the caller gives: the library shows nothing of
  // itself): the chosen case, or nullopt when the user leaves without choosing.
  std::optional<int> ChooseCase(UserInterface& ui) const;

  // The node numbers of the results, in file order, and the nodes with restraints, ascending
  // and each once. Throw Error (kDamaged, kUnreadable).
  std::vector<std::int32_t> Nodes() const;
  std::vector<std::int32_t> SupportNodes() const;

  // GetLoads with extractMode 1: the loads at node in the case. Throws Error (kNoSuchCase,
  // kNoResults, kNoRestraint, kDamaged, kUnreadable).
  Components LoadsAt(std::int32_t node, int loadCase, Rounding rounding = Rounding::kWhole) const;
  // GetLoads with extractMode 2: the displacements of two nodes (a node without displacements
  // gives zeros). Throws as LoadsAt, without kNoRestraint.
  std::array<Components, 2> DisplacementsAt(std::int32_t nodeA, std::int32_t nodeB,
                                            int loadCase) const;

  // The loads at every node with restraints in the case, by ascending node number, each as
  // LoadsAt gives it. Throws as LoadsAt, without kNoRestraint.
  std::vector<SupportLoads> SupportLoadsOf(int loadCase, Rounding rounding = Rounding::kWhole) const;
  // The same loads written into out, six floats to a node, one node after another in the order
  // of SupportNodes(), for a caller that fills an array of its own: out holds 6 *
  // SupportNodes().size() floats (std::invalid_argument otherwise). The order in which each
  // node's entries are added is worked out once per job. Throws as SupportLoadsOf.
  void SupportLoadsInto(int loadCase, std::span<float> out, Rounding rounding = Rounding::kWhole) const;
  // SupportLoadsOf for every case with results, in case order, holding one case at a time.
  void ForEachCase(
      const std::function<void(const LoadCase&, const std::vector<SupportLoads>&)>& visit) const;

 private:
  struct State;
  explicit Job(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace viru4deduz::api

#endif  // VIRU4DEDUZ_JOB_H_
