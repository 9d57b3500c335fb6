// One GetLoads request as a host makes it, through the module's exported entry point and its
// public header, for the whole-request benchmarks: the benchmark stops with the module's message
// when the request has no result.
#ifndef VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
#define VIRU4DEDUZ_BENCH_ONE_REQUEST_H_

#include <benchmark/benchmark.h>

#include <string>

#include "VirU4Deduz/VirU4Deduz.h"

namespace viru4deduz {

// A host's user interface that keeps the last message and cancels every dialog.
class BenchUserInterface final : public UserInterface {
 public:
  int ShowMessage(const char* text, const char*, unsigned) override {
    lastMessage = text != nullptr ? text : "";
    return 1;
  }
  bool ChooseFile(const char*, unsigned long, char*, std::size_t) override { return false; }
  int RunListDialog(const char*, const char* const*, int, ListDialogHandler&) override {
    return kListDialogCancel;
  }
  std::string lastMessage;
};

// Installs ui for the benchmark's requests; the module's own layer again when it ends.
struct InstalledUserInterface {
  explicit InstalledUserInterface(UserInterface& ui) { SetUserInterface(&ui); }
  ~InstalledUserInterface() { SetUserInterface(nullptr); }
};

// Returns false (and marks the benchmark failed) when the request did not deliver results.
inline bool RunOneRequest(benchmark::State& state, const BenchUserInterface& ui,
                          const std::string& jobPath, int extractMode, int nodeA, int nodeB,
                          int loadCase) {
  int node[2] = {nodeA, nodeB};
  float res[6][2] = {};
  int status = -1;
  char path[256] = {};
  jobPath.copy(path, sizeof path - 1);
  char label[151] = {};
  GetLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode, path,
           &loadCase, label);
  if (status != 0) {
    const std::string why = "request failed: " + std::to_string(status) + " " + ui.lastMessage;
    state.SkipWithError(why.c_str());
    return false;
  }
  benchmark::DoNotOptimize(res);
  return true;
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
