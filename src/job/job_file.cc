#include "job/job_file.h"

#include <algorithm>

#include "common/fixed_text.h"
#include "loadcases/case_labels.h"
#include "loadcases/load_case_select.h"
#include "outfile/output_control.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

// The layout of a file of no version the module reads (one not opened): no tables, no results.
FileLayout LayoutOf(const ControlData& c) {
  static constexpr VersionLayout kNoVersion{};
  const VersionLayout* version = viru4deduz::LayoutOf(c.fileVersion());
  return FileLayout(version != nullptr ? *version : kNoVersion, version != nullptr ? c : ControlData{});
}

bool IsCaseMarker(std::int32_t code) {
  return code == kBasicCaseMarker || code == kCombinationCaseMarker || code == kHarmonicCaseMarker;
}

}  // namespace

JobFile::JobFile(RecordRuntime& runtime, RecordIo& io, OutputData& output, ReadReporter& reporter)
    : runtime_(runtime), output_(output), readers_(runtime, io, reporter), layout_(LayoutOf(ControlData{})) {}

bool JobFile::Open(const std::string& fileName) {
  char name[256];
  SetField(name, sizeof name, fileName);
  std::int32_t status = 0;
  ReadOutputControl(readers_, output_, status, kOutputUnit, name, 0);
  if (status & 1) return false;
  layout_ = LayoutOf(output_.control);
  ListCases();
  return true;
}

void JobFile::Close() { runtime_.Close(kOutputUnit); }

// caseStarts_[k] is the position just after the k-th case's marker. Markers past the 1000th have
// no place in the table and are not listed.
//
// The markers and the end code are negative and most entries are not, so a group of eight
// entries none of which is negative holds neither and is passed over as a whole. A table that
// was cut short reads as zeros and has no end code: all 30,000 entries are looked at, and in the
// instrumented builds, where every comparison is a call, that scan entry by entry was a good
// part of what such a request cost.
void JobFile::ListCases() {
  const std::int32_t* const code = output_.tables.code.data();  // code[p - 1] is entry p
  caseStarts_.Fill(0);
  caseCount_ = 0;
  constexpr int kGroup = 8;
  static_assert(kCodeTableSize % kGroup == 0);
  for (int first = 1; first <= kCodeTableSize; first += kGroup) {
    std::int32_t anyNegative = 0;
    for (int j = 0; j < kGroup; ++j) anyNegative |= code[first - 1 + j];
    if (anyNegative >= 0) continue;
    for (int p = first; p < first + kGroup; ++p) {
      const std::int32_t entry = code[p - 1];
      if (entry == kEndOfCaseList) return;
      if (!IsCaseMarker(entry)) continue;
      if (caseCount_ == kMaxCases) return;
      caseStarts_[++caseCount_] = p + 1;
    }
  }
}

std::optional<std::string> JobFile::Label(int k) const {
  char lines[kLabelLineCount * kLabelLineWidth];
  std::int32_t lineCount = 0;
  std::int32_t status = 0;
  BuildCaseLabel(caseStarts_, output_.tables, k, lines, lineCount, status);
  if (status & 1) return std::nullopt;
  const int n = std::min(TrimmedLength(lines, kLabelLineWidth, kLabelLineWidth), kCaseLabelWidth);
  return std::string(lines, static_cast<std::size_t>(n));
}

std::int32_t JobFile::StoredOrdinal(int k) {
  std::int32_t ordinal = 0;
  CountStoredCases(readers_.reporter(), caseStarts_, k, ordinal, output_.legacy.fullListStart,
                   output_.control.fileVersion());
  return ordinal;
}

std::int32_t JobFile::StoredOrdinalQuietly(int k) const {
  std::int32_t ordinal = 0;
  CountStoredCasesQuietly(caseStarts_, k, ordinal, output_.legacy.fullListStart,
                          output_.control.fileVersion());
  return ordinal;
}

