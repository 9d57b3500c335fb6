// Opening a job for a command and checking what the command asks of it. Each failure is told in
// one message that names what is wrong, and ends the command with the status that goes with it.
#ifndef VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_
#define VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "job/job_reader.h"
#include "job_files.h"

namespace viru4deduz::cli {

// The one message for an output file the module cannot read: the file, what is wrong with it as
// inspect finds it, and the command that shows all of it. 66 when the file cannot be opened or its
// control record cannot be read, 65 when it is damaged or not an output file.
int ReportUnreadableOutput(const JobFiles& files);

// Opens the job: 0, or the status of ReportUnreadableOutput.
int OpenJob(JobReader& reader, const JobFiles& files);

// Case k against the job's cases: 0; 64 for a case the job does not have (the message gives the
// job's range); 1 for a case whose results the file does not store.
int CheckCase(JobReader& reader, int k);

// The work area a command reads the job's results in: as many words as the job needs, whatever a
// host's setting allows (a host's room is inspect's to report). nullopt for counts that no work
// area can hold, which only a damaged file gives.
std::optional<std::int32_t> WorkAreaWords(const JobReader& reader);

// For each node, whether the job has it; every node counts as the job's when its node list cannot
// be read. Tells the user of each node it does not have.
std::vector<bool> NodesInJob(JobReader& reader, const std::vector<int>& nodes);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_
