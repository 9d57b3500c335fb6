// viru4deduz, run as a user runs it: arguments in; standard output, standard error and the exit
// status out; on files of the project's writer for several versions. Its numbers are checked
// against GetLoads calls of the loaded module, bit for bit, and its selection dialog is driven
// through a real pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "common/fixed_text.h"
#include "outfile/control_data.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

// Keys in the order written and reals read as the single-precision numbers they were written from.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;
constexpr unsigned kChildSeconds = 60;  // no child outlives this, whatever it waits for

// The CLI beside this test binary: build/tests/viru4deduz_tests -> build/tools/cli/viru4deduz.
std::string CliPath() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
          "tools/cli/viru4deduz").string();
}

std::vector<char*> Argv(const std::string& program, std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

struct CliRun {
  std::string out, err;
  int status = -1;  // the exit status, or -1 when a signal ended the process
  int signal = 0;
};

// The job a test works on, with a harmonic case and a skipped one: its labels are
// "CASE 1 (OPE) W+2.5T1+P1" (skipped), "CASE 2 (SUS) W+D1", "CASE 3 (EXP) L3=L1-L2" and
// "CASE 4 (OCC)  10.0000 Hz   0.00 Ø".
writer::OutputJob LabelledJob(std::int32_t version) {
  writer::OutputJob job = RichJob(version);
  if (version < 1400) return job;  // older layouts have no harmonic cases
  job.skippedCaseCount = 1;
  const double reals[2] = {10.0, 0.0};
  std::int32_t words[4];
  std::memcpy(words, reals, sizeof words);
  job.codes.pop_back();
  job.codes.insert(job.codes.end(), {-5, words[0], words[1], words[2], words[3], -999});
  job.options[{4, 2}] = 3;
  job.options[{4, 3}] = 0;
  job.loads.push_back(job.loads[1]);
  job.displacements.push_back(job.displacements[1]);
  return job;
}

class CliTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_TRUE(std::filesystem::exists(CliPath())) << "the CLI is not built: " << CliPath();
  }

  // Runs the CLI with standard input from /dev/null, in the test's directory and settings.
  CliRun Cli(std::vector<std::string> args) {
    const std::string program = CliPath();
    const std::vector<char*> argv = Argv(program, args);
    const std::string outPath = dir_ / "cli.out";
    const std::string errPath = dir_ / "cli.err";
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(kChildSeconds);
      const int in = open("/dev/null", O_RDONLY);
      const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    CliRun run;
    int wstatus = 0;
    if (pid < 0 || waitpid(pid, &wstatus, 0) != pid) return run;
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    run.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
  }

  // One GetLoads call through the loaded module.
  Request Ask(const std::string& job, int mode, int nodeA, int nodeB, int caseNumber) {
    Request r(job, mode, nodeA, nodeB, caseNumber);
    r.Run(module_.getLoads);
    return r;
  }
};

// The rows a command printed (CASE, NODE, six values), from whichever format it wrote.
struct Row {
  int caseNumber, node;
  std::array<float, 6> values;
};

std::vector<Row> ParseRows(const std::string& format, const std::string& out) {
  std::vector<Row> rows;
  std::istringstream lines(out);
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    if (format == "--csv") std::replace(line.begin(), line.end(), ',', ' ');
    std::istringstream fields(line);
    Row row{};
    std::string value;
    fields >> row.caseNumber >> row.node;
    for (float& v : row.values) {
      fields >> value;
      v = std::strtof(value.c_str(), nullptr);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<Row> JsonRows(const Json& doc, const char* listKey) {
  std::vector<Row> rows;
  auto add = [&](int caseNumber, const Json& object) {
    Row row{caseNumber, object["node"].get<int>(), {}};
    std::size_t m = 0;  // the six components follow the node
    bool afterNode = false;
    for (const auto& [key, value] : object.items()) {
      if (afterNode && m < 6) row.values[m++] = value.get<float>();
      afterNode = afterNode || key == "node";
    }
    rows.push_back(row);
  };
  if (doc.contains("cases")) {
    for (const Json& c : doc["cases"]) {
      for (const Json& s : c[listKey]) add(c["case"].get<int>(), s);
    }
  } else if (doc.contains("nodes")) {
    for (const Json& n : doc["nodes"]) add(doc["case"].get<int>(), n);
  } else {
    add(doc["case"].get<int>(), doc);
  }
  return rows;
}

// The label GetLoads returned, as the CLI shows it: its one non-ASCII byte, 0xD8, in UTF-8.
std::string Utf8Label(const char* caseLabel) {
  std::string label = TrimmedText(caseLabel, 150);
  const std::size_t at = label.find('\xD8');
  return at == std::string::npos ? label : label.replace(at, 1, "\xC3\x98");
}

void ExpectSameBits(const std::array<float, 6>& printed, const Request& r, int set) {
  for (std::size_t m = 0; m < 6; ++m) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(printed[m]), std::bit_cast<std::uint32_t>(r.res[m][set]))
        << "component " << m + 1 << ": " << printed[m] << " vs " << r.res[m][set];
  }
}

