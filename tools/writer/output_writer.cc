#include "writer/output_writer.h"

#include "writer/legacy_block.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace viru4deduz::writer {
namespace {

constexpr int kRecord = 256;
constexpr float kNotSet = -1.0101f;

// Appends streams to a file of 256-byte records. Every stream begins on a fresh record; packed
// reals take 85 to a record and leave its last byte unused.
class RecordFile {
 public:
  std::int32_t NextRecord() const { return static_cast<std::int32_t>(bytes_.size() / kRecord) + 1; }
  std::int32_t LastRecord() const { return static_cast<std::int32_t>((bytes_.size() + kRecord - 1) / kRecord); }

  void EndStream() {
    bytes_.resize((bytes_.size() + kRecord - 1) / kRecord * kRecord, '\0');
    packedInRecord_ = 0;
  }
  void Word(std::int32_t value) { Raw(&value, 4); }
  void Real(float value) { Raw(&value, 4); }
  void Double(double value) { Raw(&value, 8); }
  void Text(const std::string& text, std::size_t width) {
    std::string field = text.substr(0, width);
    field.resize(width, ' ');
    bytes_ += field;
  }
  void Packed(float value) {
    const auto packed = PackReal3(value);
    Raw(packed.data(), 3);
    if (++packedInRecord_ == 85) {
      bytes_.push_back('\0');
      packedInRecord_ = 0;
    }
  }
  std::string& bytes() { return bytes_; }

 private:
  void Raw(const void* data, std::size_t n) { bytes_.append(static_cast<const char*>(data), n); }
  std::string bytes_;
  int packedInRecord_ = 0;
};

template <typename T>
T At(const std::vector<T>& values, std::size_t i, T fallback) {
  return i < values.size() ? values[i] : fallback;
}

void WriteTables(const OutputJob& job, RecordFile& file) {
  const std::int32_t v = job.version;
  auto option = [&](int caseIndex, int column) {
    auto it = job.options.find({caseIndex, column});
    return it != job.options.end() ? it->second : -1;
  };
  auto realOption = [&](int caseIndex, int column) {
    auto it = job.realOptions.find({caseIndex, column});
    return it != job.realOptions.end() ? it->second : static_cast<double>(kNotSet);
  };
  if (v < 1400) {
    const std::size_t words = v < 500 ? 210 : v < 1000 ? 460 : 2300;
    const std::vector<std::int32_t> block = job.legacyBlock.empty() ? LegacyBlockOf(job) : job.legacyBlock;
    for (std::size_t i = 0; i < words; ++i) file.Word(At(block, i, 0));
    file.EndStream();
    return;
  }
  const int codes = v < 1520 ? 3000 : 30000;
  const int cases = v < 1520 ? 100 : 1000;
  for (int i = 0; i < codes; ++i) file.Word(At(job.codes, static_cast<std::size_t>(i), 0));
  file.EndStream();
  for (int i = 0; i < codes; ++i) file.Double(At(job.factors, static_cast<std::size_t>(i), 1.0));
  for (int j = 1; j <= 5; ++j) {
    for (int i = 1; i <= cases; ++i) file.Double(realOption(i, j));
  }
  file.EndStream();
  for (int j = 1; j <= 20; ++j) {
    for (int i = 1; i <= cases; ++i) file.Word(option(i, j));
  }
  for (int i = 0; i < codes; ++i) file.Word(At(job.decimals, static_cast<std::size_t>(i), 0));
  file.EndStream();
}

void WriteResults(const OutputJob& job, RecordFile& file, std::int32_t resultCases) {
  const std::int32_t v = job.version;
  const std::size_t entries = job.restraints.size();
  for (std::int32_t node : job.nodes) file.Word(node);
  if (entries >= 1) {
    for (const RestraintEntry& e : job.restraints) file.Word(e.node);
    for (const RestraintEntry& e : job.restraints) file.Word(e.tag);
    for (std::int32_t h = 0; h < job.hangerCount; ++h) {
      const auto* words = static_cast<std::size_t>(h) < job.hangerRecords.size()
                              ? &job.hangerRecords[static_cast<std::size_t>(h)]
                              : nullptr;
      for (int w = 0; w < HangerWords(v); ++w) {
        file.Word(words != nullptr ? At(*words, static_cast<std::size_t>(w), 0) : 0);
      }
    }
  }
  file.EndStream();
  auto value = [&](float x) {
    if (v < 1510) {
      file.Packed(x);
    } else {
      file.Real(x);
    }
  };
  const int perEntry = v >= 1530 ? 12 : 6;
  if (entries >= 1) {
    for (std::int32_t k = 0; k < resultCases; ++k) {
      for (std::size_t e = 0; e < entries; ++e) {
        std::array<float, 12> group{};
        if (static_cast<std::size_t>(k) < job.loads.size() && e < job.loads[static_cast<std::size_t>(k)].size()) {
          group = job.loads[static_cast<std::size_t>(k)][e];
        }
        for (int m = 0; m < perEntry; ++m) value(group[static_cast<std::size_t>(m)]);
      }
    }
  }
  for (std::int32_t k = 0; k < resultCases; ++k) {
    for (std::size_t n = 0; n < job.nodes.size(); ++n) {
      std::array<float, 6> group{};
      if (static_cast<std::size_t>(k) < job.displacements.size() &&
          n < job.displacements[static_cast<std::size_t>(k)].size()) {
        group = job.displacements[static_cast<std::size_t>(k)][n];
      }
      for (float x : group) value(x);
    }
  }
  file.EndStream();
}

void PutWord(std::string& bytes, int offset, std::int32_t value) {
  std::memcpy(bytes.data() + offset, &value, 4);
}

int ItemOffset(int k) { return k <= 7 ? (k - 1) * 4 : 128 + (k - 9) * 4; }

}  // namespace

