// viru4deduz-write: writes an analysis output file for a small made-up job, for trying the
// module by hand.
//
//   viru4deduz-write FILE [VERSION]
//   viru4deduz-write --help
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "writer/output_writer.h"

namespace {

constexpr char kUsage[] =
    "usage: viru4deduz-write FILE [VERSION]\n"
    "Writes to FILE the analysis output file of a small made-up job (nodes 10, 20 and 30,\n"
    "restraints at nodes 10 and 30) in format version VERSION (default 1530).\n";

constexpr int kExitUsage = 64;  // as EX_USAGE of sysexits.h

}  // namespace

int main(int argc, char** argv) {
  // No file name begins with '-' here, so that a mistyped option never becomes a file.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (argv[i][0] == '-') {
      std::fprintf(stderr, "viru4deduz-write: unknown option %s\n%s", argv[i], kUsage);
      return kExitUsage;
    }
  }
  if (argc < 2 || argc > 3) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  viru4deduz::writer::OutputJob job;
  job.version = argc == 3 ? std::atoi(argv[2]) : 1530;
  job.nodes = {10, 20, 30};
  job.restraints = {{10, 1}, {30, 2}};
  job.resultCountB = 2;
  job.codes = {-4, 1, 3, 6, -999};
  job.options[{1, 2}] = 4;
  job.options[{1, 3}] = 0;
  job.names = {"OPERATING"};
  job.loads = {{{{100.0f, -20.0f, 3.5f, 0.0f, 1.0f, -7.0f}}, {{50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}}}};
  job.displacements = {{{{0.1f, 0.2f, 0.3f, 0.01f, 0.0f, -0.02f}}, {}, {}}};
  std::ofstream out(argv[1], std::ios::binary);
  const std::string bytes = viru4deduz::writer::WriteOutputFile(job);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
