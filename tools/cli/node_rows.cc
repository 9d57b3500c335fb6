#include "node_rows.h"

#include <iostream>
#include <optional>
#include <set>
#include <vector>

#include "cli_user_interface.h"
#include "component_rows.h"
#include "exit_status.h"
#include "VirU4Deduz/Job.h"
#include "job_checks.h"
#include "job_files.h"
#include "output_format.h"
#include "standard_output.h"
#include "windows1252.h"

namespace viru4deduz::cli {

bool AsksSeveral(const Invocation& inv) {
  return inv.allCases || inv.nodes.size() > (inv.command == Command::kLoads ? 1u : 2u);
}

int RunNodeRows(const Invocation& inv) {
  JobFiles files;
  if (const int status = ResolveJob(inv.job, files)) return status;
  if (!inv.allCases && inv.caseNumber == 0) {
    PrintError(inv.commandName + ": several nodes are asked one case at a time: use --case K or --all-cases");
    return kExitUsage;
  }
  std::optional<api::Job> job;
  if (const int status = OpenJob(files, job)) return status;
  std::vector<int> cases;
  if (inv.allCases) {
    for (const api::LoadCase& c : job->cases()) {
      if (c.hasResults) cases.push_back(c.number);
    }
  } else {
    if (const int status = CheckCase(*job, inv.caseNumber)) return status;
    cases.push_back(inv.caseNumber);
  }
  WarnOfDiscardedCases(*job, cases);
  const bool loads = inv.command == Command::kLoads;
  const ComponentKind& kind = !loads                                  ? kDisplacementComponents
                              : inv.unrounded || inv.units.scaled ? kUnroundedLoadComponents
                                                                  : kLoadComponents;
  const std::vector<bool> inJob = NodesInJob(*job, inv.nodes);
  int status = kExitSuccess;
  std::set<int> toldNoRestraint;
  Grid grid = ComponentGrid(kind);
  std::vector<Json> documentCases;
  try {
    for (int k : cases) {
      const api::LoadCase& c = job->Case(k);
      const std::string label = Windows1252ToUtf8(c.label);
      Json rows = Json::array();
      for (std::size_t i = 0; i < inv.nodes.size(); ++i) {
        const int node = inv.nodes[i];
        api::Components values{};
        const bool known = inJob[i];
        if (!known) {
          status = kExitNoSuchNode;
        } else if (loads) {
          try {
            values = job->LoadsAt(node, k, inv.unrounded ? api::Rounding::kNone : api::Rounding::kWhole);
          } catch (const api::Error& e) {
            if (e.cause() != api::Cause::kNoRestraint) throw;
            if (toldNoRestraint.insert(node).second) {
              PrintError(std::string(api::kNoRestraintText) + " (node " + std::to_string(node) + ")");
            }
            if (status == kExitSuccess) status = kExitNoRestraint;
            continue;
          }
        } else {
          values = job->DisplacementsAt(node, node, k)[0];
        }
        values = loads ? inv.units.Loads(values) : inv.units.Displacements(values);
        rows.push_back(ComponentObject(kind, node, values, loads ? nullptr : &known));
        grid.rows.push_back(ComponentRow(kind, k, node, values, label, known));
      }
      Json one = CaseObject(k, label, c.active, !c.offered, true);
      one["rows"] = std::move(rows);
      documentCases.push_back(std::move(one));
    }
  } catch (const api::Error&) {
    return ReportUnreadableOutput(files);
  }
  WriteCases(std::cout, inv.format, inv.job, files.outputFile, job->version(), documentCases, grid,
             loads ? inv.units.LoadNote() : inv.units.DisplacementNote());
  if (const int output = OutputStatus()) return output;
  return status;
}

}  // namespace viru4deduz::cli