int HangerWords(std::int32_t version) {
  if (version < 1400) return 37;
  return version < 1530 ? 61 : 64;
}

std::array<unsigned char, 3> PackReal3(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  const std::uint32_t sign = bits >> 31;
  std::int32_t exponent = static_cast<std::int32_t>((bits >> 23) & 0xFF) - 96;
  std::uint32_t fraction = ((bits & 0x7FFFFF) + 32) >> 6;  // nearest 17-bit fraction
  if (fraction == (1u << 17)) {
    fraction = 0;
    ++exponent;
  }
  if (exponent < 0) exponent = 0, fraction = 0;  // below the smallest magnitude, 2^-31
  if (exponent > 63) exponent = 63, fraction = (1u << 17) - 1;  // above the largest
  const std::uint32_t w = (sign << 15) | (static_cast<std::uint32_t>(exponent) << 9) | (fraction >> 8);
  return {static_cast<unsigned char>(fraction & 0xFF), static_cast<unsigned char>(w & 0xFF),
          static_cast<unsigned char>(w >> 8)};
}

std::string WriteControlRecord(std::int32_t version, const std::map<int, std::int32_t>& items) {
  std::string bytes(kRecord, '\0');
  PutWord(bytes, 0, version);
  std::memset(bytes.data() + 28, ' ', 100);
  for (const auto& [k, value] : items) {
    if (k >= 1 && k <= 31 && k != 8) PutWord(bytes, ItemOffset(k), value);
  }
  return bytes;
}

std::string WriteOutputFile(const OutputJob& job, FileMap* map) {
  const std::int32_t v = job.version;
  RecordFile file;
  file.bytes().assign(kRecord, '\0');  // the control record, filled in last
  FileMap where;

  where.tablesFirst = file.NextRecord();
  WriteTables(job, file);
  where.tablesLast = file.LastRecord();

  where.namesFirst = file.NextRecord();
  for (int i = 0; i < 1000; ++i) file.Text(At(job.names, static_cast<std::size_t>(i), std::string()), 132);
  file.EndStream();
  where.namesLast = file.LastRecord();

  if (v >= 1530) {
    where.extraFirst = file.NextRecord();
    for (int i = 0; i < 1000; ++i) file.Word(At(job.extra, static_cast<std::size_t>(i), 0));
    file.EndStream();
    where.extraLast = file.LastRecord();
  }

  where.unreadFirst = file.NextRecord();
  for (std::int64_t w = 0; w < std::int64_t{64} * job.unreadRecords; ++w) file.Word(static_cast<std::int32_t>(w));
  file.EndStream();
  where.unreadLast = file.LastRecord();

  // The case blocks come before the results block, so that a request reads the file front to back.
  const bool withCaseBlocks = v >= 1440 && !job.caseBlocks.empty();
  if (withCaseBlocks) {
    where.caseBlocksFirst = file.NextRecord();
    for (const auto& block : job.caseBlocks) {
      for (std::int32_t word : block) file.Word(word);
    }
    file.EndStream();
    where.caseBlocksLast = file.LastRecord();
  }

  const std::int32_t resultCases =
      static_cast<std::int32_t>(std::max(job.loads.size(), job.displacements.size()));
  where.resultsFirst = file.NextRecord();
  WriteResults(job, file, resultCases);
  where.resultsLast = file.LastRecord();

  where.records = file.LastRecord();

  const std::int32_t entries = static_cast<std::int32_t>(job.restraints.size());
  std::map<int, std::int32_t> items = {
      {9, resultCases},
      {10, job.elementSetCountA},
      {11, job.elementSetCountB},
      {12, static_cast<std::int32_t>(job.nodes.size())},
      {14, job.elementCount},
      {15, job.hangerCount},
      {16, job.resultCountB},
      {17, entries - job.hangerCount - job.resultCountB},
      {20, where.resultsFirst},
      {21, job.unreadRecords > 0 ? where.unreadFirst : 0},
      {23, job.skippedCaseCount},
      {26, withCaseBlocks ? static_cast<std::int32_t>(job.caseBlocks.size()) : 0},
      {27, withCaseBlocks ? where.caseBlocksFirst : 0},
  };
  for (const auto& [k, value] : job.itemOverrides) items[k] = value;
  const std::string control = WriteControlRecord(v, items);
  std::string bytes = std::move(file.bytes());
  std::memcpy(bytes.data(), control.data(), kRecord);
  if (map != nullptr) *map = where;
  return bytes;
}

}  // namespace viru4deduz::writer
