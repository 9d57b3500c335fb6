// Opening a job for a command and checking what the command asks of it. Each failure is told in
// one message that names what is wrong, and ends the command with the status that goes with it.
#ifndef VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_
#define VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_

#include <optional>
#include <vector>

#include "VirU4Deduz/Job.h"
#include "job_files.h"

namespace viru4deduz::cli {

// The one message for an output file the module cannot read: the file, what is wrong with it as
// inspect finds it, and the command that shows all of it. 66 when the file cannot be opened or its
// control record cannot be read, 65 when it is damaged or not an output file.
int ReportUnreadableOutput(const JobFiles& files);

// Opens the job into job: 0, or the status of ReportUnreadableOutput.
int OpenJob(const JobFiles& files, std::optional<api::Job>& job);
// ResolveJob and OpenJob in one: 0, or the status of the first that fails.
int ResolveAndOpenJob(const std::string& argument, JobFiles& files, std::optional<api::Job>& job);

// Case k against the job's cases: 0; 64 for a case the job does not have (the message gives the
// job's range); 1 for a case whose results the file does not store.
int CheckCase(const api::Job& job, int k);

// Warns that the cases among these that the analysis discarded answer with no loads of theirs
// (what the file holds for them, zeros as a rule), so that their rows are not read as results.
void WarnOfDiscardedCases(const api::Job& job, const std::vector<int>& cases);

// For each node, whether the job has it; every node counts as the job's when its node list cannot
// be read. Tells the user of each node it does not have.
std::vector<bool> NodesInJob(const api::Job& job, const std::vector<int>& nodes);

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_JOB_CHECKS_H_
