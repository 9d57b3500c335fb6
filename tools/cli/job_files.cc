#include "job_files.h"

#include <cctype>
#include <filesystem>
#include <string>

#include "VirU4Deduz/Job.h"
#include "cli_user_interface.h"
#include "exit_status.h"
#include "spelling.h"

namespace viru4deduz::cli {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// What the user gave instead of a job, in so many words: a directory, a file that has no output
// file beside it, or a name one edit away from a job that is there.
std::string WhyNoOutputFile(const std::string& argument, const std::string& outputFile) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path given(argument);
  if (fs::is_directory(given, error)) {
    return argument + " is a directory, not a job: name its job file (PIPE1.X4) or output file (PIPE1._P)";
  }
  if (fs::exists(given, error)) {
    return argument + " is not a job: there is no output file " + outputFile +
           " beside it (a job is named by its job file, PIPE1.X4, or its output file, PIPE1._P)";
  }
  // A job file or an output file beside it whose name is one edit away from the one given.
  const fs::path dir = given.has_parent_path() ? given.parent_path() : fs::path(".");
  const std::string name = Upper(given.filename().string());
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::string candidate = it->path().filename().string();
    const std::string upper = Upper(candidate);
    if (!upper.ends_with("._P")) continue;
    const std::string stem = upper.substr(0, upper.size() - 3);
    for (const std::string& near : {stem + ".X4", upper, stem}) {
      if (OneEditAway(name, near)) {
        const std::string suggestion = near == stem + ".X4" ? candidate.substr(0, candidate.size() - 3) + ".X4" : candidate;
        return "no output file for the job: " + outputFile + " does not exist; did you mean " +
               (dir / suggestion).string() + "?";
      }
    }
  }
  return "no output file for the job: " + outputFile + " does not exist; check JOB, or run the job's analysis first";
}

}  // namespace

int ResolveJob(const std::string& argument, JobFiles& files) {
  if (argument.empty() || argument.size() > api::kMaxJobPathLength ||
      argument.find('\0') != std::string::npos) {
    PrintError(argument.empty() ? "JOB is empty"
                                : "JOB is longer than the module's " +
                                      std::to_string(api::kMaxJobPathLength) +
                                      " characters: " + argument);
    return kExitUsage;
  }
  const api::OutputFileLocation where = api::LocateOutputFile(argument);
  if (!where.exists) {
    PrintError(WhyNoOutputFile(argument, where.spelled));
    return kExitNoInput;
  }
  files.argument = argument;
  files.outputFile = where.onDisk;
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