bool JobFile::HasStoredResults(int k) const {
  if (!CaseHasStoredResults(caseStarts_, k, output_.legacy.fullListStart, output_.control.fileVersion())) {
    return false;
  }
  const std::int32_t ordinal = StoredOrdinalQuietly(k);
  return ordinal >= 1 && ordinal <= layout_.counts().cases;
}

bool JobFile::HoldsEveryResultsRecord() {
  const std::int64_t records = runtime_.RecordCount(kOutputUnit);
  return records >= 0 && layout_.FullReadFits(records);
}

bool JobFile::ResultsReadable() {
  if (HoldsEveryResultsRecord()) return true;
  const std::int64_t whole = runtime_.RecordCount(kOutputUnit);
  unsigned char record[kRecordLength];
  return whole >= 0 && layout_.FullReadFits(whole + 1) &&
         runtime_.ReadRecord(kOutputUnit, whole + 1, record) < 0;
}

bool JobFile::StillAsOpened() { return runtime_.StillAsOpened(kOutputUnit); }

bool JobFile::ReadSectionOne(std::int64_t word, std::int64_t count, std::vector<std::int32_t>& out) {
  if (!ResultsReadable()) return false;
  out.assign(static_cast<std::size_t>(count), 0);
  ResultsValueReader reader(runtime_, kOutputUnit, layout_);
  return reader.SectionOneWords(word, count, out.data());
}

std::optional<std::vector<std::int32_t>> JobFile::ReadNodeList() {
  std::vector<std::int32_t> nodes;
  if (!ReadSectionOne(0, layout_.counts().nodes, nodes)) return std::nullopt;
  return nodes;
}

std::optional<std::vector<std::int32_t>> JobFile::ReadRestraintNodes() {
  std::vector<std::int32_t> nodes;
  if (!ReadSectionOne(layout_.RestraintNodesWord(), layout_.counts().entries, nodes)) return std::nullopt;
  return nodes;
}

// The sums are made by the same operations as from a work area holding the whole results, so
// they agree bit for bit.
ResultsRead JobFile::ReadLoadsOf(std::int32_t ordinal, std::span<const std::size_t> entries, float* set,
                                 bool round) {
  if (entries.empty()) return ResultsRead::kNoRestraint;
  std::vector<std::int32_t> groups(6 * entries.size());
  ResultsValueReader reader(runtime_, kOutputUnit, layout_);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (int v = 0; v < 6; ++v) {
      const std::int64_t value = layout_.LoadValue(ordinal, static_cast<std::int64_t>(entries[i]), v);
      if (!reader.SectionTwoValue(value, groups[6 * i + static_cast<std::size_t>(v)])) return ResultsRead::kFailed;
    }
  }
  AddAndRoundLoads(groups, set, round);
  return ResultsRead::kRead;
}

ResultsRead JobFile::ReadDisplacementsAt(std::int32_t ordinal, std::span<const std::int32_t> nodeList,
                                         std::span<const int> nodes, float* sets) {
  const auto count = static_cast<std::int32_t>(nodeList.size());
  ResultsValueReader reader(runtime_, kOutputUnit, layout_);
  for (std::size_t set = 0; set < nodes.size(); ++set) {
    const std::int64_t j = FirstPosition(nodeList, count, nodes[set]);
    if (j < 0) continue;
    std::int32_t group[6];
    for (int v = 0; v < 6; ++v) {
      if (!reader.SectionTwoValue(layout_.DisplacementValue(ordinal, j, v), group[v])) return ResultsRead::kFailed;
    }
    DisplacementSet(group, sets + 6 * set);
  }
  return ResultsRead::kRead;
}

bool JobFile::ReadCaseLoads(std::int32_t ordinal, std::vector<std::int32_t>& words) {
  if (!ResultsReadable()) return false;
  const std::int64_t count = layout_.counts().entries * loadValuesPerEntry();
  words.resize(static_cast<std::size_t>(count));
  if (count == 0) return true;
  ResultsValueReader reader(runtime_, kOutputUnit, layout_);
  return reader.SectionTwoValues(layout_.LoadValue(ordinal, 0, 0), count, words.data());
}

}  // namespace viru4deduz
