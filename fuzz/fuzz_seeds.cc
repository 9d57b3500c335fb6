// fuzz_seeds DIR: writes the seed corpora of the fuzz targets into DIR/request, DIR/labels and
// DIR/settings. Every output file comes from the project's writer: each version the module
// reads, and damaged variants of them (cut short, counts that lie, records that point nowhere).
// The label seeds are the load case tables the module itself reads from those files.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "label_input.h"
#include "outfile/output_control.h"
#include "testing/example_jobs.h"
#include "testing/scripted_module.h"
#include "writer/output_writer.h"

namespace {

using namespace viru4deduz;
using viru4deduz::fuzzing::Put;
namespace fs = std::filesystem;

using testing::kVersions;

void Save(const fs::path& dir, const std::string& name, const std::string& bytes) {
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::perror((dir / name).c_str());
    std::exit(1);
  }
}

// 70 nodes, two hangers and four further entries, and the load cases the version's layout can
// hold: two basic cases and a combination of them, and from version 1400 on a harmonic case and
// a discarded one.
writer::OutputJob JobOf(std::int32_t version) {
  writer::OutputJob job = testing::RichJob(version);
  if (version >= 1400) {
    const double frequency = 10.0, phase = 0.0;
    std::int32_t words[4];
    std::memcpy(words, &frequency, 8);
    std::memcpy(words + 2, &phase, 8);
    job.codes.pop_back();  // the end of the list, after the new cases
    job.codes.insert(job.codes.end(), {-5, words[0], words[1], words[2], words[3], -4, 64, -999});
    job.factors.insert(job.factors.end(), {0, 0, 0, 0, 0, 0, 1});
    job.decimals.insert(job.decimals.end(), {0, 0, 0, 0, 0, 0, 0});
    for (int k = 4; k <= 5; ++k) {
      job.options[{k, 1}] = 0;
      job.options[{k, 2}] = 1 + k % 7;
      job.options[{k, 4}] = 0;
      job.options[{k, 5}] = 0;
      job.options[{k, 15}] = 7000 + k;
      job.realOptions[{k, 1}] = 1.0;
      job.loads.push_back(job.loads.back());
      job.displacements.push_back(job.displacements.back());
    }
    job.options[{4, 3}] = 0;
    job.options[{5, 3}] = 1;  // case 5 is discarded
    job.names.insert(job.names.end(), {"HARMONIC", "DISCARDED"});
  }
  // The host's side of the fuzzed requests (items 2 to 7, which the module does not read): node
  // 20 and node 30, case 1, all three requests, the second entry of the selection list.
  job.itemOverrides = {{2, 20}, {3, 30}, {4, 1}, {5, (1 << 16) | (1 << 4) | 3}};
  return job;
}

std::string Cut(std::string bytes, std::size_t size) {
  bytes.resize(std::min(bytes.size(), size));
  return bytes;
}

void RequestSeeds(const fs::path& dir) {
  for (std::int32_t version : kVersions) {
    const std::string v = std::to_string(version);
    writer::OutputJob job = JobOf(version);
    writer::FileMap map;
    const std::string whole = writer::WriteOutputFile(job, &map);
    Save(dir, v + "-whole", whole);

    // The host asks for the combination case, the user cancels, the work area is tiny.
    writer::OutputJob other = job;
    other.itemOverrides = {{2, 700}, {3, 10}, {4, 3}, {5, 3 | (1 << 2) | (2 << 4)}, {6, 40}, {7, 0x6261}};
    Save(dir, v + "-other-choices", writer::WriteOutputFile(other));

    // Cut inside the load case tables, inside the names, and inside the results.
    Save(dir, v + "-cut-tables", Cut(whole, static_cast<std::size_t>(map.tablesLast - 1) * 256 + 100));
    Save(dir, v + "-cut-names", Cut(whole, static_cast<std::size_t>(map.namesFirst + 3) * 256));
    Save(dir, v + "-cut-results", Cut(whole, static_cast<std::size_t>(map.resultsFirst) * 256 + 8));

    // Counts and record numbers that lie.
    const std::map<int, std::int32_t> lies[] = {
        {{12, 100000}},                      // more nodes than the file holds
        {{9, 2147483647}, {12, 2147483647}},  // products beyond 64 bits of words
        {{20, 0}},                           // results at record 0
        {{20, -5}},
        {{20, map.records + 10}},            // results past the end
        {{26, 3}, {27, 0}},                  // case blocks at record 0
        {{26, 1000000}, {27, map.records}},
        {{23, 7}},                           // more skipped cases than defined
        {{1, 1500}},                         // a version code the module does not read
    };
    int n = 0;
    for (const auto& items : lies) {
      writer::OutputJob lying = job;
      for (const auto& [k, value] : items) lying.itemOverrides[k] = value;
      Save(dir, v + "-lie-" + std::to_string(++n), writer::WriteOutputFile(lying));
    }
  }
  // Files that go no further than the control record.
  Save(dir, "control-only", writer::WriteControlRecord(1530, {{2, 20}, {4, 1}}));
  Save(dir, "short-record", writer::WriteControlRecord(111).substr(0, 100));
}

