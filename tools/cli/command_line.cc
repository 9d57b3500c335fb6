#include "command_line.h"

#include <algorithm>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli_user_interface.h"
#include "exit_status.h"

namespace viru4deduz::cli {
namespace {

constexpr int kMaxCaseNumber = 1150;  // the module's label table

constexpr char kDescription[] =
    "viru4deduz: support loads and node displacements of a pipe stress job, read from the "
    "analysis output file by the same code a host program calls through the VirU4Deduz module.";

constexpr char kJobHelp[] =
    "the job file (NAME.x4, or NAME._p of older jobs); the output file NAME._p beside it is read, "
    "its name matched without regard to case, as the module finds it";

constexpr char kUnitsNote[] =
    "Values are written in the units in which the output file stores them, as the module returns "
    "them: nothing is converted. Loads are three forces and three moments (FX FY FZ MX MY MZ), "
    "summed over the restraint entries at the node and rounded to whole numbers; displacements are "
    "three translations and three rotations (DX DY DZ RX RY RZ), the rotations in degrees.";

constexpr char kCaseNote[] =
    "A case number K counts every load case of the job from the first, the skipped leading cases "
    "included ('viru4deduz cases JOB' lists them). Without --case the case is chosen in the "
    "module's selection dialog when standard input is a terminal; otherwise --case is required.";

constexpr char kWorkAreaNote[] =
    "Like a host, the command sizes its work area from the setting \"XMS Memory Allocated\" "
    "(bytes, default 12000000, written on first use), the file 'XMS Memory Allocated.value' in "
    "${XDG_CONFIG_HOME:-$HOME/.config}/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings/; a job "
    "whose results do not fit ends with status 2, as it does in a host. Write a larger number of "
    "bytes into that file to read larger jobs.";

constexpr char kExitNote[] =
    "Exit status: 0 results written; 1 no result (no output file, unreadable output, a case "
    "without results, the selection cancelled); 2 no restraint at the node, or a work area too "
    "small for the job; 64 usage error. Messages go to standard error, one line each.";

// The notes as paragraphs, each wrapped at 78 columns (the help formatter wraps nothing).
std::string Footer(std::initializer_list<const char*> notes) {
  constexpr std::size_t kWidth = 78;
  std::string footer;
  for (const std::string note : notes) {
    if (!footer.empty()) footer += "\n\n";
    std::size_t lineStart = footer.size();
    std::size_t start = 0;
    while (start < note.size()) {
      std::size_t end = note.find(' ', start);
      if (end == std::string::npos) end = note.size();
      const std::string word = note.substr(start, end - start);
      if (footer.size() > lineStart && footer.size() - lineStart + 1 + word.size() > kWidth) {
        footer += '\n';
        lineStart = footer.size();
      } else if (footer.size() > lineStart) {
        footer += ' ';
      }
      footer += word;
      start = end + 1;
    }
  }
  return footer;
}

struct FormatFlags {
  CLI::Option* table;
  CLI::Option* json;
  CLI::Option* csv;
};

FormatFlags AddFormatFlags(CLI::App& sub) {
  FormatFlags flags{sub.add_flag("--table")->description("write an aligned table (the default)"),
                    sub.add_flag("--json")->description("write one JSON document"),
                    sub.add_flag("--csv")->description("write comma-separated values with a header line")};
  flags.table->excludes(flags.json)->excludes(flags.csv);
  flags.json->excludes(flags.csv);
  return flags;
}

CLI::Option* AddCase(CLI::App& sub, Invocation& inv) {
  return sub.add_option("--case", inv.caseNumber, "the load case number K (1 = the job's first case)")
      ->type_name("K")
      ->check(CLI::Range(1, kMaxCaseNumber));
}

}  // namespace

std::variant<Invocation, int> ParseCommandLine(int argc, const char* const* argv) {
  Invocation inv;
  int nodeA = 0;
  CLI::App app(kDescription, "viru4deduz");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("viru4deduz ") + VIRU4DEDUZ_CLI_VERSION);
  const std::string requestFooter = Footer({kUnitsNote, kCaseNote, kWorkAreaNote, kExitNote});
  app.footer(requestFooter);
  app.get_formatter()->column_width(26);

  struct Sub {
    CLI::App* app;
    Command command;
    FormatFlags flags;
  };
  std::vector<Sub> subs;

