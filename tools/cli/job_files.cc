#include "job_files.h"

#include "VirU4Deduz/Job.h"
#include "cli_user_interface.h"
#include "exit_status.h"

namespace viru4deduz::cli {

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
    PrintError("no output file for the job: " + where.spelled +
               " does not exist; check JOB, or run the job's analysis first");
    return kExitNoInput;
  }
  files.argument = argument;
  files.outputFile = where.onDisk;
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
