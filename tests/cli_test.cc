// viru4deduz run as a user runs it, its numbers checked bit for bit against the loaded module's GetLoads.
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <variant>

#include <nlohmann/json.hpp>

#include "outfile/control_data.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

// Keys in the order written, reals read as the single-precision numbers they were written from.
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                  std::uint64_t, float>;
using Args = std::vector<std::string>;

// The built command with its arguments, for sh, run by runner if one is given.
std::string Command(const Args& args, const std::string& runner = "") {
  std::string command = "exec " + runner + "'" + VIRU4DEDUZ_CLI_PATH + "'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  return command;
}

struct CliRun { int status = -1; std::string out, err; };  // status -1: a signal ended it

// Runs the command in the current directory, standard input from /dev/null, standard output to
// cli.out unless sent elsewhere. Whatever it waits for, it is ended after 20 seconds (status 124).
CliRun Cli(const Args& args, const std::string& output = "cli.out") {
  std::filesystem::remove("cli.out");
  const std::string command = Command(args, "timeout 20 ") + " </dev/null >" + output + " 2>cli.err";
  const int wstatus = std::system(command.c_str());
  return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1, ReadFile("cli.out"), ReadFile("cli.err")};
}

// Runs it on a pseudo-terminal, its controlling terminal and standard streams, with the keys typed
// ahead; out is the whole transcript.
CliRun OnTerminal(const Args& args, const std::string& keys) {
  const std::string command = Command(args);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    alarm(60);  // nothing waits for ever, whatever it waits for
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  CliRun run;
  if (pid < 0 || write(terminal, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) return run;
  char buffer[4096];
  for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;) {
    run.out.append(buffer, static_cast<std::size_t>(got));
  }
  close(terminal);  // the read failed with EIO: the command has closed the terminal
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  std::erase(run.out, '\r');
  return run;
}

// The job with a skipped case and a harmonic one: "CASE 1 (OPE) W+2.5T1+P1" (skipped),
// "CASE 2 (SUS) W+D1", "CASE 3 (EXP) L3=L1-L2", "CASE 4 (OCC)  10.0000 Hz   0.00 Ø".
writer::OutputJob LabelledJob(std::int32_t version) {
  writer::OutputJob job = RichJob(version);
  if (version < 1400) return job;  // older layouts have no harmonic cases
  job.skippedCaseCount = 1;
  const auto words = std::bit_cast<std::array<std::int32_t, 4>>(std::array<double, 2>{10.0, 0.0});
  job.codes.pop_back();
  job.codes.insert(job.codes.end(), {-5, words[0], words[1], words[2], words[3], -999});
  job.options[{4, 2}] = 3;
  job.options[{4, 3}] = 0;
  job.loads.push_back(job.loads[1]);
  job.displacements.push_back(job.displacements[1]);
  return job;
}

// A row a command printed: case, node and six values, with their texts.
struct Row { int caseNumber = 0, node = 0; std::array<float, 6> values{}; std::array<std::string, 6> texts; };

// The rows of a table or CSV (a header line first, the label last).
std::vector<Row> TextRows(std::string out, bool csv) {
  for (char& c : out) c = csv && c == ',' ? ' ' : c;
  std::istringstream lines(out);
  std::vector<Row> rows;
  std::string line;
  for (std::getline(lines, line); std::getline(lines, line);) {
    std::istringstream fields(line);
    Row& row = rows.emplace_back();
    fields >> row.caseNumber >> row.node;
    for (std::size_t m = 0; m < 6; ++m) row.values[m] = (fields >> row.texts[m], std::strtof(row.texts[m].c_str(), nullptr));
  }
  return rows;
}

// The rows of a JSON document: every object with a "node", with its numbers and the case it is in.
void JsonRows(const Json& doc, int caseNumber, std::vector<Row>& rows) {
  if (doc.is_object() && doc.contains("case")) caseNumber = doc["case"].get<int>();
  if (doc.is_object() && doc.contains("node")) {
    Row& row = rows.emplace_back(Row{caseNumber, doc["node"].get<int>(), {}, {}});
    std::size_t m = 0;
    for (const auto& [key, v] : doc.items()) {
      if (key != "node" && v.is_number() && m < 6) row.texts[m] = v.dump(), row.values[m++] = v.get<float>();
    }
  }
  for (const Json& v : doc) {
    if (v.is_structured()) JsonRows(v, caseNumber, rows);
  }
}

class CliTest : public HostTest {
 protected:
  // The row holds what GetLoads gives for its node (both nodes, for displacements) and case: bit
  // for bit, or as a table shows it, to the column's decimals.
  void ExpectModuleValues(const std::string& job, int mode, const Row& row, bool table = false) {
    Request r(job, mode, row.node, row.node, row.caseNumber);
    r.Run(module_.getLoads);
    ASSERT_EQ(r.status, 0) << "node " << row.node << " case " << row.caseNumber;
    for (std::size_t m = 0; m < 6; ++m) {
      char shown[64];
      std::snprintf(shown, sizeof shown, "%.*f", mode == 1 ? 0 : m < 3 ? 3 : 4, r.res[m][0]);
      if (table) {
        EXPECT_EQ(row.texts[m], shown) << "node " << row.node << " component " << m + 1;
      } else {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(row.values[m]), std::bit_cast<std::uint32_t>(r.res[m][0]))
            << "node " << row.node << " case " << row.caseNumber << " component " << m + 1;
      }
    }
  }
};

