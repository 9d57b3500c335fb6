// viru4deduz_bench_job N FILE: writes the output file of benchmark job N (bench_jobs.h) to FILE,
// for the benchmarks that run outside the benchmark program (the Python package's).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "bench_jobs.h"

int main(int argc, char** argv) {
  const int count = static_cast<int>(std::size(viru4deduz::kShapes));
  const int n = argc == 3 ? std::atoi(argv[1]) : -1;
  if (n < 0 || n >= count) {
    std::fprintf(stderr, "usage: viru4deduz_bench_job N FILE  (N from 0 to %d)\n", count - 1);
    return 64;
  }
  const std::string bytes = viru4deduz::writer::WriteOutputFile(viru4deduz::JobOf(viru4deduz::kShapes[n]));
  std::ofstream out(argv[2], std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good() ? 0 : 74;
}
