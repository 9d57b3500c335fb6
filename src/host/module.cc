#include "host/module.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/ascii_case.h"
#include "host/request_driver.h"
#include "host/host_stops.h"
#include "platform/paths.h"
#include "settings/talvor_registry.h"

namespace viru4deduz {
namespace {

constexpr std::size_t kPathBuffer = kJobPathWidth;  // the path and its NUL
constexpr std::size_t kDialogPathBuffer = 4096;

}  // namespace

Module::Module(const Env& env)
    : env_(env), defaultUi_(env.ui) {}

bool Module::InsideRequestOnThisThread() const {
  return requestThread_.load() == std::this_thread::get_id();
}

void Module::SetUserInterface(UserInterface* ui) {
  UserInterface* const chosen = ui != nullptr ? ui : defaultUi_;
  if (InsideRequestOnThisThread()) {
    // Called from one of the request's own dialogs or message boxes: the running request keeps
    // the layer it is showing, and the new one takes over when the request ends.
    pendingUi_ = chosen;
    return;
  }
  std::lock_guard<std::mutex> lock(requestMutex_);
  env_.ui = chosen;
}

void Module::TransferUnit(std::int32_t kind, float factor, const char* label) {
  // The unit table is the host's: a request never reads it, so a call made from inside a
  // request's callback may store at once.
  if (InsideRequestOnThisThread()) return units_.TransferUnit(kind, factor, label);
  std::lock_guard<std::mutex> lock(requestMutex_);
  units_.TransferUnit(kind, factor, label);
}

void Module::GetLoads(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
                      float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
                      char* caseLabel) {
  // One request at a time: all working state is the module's. A request from another thread
  // waits for the running one to end; a request made from inside the running one's callbacks
  // (a host dialog that asks again) cannot wait for it, and gets no result instead.
  //
  // A request needs its status, mode, node and case; without one of them there is no request,
  // and nothing is done. A host without a label field gets none.
  if (InsideRequestOnThisThread() || status == nullptr || extractMode == nullptr ||
      node == nullptr || loadCase == nullptr) {
    if (status != nullptr) *status = 1;
    return;
  }
  char unusedLabel[kCaseLabelWidth + 1];
  if (caseLabel == nullptr) caseLabel = unusedLabel;
  std::lock_guard<std::mutex> lock(requestMutex_);
  // The request's mark is taken off on every way out, an exception from a host's callback or
  // the work area's allocation included: a mark left behind would turn every later request of
  // this thread away.
  struct RequestMark {
    Module& module;
    explicit RequestMark(Module& m) : module(m) { module.requestThread_.store(std::this_thread::get_id()); }
    ~RequestMark() {
      module.requestThread_.store(std::thread::id());
      if (module.pendingUi_ != nullptr) {
        module.env_.ui = module.pendingUi_;
        module.pendingUi_ = nullptr;
      }
    }
  } mark(*this);
  RunRequest(node, res1, res2, res3, res4, res5, res6, status, extractMode, jobPath, loadCase,
             caseLabel);
}

void Module::RunRequest(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
                        float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
                        char* caseLabel) {
  // The job: the host's path with the extension "._p", when that file exists; else the user's
  // choice in the open-file dialog. A host path that fills its whole buffer without a NUL cannot
  // be a path: the user is asked instead, and the buffer is left alone.
  bool pathFound = false;
  const std::size_t hostLength = jobPath != nullptr ? strnlen(jobPath, kPathBuffer) : kPathBuffer;
  if (hostLength > 0 && hostLength < kPathBuffer) {
    env_.archive->Expand(jobPath);
    PathRemoveExtensionA(jobPath);
    PathAddExtensionA(jobPath, kPathBuffer, "._p");
    pathFound = env_.files->Exists(jobPath);
  }
  std::string spelling;  // the path as the host or the user spelled it
  if (pathFound) {
    spelling = jobPath;
  } else {
    std::vector<char> chosen(kDialogPathBuffer, '\0');
    if (!env_.ui->ChooseFile(kJobFileFilter, kJobFileDialogFlags, chosen.data(), chosen.size())) {
      *status = 1;
      return;
    }
    spelling.assign(chosen.data(), strnlen(chosen.data(), chosen.size()));
  }
  const std::string path = AsciiUpper(spelling);

  const int resultSetCount = *extractMode == 2 ? 2 : 1;
  std::vector<float> resultBlock(static_cast<std::size_t>(6 * resultSetCount));

  // The driver works on a 256-byte copy (the path and its NUL). A chosen path too long for it
  // cannot name the job's output.
  if (path.size() >= kPathBuffer) {
    *status = 1;
    env_.ui->ShowMessage(kNoOutputMessage, kMessageCaption, kMessageBoxIconStop);
    return;
  }
  char local[kPathBuffer] = {};
  std::memcpy(local, path.data(), path.size());
  const int length = static_cast<int>(path.size());

  std::int32_t workBytes = 0;
  {
    CTalvorRegistry registry(*env_.settings, *env_.ui);
    workBytes = registry.GetWorkAreaSize();
  }
  const std::int32_t workWordCount = workBytes / 4;
  // Allocated here, before anything of the job is read, whatever the request goes on to read: a
  // size the machine cannot give ends the request at once, with std::bad_alloc out of GetLoads.
  // Not initialised: the driver fills every region before it reads it, and a request that reads
  // only what decides its answer never touches it, so its pages cost nothing. A size below one
  // word gives no words, and the room test then ends the request.
  const std::unique_ptr<std::int32_t[]> workArea = std::make_unique_for_overwrite<std::int32_t[]>(
      static_cast<std::size_t>(std::max<std::int32_t>(workWordCount, 0)));
  *status = 1;
  env_.archive->Expand(local);
  // The driver on the host's buffers: it writes the label, the chosen case and the blanked path
  // where GetLoads writes them. The output file is looked for under the path as spelled.
  int driverStatus = 1;
  int caseRequestFlag = 0;
  const int mode = *extractMode;
  HostStops stops(env_);
  RunExtraction(*state_, env_, stops, [&workArea] { return workArea.get(); }, workWordCount, local,
                kJobPathWidth, length, node, resultBlock.data(), driverStatus, caseRequestFlag,
                mode, resultSetCount, *loadCase, caseLabel, kCaseLabelWidth, spelling.c_str());
  const JobOutcome outcome = OutcomeOf(*state_, driverStatus, caseRequestFlag);
  env_.archive->Pack(local);

  switch (outcome) {
    case JobOutcome::kResults: {
      // A host that passes no array for a component, or no path buffer, is given none.
      float* const components[6] = {res1, res2, res3, res4, res5, res6};
      for (int set = 0; set < resultSetCount; ++set) {
        for (int k = 0; k < 6; ++k) {
          if (components[k] != nullptr) components[k][set] = resultBlock[static_cast<std::size_t>(6 * set + k)];
        }
      }
      if (jobPath != nullptr) std::memcpy(jobPath, path.c_str(), path.size() + 1);
      *status = 0;
      break;
    }
    case JobOutcome::kCancelled:
      *status = 1;  // the user cancelled the load case selection: no message
      break;
    case JobOutcome::kNoOutput:
    case JobOutcome::kReadFailed:
      *status = 1;
      env_.ui->ShowMessage(kNoOutputMessage, kMessageCaption, kMessageBoxIconStop);
      break;
    case JobOutcome::kWorkAreaTooSmall:
    case JobOutcome::kNoRestraint:
      *status = 2;
      env_.ui->ShowMessage(kNoRestraintMessage, kMessageCaption, kMessageBoxIconStop);
      break;
  }
}

}  // namespace viru4deduz
