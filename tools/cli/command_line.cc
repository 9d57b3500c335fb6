#include "command_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iostream>
#include <map>
#include <optional>

#include <CLI/CLI.hpp>

#include "cli_user_interface.h"
#include "exit_status.h"
#include "spelling.h"

namespace viru4deduz::cli {
namespace {

constexpr char kDescription[] =
    "viru4deduz: support loads and node displacements of a pipe stress job, read\n"
    "from the analysis output file by the code a host calls in the VirU4Deduz module.";

constexpr char kJobHelp[] = "the job file NAME.x4; NAME._p beside it is read";

constexpr char kUnitsNote[] =
    "Values are written in the units in which the output file stores them, as the module returns "
    "them: nothing is converted. The file does not name its units: they are those the analysis was "
    "set to write (its output settings), and a table says so in its header line; --scale-force, "
    "--scale-moment, --scale-length and --unit-labels give another unit system. "
    "Loads are three forces and three moments (FX FY FZ MX MY MZ), "
    "summed over the restraint entries at the node and rounded to whole numbers; displacements are "
    "three translations and three rotations (DX DY DZ RX RY RZ), the rotations in degrees. Tables "
    "show displacements to 3 decimals and rotations to 4; JSON and CSV give every value in full.";

constexpr char kCaseNote[] =
    "A case number K counts every load case of the job from the first, the skipped leading cases "
    "included ('viru4deduz cases JOB' lists them). Without --case the case is chosen in the "
    "module's selection dialog when standard input is a terminal; otherwise --case is required.";

constexpr char kWorkAreaNote[] =
    "A host reads only jobs whose results fit the work area that the setting \"XMS Memory "
    "Allocated\" gives it; the command reads any job, and 'viru4deduz inspect JOB' tells the work "
    "area a host needs for it. The command reads the module's settings and never writes them, nor "
    "the chain file the module leaves after a failed read.";

constexpr char kSubcommandFooter[] = "Units, case numbers and exit statuses: viru4deduz --help";

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

// The help with each subcommand's usage line written out, shorter than the formatter's own.
class Help final : public CLI::Formatter {
 public:
  std::map<std::string, std::string> usage;
  std::string make_usage(const CLI::App* app, std::string name) const override {
    const auto found = usage.find(app->get_name());
    if (found == usage.end()) return CLI::Formatter::make_usage(app, std::move(name));
    return "Usage: viru4deduz " + app->get_name() + " " + found->second + "\n";
  }
};

// The options of a subcommand as given: values kept as text, checked after the parse in the
// order that names the first thing wrong.
struct Given {
  CLI::App* app = nullptr;
  Command command = Command::kLoads;
  std::string job;
  std::vector<std::string> nodes;
  std::string caseText;
  CLI::Option* nodeOption = nullptr;
  CLI::Option* caseOption = nullptr;
  CLI::Option* allCases = nullptr;
  std::string casesText, typesText;  // envelope's lists, as given
  std::string otherJob;              // compare's second job
  std::string thresholdText;
  CLI::Option* thresholdOption = nullptr;
  std::string xlsx;
  CLI::Option* xlsxOption = nullptr;
  std::string scaleText[3], labelsText;  // --scale-force, --scale-moment, --scale-length, --unit-labels
  CLI::Option* scaleOptions[3] = {};
  CLI::Option* labelsOption = nullptr;
  CLI::Option* casesOption = nullptr;
  CLI::Option* typesOption = nullptr;
  CLI::Option* formats[3] = {};  // --table, --json, --csv
};

CLI::App* AddSubcommand(CLI::App& app, std::vector<Given>& subs, const char* name, Command command,
                        const char* description) {
  Given& given = subs.emplace_back();
  given.app = app.add_subcommand(name, description);
  given.command = command;
  given.app->allow_extras();
  given.app->footer(kSubcommandFooter);
  given.app->add_option("JOB", given.job, kJobHelp)->type_name("");
  return given.app;
}

void AddNode(Given& given, const char* description) {
  given.nodeOption = given.app->add_option("--node", given.nodes, description)
                         ->type_name("N")
                         ->expected(1)
                         ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void AddCase(Given& given) {
  given.caseOption =
      given.app->add_option("--case", given.caseText, "the load case K (1: the job's first)")->type_name("K");
}

void AddFormats(Given& given) {
  given.formats[0] = given.app->add_flag("--table")->description("an aligned table (the default)");
  given.formats[1] = given.app->add_flag("--json")->description("one JSON document");
  given.formats[2] = given.app->add_flag("--csv")->description("comma-separated values, a header line first");
}

// A decimal integer and nothing else: no sign but '-', no base prefix, no blanks.
std::optional<int> DecimalInteger(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The items of a comma-separated list, blanks around them taken off; none for an empty text.
std::vector<std::string> ListItems(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const std::size_t end = std::min(text.find(',', start), text.size());
    std::string item = text.substr(start, end - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    items.push_back(item);
    start = end + 1;
  }
  return items;
}

constexpr const char* kStressTypes[] = {"OPE", "SUS", "EXP", "OCC", "HGR", "FAT", "HYD"};

// " (did you mean 'x'?)" for the one candidate one edit away from word, or "".
std::string DidYouMean(const std::string& word, const std::vector<std::string>& candidates) {
  std::vector<std::string> near;
  for (const std::string& c : candidates) {
    if (OneEditAway(word, c)) near.push_back(c);
  }
  return near.size() == 1 ? ": did you mean '" + near.front() + "'?" : "";
}

// The first thing wrong with the subcommand's line, or "" when nothing is.
std::string Check(const Given& given, Invocation& inv) {
  if (const std::vector<std::string> extras = given.app->remaining(); !extras.empty()) {
    const std::string& extra = extras.front();
    if (!extra.starts_with("-")) return "unexpected argument '" + extra + "'";
    const std::string option = extra.substr(0, extra.find('='));
    std::vector<std::string> names;
    for (const CLI::Option* known : given.app->get_options()) {
      for (const std::string& name : known->get_lnames()) names.push_back("--" + name);
    }
    return "unknown option " + option + DidYouMean(option, names);
  }
  if (given.job.empty() && given.app->count("JOB") == 0) return "JOB is required";
  if (given.command == Command::kCompare) {
    if (given.otherJob.empty()) return "a second job, B, is required";
    inv.otherJob = given.otherJob;
  }
  if (given.thresholdOption != nullptr && given.thresholdOption->count() > 0) {
    std::string text = given.thresholdText;
    inv.thresholdPercent = text.ends_with('%');
    if (inv.thresholdPercent) text.pop_back();
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size() || !(value >= 0.0)) {
      return "--threshold '" + given.thresholdText + "' is not a change (100, or 5% of the first job's value)";
    }
    inv.thresholdGiven = true;
    inv.threshold = value;
  }
  if (given.nodeOption != nullptr) {
    if (given.nodes.empty()) return "--node is required";
    for (const std::string& text : given.nodes) {
      const std::optional<int> node = DecimalInteger(text);
      if (!node) return "--node '" + text + "' is not a node number (decimal digits)";
      inv.nodes.push_back(*node);
    }
  }
  if (given.caseOption != nullptr && given.caseOption->count() > 0) {
    const std::optional<int> k = DecimalInteger(given.caseText);
    if (!k) return "--case '" + given.caseText + "' is not a load case number (decimal digits)";
    if (*k < 1) return "--case " + given.caseText + " is not a load case: cases are numbered from 1";
    inv.caseNumber = *k;
  }
  if (given.casesOption != nullptr && given.casesOption->count() > 0) {
    for (const std::string& item : ListItems(given.casesText)) {
      const std::optional<int> k = DecimalInteger(item);
      if (!k || *k < 1) return "--cases '" + given.casesText + "' is not a list of load case numbers (1,3,5)";
      inv.cases.push_back(*k);
    }
    if (inv.cases.empty()) return "--cases names no load case";
  }
  if (given.typesOption != nullptr && given.typesOption->count() > 0) {
    for (std::string item : ListItems(given.typesText)) {
      for (char& c : item) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (std::find(std::begin(kStressTypes), std::end(kStressTypes), item) == std::end(kStressTypes)) {
        return "--type '" + item + "' is not a stress type (OPE, SUS, EXP, OCC, HGR, FAT, HYD)";
      }
      inv.stressTypes.push_back(item);
    }
    if (inv.stressTypes.empty()) return "--type names no stress type";
  }
  if (given.allCases != nullptr && given.allCases->count() > 0 && inv.caseNumber != 0) {
    return "--case and --all-cases exclude each other";
  }
  if (given.xlsxOption != nullptr && given.xlsxOption->count() > 0) {
    if (given.xlsx.empty()) return "--xlsx needs a file name";
    inv.xlsx = given.xlsx;
  }
  static constexpr const char* kScaleNames[3] = {"--scale-force", "--scale-moment", "--scale-length"};
  double* const factors[3] = {&inv.units.force, &inv.units.moment, &inv.units.length};
  for (int f = 0; f < 3; ++f) {
    if (given.scaleOptions[f] == nullptr || given.scaleOptions[f]->count() == 0) continue;
    const std::string& text = given.scaleText[f];
    double value = 0.0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size() || !(value > 0.0) ||
        !(value < 1e30)) {
      return std::string(kScaleNames[f]) + " '" + text + "' is not a factor (a number above 0, such as 0.001)";
    }
    *factors[f] = value;
    inv.units.scaled = true;
  }
  if (given.labelsOption != nullptr && given.labelsOption->count() > 0) {
    const std::vector<std::string> labels = ListItems(given.labelsText);
    if (labels.size() != 3) return "--unit-labels '" + given.labelsText + "' is not FORCE,MOMENT,LENGTH (kN,kN.m,mm)";
    inv.units.forceLabel = labels[0];
    inv.units.momentLabel = labels[1];
    inv.units.lengthLabel = labels[2];
    inv.units.scaled = true;
  }
  int formats = 0;
  for (std::size_t f = 0; f < 3; ++f) {
    if (given.formats[f]->count() == 0) continue;
    ++formats;
    inv.format = f == 1 ? Format::kJson : f == 2 ? Format::kCsv : Format::kTable;
  }
  if (formats > 1) return "--table, --json and --csv exclude each other";
  if (formats > 0 && !inv.xlsx.empty()) return "--xlsx writes a workbook instead of --table, --json or --csv";
  return "";
}

}  // namespace

std::variant<Invocation, int> ParseCommandLine(int argc, const char* const* argv) {
  Invocation inv;
  CLI::App app(kDescription, "viru4deduz");
  auto help = std::make_shared<Help>();
  help->column_width(26);
  app.formatter(help);
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("viru4deduz ") + VIRU4DEDUZ_CLI_VERSION);
  app.footer(Footer({kUnitsNote, kCaseNote, kWorkAreaNote, kExitStatusNote}));