// --- Every command in every format gives what GetLoads gives, for files of several versions.

class CliVersionTest : public CliTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(CliVersionTest, EveryFormatOfLoadsDisplacementsAndSupportsIsWhatGetLoadsReturns) {
  const std::string job = AddJob("rich", LabelledJob(GetParam()));
  const std::vector<std::vector<std::string>> commands = {
      {"loads", job, "--node", "20", "--case", "2"},
      {"displacements", job, "--node", "10", "--node", "700", "--case", "3"},
      {"displacements", job, "--node", "15", "--case", "1"},
      {"supports", job, "--case", "3"}};
  for (const auto& command : commands) {
    for (const std::string format : {"--table", "--csv", "--json"}) {
      std::vector<std::string> args = command;
      if (format != "--table") args.push_back(format);
      const CliRun run = Cli(args);
      ASSERT_EQ(run.status, 0) << command[0] << " " << format << ": " << run.err;
      EXPECT_EQ(run.err, "");
      const bool json = format == "--json";
      const std::vector<Row> rows = json ? JsonRows(Json::parse(run.out), "supports")
                                         : ParseRows(format, run.out);
      ASSERT_FALSE(rows.empty()) << run.out;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const int mode = command[0] == "displacements" ? 2 : 1;
        const Request r = Ask(job, mode, rows[i].node, rows[i].node, rows[i].caseNumber);
        ASSERT_EQ(r.status, 0);
        ExpectSameBits(rows[i].values, r, 0);
      }
      if (json) {
        EXPECT_EQ(Json::parse(run.out)["output_file"], dir_ / "rich._p");
      }
    }
  }
}

