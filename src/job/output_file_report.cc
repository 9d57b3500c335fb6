#include "job/output_file_report.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "common/fixed_text.h"
#include "job/job_file.h"
#include "outfile/file_layout.h"
#include "outfile/results_block.h"
#include "outfile/version_layout.h"
#include "outfile/work_area.h"
#include "platform/file_system.h"
#include "platform/posix_record_runtime.h"

namespace viru4deduz {
namespace {

// Items that count something and so cannot be negative (the module refuses such a file).
constexpr int kCountItems[] = {9, 10, 11, 12, 14, 15, 16, 17, 23, 26};

// Reading results takes at most about one work-area word per byte of the file; counts that ask
// for much more do not fit the file, and are not given the memory.
constexpr std::int64_t kReadSlackWords = 1 << 20;

std::string Range(const RecordRange& r) {
  return r.name + " (records " + std::to_string(r.first) + "-" + std::to_string(r.last) + ")";
}

// Tells what each failed read was reading, where and why.
class FailureList final : public ReadReporter {
 public:
  explicit FailureList(std::vector<std::string>& problems) : problems_(problems) {}
  void Report(const ReadFailure& failure) override {
    if (failedRecord == 0 && failure.record > 0) failedRecord = failure.record;
    std::string text = "reading " + phase + " failed at record " + std::to_string(failure.record) +
                       ": " + failure.reason;
    if (failure.status != 0) text += " (status " + std::to_string(failure.status) + ")";
    problems_.push_back(text + "; the module's stop code is " + std::to_string(failure.stopCode));
  }
  std::string phase;
  std::int64_t failedRecord = 0;

