// A program that links the job library and prints the loads at every support of one load case
// of a job, one line a support: the node and its three forces and three moments.
//
//   job_api_host JOB [CASE]
//
// CASE defaults to 1. The job library reads the job's output file and hands back values; it
// shows no message and asks nothing.
#include <cstdio>
#include <cstdlib>

#include "VirU4Deduz/Job.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: job_api_host JOB [CASE]\n");
    return 64;
  }
  const int loadCase = argc == 3 ? std::atoi(argv[2]) : 1;
  try {
    const viru4deduz::api::Job job = viru4deduz::api::Job::Open(argv[1]);
    for (const viru4deduz::api::SupportLoads& support : job.SupportLoadsOf(loadCase)) {
      std::printf("%d", support.node);
      for (float component : support.loads) std::printf(" %.0f", component);  // whole numbers
      std::printf("\n");
    }
  } catch (const viru4deduz::api::Error& error) {
    std::fprintf(stderr, "job_api_host: %s\n", error.what());
    return 1;
  }
  return 0;
}
