// viru4deduz envelope JOB [--cases LIST] [--type TYPES] [--include-inactive]: for every support
// node and component, the largest and smallest load over the chosen cases and the case of each:
// the load summary a structural engineer is handed.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli_user_interface.h"
#include "commands.h"
#include "component_rows.h"
#include "exit_status.h"
#include "VirU4Deduz/Envelope.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"
#include "windows1252.h"
#include "workbook.h"

namespace viru4deduz::cli {

int RunEnvelope(const Invocation& inv) {
  JobFiles files;
  std::optional<api::Job> job;
  if (const int status = ResolveAndOpenJob(inv.job, files, job)) return status;
  for (int k : inv.cases) {
    if (const int status = CheckCase(*job, k)) return status;
  }
  const std::vector<int> cases =
      api::SelectCases(*job, api::CaseSelection{inv.cases, inv.stressTypes, inv.includeInactive});
  if (cases.empty()) {
    PrintError("no load case with results is chosen");
    return kExitNoResult;
  }
  std::vector<api::SupportEnvelope> envelope;
  try {
    envelope = api::EnvelopeOf(*job, cases, inv.unrounded ? api::Rounding::kNone : api::Rounding::kWhole);
  } catch (const api::Error&) {
    return ReportUnreadableOutput(files);
  }
  if (envelope.empty()) {
    PrintError(std::string(api::kNoRestraintText) + " (the job has no restraints)");
    return kExitNoRestraint;
  }

  // Whole loads are JSON integers; the sums before the rounding, reals (three decimals in a table).
  const bool whole = !inv.unrounded && !inv.units.scaled;
  const int decimals = whole ? 0 : 3;
  const auto value = [&](float v) { return whole ? WholeValue(v) : Json(v); };
  // Factors above 0 keep every order: the cases of the largest and smallest stay theirs.
  for (api::SupportEnvelope& at : envelope) {
    for (std::size_t m = 0; m < 6; ++m) {
      api::ComponentRange& r = at.components[m];
      r.max = inv.units.LoadComponent(static_cast<int>(m), r.max);
      r.min = inv.units.LoadComponent(static_cast<int>(m), r.min);
    }
  }
  // One row per node and component: the long form that a spreadsheet filters and sorts.
  const std::vector<std::string> columns = {"NODE", "COMPONENT", "MAX", "MAX_CASE", "MIN", "MIN_CASE"};
  if (inv.format == Format::kJson) {
    JobDocument document(std::cout, inv.job, files.outputFile, job->version());
    for (int k : cases) {
      const api::LoadCase& c = job->Case(k);
      document.AddCase(CaseObject(k, Windows1252ToUtf8(c.label), c.active, !c.offered, true));
    }
    Json rows = Json::array();
    for (const api::SupportEnvelope& at : envelope) {
      for (std::size_t m = 0; m < 6; ++m) {
        const api::ComponentRange& r = at.components[m];
        rows.push_back({{"node", at.node}, {"component", kLoadComponents.names[m]}, {"max", value(r.max)},
                        {"max_case", r.maxCase}, {"min", value(r.min)}, {"min_case", r.minCase}});
      }
    }
    document.End("envelope", rows);
  } else {
    const RowSource rows = [&](const RowSink& emit) {
      for (const api::SupportEnvelope& at : envelope) {
        for (std::size_t m = 0; m < 6; ++m) {
          const api::ComponentRange& r = at.components[m];
          emit({std::int64_t{at.node}, std::string(kLoadComponents.names[m]), Fixed{r.max, decimals},
                std::int64_t{r.maxCase}, Fixed{r.min, decimals}, std::int64_t{r.minCase}});
        }
      }
    };
    if (!inv.xlsx.empty()) {
      return WriteWorkbook(inv.xlsx, {{inv.job, files.outputFile, &*job}}, "Envelope", columns, rows);
    }
    if (inv.format == Format::kCsv) {
      WriteCsv(std::cout, columns, rows);
    } else {
      WriteTable(std::cout, columns, rows, inv.units.LoadNote());
    }
  }
  return OutputStatus();
}

}  // namespace viru4deduz::cli
