// The settings class over the scripted store: its two values, and its store's failures in a request.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "settings/talvor_registry.h"
#include "testing/test_support.h"

namespace viru4deduz::testing {
namespace {

using Lines = std::vector<std::string>;
constexpr char kSettingsKey[] = "Software\\Ostrel\\TALVOR\\5.30\\Settings";
constexpr char kWorkArea[] = "XMS Memory Allocated";

// Every message box shown, as "caption|text|type".
Lines Boxes(const ScriptedUserInterface& ui) {
  Lines boxes;
  for (const auto& m : ui.messages) boxes.push_back(m.caption + "|" + m.text + "|" + std::to_string(m.type));
  return boxes;
}

TEST(SettingsTest, WorkAreaSizeIsTheLeadingNumberSaturatedOrTheDefaultStoredInPlace) {
  const struct { std::optional<std::string> stored; std::int32_t size; } rows[] = {  // nullopt: missing
      {std::nullopt, 12000000}, {"", 12000000}, {std::string(261, '9'), 12000000},  // too long to read
      {std::string(260, '9'), INT32_MAX}, {"8000000abc", 8000000}, {"abc", 0}, {"  -12", -12}, {"\t+7x", 7},
      {"   ", 0}, {"2147483647", INT32_MAX}, {"2147483648", INT32_MAX}, {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN}, {"-" + std::string(259, '9'), INT32_MIN},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.stored.value_or("(missing)").substr(0, 12));
    ScriptedSettingsStore store;
    ScriptedUserInterface ui;
    if (row.stored) store.PutValue(kSettingsKey, kWorkArea, *row.stored);
    EXPECT_EQ(CTalvorRegistry(store, ui).GetWorkAreaSize(), row.size);
    const bool tooLong = row.stored && row.stored->size() > 260;
    EXPECT_EQ(Boxes(ui), tooLong ? Lines{"Registry Error|Scripted error 234|64"} : Lines{});
    EXPECT_EQ(store.Value(kSettingsKey, kWorkArea), row.size == 12000000 ? "12000000" : row.stored);
    // Only a missing value gets the empty subkey of its name.
    EXPECT_EQ(store.HasKey(std::string(kSettingsKey) + "\\" + kWorkArea), !row.stored);
  }
}

TEST(SettingsTest, ChainUserIsCutToItsRoomThenLosesTrailingBlanks) {
  const struct { std::optional<std::string> stored; std::string user; } rows[] = {
      {std::nullopt, ""}, {"", ""}, {"ab  ", "ab"}, {"    ", ""}, {std::string("ab\0cd", 5), "ab"},
      {"abcdefghijklmnopqrst", "abcdefghijk"}, {"abcdefghij  xyz", "abcdefghij"},
  };
  for (const auto& row : rows) {
    ScriptedSettingsStore store;
    ScriptedUserInterface ui;
    if (row.stored) store.PutValue(kSettingsKey, "VESKO_USER", *row.stored);
    char user[12];
    std::memset(user, '#', sizeof user);
    int length = -1;
    GetChainUser(store, ui, user, sizeof user, &length);
    EXPECT_EQ(user, row.user) << row.stored.value_or("(missing)");
    EXPECT_EQ(length, static_cast<int>(row.user.size()));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(store.Value(kSettingsKey, "VESKO_USER"), row.stored);
    GetChainUser(store, ui, nullptr, 0, &length);
    EXPECT_EQ(length, 0);
  }
}

TEST(SettingsTest, IndexOutsideTheTableIsRefusedWithADebugMessage) {
  const std::string debug = "Debug Error Only!";
  const std::string beyond = "CTalvorRegistry::GetKey() called with value beyond the array";
  ScriptedSettingsStore store;
  ScriptedUserInterface ui;
  for (int index : {-1, kSettingNameCount}) {
    ui.messages.clear();
    EXPECT_EQ(CTalvorRegistry(store, ui).GetKey(index), "Bogus Value");
    CTalvorRegistry(store, ui).SetKey(index, "x");
    EXPECT_EQ(Boxes(ui), (Lines{beyond + "|" + debug + "|16", debug + "|" + beyond + "|16"}));
  }
  for (const auto& call : store.calls) EXPECT_NE(call.op, ScriptedSettingsStore::Op::kSetValue);
}

// Each store operation of a request failed on its own, in a request on a file cut inside its
// results: the default work area serves, and the fatal stop reads the chain file's user text. A
// key that cannot be opened is reported with what the query of the unopened key returned (the
// invalid handle), and the failed store under the module's caption.
TEST(SettingsTest, EachStoreOperationFailingInARequestIsReportedAndTheRequestGoesOn) {
  using Store = ScriptedSettingsStore;
  const std::string error = "Registry Error|Scripted error 5|64", update = "VirU4Deduz|Unable to update registry|48";
  const std::string unopened = "Registry Error|Scripted error 6|64";
  const struct {
    const char* what;
    void (*inject)(Store&);
    Lines workAreaBoxes, chainBoxes;
    const char* chainFile;
  } faults[] = {
      {"open Software", [](Store& s) { s.FailCreateKey("Software", 5); }, {unopened, update}, {unopened}, "x4chain."},
      {"open 5.30", [](Store& s) { s.FailCreateKey("5.30", 5); }, {unopened, update}, {unopened}, "x4chain."},
      {"open Settings", [](Store& s) { s.FailCreateKey("Settings", 5); }, {unopened, update}, {unopened}, "x4chain."},
      {"query work area", [](Store& s) { s.FailQueryValue(kWorkArea, 5); }, {error}, {}, "x4chain.ab"},
      {"store work area", [](Store& s) { s.FailSetValue(kWorkArea, 5); }, {update}, {}, "x4chain.ab"},
      {"mark work area missing", [](Store& s) { s.FailCreateKey(kWorkArea, 5); }, {}, {}, "x4chain.ab"},
      {"query chain user", [](Store& s) { s.FailQueryValue("VESKO_USER", 5); }, {}, {error}, "x4chain."},
  };
  writer::FileMap map;
  const std::string whole = writer::WriteOutputFile(RichJob(1531), &map);
  for (const auto& fault : faults) {
    SCOPED_TRACE(fault.what);
    ScriptedModule m;
    m.AddFile("/J/CUT._P", whole.substr(0, static_cast<std::size_t>(map.resultsLast - 1) * 256));
    m.settings.PutValue(kSettingsKey, "VESKO_USER", "ab");
    fault.inject(m.settings);
    Request r("/J/CUT._P", 1, 20, 0, 1);
    r.RunOn(m.module);
    Lines expected = fault.workAreaBoxes;
    expected.insert(expected.end(), fault.chainBoxes.begin(), fault.chainBoxes.end());
    expected.push_back("VirU4Deduz|No output available for this TALVOR job.|16");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Boxes(m.ui), expected);
    EXPECT_EQ(m.files.Find(fault.chainFile) ? *m.files.Find(fault.chainFile) : "(none)", "D4ODUDO.EXE 409\n");
    EXPECT_EQ(m.settings.OpenHandleCount(), 0u);
  }
}

}  // namespace
}  // namespace viru4deduz::testing