  CLI::App* loads = app.add_subcommand(
      "loads", "the summed, rounded loads at one node for one load case, as GetLoads returns them");
  loads->add_option("JOB", inv.job, kJobHelp)->required();
  loads->add_option("--node", nodeA, "the node N")->type_name("N")->required();
  AddCase(*loads, inv);
  loads->footer(requestFooter);
  subs.push_back({loads, Command::kLoads, AddFormatFlags(*loads)});

  CLI::App* displacements = app.add_subcommand(
      "displacements", "the displacements of one or two nodes for one load case");
  displacements->add_option("JOB", inv.job, kJobHelp)->required();
  displacements->add_option("--node", inv.nodes, "node A, and with a second --node node B")
      ->type_name("N")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->required();
  AddCase(*displacements, inv);
  displacements->footer(requestFooter);
  subs.push_back({displacements, Command::kDisplacements, AddFormatFlags(*displacements)});

  CLI::App* cases = app.add_subcommand(
      "cases", "every load case with its number and label; the skipped leading cases are marked");
  cases->add_option("JOB", inv.job, kJobHelp)->required();
  cases->footer(Footer({"Labels are shown in UTF-8. RESULTS tells whether the file stores the "
                        "case's results.",
                        kExitNote}));
  subs.push_back({cases, Command::kCases, AddFormatFlags(*cases)});

  CLI::App* supports = app.add_subcommand(
      "supports",
      "the loads at every restraint node, for one load case or all, in one pass over the file");
  supports->add_option("JOB", inv.job, kJobHelp)->required();
  CLI::Option* supportCase = AddCase(*supports, inv);
  CLI::Option* allCases =
      supports->add_flag("--all-cases", inv.allCases, "every load case whose results the file stores");
  allCases->excludes(supportCase);
  supports->footer(Footer({"Each row agrees bit for bit with a GetLoads call for that node and "
                           "case; the file is read once for all of them.",
                           kUnitsNote, kCaseNote, kWorkAreaNote, kExitNote}));
  subs.push_back({supports, Command::kSupports, AddFormatFlags(*supports)});

  CLI::App* inspect = app.add_subcommand(
      "inspect", "what an output file holds and where, and what is wrong with a damaged one");
  inspect->add_option("JOB", inv.job, kJobHelp)->required();
  inspect->footer(Footer(
      {"Shows the version, the control items, the counts, the records each table occupies "
       "(computed from the version's layout and the control items) and every problem found: a "
       "version the module does not read, counts that cannot be true or do not fit the file, a "
       "truncated file, and each read that failed when the module's readers went through it. "
       "Nothing is written, not even the module's chain file or its settings.",
       "Exit status: 0 the module can read the file; 1 it cannot, or there is no output file; 64 "
       "usage error."}));
  subs.push_back({inspect, Command::kInspect, AddFormatFlags(*inspect)});

  // A first word that names no subcommand would otherwise be reported as a missing subcommand.
  const auto isSubcommand = [&](const std::string& word) {
    return std::any_of(subs.begin(), subs.end(), [&](const Sub& sub) { return sub.app->get_name() == word; });
  };
  if (argc > 1 && argv[1][0] != '-' && !isSubcommand(argv[1])) {
    PrintError(std::string("'") + argv[1] +
               "' is not a subcommand: use loads, displacements, cases, supports or inspect "
               "(try 'viru4deduz --help')");
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (dynamic_cast<const CLI::CallForVersion*>(&error) != nullptr) {
      std::cout << error.what() << '\n';
      return kExitSuccess;
    }
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    std::string where = "viru4deduz";
    for (const Sub& sub : subs) {
      if (sub.app->parsed()) where += " " + sub.app->get_name();
    }
    PrintError(std::string(error.what()) + " (try '" + where + " --help')");
    return kExitUsage;
  }

  for (const Sub& sub : subs) {
    if (!sub.app->parsed()) continue;
    inv.command = sub.command;
    inv.commandName = sub.app->get_name();
    if (sub.flags.json->count() > 0) inv.format = Format::kJson;
    if (sub.flags.csv->count() > 0) inv.format = Format::kCsv;
  }
  if (inv.command == Command::kLoads) inv.nodes = {nodeA};
  if (inv.nodes.size() > 2) {
    PrintError(inv.commandName + ": --node is given more than twice (try 'viru4deduz " +
               inv.commandName + " --help')");
    return kExitUsage;
  }
  return inv;
}

}  // namespace viru4deduz::cli
