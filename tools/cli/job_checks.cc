#include "job_checks.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>
#include <string>

#include "cli_user_interface.h"
#include "exit_status.h"
#include "VirU4Deduz/FileReport.h"

namespace viru4deduz::cli {
namespace {

constexpr std::uint64_t kRecordBytes = 256;

// JOB as a shell word the user can paste: quoted when it holds anything but safe characters.
std::string ShellWord(const std::string& text) {
  const bool safe = std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("/._-+,:@%").find(c) != std::string_view::npos;
  });
  if (safe && !text.empty()) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// What is most wrong: a whole control record of another version says that this is no output
// file at all; otherwise the first problem found, which is the earliest in the file (for a file
// that cannot be opened or read, what the system said).
std::string MainProblem(const api::FileReport& report) {
  if (report.controlRecordRead && report.sizeBytes >= kRecordBytes && !report.versionRead) {
    return "not an output file: version " + std::to_string(report.version()) +
           " is not one the module reads";
  }
  return report.problems.empty() ? "the module cannot read it" : report.problems.front();
}

}  // namespace

int ReportUnreadableOutput(const JobFiles& files) {
  api::FileReport report;
  try {
    report = api::Inspect(files.argument);
  } catch (const api::Error& gone) {  // the file went away after it was found
    PrintError(std::string(gone.what()) + "; check JOB, or run the job's analysis first");
    return kExitNoInput;
  }
  std::string next = "run \"viru4deduz inspect " + ShellWord(files.argument) + "\"";
  if (report.problems.size() > 1) {
    next += " to see all " + std::to_string(report.problems.size()) + " problems";
  }
  PrintError(files.outputFile + ": " + MainProblem(report) + "; " + next);
  return report.controlRecordRead ? kExitDataError : kExitNoInput;
}

int OpenJob(const JobFiles& files, std::optional<api::Job>& job) {
  try {
    job.emplace(api::Job::Open(files.argument));
  } catch (const api::Error&) {
    return ReportUnreadableOutput(files);
  }
  return kExitSuccess;
}

int ResolveAndOpenJob(const std::string& argument, JobFiles& files, std::optional<api::Job>& job) {
  if (const int status = ResolveJob(argument, files)) return status;
  return OpenJob(files, job);
}

int CheckCase(const api::Job& job, int k) {
  const int count = static_cast<int>(job.cases().size());
  if (k < 1 || k > count) {
    PrintError("load case " + std::to_string(k) + " is not in this job " +
               (count < 1 ? std::string("(it has no load cases)")
                          : "(cases 1 to " + std::to_string(count) + ")"));
    return kExitUsage;
  }
  if (!job.Case(k).hasResults) {
    PrintError("load case " + std::to_string(k) + " has no results in the output file");
    return kExitNoResult;
  }
  return kExitSuccess;
}

void WarnOfDiscardedCases(const api::Job& job, const std::vector<int>& cases) {
  std::string discarded;
  int count = 0;
  for (int k : cases) {
    if (k < 1 || k > static_cast<int>(job.cases().size()) || job.Case(k).active) continue;
    discarded += (count++ == 0 ? "" : ", ") + std::to_string(k);
  }
  if (count == 0) return;
  PrintWarning((count == 1 ? "load case " + discarded + " is" : "load cases " + discarded + " are") +
               " not active (discarded in the analysis): the values shown are what the file holds, "
               "not loads of the case");
}

std::vector<bool> NodesInJob(const api::Job& job, const std::vector<int>& nodes) {
  std::vector<bool> inJob(nodes.size(), true);
  std::vector<std::int32_t> numbers;
  try {
    numbers = job.Nodes();
  } catch (const api::Error&) {
    return inJob;
  }
  const auto [lowest, highest] = std::minmax_element(numbers.begin(), numbers.end());
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (i > 0 && nodes[i] == nodes[0]) {  // told once
      inJob[i] = inJob[0];
      continue;
    }
    if (std::find(numbers.begin(), numbers.end(), nodes[i]) != numbers.end()) continue;
    inJob[i] = false;
    PrintError("node " + std::to_string(nodes[i]) + " is not in this job " +
               (numbers.empty() ? std::string("(it has no nodes)")
                                : "(its " + std::to_string(numbers.size()) + " nodes are numbered " +
                                      std::to_string(*lowest) + " to " + std::to_string(*highest) + ")"));
  }
  return inJob;
}

}  // namespace viru4deduz::cli