  std::vector<Given> subs;
  subs.reserve(8);  // the options point into them
  AddSubcommand(app, subs, "loads", Command::kLoads, "the summed, rounded loads at one node");
  AddNode(subs.back(), "the node N (given again: more nodes)");
  AddCase(subs.back());
  subs.back().allCases = subs.back().app->add_flag("--all-cases", inv.allCases, "every case the file stores results of");
  help->usage["loads"] = "JOB --node N... [--case K | --all-cases]";

  AddSubcommand(app, subs, "displacements", Command::kDisplacements,
                "the displacements of one or two nodes");
  AddNode(subs.back(), "node A (given again: more nodes)");
  AddCase(subs.back());
  subs.back().allCases = subs.back().app->add_flag("--all-cases", inv.allCases, "every case the file stores results of");
  help->usage["displacements"] = "JOB --node A... [--case K | --all-cases]";

  AddSubcommand(app, subs, "cases", Command::kCases, "every load case of the job and its label");
  help->usage["cases"] = "JOB";

  AddSubcommand(app, subs, "nodes", Command::kNodes, "every node of the job, its supports marked");
  help->usage["nodes"] = "JOB";

  CLI::App* supports = AddSubcommand(app, subs, "supports", Command::kSupports,
                                     "the loads at every restraint node, in one pass");
  AddCase(subs.back());
  subs.back().allCases = supports->add_flag("--all-cases", inv.allCases, "every case the file stores results of");
  help->usage["supports"] = "JOB [--case K | --all-cases]";

