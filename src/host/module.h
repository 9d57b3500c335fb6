// One loaded module: its platform layers, its module-wide state and its unit table. The exported
// entry points forward to one instance; tests build their own over scripted layers.
#ifndef VIRU4DEDUZ_HOST_MODULE_H_
#define VIRU4DEDUZ_HOST_MODULE_H_

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "common/messages.h"
#include "host/unit_transfer_table.h"
#include "host/module_state.h"
#include "platform/env.h"

namespace viru4deduz {

// The open-file dialog's filter and flags: hide read-only, keep the directory, path and file
// must exist, no network button, long names.
constexpr char kJobFileFilter[] = "Piping (*.X4)|*.X4|Piping (pre-5.0, *._P)|*._P||";
constexpr unsigned long kJobFileDialogFlags = 0x22180C;


class Module {
 public:
  explicit Module(const Env& env);

  // The working entry point; see GetLoads in VirU4Deduz.h. Requests are serialised: a call
  // from another thread waits for the running request; a call from inside the running
  // request's own callbacks on its thread ends at once with status 1, nothing else written.
  void GetLoads(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
                float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
                char* caseLabel);

  // Installs a host's user interface (nullptr: the default one). Waits for a running request;
  // called from inside one of its callbacks, takes effect when that request ends.
  void SetUserInterface(UserInterface* ui);

  // Stores a unit factor and label (see GetLoadsTransferUnits), serialised with the requests.
  void TransferUnit(std::int32_t kind, float factor, const char* label);

  Env& env() { return env_; }
  ModuleState& state() { return *state_; }
  UnitTransferTable& units() { return units_; }

 private:
  void RunRequest(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
                  float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
                  char* caseLabel);
  bool InsideRequestOnThisThread() const;

  std::mutex requestMutex_;
  std::atomic<std::thread::id> requestThread_{};  // the thread running a request, if any
  UserInterface* pendingUi_ = nullptr;            // installed from inside a request
  Env env_;
  UserInterface* defaultUi_;
  // The tables and fields every request works on, kept from one request to the next.
  std::unique_ptr<ModuleState> state_ = std::make_unique<ModuleState>();
  UnitTransferTable units_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_MODULE_H_