TEST_F(CliTest, EveryCommandWritesTheModulesNumbersInEveryFormat) {
  const std::string job = AddJob("rich", LabelledJob(1531));
  for (const std::string format : {"--table", "--csv", "--json"}) {
    const std::pair<Args, std::size_t> commands[] = {  // the arguments, the rows written
        {{"loads", job, "--node", "20", "--case", "4", format}, 1},
        {{"displacements", job, "--node", "10", "--node", "700", "--case", "4", format}, 2},
        {{"supports", job, "--case", "4", format}, 5},
        {{"cases", job, format}, 0}};
    for (const auto& [args, count] : commands) {
      const CliRun run = Cli(args);
      ASSERT_EQ(run.status, 0) << args[0] << " " << format << ": " << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_NE(run.out.find("CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98"), std::string::npos) << run.out;
      std::vector<Row> rows = format == "--json" || count == 0 ? std::vector<Row>{} : TextRows(run.out, format == "--csv");
      if (format == "--json") {  // one shape for every command; whole loads are integers
        const Json doc = Json::parse(run.out);
        EXPECT_EQ(doc.front(), job);
        EXPECT_EQ(doc["version"], 1531);
        for (const Json& one : doc["cases"]) {
          EXPECT_EQ(one.size(), count == 0 ? 5U : 6U) << one;
          EXPECT_TRUE(one.contains("skipped") && one.contains("results") && (count == 0 || one.contains("rows"))) << one;
        }
        JsonRows(doc, 0, rows);
      }
      ASSERT_EQ(rows.size(), count) << run.out;
      for (const Row& row : rows) {
        const int mode = args[0] == "displacements" ? 2 : 1;
        ExpectModuleValues(job, mode, row, format == "--table");
        for (const std::string& text : row.texts) EXPECT_FALSE(mode == 1 && text.find('.') != std::string::npos) << text;
      }
      std::istringstream lines(run.out);  // a table's decimal points line up
      std::string line, first;
      for (std::getline(lines, line), std::getline(lines, first); format == "--table" && count > 1 && std::getline(lines, line);) {
        for (std::size_t at = 0; at < line.size(); ++at) EXPECT_EQ(line[at] == '.', first[at] == '.') << first << "\n" << line;
      }
    }
  }
}

class CliVersionTest : public CliTest, public ::testing::WithParamInterface<std::int32_t> {};

