#include "outfile/output_control.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "common/fixed_text.h"
#include "outfile/legacy_layouts.h"

namespace viru4deduz {
namespace {

constexpr std::int32_t kAcceptedVersions[] = {110,  111,  210,  211,  610,  611,  710,  711,
                                              1111, 1211, 1430, 1431, 1440, 1441, 1450, 1451,
                                              1510, 1511, 1520, 1521, 1530, 1531};

std::int32_t LoadWord(const unsigned char* bytes) {
  std::int32_t value;
  std::memcpy(&value, bytes, 4);  // the file is little-endian, as is every machine we build for
  return value;
}

template <typename T, int N>
std::span<T> Entries(Table<T, N>& table, int first, int count) {
  return std::span<T>(table.data() + (first - 1), static_cast<std::size_t>(count));
}

bool Failed(const RecordReaders& readers) {
  return (readers.io().ioErrorFlag & 1) != 0;
}

}  // namespace

bool IsAcceptedVersion(std::int32_t version) {
  return std::find(std::begin(kAcceptedVersions), std::end(kAcceptedVersions), version) !=
         std::end(kAcceptedVersions);
}

void ReadOutputControl(RecordReaders& readers, OutputData& out, std::int32_t& extractStatus,
                       int unit, const char* fileName, std::int32_t closeAfterRead) {
  RecordRuntime& runtime = *readers.env().records;
  ControlData& c = out.control;
  LoadCaseTables& t = out.tables;
  auto fail = [&] {
    extractStatus = -1;
    if (closeAfterRead & 1) runtime.Close(unit);
  };

  extractStatus = 0;
  const std::string name = TrimmedText(fileName, 256);
  if (!runtime.Inquire(name)) {
    extractStatus = -1;
    return;
  }
  runtime.Open(unit, name);

  // The control record, in one transfer. A file too short to hold all of it reads as zeros
  // beyond its end; an open that failed shows here as a failed transfer.
  unsigned char record[kRecordLength];
  if (runtime.ReadRecord(unit, 1, record) > 0) return fail();
  for (int k = 1; k <= 31; ++k) {
    if (k != 8) c.item[k] = LoadWord(record + ControlItemOffset(k));
  }
  std::memcpy(c.text, record + ControlItemOffset(8), sizeof c.text);
  const std::int32_t version = c.fileVersion();
  if (version < 1440) c.item[26] = c.item[27] = 0;
  // A file is accepted by its version code alone: what its counts mean, negative ones included,
  // is decided where they are used.
  if (!IsAcceptedVersion(version)) return fail();

  // Every request starts from empty tables, so that what a file yields never depends on the
  // file read before it (older layouts fill only part of each table).
  t = LoadCaseTables{};
  out.legacy = LegacyArrays{};

  // A table that cannot be read leaves the tables half-filled: such a file is not a readable
  // output, so the request ends as for a missing file (the reader has already reported).
  StreamCursor cursor{1, kWordStreamUsedUp};
  auto words = [&](std::span<std::int32_t> dest) {
    readers.QREAD4(dest, unit, static_cast<int>(dest.size()), cursor, 0);
    return !Failed(readers);
  };
  auto reals = [&](std::span<double> dest) {
    readers.ReadDoubleStream(dest, unit, static_cast<int>(dest.size()), cursor, 0);
    return !Failed(readers);
  };

  if (version < 1400) {
    const int blockWords = version < 500 ? 210 : version < 1000 ? 460 : 2300;
    if (!words(Entries(t.code, 1, blockWords))) return fail();
    LegacyListSplit(out, blockWords);
  } else if (version < 1520) {
    if (!words(Entries(t.code, 1, 3000))) return fail();
    cursor.position = kDoubleStreamUsedUp;
    if (!reals(Entries(t.factor, 1, 3500))) return fail();
    cursor.position = kWordStreamUsedUp;
    if (!words(Entries(t.option, 1, 5000))) return fail();
    // These streams hold the 100-case form of the current layout: their tails are the real
    // options (reals 3001..3500) and the factor decimals (words 2001..5000). They are taken from
    // there, so that labels show the decimals the analysis wrote.
    for (int i = 1; i <= 500; ++i) t.realOption[i] = t.factor[3000 + i];
    for (int i = 1; i <= 3000; ++i) t.factorDecimals[i] = t.option[2000 + i];
  } else {
    if (!words(Entries(t.code, 1, kCodeTableSize))) return fail();
    cursor.position = kDoubleStreamUsedUp;
    if (!reals(Entries(t.factor, 1, kCodeTableSize))) return fail();
    if (!reals(Entries(t.realOption, 1, kCaseTableRows * kRealOptionColumns))) return fail();
    cursor.position = kWordStreamUsedUp;
    if (!words(Entries(t.option, 1, kCaseTableRows * kOptionColumns))) return fail();
    if (!words(Entries(t.factorDecimals, 1, kCodeTableSize))) return fail();
  }
  if (version < 1400) ConvertLegacyCaseLists(out);
  if (version < 1520) ExpandCaseTables(out);

  // The names; an error here is reported by the reader and reading goes on.
  std::int32_t nameRecord = cursor.record + 1;
  readers.ReadTextStream(unit, nameRecord, Entries(t.names, 1, kNameTableChars), kNameTableChars,
                         0);

  if (version >= 1530) {
    cursor.record = nameRecord - 1;
    cursor.position = kWordStreamUsedUp;
    if (!words(Entries(t.extra, 1, kCaseTableRows))) return fail();
  }
  if (closeAfterRead & 1) runtime.Close(unit);
}

}  // namespace viru4deduz