TEST_P(CliVersionTest, SupportsOfAllCasesAgreeWithOneGetLoadsCallPerNodeAndCase) {
  const writer::OutputJob written = LabelledJob(GetParam());
  const std::string job = AddJob("rich", written);
  const CliRun run = Cli({"supports", job, "--all-cases", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Json doc = Json::parse(run.out);
  const std::size_t cases = written.loads.size();
  ASSERT_EQ(doc["cases"].size(), cases);
  std::set<int> restraintNodes;
  for (const auto& entry : written.restraints) restraintNodes.insert(entry.node);
  for (const Json& c : doc["cases"]) {
    EXPECT_EQ(c["label"], Utf8Label(Ask(job, 1, 20, 0, c["case"].get<int>()).caseLabel));
    std::set<int> nodes;
    for (const Json& s : c["supports"]) nodes.insert(s["node"].get<int>());
    EXPECT_EQ(nodes, restraintNodes);
  }
  const std::vector<Row> rows = JsonRows(doc, "supports");
  EXPECT_EQ(rows.size(), cases * restraintNodes.size());
  for (const Row& row : rows) ExpectSameBits(row.values, Ask(job, 1, row.node, 0, row.caseNumber), 0);
}

TEST_P(CliVersionTest, InspectPlacesEveryTableWhereTheWriterPutItAndFindsNothingWrong) {
  writer::FileMap map;
  const std::string bytes = writer::WriteOutputFile(LabelledJob(GetParam()), &map);
  WriteFile(dir_ / "rich._p", bytes);
  const CliRun run = Cli({"inspect", dir_ / "rich.x4", "--json"});
  ASSERT_EQ(run.status, 0) << run.out;
  const Json doc = Json::parse(run.out);
  EXPECT_EQ(doc["problems"], Json::array());
  EXPECT_EQ(doc["records"], map.records);
  std::map<std::string, std::pair<int, int>> parts;
  for (const Json& part : doc["layout"]) {
    parts[part["part"].get<std::string>()] = {part["first_record"].get<int>(), part["last_record"].get<int>()};
  }
  EXPECT_EQ(parts["case names"], std::make_pair(map.namesFirst, map.namesLast));
  EXPECT_EQ(parts["results: nodes, restraint entries, hangers"].first, map.resultsFirst);
  EXPECT_EQ(parts["results: loads and displacements"].second, map.resultsLast);
  EXPECT_EQ(doc["layout"][1]["first_record"], map.tablesFirst);
  EXPECT_EQ(parts.count("case extra table") == 1 ? parts["case extra table"] : std::make_pair(0, 0),
            std::make_pair(map.extraFirst, map.extraLast));
  EXPECT_EQ(parts.count("case blocks") == 1 ? parts["case blocks"] : std::make_pair(0, 0),
            std::make_pair(map.caseBlocksFirst, map.caseBlocksLast));
}

INSTANTIATE_TEST_SUITE_P(Versions, CliVersionTest, ::testing::ValuesIn(kVersions));

// --- Cases, labels in UTF-8, and the three formats of inspect.

TEST_F(CliTest, CasesListsEveryLabelInUtf8WithTheSkippedCaseMarked) {
  const std::string job = AddJob("rich", LabelledJob(1531));
  const CliRun table = Cli({"cases", job});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_EQ(table.out,
            "CASE  SKIPPED  RESULTS  LABEL\n"
            "   1  yes      yes      CASE 1 (OPE) W+2.5T1+P1\n"
            "   2  no       yes      CASE 2 (SUS) W+D1\n"
            "   3  no       yes      CASE 3 (EXP) L3=L1-L2\n"
            "   4  no       yes      CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98\n");
  const CliRun csv = Cli({"cases", job, "--csv"});
  EXPECT_NE(csv.out.find("\n4,false,true,CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98\n"), std::string::npos);
  const Json doc = Json::parse(Cli({"cases", job, "--json"}).out);
  EXPECT_EQ(doc["version"], 1531);
  EXPECT_EQ(doc["skipped_cases"], 1);
  EXPECT_EQ(doc["cases"][0], Json({{"case", 1}, {"label", "CASE 1 (OPE) W+2.5T1+P1"}, {"skipped", true}, {"results", true}}));
}

TEST_F(CliTest, InspectWritesTableCsvAndJson) {
  const std::string job = AddJob("small", SmallJob(1430));
  const CliRun table = Cli({"inspect", job});
  EXPECT_EQ(table.status, 0);
  for (const char* text : {"Version      1430 (the module reads it)", "  12  nodeCount              3",
                           "case codes                                      2    48       47", "Problems: none"}) {
    EXPECT_NE(table.out.find(text), std::string::npos) << text << "\n" << table.out;
  }
  const CliRun csv = Cli({"inspect", job, "--csv"});
  EXPECT_EQ(csv.status, 0);
  EXPECT_NE(csv.out.find("control,item 12 nodeCount,3,,\n"), std::string::npos) << csv.out;
  EXPECT_NE(csv.out.find("layout,case codes,,2,48\n"), std::string::npos);
  EXPECT_EQ(Json::parse(Cli({"inspect", job, "--json"}).out)["control_items"][11],
            Json({{"item", 12}, {"name", "nodeCount"}, {"value", 3}}));
}

TEST_F(CliTest, InspectShowsControlCharactersOfTheControlTextAsEscapes) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1530));
  const std::string text = "TITLE\x1b[2J\x07\x7f END \x9c";  // 0x9C is "\xC5\x93" (oe) in UTF-8
  bytes.replace(ControlItemOffset(8), text.size(), text);
  WriteFile(dir_ / "escape._p", bytes);
  for (const char* format : {"--table", "--csv", "--json"}) {
    const CliRun run = Cli({"inspect", dir_ / "escape.x4", format});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find_first_of(std::string("\x1b\x07\x7f")), std::string::npos) << format << "\n" << run.out;
    if (format[2] != 'j') {
      EXPECT_NE(run.out.find("TITLE\\x1b[2J\\x07\\x7f END \xC5\x93"), std::string::npos) << run.out;
    } else {
      EXPECT_EQ(Json::parse(run.out)["control_items"][7]["value"], "TITLE\x1b[2J\x07\x7f END \xC5\x93");
    }
  }
}

// --- Exit statuses and messages.