// The supports walk and inspect's layout depend on the version's layout; the rest does not.
TEST_P(CliVersionTest, SupportsAgreeWithGetLoadsAndInspectPlacesEveryTableWhereTheWriterPutIt) {
  const writer::OutputJob written = LabelledJob(GetParam());
  writer::FileMap map;
  WriteFile(dir_ / "rich._p", writer::WriteOutputFile(written, &map));
  const std::string job = dir_ / "rich.x4";
  const CliRun run = Cli({"supports", job, "--all-cases", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  Json doc = Json::parse(run.out);
  EXPECT_EQ(doc["output_file"], dir_ / "rich._p");
  EXPECT_EQ(doc["version"], GetParam());
  ASSERT_EQ(doc["cases"].size(), written.loads.size());
  std::vector<Row> rows;
  JsonRows(doc, 0, rows);
  EXPECT_EQ(rows.size(), 5 * written.loads.size());  // the five nodes with restraints, in every case
  for (const Row& row : rows) ExpectModuleValues(job, 1, row);

  doc = Json::parse(Cli({"inspect", job, "--json"}).out);  // the status follows the problems
  EXPECT_EQ(doc["problems"], Json::array());
  EXPECT_EQ(doc["records"], map.records);
  std::map<std::string, std::pair<int, int>> parts;
  for (const Json& part : doc["layout"]) parts[part["part"]] = {part["first_record"], part["last_record"]};
  EXPECT_EQ(doc["layout"][1]["first_record"], map.tablesFirst);
  EXPECT_EQ(parts["case names"], std::make_pair(map.namesFirst, map.namesLast));
  EXPECT_EQ(parts["results: nodes, restraint entries, hangers"].first, map.resultsFirst);
  EXPECT_EQ(parts["results: loads and displacements"].second, map.resultsLast);
  EXPECT_EQ(parts["case extra table"], std::make_pair(map.extraFirst, map.extraLast));
  EXPECT_EQ(parts["case blocks"], std::make_pair(map.caseBlocksFirst, map.caseBlocksLast));
}

INSTANTIATE_TEST_SUITE_P(Versions, CliVersionTest, ::testing::ValuesIn(kVersions));

// The envelope equals one worked out here from supports --all-cases: for each support and
// component the largest and smallest value and the lowest case that gives it, over the active
// cases with results (case 2 is discarded), over the OPE and SUS cases with --type, over every
// case with --include-inactive, and over the cases --cases names.
TEST_F(CliTest, EnvelopeIsTheRangeOfTheSupportsOverTheChosenCases) {
  for (std::int32_t version : {711, 1211, 1451, 1531}) {
    writer::OutputJob written = LabelledJob(version);
    written.options[{2, 3}] = 1;  // case 2 discarded
    const std::string job = AddJob("env" + std::to_string(version), written);
    const Json all = Json::parse(Cli({"supports", job, "--all-cases", "--json"}).out);
    const auto expected = [&](const std::function<bool(const Json&)>& taken) {
      std::map<std::pair<int, int>, std::tuple<float, int, float, int>> range;  // (node, component)
      for (const Json& one : all["cases"]) {
        if (!taken(one)) continue;
        for (const Json& row : one["rows"]) {
          for (int m = 0; m < 6; ++m) {
            const float v = row[std::string(1, "fffmmm"[m]) + "xyzxyz"[m]].get<float>();
            const auto [at, fresh] = range.try_emplace({row["node"].get<int>(), m}, v, one["case"], v, one["case"]);
            auto& [max, maxCase, min, minCase] = at->second;
            if (v > max) max = v, maxCase = one["case"];
            if (v < min) min = v, minCase = one["case"];
          }
        }
      }
      return range;
    };
    // The CSV's rows the same way, after its header.
    const auto rows = [](const CliRun& run) {
      std::map<std::pair<int, int>, std::tuple<float, int, float, int>> range;
      std::istringstream lines(run.out);
      std::string line;
      std::getline(lines, line);
      EXPECT_EQ(line, "NODE,COMPONENT,MAX,MAX_CASE,MIN,MIN_CASE");
      while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string node, component, max, maxCase, min, minCase;
        for (std::string* field : {&node, &component, &max, &maxCase, &min, &minCase}) std::getline(fields, *field, ',');
        const int m = static_cast<int>(std::string("FXFYFZMXMYMZ").find(component) / 2);
        range[{std::stoi(node), m}] = {std::stof(max), std::stoi(maxCase), std::stof(min), std::stoi(minCase)};
      }
      return range;
    };
    SCOPED_TRACE(version);
    EXPECT_EQ(rows(Cli({"envelope", job, "--csv"})), expected([](const Json& c) { return c["active"].get<bool>(); }));
    EXPECT_EQ(rows(Cli({"envelope", job, "--csv", "--include-inactive"})), expected([](const Json&) { return true; }));
    EXPECT_EQ(rows(Cli({"envelope", job, "--csv", "--cases", "3,1"})),
              expected([](const Json& c) { return c["case"] == 1 || c["case"] == 3; }));
    EXPECT_EQ(rows(Cli({"envelope", job, "--csv", "--type", "ope,Sus", "--include-inactive"})),
              expected([](const Json& c) { return c["case"] <= 2; }));  // case 1 OPE, case 2 SUS
    const Json document = Json::parse(Cli({"envelope", job, "--json"}).out);
    EXPECT_EQ(document["envelope"].size(), 5u * 6u);
    // The discarded case's loads are answered with a word that they are not the case's loads.
    const CliRun discarded = Cli({"loads", job, "--node", "20", "--case", "2"});
    EXPECT_EQ(discarded.err.find("warning: load case 2 is not active") != std::string::npos, version >= 1400) << discarded.err;
    EXPECT_EQ(document["cases"].size(), written.loads.size() - (version >= 1400));  // older tables keep no discards
  }
  const std::string job = dir_ / "env1531.x4";
  EXPECT_EQ(Cli({"envelope", job, "--cases", "9"}).status, 64);
  EXPECT_EQ(Cli({"envelope", job, "--type", "EXP", "--cases", "1"}).status, 1);  // case 1 is OPE: none left
  EXPECT_EQ(Cli({"envelope", job, "--type", "ABC"}).status, 64);
}

// A backslash is a character of a name that holds it, and a separator only where no such name
// exists: a job in a directory named a\b is read there, by its own name and by the upper-cased one.
// loads and displacements of several nodes, in one case or in every case, row for row what
// GetLoads gives; a node without restraints is told and left out (status 2), a node the job
// lacks shown without values (status 3); nodes lists every node with its supports marked.
TEST_F(CliTest, SeveralNodesEveryCaseAndTheNodeList) {
  const std::string job = AddJob("rich", LabelledJob(1531));
  const CliRun loads = Cli({"loads", job, "--node", "20", "--node", "30", "--node", "700", "--all-cases", "--csv"});
  EXPECT_EQ(loads.status, 2);
  EXPECT_EQ(loads.err, "viru4deduz: No restraint found with this node number. (node 30)\n");
  const std::vector<Row> rows = TextRows(loads.out, true);
  ASSERT_EQ(rows.size(), 2u * 4u);  // nodes 20 and 700 in the four cases
  for (const Row& row : rows) ExpectModuleValues(job, 1, row);
  const CliRun moves = Cli({"displacements", job, "--node", "15", "--node", "30", "--node", "9999", "--case", "2", "--json"});
  EXPECT_EQ(moves.status, 3);
  const Json document = Json::parse(moves.out);
  ASSERT_EQ(document["cases"][0]["rows"].size(), 3u);
  EXPECT_EQ(document["cases"][0]["rows"][2]["in_job"], false);
  // Another unit system: each component times its factor, named in the table's header line.
  const Args scaled = {"--scale-force", "0.001", "--scale-moment", "2", "--scale-length", "1000", "--unit-labels", "kN,N.mm,um"};
  Args asked = {"loads", job, "--node", "20", "--case", "1", "--json"};
  asked.insert(asked.end(), scaled.begin(), scaled.end());
  const Json inKilonewtons = Json::parse(Cli(asked).out)["cases"][0]["rows"][0];
  Request plain(job, 1, 20, 0, 1);
  plain.Run(module_.getLoads);
  for (int m = 0; m < 6; ++m) {
    const float expected = static_cast<float>(double{plain.res[m][0]} * (m < 3 ? 0.001 : 2.0));
    EXPECT_EQ(inKilonewtons[std::string(1, "fffmmm"[m]) + "xyzxyz"[m]].get<float>(), expected) << m;
  }
  asked = {"displacements", job, "--node", "30", "--case", "1"};
  asked.insert(asked.end(), scaled.begin(), scaled.end());
  EXPECT_NE(Cli(asked).out.find("LABEL  [length: um; rotations in degrees]\n"), std::string::npos);
  EXPECT_NE(Cli({"loads", job, "--node", "20", "--case", "1"}).out.find("LABEL  [units of the output file]\n"), std::string::npos);
  EXPECT_EQ(Cli({"loads", job, "--node", "20", "--case", "1", "--scale-force", "-1"}).status, 64);

  std::istringstream lines(Cli({"nodes", job, "--csv"}).out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "NODE,SUPPORT");
  std::vector<std::int32_t> listed;
  const std::set<int> supports = {10, 20, 40, 50, 700};
  while (std::getline(lines, line)) {
    listed.push_back(std::stoi(line));
    EXPECT_EQ(line.substr(line.find(',') + 1), supports.contains(listed.back()) ? "true" : "false") << line;
  }
  EXPECT_EQ(listed, LabelledJob(1531).nodes);
}

// compare: a job against itself changes nothing (status 0); against a revision whose support at
// node 50 carries 100 more in every component, exactly that support's rows are at or past a
// threshold (status 1); a case the revision does not store is listed with its side empty.
TEST_F(CliTest, CompareListsExactlyWhatChangedAndSaysSoInItsStatus) {
  const writer::OutputJob first = RichJob(1531);
  writer::OutputJob revised = first;
  for (auto& loads : revised.loads) {
    for (std::size_t e = 0; e < revised.restraints.size(); ++e) {
      if (revised.restraints[e].node != 50) continue;
      for (std::size_t m = 0; m < 6; ++m) loads[e][m] += 100.0f;
    }
  }
  const std::string a = AddJob("first", first), b = AddJob("revised", revised);
  const CliRun same = Cli({"compare", a, a, "--csv"});
  EXPECT_EQ(same.status, 0) << same.err;
  std::istringstream lines(same.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "CASE,NODE,COMPONENT,A,B,CHANGE,PERCENT");
  int rows = 0;
  for (; std::getline(lines, line); ++rows) EXPECT_TRUE(line.ends_with(",0,0") || line.ends_with(",0,")) << line;  // no percent of 0
  EXPECT_EQ(rows, 3 * 5 * 6);  // every case, support and component

  const CliRun changed = Cli({"compare", a, b, "--csv", "--threshold", "1"});
  EXPECT_EQ(changed.status, 1) << changed.err;
  std::vector<std::string> expected = {"CASE,NODE,COMPONENT,A,B,CHANGE,PERCENT"};
  for (int k = 1; k <= 3; ++k) {
    for (const char* component : {"FX", "FY", "FZ", "MX", "MY", "MZ"}) {
      Request r(a, 1, 50, 0, k);
      r.Run(module_.getLoads);
      const int m = static_cast<int>(std::string("FXFYFZMXMYMZ").find(component) / 2);
      const float before = r.res[m][0];
      Request after(b, 1, 50, 0, k);
      after.Run(module_.getLoads);
      const float now = after.res[m][0];
      // The percentage to the digits that identify the single-precision number written.
      const float share = static_cast<float>((double{now} - before) / std::fabs(double{before}) * 100);
      const std::string percent = before == 0.0f ? "" : std::to_string(std::bit_cast<std::uint32_t>(share));
      expected.push_back(std::to_string(k) + ",50," + component + "," + std::to_string(static_cast<int>(before)) + "," +
                         std::to_string(static_cast<int>(now)) + "," + std::to_string(static_cast<int>(now - before)) + "," +
                         percent);
    }
  }
  std::vector<std::string> got;  // the percentage as its single-precision bits
  std::istringstream changedLines(changed.out);
  for (std::getline(changedLines, line), got.push_back(line); std::getline(changedLines, line);) {
    const std::size_t last = line.rfind(',');
    const std::string percent = line.substr(last + 1);
    got.push_back(line.substr(0, last + 1) +
                  (percent.empty() ? "" : std::to_string(std::bit_cast<std::uint32_t>(std::strtof(percent.c_str(), nullptr)))));
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(Cli({"compare", a, b, "--threshold", "1000%"}).status, 0);  // 100 on loads of at least 1000... or none
  writer::OutputJob fewer = first;
  fewer.itemOverrides = {{9, 2}};  // stores cases 1 and 2 only
  const CliRun missing = Cli({"compare", a, AddJob("fewer", fewer), "--case", "3", "--json"});
  EXPECT_EQ(missing.status, 1);
  const Json document = Json::parse(missing.out);
  ASSERT_EQ(document["rows"].size(), 5u * 6u);
  EXPECT_TRUE(document["rows"][0]["b"].is_null() && document["rows"][0]["change"].is_null());
  EXPECT_EQ(document["b"]["version"], 1531);
}

TEST_F(CliTest, AJobInADirectoryWhoseNameHoldsABackslashIsReadThere) {
  const std::string elsewhere = AddJob("rich", LabelledJob(1531)), job = dir_ / "a\\b/rich.x4";
  std::filesystem::create_directory(dir_ / "a\\b");
  std::filesystem::copy_file(dir_ / "rich._p", dir_ / "a\\b/rich._p");
  const CliRun run = Cli({"loads", job, "--node", "20", "--case", "4", "--csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Row> rows = TextRows(run.out, true);
  ASSERT_EQ(rows.size(), 1U) << run.out;
  ExpectModuleValues(elsewhere, 1, rows[0]);
  ExpectModuleValues(job, 1, rows[0]);  // a host's request finds it there too
}

TEST_F(CliTest, CasesListsEveryLabelInUtf8WithTheSkippedCaseMarked) {
  const std::string job = AddJob("rich", LabelledJob(1531));
  EXPECT_EQ(Cli({"cases", job}).out,
            "CASE  ACTIVE  SKIPPED  RESULTS  LABEL\n"
            "   1  yes     yes      yes      CASE 1 (OPE) W+2.5T1+P1\n"
            "   2  yes     no       yes      CASE 2 (SUS) W+D1\n"
            "   3  yes     no       yes      CASE 3 (EXP) L3=L1-L2\n"
            "   4  yes     no       yes      CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98\n");
  EXPECT_TRUE(Cli({"cases", job, "--csv"}).out.ends_with("\n4,true,false,true,CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98\n"));
  EXPECT_NE(Cli({"cases", job, "--json"}).out.find("\"version\": 1531,\n  \"cases\": [\n"
                "    {\n      \"case\": 1,\n      \"label\": \"CASE 1 (OPE) W+2.5T1+P1\",\n      \"active\": true,\n      \"skipped\": true,\n"
                "      \"results\": true\n    },"), std::string::npos);
}

TEST_F(CliTest, InspectWritesEveryFormatWithTheControlTextsControlCharactersEscaped) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1430));
  const std::string text = "TITLE\x1b[2J\x07\x7f END \x9c";  // 0x9C is "\xC5\x93" (oe) in UTF-8
  bytes.replace(ControlItemOffset(8), text.size(), text);
  WriteFile(dir_ / "small._p", bytes);
  const std::string shown = "TITLE\\x1b[2J\\x07\\x7f END \xC5\x93";
  const std::pair<std::string, Args> formats[] = {
      {"--table", {"Version      1430 (the module reads it)", "  12  nodeCount              3\n", "   8  text               " + shown,
                   "case codes                                      2    48       47", "Problems: none"}},
      {"--csv", {"control,item 12 nodeCount,3,,\n", "layout,case codes,,2,48\n", shown}},
      {"--json", {"\"value\": \"TITLE\\u001b[2J\\u0007\\u007f END \xC5\x93\"",
                  "\"item\": 12,\n      \"name\": \"nodeCount\",\n      \"value\": 3"}}};
  for (const auto& [format, texts] : formats) {
    const CliRun run = Cli({"inspect", dir_ / "small.x4", format});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find_first_of("\x1b\x07\x7f"), std::string::npos) << format << "\n" << run.out;
    for (const std::string& t : texts) EXPECT_NE(run.out.find(t), std::string::npos) << t << "\n" << run.out;
  }
}

