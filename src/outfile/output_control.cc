#include "outfile/output_control.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

#include "common/fixed_text.h"
#include "outfile/legacy_layouts.h"
#include "outfile/version_layout.h"

namespace viru4deduz {
namespace {

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

bool IsAcceptedVersion(std::int32_t version) { return LayoutOf(version) != nullptr; }

void ReadOutputControl(RecordReaders& readers, OutputData& out, std::int32_t& extractStatus,
                       int unit, const char* fileName, std::int32_t closeAfterRead) {
  RecordRuntime& runtime = readers.runtime();
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
  const VersionLayout* layout = LayoutOf(version);
  // Only the versions with case blocks give items 26 and 27 a meaning; an unknown code is
  // rejected below, whatever they hold.
  if (IgnoresCaseBlockItems(version)) c.item[26] = c.item[27] = 0;
  // A file is accepted by its version code alone: what its counts mean, negative ones included,
  // is decided where they are used.
  if (layout == nullptr) return fail();

  // What a file yields never depends on the file read before it. The legacy block fills only
  // part of each table, so those files start from empty tables; the other layouts overwrite
  // every entry, read or expanded (the names are emptied below where their read stops short),
  // which saves clearing a megabyte on every request.
  if (layout->legacyBlockWords > 0) t = LoadCaseTables{};
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

  if (layout->legacyBlockWords > 0) {
    if (!words(Entries(t.code, 1, layout->legacyBlockWords))) return fail();
    LegacyListSplit(out, layout->legacyBlockWords);
  } else if (!layout->currentTables) {
    if (!words(Entries(t.code, 1, layout->codeWords))) return fail();
    cursor.position = kDoubleStreamUsedUp;
    if (!reals(Entries(t.factor, 1, layout->realValues))) return fail();
    cursor.position = kWordStreamUsedUp;
    if (!words(Entries(t.option, 1, layout->optionWords))) return fail();
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
  if (layout->legacyBlockWords > 0) ConvertLegacyCaseLists(out);
  if (!layout->currentTables) ExpandCaseTables(out);

  // The names; an error here is reported by the reader and reading goes on, with the names
  // past the records that were read empty.
  const std::int32_t firstNameRecord = cursor.record + 1;
  std::int32_t nameRecord = firstNameRecord;
  readers.ReadTextStream(unit, nameRecord, Entries(t.names, 1, kNameTableChars), kNameTableChars,
                         0);
  const std::int64_t namesRead =
      std::min<std::int64_t>((std::int64_t{nameRecord} - firstNameRecord) * kRecordLength, kNameTableChars);
  std::fill(t.names.data() + std::max<std::int64_t>(namesRead, 0), t.names.data() + kNameTableChars, '\0');

  if (layout->extraTable) {
    cursor.record = nameRecord - 1;
    cursor.position = kWordStreamUsedUp;
    if (!words(Entries(t.extra, 1, kCaseTableRows))) return fail();
  } else {
    t.extra.Fill(0);
  }
  if (closeAfterRead & 1) runtime.Close(unit);
}

}  // namespace viru4deduz