  AddSubcommand(app, subs, "inspect", Command::kInspect,
                "what an output file holds, and what is wrong with it");
  help->usage["inspect"] = "JOB";

  CLI::App* envelope = AddSubcommand(app, subs, "envelope", Command::kEnvelope,
                                     "each support's largest, smallest loads");
  subs.back().casesOption = envelope->add_option("--cases", subs.back().casesText,
                                                 "these cases (1,3,5), not every active one")
                                ->type_name("LIST");
  subs.back().typesOption = envelope->add_option("--type", subs.back().typesText,
                                                 "only cases of these stress types (OPE,SUS,...)")
                                ->type_name("LIST");
  envelope->add_flag("--include-inactive", inv.includeInactive, "discarded cases too");
  help->usage["envelope"] = "JOB [--cases LIST] [--type LIST] [--include-inactive]";

  CLI::App* compare = AddSubcommand(app, subs, "compare", Command::kCompare,
                                    "the support loads of two jobs side by side");
  compare->add_option("B", subs.back().otherJob, "the job to compare JOB with")->type_name("");
  AddCase(subs.back());
  subs.back().allCases = compare->add_flag("--all-cases", inv.allCases, "every case either job stores (the default)");
  subs.back().thresholdOption =
      compare->add_option("--threshold", subs.back().thresholdText, "only changes this large (100, or 5%)")
          ->type_name("VALUE");
  help->usage["compare"] = "JOB B [--case K | --all-cases] [--threshold VALUE[%]]";
  for (Given& given : subs) {
    AddFormats(given);
    if (given.command == Command::kLoads || given.command == Command::kSupports ||
        given.command == Command::kEnvelope || given.command == Command::kCompare) {
      given.app->add_flag("--unrounded", inv.unrounded, "the loads' sums before the module's rounding");
    }
    if (given.command == Command::kLoads || given.command == Command::kDisplacements ||
        given.command == Command::kSupports || given.command == Command::kEnvelope ||
        given.command == Command::kCompare) {
      const char* const names[3] = {"--scale-force", "--scale-moment", "--scale-length"};
      const char* const helps[3] = {"multiply forces by F (another unit)", "multiply moments by F",
                                    "multiply translations by F"};
      for (int f = 0; f < 3; ++f) {
        given.scaleOptions[f] = given.app->add_option(names[f], given.scaleText[f], helps[f])->type_name("F");
      }
      given.labelsOption = given.app->add_option("--unit-labels", given.labelsText, "the units' names: FORCE,MOMENT,LENGTH")
                               ->type_name("LIST");
    }
    if (given.command == Command::kSupports || given.command == Command::kEnvelope ||
        given.command == Command::kCompare) {
      given.xlsxOption = given.app->add_option("--xlsx", given.xlsx, "an Excel workbook, written to FILE")
                             ->type_name("FILE");
    }
  }

