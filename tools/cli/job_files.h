// From the JOB argument to the output file the module reads, by the module's own rules (the job
// library's LocateOutputFile): the job file's extension is replaced by "._p" and that file must
// exist (each path component is matched without regard to case when it does not exist as
// given). So "pipe1.x4", "pipe1._p" and "pipe1" all name pipe1._p.
#ifndef VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_
#define VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_

#include <string>

namespace viru4deduz::cli {

struct JobFiles {
  std::string argument;    // JOB as given: what the command opens
  std::string outputFile;  // where the output file lies on disk, as an absolute path
};

// Fills files and returns 0, or returns the exit status after telling the user why JOB names
// no output file: 64 for a JOB no job path can be, 66 for an output file that does not exist.
int ResolveJob(const std::string& argument, JobFiles& files);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_JOB_FILES_H_
