// One GetLoads request as a host makes it, for the benchmarks: the benchmark stops with the
// module's message when the request has no result.
#ifndef VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
#define VIRU4DEDUZ_BENCH_ONE_REQUEST_H_

#include <benchmark/benchmark.h>

#include <string>

#include "host/module.h"
#include "platform/scripted_user_interface.h"

namespace viru4deduz {

// Returns false (and marks the benchmark failed) when the request did not deliver results.
inline bool RunOneRequest(benchmark::State& state, Module& module, ScriptedUserInterface& ui,
                          const std::string& jobPath, int extractMode, int nodeA, int nodeB,
                          int loadCase) {
  int node[2] = {nodeA, nodeB};
  float res[6][2];
  int status = 0;
  char path[256] = {}, label[151];
  jobPath.copy(path, 255);
  module.GetLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode,
                  path, &loadCase, label);
  if (status != 0) {
    const std::string why = "request failed: " + std::to_string(status) + " " +
                            (ui.messages.empty() ? std::string() : ui.messages.back().text);
    state.SkipWithError(why.c_str());
    return false;
  }
  benchmark::DoNotOptimize(res);
  return true;
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
