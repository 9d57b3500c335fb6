// From the JOB argument to the files the module reads, by the module's own rules: the job file's
// extension is replaced by "._p" and that file must exist (each path component is matched
// without regard to case when it does not exist as given); the request then works on the upper-
// cased path, which ends in "._P" and is the output file's name. So "pipe1.x4", "pipe1._p" and
// "pipe1" all name pipe1._p.
#ifndef VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_
#define VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_

#include <string>

namespace viru4deduz::cli {

struct JobFiles {
  std::string argument;    // JOB as given: what the CLI passes to GetLoads
  std::string spelledPath; // the "._p" path as JOB spells it
  std::string modulePath;  // the upper-cased "._P" path a request works on
  std::string outputName;  // the output file's name as the request derives it
  std::string outputFile;  // where that file lies on disk, as an absolute path
};

// Fills files and returns 0, or returns the exit status after telling the user why JOB names
// no output file: 64 for a JOB no job path can be, 66 for an output file that does not exist.
int ResolveJob(const std::string& argument, JobFiles& files);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_