 private:
  std::vector<std::string>& problems_;
};

// The control record as the module takes it: the case block items count only where the version
// has case blocks.
ControlData AsTheModuleReadsIt(ControlData control) {
  if (IgnoresCaseBlockItems(control.fileVersion())) control.item[26] = control.item[27] = 0;
  return control;
}

bool ReadControlRecord(OutputFileReport& report, ControlData& control, const std::string& outputName) {
  int error = 0;
  const std::unique_ptr<RandomAccessFile> file = DefaultFileSystem()->OpenForRead(outputName, &error);
  if (!file) {
    report.problems.push_back("the output file cannot be opened: " +
                              DefaultFileSystem()->ErrorText(error));
    return false;
  }
  report.opened = true;
  report.sizeBytes = file->Size();
  report.records = static_cast<std::int64_t>((report.sizeBytes + kRecordLength - 1) / kRecordLength);
  unsigned char record[kRecordLength] = {};  // bytes beyond the end read as zeros, as the runtime has it
  if (file->Read(0, sizeof record, record, &error) < 0) {
    report.problems.push_back("the control record cannot be read: " +
                              DefaultFileSystem()->ErrorText(error));
    return false;
  }
  report.controlRecordRead = true;
  if (report.sizeBytes < kRecordLength) {
    report.problems.push_back("the file is shorter than its control record: " +
                              std::to_string(report.sizeBytes) + " bytes");
  } else if (report.sizeBytes % kRecordLength != 0) {
    report.problems.push_back("the file ends inside record " + std::to_string(report.records) +
                              ", which holds " + std::to_string(report.sizeBytes % kRecordLength) +
                              " of its 256 bytes");
  }
  for (int k = 1; k <= 31; ++k) {
    if (k != 8) std::memcpy(&control.item[k], record + ControlItemOffset(k), 4);
  }
  std::memcpy(control.text, record + ControlItemOffset(8), sizeof control.text);
  return true;
}

bool CheckCounts(OutputFileReport& report, const ControlData& c) {
  report.versionRead = IsAcceptedVersion(c.fileVersion());
  if (!report.versionRead) {
    report.problems.push_back("not an output file: version " + std::to_string(c.fileVersion()) +
                              " is not one the module reads");
  }
  bool plausible = true;
  for (int k : kCountItems) {
    if (c.item[k] < 0 && (k != 26 || !IgnoresCaseBlockItems(c.fileVersion()))) {
      report.problems.push_back("item " + std::to_string(k) + " (" + ControlItemName(k) + ") is " +
                                std::to_string(c.item[k]) + ", and a count cannot be negative");
      plausible = false;
    }
  }
  report.neededWorkAreaWords = NeededWorkAreaWords(AsTheModuleReadsIt(c));
  return report.versionRead && plausible;
}

// The parts of the file in the order the readers take them, as the file's layout places them;
// none for a version the module does not read.
std::vector<RecordRange> NamedParts(const ControlData& c) {
  const VersionLayout* version = LayoutOf(c.fileVersion());
  if (version == nullptr) return {};
  const FileLayout l(*version, c);
  std::vector<RecordRange> parts = {{"control record", 1, 1}};
  const auto add = [&parts](const char* name, const RecordSpan& span) {
    parts.push_back({name, span.first, span.last});
  };
  if (version->legacyBlockWords > 0) {
    add("case lists (older layout)", l.legacyBlock);
  } else {
    add("case codes", l.codes);
    add("case factors and real options", l.reals);
    add("case options and factor decimals", l.options);
  }
  add("case names", l.names);
  if (version->extraTable) add("case extra table", l.extra);
  if (l.counts().caseBlocks > 0) add("case blocks", l.caseBlocks);
  add("results: nodes, restraint entries, hangers", l.sectionOne);
  add("results: loads and displacements", l.sectionTwo);
  return parts;
}

void CheckLayout(OutputFileReport& report, const ControlData& control) {
  report.layout = NamedParts(AsTheModuleReadsIt(control));
  std::vector<RecordRange> parts;
  for (const RecordRange& r : report.layout) {
    if (r.last < r.first) continue;  // an empty part lies nowhere
    parts.push_back(r);
    if (r.first < 1) {
      report.problems.push_back(r.name + " would begin at record " + std::to_string(r.first) +
                                ", before the file's first record");
    } else if (r.last > report.records) {
      report.problems.push_back(
          Range(r) + (r.first > report.records ? " lies beyond" : " runs past") +
          " the end of the file at record " + std::to_string(report.records) +
          (r.first > report.records ? "" : ": the file is truncated"));
    }
  }
  std::sort(parts.begin(), parts.end(),
            [](const RecordRange& a, const RecordRange& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].first <= parts[i - 1].last) {
      report.problems.push_back(Range(parts[i - 1]) + " and " + Range(parts[i]) + " overlap");
    }
  }
}

void CheckCaseLists(OutputFileReport& report, const OutputData& out) {
  int markers = 0;
  for (int i = 1; i <= kCodeTableSize && out.tables.code[i] != kEndOfCaseList; ++i) {
    const std::int32_t code = out.tables.code[i];
    if (code == kBasicCaseMarker || code == kCombinationCaseMarker || code == kHarmonicCaseMarker) {
      ++markers;
    }
  }
  report.loadCases = markers;
  const ControlData& c = out.control;
  int stored = std::min(markers, kMaxCases);
  if (MarksStoredCases(c.fileVersion())) {
    stored = static_cast<int>(std::count_if(out.legacy.fullListStart.data(),
                                            out.legacy.fullListStart.data() + kMaxCases,
                                            [](std::int32_t start) { return start != 0; }));
  }
  report.storedCases = stored;
  if (markers > kMaxCases) {
    report.problems.push_back("the case codes define " + std::to_string(markers) +
                              " load cases; the module lists the first 1000");
  }
  if (stored != c.resultCaseCount()) {
    report.problems.push_back("the case lists store results for " + std::to_string(stored) +
                              " load cases, but item 9 (resultCaseCount) says " +
                              std::to_string(c.resultCaseCount()));
  }
  if (c.skippedCaseCount() > markers) {
    report.problems.push_back("item 23 (skippedCaseCount) skips " +
                              std::to_string(c.skippedCaseCount()) + " cases of " +
                              std::to_string(markers));
  }
}

// Goes through the file with the module's readers, as a request does, with every failure
// reported instead of shown.
void ReadWithModule(OutputFileReport& report, const std::string& outputName) {
  PosixRecordRuntime records(*DefaultFileSystem());
  RecordIo io;
  const auto output = std::make_unique<OutputData>();
  FailureList failures(report.problems);
  JobFile job(records, io, *output, failures);
  struct CloseOnExit {
    JobFile& job;
    ~CloseOnExit() { job.Close(); }
  } closeOnExit{job};
  RecordReaders& readers = job.readers();

  const std::size_t problemsBefore = report.problems.size();
  failures.phase = "the load case tables";
  if (!job.Open(outputName)) {
    if (report.problems.size() == problemsBefore) {
      report.problems.push_back("the module cannot read the load case tables");
    }
    return;
  }
  CheckCaseLists(report, *output);

  const ControlData& c = job.control();
  const std::int64_t caseBlockWords = 8 * static_cast<std::int64_t>(c.caseBlockCount());
  const std::int64_t restraintWords = RestraintLayoutWords(c);
  const std::int64_t limit = static_cast<std::int64_t>(report.sizeBytes) + kReadSlackWords;
  if (restraintWords < 0 || restraintWords > limit || caseBlockWords > limit) {
    report.problems.push_back("the results were not read: the counts ask for more work area than a "
                              "file of this size can fill");
    return;
  }
  std::vector<std::int32_t> area(static_cast<std::size_t>(caseBlockWords + restraintWords) + 1);
  const std::span<std::int32_t> work(area);
  const ResultsCounts& counts = job.layout().counts();
  const std::int64_t r = counts.entries;
  const WorkAreaRegions g = LayOutRegions(counts);  // laid out as a request lays them out

  failures.phase = "the case blocks";
  ReadCaseBlocks(readers, c.caseBlockCount(), work.first(static_cast<std::size_t>(caseBlockWords)),
                 kOutputUnit, c.caseBlockRecord());
  failures.phase = "the results block";
  const ResultsShape shape{c.fileVersion(), c.nodeCount(), static_cast<std::int32_t>(r),
                           c.hangerCount(), c.resultCaseCount(), c.resultStartRecord()};
  ReadResultsBlock(readers, work, shape, kOutputUnit, g);
  report.failedRecord = failures.failedRecord;
}

}  // namespace