TEST_F(CliTest, ExitStatusesAndMessages) {
  const std::string job = AddJob("rich", RichJob(1530));
  WriteFile(dir_ / "future._p", writer::WriteControlRecord(9999));
  const std::string whole = writer::WriteOutputFile(RichJob(1530));
  WriteFile(dir_ / "cut._p", whole.substr(0, whole.size() - 256));  // the last loads are missing
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* err;  // a text standard error must hold
  };
  const Case cases[] = {
      {{"loads", job, "--node", "20", "--case", "1"}, 0, ""},
      {{"--help"}, 0, ""},
      {{"--version"}, 0, ""},
      {{"supports", "--help"}, 0, ""},
      {{"loads", dir_ / "missing.x4", "--node", "20", "--case", "1"}, 1, "missing._p does not exist"},
      {{"loads", job, "--node", "20", "--case", "9"}, 1, "load case 9 has no results in the output file"},
      {{"displacements", job, "--node", "20", "--case", "4"}, 1, "load case 4 has no results in the output file"},
      {{"supports", job, "--case", "9"}, 1, "load case 9 has no results in the output file"},
      {{"cases", dir_ / "future.x4"}, 1, "No output available for this TALVOR job."},
      {{"supports", dir_ / "cut.x4", "--all-cases"}, 1, "No output available for this TALVOR job."},
      {{"loads", dir_ / "cut.x4", "--node", "20", "--case", "1"}, 1, "No output available for this TALVOR job."},
      {{"loads", job, "--node", "30", "--case", "1"}, 2, "No restraint found with this node number."},
      {{"loads", job, "--node", "20"}, 64, "use --case K"},
      {{"supports", job}, 64, "use --case K or --all-cases"},
      {{"supports", job, "--case", "1", "--all-cases"}, 64, "excludes"},
      {{"loads", job, "--case", "1"}, 64, "--node is required"},
      {{"loads", job, "--node", "20", "--case", "0"}, 64, "--case"},
      {{"displacements", job, "--node", "1", "--node", "2", "--node", "3", "--case", "1"}, 64, "more than twice"},
      {{"loads", job, "--node", "20", "--case", "1", "--json", "--csv"}, 64, "excludes"},
      {{"frobnicate"}, 64, "frobnicate"},
      {{}, 64, "subcommand"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    const std::string what = c.args.empty() ? "(no arguments)" : c.args[0] + " " + run.err;
    EXPECT_EQ(run.status, c.status) << what;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << what;
    EXPECT_TRUE(run.out.empty() || run.out.back() == '\n') << what;
    if (c.status != 0) {
      EXPECT_EQ(run.out, "") << what;
    }
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("viru4deduz: ", 0), 0u) << line;
  }
  EXPECT_NE(Cli({"loads", "--help"}).out.find("units in which the output file stores them"), std::string::npos);
}

TEST_F(CliTest, AWorkAreaTooSmallForTheJobEndsWithStatusTwoAsInAHost) {
  const std::string job = AddJob("rich", RichJob(1530));
  SetWorkAreaSize("7");
  EXPECT_EQ(Ask(job, 1, 20, 0, 1).status, 2);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"loads", job, "--node", "20", "--case", "1"},
                                               {"supports", job, "--all-cases"}}) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("\"XMS Memory Allocated\" gives 4"), std::string::npos) << run.err;
  }
}

// --- inspect on damaged files: it says what is wrong and never crashes.