TEST_F(CliTest, ExitStatusesAndMessages) {
  const std::string job = AddJob("rich", RichJob(1530));
  WriteFile(dir_ / "config.txt", "not a job");
  WriteFile(dir_ / "future._p", writer::WriteControlRecord(9999));
  const std::string whole = writer::WriteOutputFile(RichJob(1530));
  WriteFile(dir_ / "cut._p", whole.substr(0, whole.size() - 256));  // the last loads are missing
  const std::string truncated = "the file is truncated; run \"viru4deduz inspect " + dir_ / "cut.x4\"";
  // The arguments, the exit status, and what standard output (status 0) or standard error holds.
  const std::tuple<Args, int, std::string> cases[] = {
      {{"--help"}, 0, "output error.\n"},
      {{"loads", "--help"}, 0, "Usage: viru4deduz loads JOB --node N... [--case K | --all-cases]\n"},
      {{"displacements", "--help"}, 0, "Units, case numbers and exit statuses: viru4deduz --help"},
      {{"supports", "--help"}, 0, "--all-cases"},
      {{"--version"}, 0, "viru4deduz "},
      {{"loads", dir_ / "missing.x4", "--node", "20", "--case", "1"}, 66, "missing._p does not exist"},
      {{"loads", job, "--node", "20", "--case", "9"}, 64, "load case 9 is not in this job (cases 1 to 3)"},
      {{"supports", job, "--case", "9"}, 64, "load case 9 is not in this job (cases 1 to 3)"},
      {{"cases", dir_ / "future.x4"}, 65, "future._p: not an output file: version 9999 is not one the module reads"},
      {{"supports", dir_ / "cut.x4", "--all-cases"}, 65, truncated},
      {{"loads", dir_ / "cut.x4", "--node", "20", "--case", "1"}, 65, truncated},
      {{"loads", job, "--node", "30", "--case", "1"}, 2, "No restraint found with this node number. (node 30, load case 1)"},
      {{"loads", job, "--node", "9999", "--case", "1"}, 3, "node 9999 is not in this job (its 70 nodes are numbered 10 to 700)"},
      {{"displacements", job, "--node", "20", "--node", "9999", "--case", "1", "--json"}, 3, "node 9999 is not in this job"},
      {{"loads", job, "--node", "20"}, 64, "use --case K"},
      {{"supports", job}, 64, "use --case K or --all-cases"},
      {{"supports", job, "--case", "1", "--all-cases"}, 64, "--case and --all-cases exclude each other"},
      {{"loads", job, "--case", "1"}, 64, "loads: --node is required"},
      {{"loads", job, "--bogus"}, 64, "loads: unknown option --bogus"},
      {{"loads", job, "--node", "0x28", "--case", "1"}, 64, "--node '0x28' is not a node number"},
      {{"loads", job, "--node", "20", "--case", "x"}, 64, "--case 'x' is not a load case number"},
      {{"loads", job, "--node", "20", "--case", "0"}, 64, "--case 0 is not a load case"},
      {{"displacements", job, "--node", "10", "--node", "20", "--node", "30"}, 64, "use --case K or --all-cases"},
      {{"loads", job, "--node", "20", "--case", "1", "--json", "--csv"}, 64, "exclude each other"},
      {{"frobnicate"}, 64, "frobnicate"},
      {{"supports", job, "--all-cases", "--xlsx", dir_ / "no-such-dir/loads.xlsx"}, 74, "loads.xlsx: No such file or directory"},
      {{"supprots", job}, 64, "'supprots' is not a subcommand: did you mean 'supports'?"},
      {{"cases", dir_.path()}, 66, "is a directory, not a job"},
      {{"cases", dir_ / "config.txt"}, 66, "config.txt is not a job: there is no output file"},
      {{"cases", dir_ / "rich,x4"}, 66, "does not exist; did you mean " + dir_ / "rich.X4?"},
      {{"loads", job, "--nod", "20", "--case", "1"}, 64, "unknown option --nod: did you mean '--node'?"},
      {{}, 64, "subcommand"}};
  for (const auto& [args, status, text] : cases) {
    const CliRun run = Cli(args);
    const std::string what = (args.empty() ? "" : args[0]) + ": " + run.err;
    EXPECT_EQ(run.status, status) << what;
    EXPECT_NE((status == 0 ? run.out : run.err).find(text), std::string::npos) << what << run.out;
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    const bool written = status == 0 || json;  // with --json: the document, or the error's
    EXPECT_TRUE(written ? run.out.ends_with('\n') : run.out.empty()) << what << run.out;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), status == 0 ? 0 : 1) << what;  // one message
    EXPECT_TRUE(run.err.empty() || run.err.starts_with("viru4deduz: ")) << run.err;
    std::istringstream lines(run.out);
    for (std::string line; args.size() < 3 && std::getline(lines, line);) EXPECT_LE(line.size(), 80U) << line;
  }
  const Json marked = Json::parse(Cli(std::get<0>(cases[13])).out)["cases"][0]["rows"];
  EXPECT_EQ(marked[0]["in_job"], true);
  EXPECT_EQ(marked[1], Json::parse(R"({"node": 9999, "in_job": false, "dx": null, "dy": null, "dz": null,
                                       "rx": null, "ry": null, "rz": null})"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x4chain.")) << "a failed read leaves no chain file";
  EXPECT_FALSE(std::filesystem::exists(dir_ / "config")) << "the settings are never written";

  SetWorkAreaSize("abc");  // a host reads 0 bytes: too small for it, and said to be wrong; the command answers
  for (const Args& args : {Args{"loads", job, "--node", "20", "--case", "1"}, Args{"supports", job, "--all-cases"}}) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "viru4deduz: warning: " + SettingsDir() + "/XMS Memory Allocated.value holds \"abc\", not a "
              "number of bytes: a host takes \"XMS Memory Allocated\" for 0 bytes\n");
  }
  EXPECT_NE(Cli({"inspect", job}).out.find("gives 0, too few for a host to read the job"), std::string::npos);
  EXPECT_EQ(ReadFile(SettingsDir() + "/XMS Memory Allocated.value"), "abc");
  for (const char* format : {"--table", "--json", "--csv"}) {  // every format ends with the loss said
    const CliRun run = Cli({"supports", job, "--all-cases", format}, "/dev/full");
    EXPECT_EQ(run.status, 74);
    EXPECT_NE(run.err.find("cannot write the output: No space left on device"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Cli({"--help"}, "/dev/full").status, 74);
}

// With --json every failure leaves one document on standard output, the same for every
// subcommand: {"error": {"status": S, "message": M}}, M being what standard error tells; a
// command that began its document ends it instead (displacements of a node the job lacks).
TEST_F(CliTest, EveryJsonFailureIsOneErrorDocument) {
  const std::string job = AddJob("rich", RichJob(1531));
  WriteFile(dir_ / "bad._p", std::string(300, 'x'));
  const std::string missing = dir_ / "missing.x4", bad = dir_ / "bad.x4";
  const std::vector<std::pair<Args, int>> failures = {
      {{"loads", missing, "--node", "20", "--case", "1"}, 66}, {{"loads", job, "--node", "30", "--case", "1"}, 2},
      {{"displacements", bad, "--node", "20", "--case", "1"}, 65}, {{"cases", missing}, 66}, {{"cases", bad}, 65},
      {{"supports", job, "--case", "9"}, 64}, {{"supports", bad, "--all-cases"}, 65}, {{"inspect", missing}, 66},
      {{"envelope", job, "--cases", "4"}, 64}, {{"envelope", bad}, 65}, {{"compare", job, missing}, 66},
      {{"compare", bad, job}, 65}, {{"loads", job, "--bogus"}, 64}, {{"frobnicate"}, 64}, {{"loads", job, "--node", "20"}, 64}};
  for (auto args : failures) {
    args.first.push_back("--json");
    const CliRun run = Cli(args.first);
    SCOPED_TRACE(args.first[0] + " " + run.err);
    EXPECT_EQ(run.status, args.second);
    ASSERT_TRUE(Json::accept(run.out)) << run.out;
    const Json document = Json::parse(run.out);
    ASSERT_EQ(document.size(), 1u);
    EXPECT_EQ(document["error"]["status"], args.second);
    EXPECT_EQ("viru4deduz: " + document["error"]["message"].get<std::string>() + "\n", run.err);
  }
  const CliRun partial = Cli({"displacements", job, "--node", "20", "--node", "9999", "--case", "1", "--json"});
  EXPECT_EQ(partial.status, 3);
  EXPECT_EQ(Json::parse(partial.out)["cases"][0]["rows"][1]["in_job"], false);
}

// A value file that gives a host no value is warned of, and the command answers with the default
// that a host then takes; nothing waits on a FIFO or reads a device without end.
TEST_F(CliTest, AnUnreadableWorkAreaSettingIsWarnedOfAndTheDefaultTaken) {
  const std::string job = AddJob("rich", RichJob(1530));
  const std::string value = SettingsDir() + "/XMS Memory Allocated.value";
  std::filesystem::create_directories(SettingsDir());
  mkfifo((dir_ / "fifo").c_str(), 0600);
  WriteFile(dir_ / "long", std::string(261, '7'));
  const std::pair<std::string, std::string> unreadable[] = {  // what the value's file links to ("": a directory), why
      {"", "Is a directory"}, {dir_ / "fifo", "not a regular file"}, {"/dev/zero", "not a regular file"},
      {dir_ / "long", "longer than the 260 bytes a host reads"}};
  for (const auto& [target, reason] : unreadable) {
    std::filesystem::remove(value);
    target.empty() ? (void)std::filesystem::create_directory(value) : std::filesystem::create_symlink(target, value);
    const CliRun run = Cli({"inspect", job, "--json"});
    ASSERT_EQ(run.status, 0) << reason << ": " << run.err;
    EXPECT_EQ(Json::parse(run.out)["host_work_area_bytes"], 12000000);
    EXPECT_EQ(run.err, "viru4deduz: warning: " + value + " cannot be read (" + reason +
                           "): a host takes \"XMS Memory Allocated\" for its default, 12000000 bytes\n");
  }
}

// supports --all-cases writes each case's rows as it reads them: the peak memory of a job of
// 100,000 rows is that of a job of 5,000 (a list of every row took about 1.5 kB per row).
TEST_F(CliTest, SupportsOfEveryCaseStreamsItsRows) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: the peak says nothing";
  const auto jobOf = [&](int cases) {
    writer::OutputJob job = RichJob(1531);
    job.nodes.clear(), job.restraints.clear(), job.hangerRecords.clear(), job.caseBlocks.clear();
    for (int e = 1; e <= 500; ++e) job.nodes.push_back(e), job.restraints.push_back({e, e});
    job.hangerCount = job.resultCountB = 0;
    job.codes.clear();
    for (int k = 1; k <= cases; ++k) job.codes.insert(job.codes.end(), {-4, 1, 3, 6});
    job.codes.push_back(-999);
    job.factors.clear(), job.decimals.clear(), job.options.clear(), job.realOptions.clear();
    job.loads.assign(static_cast<std::size_t>(cases), std::vector<std::array<float, 12>>(500, {1.5f, -2.0f}));
    job.displacements.assign(static_cast<std::size_t>(cases), std::vector<std::array<float, 6>>(500));
    return AddJob("cases" + std::to_string(cases), job);
  };
  // A child's peak starts from this process's own peak (the exec records it), so both jobs are
  // made before either run.
  const std::string few = jobOf(10), many = jobOf(200);
  const auto peakKilobytes = [&](const std::string& path, const char* format) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);  // the rows go nowhere
    const char* const argv[] = {"viru4deduz", "supports", path.c_str(), "--all-cases", format, nullptr};
    pid_t pid = -1;
    posix_spawn(&pid, VIRU4DEDUZ_CLI_PATH, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    int wstatus = 0;
    rusage usage{};
    wait4(pid, &wstatus, 0, &usage);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << path << " " << format;
    return usage.ru_maxrss;
  };
  for (const char* format : {"--table", "--csv", "--json"}) {
    const long small = peakKilobytes(few, format), large = peakKilobytes(many, format);
    EXPECT_LT(large - small, 30 * 1024) << format << ": " << small << " kB for 5,000 rows, " << large << " kB for 100,000";
  }
}