  // A first word that names no subcommand would otherwise be reported as a missing subcommand.
  const auto isSubcommand = [&](const std::string& word) {
    return std::any_of(subs.begin(), subs.end(), [&](const Given& g) { return g.app->get_name() == word; });
  };
  if (argc > 1 && argv[1][0] != '-' && !isSubcommand(argv[1])) {
    std::vector<std::string> names;
    for (const Given& g : subs) names.push_back(g.app->get_name());
    const std::string near = DidYouMean(argv[1], names);
    PrintError(std::string("'") + argv[1] + "' is not a subcommand" +
               (near.empty() ? ": use loads, displacements, cases, nodes, supports, envelope, compare or inspect" : near) +
               " (try 'viru4deduz --help')");
    return kExitUsage;
  }
  std::string where = "viru4deduz";
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (dynamic_cast<const CLI::CallForVersion*>(&error) != nullptr) {
      std::cout << error.what() << '\n';
      return kExitSuccess;
    }
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    for (const Given& given : subs) {
      if (given.app->parsed()) where += " " + given.app->get_name();
    }
    PrintError(std::string(error.what()) + " (try '" + where + " --help')");
    return kExitUsage;
  }

  for (const Given& given : subs) {
    if (!given.app->parsed()) continue;
    inv.command = given.command;
    inv.commandName = given.app->get_name();
    inv.job = given.job;
    if (const std::string wrong = Check(given, inv); !wrong.empty()) {
      PrintError(inv.commandName + ": " + wrong + " (try 'viru4deduz " + inv.commandName + " --help')");
      return kExitUsage;
    }
  }
  return inv;
}

}  // namespace viru4deduz::cli