TEST_F(CliTest, InspectTellsWhatIsWrongWithADamagedFileAndNeverCrashes) {
  writer::FileMap map;
  const std::string healthy = writer::WriteOutputFile(RichJob(1531), &map);
  writer::OutputJob lying = RichJob(1531);
  lying.itemOverrides[12] = 100000000;
  writer::OutputJob negative = RichJob(1211);
  negative.itemOverrides[15] = -3;
  struct Damage {
    std::string name, bytes;
    std::vector<std::string> problems;
  };
  std::vector<Damage> damages = {
      {"truncated", healthy.substr(0, static_cast<std::size_t>(map.resultsFirst) * 256 + 100),
       {"runs past the end of the file", "ends inside record",
        "reading the results block failed at record"}},
      {"lying", writer::WriteOutputFile(lying),
       {"lies beyond the end of the file", "the results were not read"}},
      {"negative", writer::WriteOutputFile(negative), {"(hangerCount) is -3"}},
      {"future", writer::WriteControlRecord(9999), {"version 9999 is not one the module reads"}},
      {"empty", "", {"shorter than its control record"}},
      {"tables only", healthy.substr(0, 700 * 256),
       {"reading the load case tables failed at record 701: record could not be read"}},
  };
  std::mt19937 random(20240611);
  for (int i = 0; i < 12; ++i) {
    std::string bytes(static_cast<std::size_t>(random() % 5000), '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    // Half of them behind a control record the module accepts, so that the readers go further.
    if (i % 2 == 1) bytes = healthy.substr(0, 256 * (1 + random() % 3000)) + bytes;
    damages.push_back({"random", bytes, {}});
  }
  for (const Damage& d : damages) {
    WriteFile(dir_ / "damaged._p", d.bytes);
    for (const char* format : {"--json", "--csv", "--table"}) {
      const CliRun run = Cli({"inspect", dir_ / "damaged.x4", format});
      ASSERT_EQ(run.signal, 0) << d.name;
      EXPECT_TRUE(run.status == 0 || run.status == 1) << d.name << " " << run.status;
      EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
      if (d.name == "random") continue;
      EXPECT_EQ(run.status, 1) << d.name;
      for (const std::string& problem : d.problems) {
        EXPECT_NE(run.out.find(problem), std::string::npos) << d.name << " " << format << "\n" << run.out;
      }
    }
    EXPECT_TRUE(Json::accept(Cli({"inspect", dir_ / "damaged.x4", "--json"}).out)) << d.name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x4chain.")) << "inspect leaves no chain file";
}

// --- The selection dialog on a real terminal.

// The CLI on a pseudo-terminal that is its controlling terminal, standard input and output.
class TerminalRun {
 public:
  explicit TerminalRun(std::vector<std::string> args) {
    const std::string program = CliPath();
    const std::vector<char*> argv = Argv(program, args);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      alarm(kChildSeconds);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;
  ~TerminalRun() {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  // Reads until text appears after what earlier calls consumed; false at the end of the output.
  bool ReadUntil(const std::string& text) {
    for (;;) {
      const std::size_t found = transcript_.find(text, consumed_);
      if (found != std::string::npos) {
        consumed_ = found + text.size();
        return true;
      }
      if (!ReadSome()) return false;
    }
  }
  void Type(const std::string& keys) { ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }
  // Reads to the end and returns the exit status.
  int Finish() {
    while (ReadSome()) {
    }
    int wstatus = 0;
    waitpid(pid_, &wstatus, 0);
    pid_ = -1;
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  }
  const std::string& transcript() const { return transcript_; }

 private:
  bool ReadSome() {
    pollfd fd{master_, POLLIN, 0};
    if (poll(&fd, 1, static_cast<int>(kChildSeconds) * 1000) <= 0) return false;
    char buffer[4096];
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got <= 0) return false;  // EIO once the child has closed the terminal
    transcript_.append(buffer, static_cast<std::size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int master_ = -1;
  std::string transcript_;
  std::size_t consumed_ = 0;
};

TEST_F(CliTest, TheSelectionDialogOnATerminalListsTheCasesInsistsOnAChoiceAndTakesIt) {
  const std::string job = AddJob("rich", LabelledJob(1530));
  TerminalRun terminal({"loads", job, "--node", "20", "--csv"});
  ASSERT_TRUE(terminal.ReadUntil("Load Case Selection")) << terminal.transcript();
  for (const char* entry : {"  1  CASE 2 (SUS) W+D1", "  2  CASE 3 (EXP) L3=L1-L2",
                            "  3  CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98"}) {
    ASSERT_TRUE(terminal.ReadUntil(entry)) << terminal.transcript();
  }
  EXPECT_EQ(terminal.transcript().find("CASE 1 (OPE)"), std::string::npos) << "a skipped case is offered";
  ASSERT_TRUE(terminal.ReadUntil("Number (1-3)"));
  terminal.Type("\n");
  ASSERT_TRUE(terminal.ReadUntil("Sorry, you can not use [OK] until a load case is selected."))
      << terminal.transcript();
  terminal.Type("2\n");
  EXPECT_EQ(terminal.Finish(), 0) << terminal.transcript();
  const std::string& transcript = terminal.transcript();
  const std::size_t header = transcript.find("CASE,NODE,FX,FY,FZ,MX,MY,MZ,LABEL\r\n");
  ASSERT_NE(header, std::string::npos) << transcript;
  const std::string rest = transcript.substr(header + 35);
  const std::vector<Row> rows = ParseRows("--csv", "\n" + rest.substr(0, rest.find('\r')));
  ASSERT_EQ(rows.size(), 1u) << rest;
  EXPECT_EQ(rows[0].caseNumber, 3);
  ExpectSameBits(rows[0].values, Ask(job, 1, 20, 0, 3), 0);
}

TEST_F(CliTest, EndOfInputInTheSelectionDialogCancels) {
  const std::string job = AddJob("rich", LabelledJob(1530));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"loads", job, "--node", "20"},
                                               {"displacements", job, "--node", "20"},
                                               {"supports", job}}) {
    TerminalRun terminal(args);
    ASSERT_TRUE(terminal.ReadUntil("Number (1-3)")) << args[0] << terminal.transcript();
    terminal.Type("\x04");  // Ctrl-D
    EXPECT_EQ(terminal.Finish(), 1) << args[0];
    EXPECT_NE(terminal.transcript().find("viru4deduz: no load case chosen"), std::string::npos)
        << terminal.transcript();
  }
}

}  // namespace
}  // namespace viru4deduz::testing