// Each damage of the output file is told in one message that names the file, what is wrong and
// where to look further, with its status; nothing is left behind.
TEST_F(CliTest, AnUnreadableOutputFileIsToldOnceWithWhatIsWrong) {
  writer::FileMap map;
  const std::string whole = writer::WriteOutputFile(RichJob(1531), &map);
  using File = std::variant<std::string, std::filesystem::path>;  // its bytes, or where a symbolic link in its place leads
  const auto cut = [&](std::size_t size) { return File(whole.substr(0, size)); };
  const std::tuple<File, int, std::string> damages[] = {
      {cut(100), 65, "the file is shorter than its control record: 100 bytes"},
      {cut(1000), 65, "the file ends inside record 4, which holds 232 of its 256 bytes"},
      {cut(static_cast<std::size_t>(map.resultsFirst) * 256 + 300), 65, "which holds 44 of its 256 bytes"},
      {cut(whole.size() - 512), 65, "the file is truncated"},
      {std::string(), 65, "the file is shorter than its control record: 0 bytes"},
      {std::string(300, 'x'), 65, "not an output file: version 2021161080 is not one the module reads"},
      {dir_.path(), 66, "the output file cannot be opened: Is a directory"},
      {std::filesystem::path("/proc/self/mem"), 66, "the control record cannot be read: Input/output error"}};  // opens, reads fail
  for (const auto& [file, status, reason] : damages) {
    std::filesystem::remove(dir_ / "damaged._p");
    const auto* link = std::get_if<std::filesystem::path>(&file);
    link ? std::filesystem::create_symlink(*link, dir_ / "damaged._p") : WriteFile(dir_ / "damaged._p", std::get<std::string>(file));
    const std::string job = dir_ / "damaged.x4";
    for (const Args& args : {Args{"loads", job, "--node", "20", "--case", "1"}, Args{"supports", job, "--all-cases"},
                             Args{"displacements", job, "--node", "20", "--case", "2"}}) {
      const CliRun run = Cli(args);
      EXPECT_EQ(run.status, status) << args[0] << " " << reason << ": " << run.err;
      EXPECT_EQ(run.out, "") << "--json" << args.back();
      EXPECT_TRUE(run.err.starts_with("viru4deduz: " + dir_ / "damaged._p: ")) << run.err;
      EXPECT_NE(run.err.find(reason + ";"), std::string::npos) << run.err;
      EXPECT_NE(run.err.find("; run \"viru4deduz inspect " + job + "\""), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const CliRun inspected = Cli({"inspect", job});
    EXPECT_EQ(inspected.status, status);
    EXPECT_TRUE(status == 65 || inspected.out.find("not one the module reads") == std::string::npos) << inspected.out;
    if (link || std::get<std::string>(file).size() < 2000) {  // cases reads only the tables, which these cut short
      EXPECT_EQ(Cli({"cases", job}).status, status);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x4chain.")) << "a failed read leaves no chain file";
  EXPECT_FALSE(std::filesystem::exists(dir_ / "config")) << "the settings are never written";
}

TEST_F(CliTest, InspectTellsWhatIsWrongWithADamagedFileAndNeverCrashes) {
  writer::FileMap map;
  const std::string healthy = writer::WriteOutputFile(RichJob(1531), &map);
  const auto lying = [](std::map<int, std::int32_t> items) {  // control items that lie
    writer::OutputJob job = RichJob(1531);
    job.itemOverrides = std::move(items);
    return writer::WriteOutputFile(job);
  };
  std::vector<std::pair<std::string, Args>> damages = {  // the file, what inspect says of it
      {healthy.substr(0, static_cast<std::size_t>(map.resultsFirst) * 256 + 100),
       {"runs past the end of the file", "ends inside record", "reading the results block failed at record"}},
      {lying({{12, 100000000}}), {"lies beyond the end of the file", "the results were not read"}},
      {lying({{9, 7}, {23, 50}}), {"but item 9 (resultCaseCount) says 7", "item 23 (skippedCaseCount) skips 50 cases of 3"}},
      {lying({{20, 3}}), {"overlap"}},
      {lying({{20, -5}}), {"would begin at record -5"}},
      {writer::WriteControlRecord(1211, {{15, -3}}), {"(hangerCount) is -3"}},
      {writer::WriteControlRecord(9999), {"version 9999 is not one the module reads"}},
      {"", {"shorter than its control record"}},
      {healthy.substr(0, 700 * 256), {"reading the load case tables failed at record 701: record could not be read"}}};
  std::mt19937 random(20240611);
  for (int i = 0; i < 12; ++i) {  // random bytes, half of them after records of a healthy file
    std::string bytes(static_cast<std::size_t>(random() % 5000), '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    damages.push_back({i % 2 == 0 ? bytes : healthy.substr(0, 256 * (1 + random() % 3000)) + bytes, {}});
  }
  for (const auto& [bytes, problems] : damages) {
    WriteFile(dir_ / "damaged._p", bytes);
    for (const char* format : {"--json", "--csv", "--table"}) {
      const CliRun run = Cli({"inspect", dir_ / "damaged.x4", format});
      EXPECT_TRUE(run.status == 65 || (run.status == 0 && problems.empty())) << run.status << " " << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_TRUE(format[2] != 'j' || Json::accept(run.out)) << run.out;
      for (const std::string& problem : problems) EXPECT_NE(run.out.find(problem), std::string::npos) << format << run.out;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x4chain.")) << "inspect leaves no chain file";
}

TEST_F(CliTest, TheSelectionDialogOnATerminalOffersTheCasesInsistsOnAChoiceAndEndOfInputCancels) {
  const std::string job = AddJob("rich", LabelledJob(1530));
  for (Args args : {Args{"loads", job, "--node", "20"}, Args{"displacements", job, "--node", "20"}, Args{"supports", job}}) {
    const CliRun cancelled = OnTerminal(args, "\x04");  // Ctrl-D
    EXPECT_EQ(cancelled.status, 1) << args[0];
    EXPECT_NE(cancelled.out.find("\nviru4deduz: no load case chosen"), std::string::npos) << cancelled.out;
    const CliRun chosen = OnTerminal(args, "\n2\n");  // OK without a choice, then the second case offered
    EXPECT_EQ(chosen.status, 0) << chosen.out;
    args.insert(args.end(), {"--case", "3"});
    for (const std::string& text : Args{"Load Case Selection\n  1  CASE 2 (SUS) W+D1\n  2  CASE 3 (EXP) L3=L1-L2\n"
                                        "  3  CASE 4 (OCC)  10.0000 Hz   0.00 \xC3\x98\nNumber (1-3) to choose, q to cancel (an empty line is OK without a choice): ",
                                        "Sorry, you can not use [OK] until a load case is selected.", Cli(args).out}) {
      EXPECT_NE(chosen.out.find(text), std::string::npos) << text << "\n" << chosen.out;
    }
  }
}

}  // namespace
}  // namespace viru4deduz::testing
