// One GetLoads request as a host makes it, for the benchmarks: the benchmark stops with the
// module's message when the request has no result.
#ifndef VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
#define VIRU4DEDUZ_BENCH_ONE_REQUEST_H_

#include <benchmark/benchmark.h>

#include <string>

#include "testing/scripted_module.h"

namespace viru4deduz {

// Returns false (and marks the benchmark failed) when the request did not deliver results.
inline bool RunOneRequest(benchmark::State& state, Module& module, ScriptedUserInterface& ui,
                          const std::string& jobPath, int extractMode, int nodeA, int nodeB,
                          int loadCase) {
  testing::Request request(jobPath, extractMode, nodeA, nodeB, loadCase);
  request.RunOn(module);
  if (request.status != 0) {
    const std::string why = "request failed: " + std::to_string(request.status) + " " +
                            (ui.messages.empty() ? std::string() : ui.messages.back().text);
    state.SkipWithError(why.c_str());
    return false;
  }
  benchmark::DoNotOptimize(request.res);
  return true;
}

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_BENCH_ONE_REQUEST_H_
