// One pass over a job's output file that serves every node and every load case.
//
// A host asks for one node and one case per call, and every call reads the whole file. The
// session runs the module's own request once, with an extraction mode that assembles nothing: the
// driver reads the control data, labels every case, applies the room test of the work area and
// reads the results of all stored cases into the work area, unsorted. The loads of one case are
// then assembled from a copy of the entry lists and of that case's slice with the module's own
// sort and sum, so that they agree bit for bit with a GetLoads call per node and case.
#ifndef VIRU4DEDUZ_TOOLS_CLI_JOB_SESSION_H_
#define VIRU4DEDUZ_TOOLS_CLI_JOB_SESSION_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "extract/module_state.h"
#include "platform/env.h"

namespace viru4deduz::cli {

struct NodeLoads {
  std::int32_t node;
  std::array<float, 6> loads;  // three forces, three moments: summed and rounded
};

class JobSession {
 public:
  enum class Outcome {
    kRead,              // everything asked for is in memory
    kNoOutput,          // the file is missing, unreadable or of a version the module does not read
    kWorkAreaTooSmall,  // the results do not fit the work area (a request ends with status 2)
    kReadFailed,        // reading the results failed (the reader has told the user)
  };

  explicit JobSession(Env& env);
  ~JobSession();
  JobSession(const JobSession&) = delete;
  JobSession& operator=(const JobSession&) = delete;

  // The control data and every label, without the results.
  Outcome ReadCases(const std::string& modulePath);
  // The control data, every label and the results of every stored case, in a work area of
  // workWordCount words.
  Outcome ReadResults(const std::string& modulePath, std::int32_t workWordCount);

  const ControlData& control() const { return state_->output.control; }
  int caseCount() const { return state_->driver.caseCount; }
  // skippedCaseCount as the driver uses it: the leading cases never offered for selection.
  int skippedCaseCount() const;
  // Case k's label (1..1150) without trailing blanks, in Windows-1252 as the file has it.
  std::string Label(int k) const;
  // Whether a request for case k finds its results in the file (the driver's test).
  bool HasStoredResults(int k);
  // The module's selection dialog over the offered labels; the chosen case, or nullopt when the
  // user cancels.
  std::optional<int> ChooseCase(UserInterface& ui);

  std::int32_t restraintEntryCount() const { return state_->driver.restraintEntryCount; }
  // After ReadResults: the loads at every restraint node of stored case k, by node number.
  std::vector<NodeLoads> LoadsAtSupports(int k);

 private:
  Outcome Run(const std::string& modulePath, std::int32_t workWordCount);
  std::int32_t Ordinal(int k);

  Env& env_;
  std::unique_ptr<ModuleState> state_;
  std::unique_ptr<std::int32_t[]> workArea_;
  std::size_t workWords_ = 0;
};

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_JOB_SESSION_H_
