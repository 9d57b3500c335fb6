// GetLoads as a host calls it: the built shared module loaded with dlopen, its entry point found
// by its decorated name, files on disk made by the project's writer, and the user interface
// replaced through the module's hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "test_support.h"

namespace viru4deduz::testing {
namespace {

using GetLoadsTest = HostTest;

TEST_F(GetLoadsTest, EmptyPathOpensTheDialogAndCancelEndsSilently) {
  Request r("");
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(ui_.fileDialogs.size(), 1u);
  EXPECT_EQ(ui_.fileDialogs[0].filter, "Piping (*.X4)|*.X4|Piping (pre-5.0, *._P)|*._P||");
  EXPECT_EQ(ui_.fileDialogs[0].flags, 0x22180Cul);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, MissingJobOpensTheDialogAndLeavesTheOutputFormInTheHostBuffer) {
  const std::string given = dir_ / "pipe1.x4";
  Request r(given);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ui_.fileDialogs.size(), 1u);
  EXPECT_STREQ(r.jobPath, (dir_ / "pipe1._p").c_str());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, MissingOrUnreadableOutputSaysNoOutputAvailable) {
  WriteFile(dir_ / "chosen.x4", "job");  // a job whose analysis never ran
  WriteFile(dir_ / "v1110._p", writer::WriteControlRecord(1110));
  WriteFile(dir_ / "v1210._p", writer::WriteControlRecord(1210));
  WriteFile(dir_ / "v1500._p", writer::WriteControlRecord(1500));
  WriteFile(dir_ / "empty._p", "");
  ui_.fileAnswers.push_back(dir_ / "chosen.x4");
  for (const char* job : {"nosuch.x4", "v1110.x4", "v1210.x4", "v1500.x4", "empty.x4"}) {
    SCOPED_TRACE(job);
    ui_.messages.clear();
    Request r(dir_ / job);
    r.Run(module_.getLoads);
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "No output available for this TALVOR job.");
    EXPECT_EQ(ui_.messages[0].type & 0xF0u, 0x10u);
  }
}

TEST_F(GetLoadsTest, LowerCasePathIsFoundAndComesBackUpperCase) {
  const std::string jobPath = AddJob("pipe1", SmallJob());
  Request r(jobPath, 1, 10);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0) << (ui_.messages.empty() ? "" : ui_.messages[0].text);
  EXPECT_STREQ(r.jobPath, Upper(dir_ / "pipe1._p").c_str());
  // Node 10 carries two entries: 1.25 + 1.0 = 2.25 -> 2, -2 - 0.75 -> -3, 3.5 -> 4 (halves away
  // from zero), 4, -0.5 -> -1, 106.
  const float expected[6] = {2, -3, 4, 4, -1, 106};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.res[k][0], expected[k]) << "component " << k + 1;
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(GetLoadsTest, DisplacementsOfTwoNodesOneOfThemMissing) {
  const std::string jobPath = AddJob("pipe2", SmallJob(1451));  // packed reals
  Request r(jobPath, 2, 99, 30);
  r.Run(module_.getLoads);
  ASSERT_EQ(r.status, 0);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(r.res[k][0], 0.0f);
  EXPECT_NEAR(r.res[0][1], -1.0f, 1e-4);
  EXPECT_NEAR(r.res[3][1], 0.5f * 57.29578f, 1e-3);
}

TEST_F(GetLoadsTest, FirstRequestStoresTheDefaultWorkAreaSize) {
  const std::string jobPath = AddJob("pipe3", SmallJob());
  Request r(jobPath, 1, 30);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(SettingsDir() + "/XMS Memory Allocated.value"), "12000000");
  EXPECT_TRUE(std::filesystem::is_directory(SettingsDir() + "/XMS Memory Allocated"));
}

TEST_F(GetLoadsTest, WorkAreaSizeSettingDecidesWhetherTheJobFits) {
  const std::string jobPath = AddJob("pipe4", SmallJob());
  SetWorkAreaSize("8000000abc");
  Request fits(jobPath, 1, 30);
  fits.Run(module_.getLoads);
  EXPECT_EQ(fits.status, 0);

  SetWorkAreaSize("7");  // one word: no job with a node fits
  Request tooSmall(jobPath, 1, 30);
  tooSmall.Run(module_.getLoads);
  EXPECT_EQ(tooSmall.status, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "No restraint found with this node number.");
  EXPECT_EQ(ui_.messages[0].type & 0xF0u, 0x10u);
}

TEST_F(GetLoadsTest, UnreadableAndUnwritableSettingsAreReported) {
  // A file where the Settings key should be: the key cannot be opened, so the value can be
  // neither read nor stored; the request still runs with the default size.
  std::filesystem::create_directories(dir_ / "config/VirU4Deduz/Software/Ostrel/TALVOR/5.30");
  WriteFile(SettingsDir(), "not a key");
  const std::string jobPath = AddJob("pipe5", SmallJob());
  Request r(jobPath, 1, 30);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 0);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].caption, "Registry Error");
  EXPECT_EQ(ui_.messages[0].type, 0x40u);
  EXPECT_EQ(ui_.messages[1].text, "Unable to update registry");
  EXPECT_EQ(ui_.messages[1].type, 0x30u);
}

TEST_F(GetLoadsTest, NodeWithoutRestraintIsStatusTwo) {
  const std::string jobPath = AddJob("pipe6", SmallJob());
  Request r(jobPath, 1, 20);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 2);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "No restraint found with this node number.");
}

TEST_F(GetLoadsTest, TruncatedResultsLeaveTheChainFileAndNoResult) {
  std::string bytes = writer::WriteOutputFile(SmallJob(1530));
  bytes.resize(bytes.size() - 256);  // the last record of the results block is gone
  WriteFile(dir_ / "cut._p", bytes);
  Request r(dir_ / "cut.x4", 1, 10);
  r.Run(module_.getLoads);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(dir_ / "x4chain."), "D4ODUDO.EXE 409\n");
}

TEST_F(GetLoadsTest, UnitFactorsChangeNoReturnedValue) {
  const std::string jobPath = AddJob("pipe7", SmallJob());
  Request before(jobPath, 1, 10);
  before.Run(module_.getLoads);
  GetLoadsTransferUnits units;
  for (int kind = -1; kind <= 22; ++kind) {
    units.TransferUnit(static_cast<UnitTransfer::TalvorUnits>(kind), 1000.0f, "kN");
  }
  Request after(jobPath, 1, 10);
  after.Run(module_.getLoads);
  EXPECT_EQ(std::memcmp(before.res, after.res, sizeof before.res), 0);
}

}  // namespace
}  // namespace viru4deduz::testing
