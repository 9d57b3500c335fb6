// The job library on arbitrary bytes as a job's output file, by its public headers only: the
// report, the opening, the cases, the node lists, the loads and displacements of a few nodes in
// a few cases and the supports either answer or throw the library's Error; nothing else may
// happen (no crash, no other exception, no allocation the file cannot fill).
//
// The library reads real files, so each input is written to a file of a directory of the
// target's own, named as a job's output file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "VirU4Deduz/FileReport.h"
#include "VirU4Deduz/Job.h"

namespace {

using viru4deduz::api::Error;
using viru4deduz::api::Job;

const std::string& OutputPath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/fuzz_job_XXXXXX";
    const char* dir = mkdtemp(pattern);
    return std::string(dir != nullptr ? dir : "/tmp") + "/JOB._P";
  }();
  return path;
}

template <typename Call>
void Answered(Call call) {
  try {
    call();
  } catch (const Error&) {  // the library's way of saying no
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = OutputPath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  if (!written) return 0;

  Answered([&] { viru4deduz::api::Inspect(path); });
  Answered([&] {
    const Job job = Job::Open(path);
    Answered([&] { job.Nodes(); });
    Answered([&] { job.SupportNodes(); });
    for (const auto& c : job.cases()) {
      if (c.number > 3) break;
      for (std::int32_t node : {10, 20, 700}) Answered([&] { job.LoadsAt(node, c.number); });
      Answered([&] { job.DisplacementsAt(20, 30, c.number); });
      Answered([&] { job.SupportLoadsOf(c.number); });
    }
  });
  return 0;
}
