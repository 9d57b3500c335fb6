#include "job_files.h"

#include <filesystem>
#include <system_error>

#include "cli_user_interface.h"
#include "exit_status.h"
#include "common/ascii_case.h"
#include "job/job_reader.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/posix_file_system.h"

namespace viru4deduz::cli {
int ResolveJob(const std::string& argument, JobFiles& files) {
  // The module's buffers hold 255 characters and a NUL.
  if (argument.empty() || argument.size() >= static_cast<std::size_t>(kJobPathFieldWidth) ||
      argument.find('\0') != std::string::npos) {
    PrintError(argument.empty() ? "JOB is empty"
                                : "JOB is longer than the module's 255 characters: " + argument);
    return kExitUsage;
  }
  char path[kJobPathFieldWidth] = {};
  argument.copy(path, argument.size());
  PathRemoveExtensionA(path);
  PathAddExtensionA(path, sizeof path, "._p");
  if (!DefaultFileSystem()->Exists(path)) {
    PrintError(std::string("no output file for the job: ") + path +
               " does not exist; check JOB, or run the job's analysis first");
    return kExitNoInput;
  }

  files.argument = argument;
  files.spelledPath = path;
  files.modulePath = AsciiUpper(path);
  // The request replaces the path's last three characters with "._Q" after a Q and "._P"
  // otherwise; this path ends in "._P" already, so it is the output file's name as it stands.
  files.outputName = files.modulePath;
  std::error_code error;
  const std::filesystem::path onDisk = PosixFileSystem::Resolve(files.outputName);
  const std::filesystem::path absolute = std::filesystem::absolute(onDisk, error);
  files.outputFile = (error ? onDisk : absolute.lexically_normal()).string();
  return kExitSuccess;
}

}  // namespace viru4deduz::cli
