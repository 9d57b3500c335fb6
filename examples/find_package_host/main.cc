// A host that links the module and calls GetLoads directly: the support loads at one node of a
// job for one load case.
//
//   find_package_host JOB NODE [CASE]
//
// CASE defaults to 1, so no selection dialog appears; without a user interface of the host's
// own, the module reports on standard error.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <VirU4Deduz/VirU4Deduz.h>

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || std::strlen(argv[1]) > 255) {
    std::fprintf(stderr, "usage: find_package_host JOB NODE [CASE]\n");
    return 64;
  }
  int node[2] = {std::atoi(argv[2]), 0};
  int loadCase = argc == 4 ? std::atoi(argv[3]) : 1;
  float res[6] = {};
  int status = -1;
  int extractMode = 1;
  char jobPath[256] = {};
  std::strncpy(jobPath, argv[1], sizeof jobPath - 1);
  char caseLabel[151] = {};

  GetLoads(node, &res[0], &res[1], &res[2], &res[3], &res[4], &res[5], &status, &extractMode,
           jobPath, &loadCase, caseLabel);
  if (status != 0) {
    std::fprintf(stderr, "find_package_host: no loads (status %d)\n", status);
    return status;
  }
  std::printf("case %d node %d:", loadCase, node[0]);
  for (float value : res) std::printf(" %.0f", static_cast<double>(value));
  std::printf("\n");
  return 0;
}