namespace api {

const char* ControlItemName(int item) {
  switch (item) {
    case 1: return "fileVersion";
    case 8: return "text";
    case 9: return "resultCaseCount";
    case 10: return "elementSetCountA";
    case 11: return "elementSetCountB";
    case 12: return "nodeCount";
    case 14: return "elementCount";
    case 15: return "hangerCount";
    case 16: return "resultCountB";
    case 17: return "resultCountC";
    case 20: return "resultStartRecord";
    case 23: return "skippedCaseCount";
    case 26: return "caseBlockCount";
    case 27: return "caseBlockRecord";
    default: return "";
  }
}

}  // namespace api

OutputFileReport InspectOutputFile(const std::string& outputName, const std::string& shownName) {
  OutputFileReport report;
  report.outputFile = shownName;
  ControlData control;
  if (!ReadControlRecord(report, control, outputName)) return report;
  std::copy(std::begin(control.item), std::end(control.item), report.items.begin());
  report.text = TrimmedText(control.text, sizeof control.text);
  const ControlData& c = control;
  report.counts = {{"nodes", c.nodeCount()},
                   {"hangers", c.hangerCount()},
                   {"restraint entries",
                    static_cast<std::int64_t>(c.hangerCount()) + c.resultCountB() + c.resultCountC()},
                   {"result cases", c.resultCaseCount()},
                   {"skipped cases", c.skippedCaseCount()},
                   {"case blocks", IgnoresCaseBlockItems(c.fileVersion()) ? 0 : c.caseBlockCount()},
                   {"elements", c.elementCount()}};
  const bool readable = CheckCounts(report, control);
  if (report.versionRead) CheckLayout(report, control);
  if (readable) ReadWithModule(report, outputName);
  return report;
}

}  // namespace viru4deduz
