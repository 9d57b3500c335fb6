// viru4deduz-sample: writes the sample job into a directory, as the build does:
// DIR/PIPE1._P (the analysis output file) and DIR/PIPE1.X4 (a stand-in for the job file).
//
//   viru4deduz-sample DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "sample/sample_job.h"

namespace {

// Writes beside the target and renames, so that an interrupted build never leaves half a file
// that a later build would take as up to date.
bool WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::path partial = path;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "viru4deduz-sample: cannot write %s\n", partial.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) {
    std::fprintf(stderr, "viru4deduz-sample: %s: %s\n", path.c_str(), error.message().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: viru4deduz-sample DIR\n");
    return 64;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    std::fprintf(stderr, "viru4deduz-sample: %s: %s\n", dir.c_str(), error.message().c_str());
    return 1;
  }
  const std::string output = viru4deduz::writer::WriteOutputFile(viru4deduz::sample::SampleJob());
  // The module finds a job's output file beside the job file, so the job needs only to exist.
  const std::string job =
      "Sample pipe stress job of VirU4Deduz: a pump discharge line.\n"
      "Its analysis output file is PIPE1._P beside this file.\n";
  return WriteWhole(dir / "PIPE1._P", output) && WriteWhole(dir / "PIPE1.X4", job) ? 0 : 1;
}
