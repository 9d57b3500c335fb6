// One loaded module: its platform layers, its module-wide state and its unit table. The exported
// entry points forward to one instance; tests build their own over scripted layers.
#ifndef VIRU4DEDUZ_HOST_MODULE_H_
#define VIRU4DEDUZ_HOST_MODULE_H_

#include <memory>

#include "extract/module_state.h"
#include "host/unit_transfer_table.h"
#include "platform/env.h"

namespace viru4deduz {

// The open-file dialog's filter and flags: hide read-only, keep the directory, path and file
// must exist, no network button, long names.
constexpr char kJobFileFilter[] = "Piping (*.X4)|*.X4|Piping (pre-5.0, *._P)|*._P||";
constexpr unsigned long kJobFileDialogFlags = 0x22180C;

constexpr char kNoOutputMessage[] = "No output available for this TALVOR job.";
constexpr char kNoRestraintMessage[] = "No restraint found with this node number.";
constexpr char kMessageCaption[] = "VirU4Deduz";

class Module {
 public:
  explicit Module(const Env& env);

  // The working entry point; see GetLoads in VirU4Deduz.h.
  void GetLoads(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
                float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
                char* caseLabel);

  // Installs a host's user interface (nullptr: the default one).
  void SetUserInterface(UserInterface* ui);

  Env& env() { return env_; }
  ModuleState& state() { return *state_; }
  UnitTransferTable& units() { return units_; }

 private:
  Env env_;
  UserInterface* defaultUi_;
  std::unique_ptr<ModuleState> state_;
  UnitTransferTable units_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_MODULE_H_