// The load case tables the module reads from a writer file, in the fuzz_labels format.
std::string LabelInputOf(const std::string& file, std::uint8_t flags) {
  testing::ScriptedModule layers;
  layers.records.AddFile("OUT._P", file);
  RecordIo io;
  IgnoredFailures ignored;
  RecordReaders readers(layers.records, io, ignored);
  auto out = std::make_unique<OutputData>();
  std::int32_t status = 0;
  char name[256];
  std::memset(name, ' ', sizeof name);
  std::memcpy(name, "OUT._P", 6);
  ReadOutputControl(readers, *out, status, 39, name, 1);
  if (status != 0) return {};

  const LoadCaseTables& t = out->tables;
  int last = 1;
  while (last < kCodeTableSize && t.code[last] != kEndOfCaseList) ++last;
  std::string input;
  Put<std::uint8_t>(input, flags);
  Put<std::int32_t>(input, 2);  // case 2 labelled once more, from the start of the table
  Put<std::int32_t>(input, 2);
  std::vector<std::string> cells;
  for (int k = 1; k <= 8; ++k) {
    for (int column : {2, 3, 5}) {
      std::string cell;
      Put<std::uint16_t>(cell, static_cast<std::uint16_t>(k - 1));
      Put<std::uint8_t>(cell, static_cast<std::uint8_t>(column - 1));
      Put<std::int32_t>(cell, t.Option(k, column));
      cells.push_back(cell);
    }
  }
  Put<std::uint8_t>(input, static_cast<std::uint8_t>(cells.size()));
  for (const std::string& cell : cells) input += cell;
  for (int i = 1; i <= last; ++i) {
    Put<std::int32_t>(input, t.code[i]);
    Put<std::int32_t>(input, t.factorDecimals[i]);
    Put<double>(input, t.factor[i]);
  }
  return input;
}

void LabelSeeds(const fs::path& dir) {
  for (std::int32_t version : kVersions) {
    const std::string file = writer::WriteOutputFile(JobOf(version));
    const std::string input = LabelInputOf(file, 0);
    if (input.empty()) {
      std::fprintf(stderr, "fuzz_seeds: version %d not read back\n", version);
      std::exit(1);
    }
    Save(dir, std::to_string(version), input);
    // The same definitions at the very end of the code table, without their end code: the last
    // case runs into the table's end.
    std::string atEnd = LabelInputOf(file, fuzzing::kDefinitionsAtEnd);
    atEnd.resize(atEnd.size() - fuzzing::kCodeEntryBytes);
    Save(dir, std::to_string(version) + "-at-end", atEnd);
  }
  // A harmonic marker as the last entry of the code table; a combination of cases past 1000; a
  // long label of many factors with many decimals.
  std::string harmonic;
  Put<std::uint8_t>(harmonic, fuzzing::kDefinitionsAtEnd);
  Put<std::int32_t>(harmonic, 1);
  Put<std::int32_t>(harmonic, 30001);
  Put<std::uint8_t>(harmonic, 0);
  for (std::int32_t code : {-4, 1, -5}) {
    Put<std::int32_t>(harmonic, code), Put<std::int32_t>(harmonic, 0), Put<double>(harmonic, 1.0);
  }
  Save(dir, "harmonic-at-end", harmonic);

  std::string combination;
  Put<std::uint8_t>(combination, 0);
  Put<std::int32_t>(combination, 1001);
  Put<std::int32_t>(combination, 2);
  Put<std::uint8_t>(combination, 1);
  Put<std::uint16_t>(combination, 0), Put<std::uint8_t>(combination, 4), Put<std::int32_t>(combination, 4);
  for (std::int32_t code : {-888, 1000, 1001, -1, -999}) {
    Put<std::int32_t>(combination, code), Put<std::int32_t>(combination, 2), Put<double>(combination, -1.5);
  }
  Save(dir, "combination-past-1000", combination);

  std::string longLabel;
  Put<std::uint8_t>(longLabel, 0);
  Put<std::int32_t>(longLabel, 1);
  Put<std::int32_t>(longLabel, 2);
  Put<std::uint8_t>(longLabel, 0);
  Put<std::int32_t>(longLabel, -4), Put<std::int32_t>(longLabel, 0), Put<double>(longLabel, 0.0);
  for (int i = 0; i < 80; ++i) {
    Put<std::int32_t>(longLabel, 1 + i % 64), Put<std::int32_t>(longLabel, 9), Put<double>(longLabel, -123456.789);
  }
  Put<std::int32_t>(longLabel, -999), Put<std::int32_t>(longLabel, 0), Put<double>(longLabel, 0.0);
  Save(dir, "long-label", longLabel);
}

void SettingsSeeds(const fs::path& dir) {
  const std::string values[] = {
      "12000000", "8000000abc", "abc", "  -12", "\t+7x", "2147483647", "2147483648",
      "-2147483649", std::string(300, '9'), std::string(260, '1'), std::string("123\0 456", 8),
      "ab  ", "abcdefghijklmnopqrst", "abcdefghij  xyz", "    ", "",
  };
  int n = 0;
  for (const std::string& value : values) Save(dir, "value-" + std::to_string(++n), value);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 64;
  }
  const fs::path root = argv[1];
  for (const char* target : {"request", "labels", "settings"}) fs::create_directories(root / target);
  RequestSeeds(root / "request");
  LabelSeeds(root / "labels");
  SettingsSeeds(root / "settings");
  return 0;
}
