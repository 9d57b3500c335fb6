// Shared helpers for the tests: temporary directories, environment variables, a module over
// scripted layers, and the loaded shared module.
#ifndef VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_
#define VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <optional>
#include <string>

#include "extract/module_state.h"
#include "host/module.h"
#include "platform/memory_file_system.h"
#include "platform/scripted_archive.h"
#include "platform/scripted_record_runtime.h"
#include "platform/scripted_settings_store.h"
#include "platform/scripted_user_interface.h"
#include "writer/output_writer.h"

namespace viru4deduz::testing {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "viru4deduz-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

class ScopedEnvVar {
 public:
  ScopedEnvVar(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvVar() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir)
      : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCurrentDir() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A module over scripted layers only: nothing touches the disk or a terminal.
struct ScriptedModule {
  ScriptedUserInterface ui;
  MemoryFileSystem files;
  ScriptedSettingsStore settings;
  ScriptedArchive archive;
  ScriptedRecordRuntime records;
  Module module{Env{&ui, &files, &settings, &archive, &records}};

  // Puts a job's output file where both the existence test and the record runtime find it.
  void AddFile(const std::string& path, const std::string& bytes) {
    files.AddFile(path, bytes);
    records.AddFile(path, bytes);
  }
};

// One request's arguments and results, as a host holds them.
struct Request {
  int node[2] = {0, 0};
  float res[6][2] = {};
  int status = -7;
  int extractMode = 1;
  char jobPath[256] = {};
  int loadCase = 0;
  char caseLabel[151] = {};

  explicit Request(const std::string& path = "", int mode = 1, int nodeA = 0, int nodeB = 0,
                   int caseNumber = 1) {
    path.copy(jobPath, 255);
    extractMode = mode;
    node[0] = nodeA;
    node[1] = nodeB;
    loadCase = caseNumber;
  }
  template <typename F>
  void Run(F&& getLoads) {
    getLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode, jobPath,
             &loadCase, caseLabel);
  }
  void RunOn(Module& module) {
    module.GetLoads(node, res[0], res[1], res[2], res[3], res[4], res[5], &status, &extractMode,
                    jobPath, &loadCase, caseLabel);
  }
};

// The built shared module, loaded as a host loads it.
class LoadedModule {
 public:
  using GetLoadsFn = void (*)(int*, float*, float*, float*, float*, float*, float*, int*, int*,
                              char*, int*, char*);
  using SetUserInterfaceFn = void (*)(UserInterface*);

  LoadedModule() {
    handle_ = dlopen(VIRU4DEDUZ_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return;
    getLoads = reinterpret_cast<GetLoadsFn>(dlsym(handle_, "_Z8GetLoadsPiPfS0_S0_S0_S0_S0_S_S_PcS_S1_"));
    setUserInterface = reinterpret_cast<SetUserInterfaceFn>(
        dlsym(handle_, "_ZN10viru4deduz16SetUserInterfaceEPNS_13UserInterfaceE"));
  }
  ~LoadedModule() {
    if (handle_ != nullptr) {
      if (setUserInterface != nullptr) setUserInterface(nullptr);
      dlclose(handle_);
    }
  }
  bool ok() const { return getLoads != nullptr && setUserInterface != nullptr; }

  GetLoadsFn getLoads = nullptr;
  SetUserInterfaceFn setUserInterface = nullptr;

 private:
  void* handle_ = nullptr;
};

// The built module loaded as a host loads it, over a temporary directory that holds the jobs,
// the settings (XDG_CONFIG_HOME) and the chain file (the current directory).
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.ok()) << dlerror();
    module_.setUserInterface(&ui_);
  }
  void TearDown() override { module_.setUserInterface(nullptr); }

  std::string SettingsDir() const { return dir_ / "config/VirU4Deduz/Software/Ostrel/TALVOR/5.30/Settings"; }
  void SetWorkAreaSize(const std::string& text) {
    std::filesystem::create_directories(SettingsDir());
    WriteFile(SettingsDir() + "/XMS Memory Allocated.value", text);
  }
  // Writes the job's output file as dir/name (lower case) and returns the job path to pass.
  std::string AddJob(const std::string& name, const writer::OutputJob& job) {
    WriteFile(dir_ / (name + "._p"), writer::WriteOutputFile(job));
    return dir_ / (name + ".x4");
  }

  TempDir dir_;
  ScopedEnvVar config_{"XDG_CONFIG_HOME", (dir_.path() / "config").string()};
  ScopedCurrentDir cwd_{dir_.path()};
  ScriptedUserInterface ui_;
  LoadedModule module_;
};

inline std::string Upper(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

// A small job: three nodes, two restraint entries at node 10 and one at node 30, one basic case.
inline writer::OutputJob SmallJob(std::int32_t version = 1530) {
  writer::OutputJob job;
  job.version = version;
  job.nodes = {10, 20, 30};
  job.restraints = {{30, 1}, {10, 2}, {10, 3}};
  job.resultCountB = 3;
  job.codes = {-4, 1, 3, -999};
  job.options[{1, 2}] = 4;
  job.options[{1, 3}] = 0;
  job.loads = {{{{5.0f, 6.0f, 0, 0, 0, 0}}, {{1.25f, -2.0f, 3.0f, 4.0f, 5.0f, 6.0f}},
                {{1.0f, -0.75f, 0.5f, 0.0f, -5.5f, 100.0f}}}};
  job.displacements = {{{{0.1f, 0.2f, 0.3f, 0.01f, 0.0f, -0.02f}},
                        {{1.0f, 2.0f, 3.0f, 0.0f, 0.0f, 0.0f}},
                        {{-1.0f, -2.0f, -3.0f, 0.5f, 0.5f, 0.5f}}}};
  return job;
}

// The 22 versions the module reads.
constexpr std::int32_t kVersions[] = {110,  111,  210,  211,  610,  611,  710,  711,
                                      1111, 1211, 1430, 1431, 1440, 1441, 1450, 1451,
                                      1510, 1511, 1520, 1521, 1530, 1531};

// 70 nodes (Section 1 crosses records), two hangers and four further entries, three cases:
// two basic ones and a combination of them.
inline writer::OutputJob RichJob(std::int32_t version) {
  writer::OutputJob job;
  job.version = version;
  for (int n = 0; n < 70; ++n) job.nodes.push_back(10 * (n + 1));
  job.restraints = {{40, 7}, {20, 8}, {700, 9}, {20, 10}, {50, 11}, {10, 12}};
  job.hangerCount = 2;
  job.resultCountB = 1;
  for (int h = 0; h < 2; ++h) {
    std::vector<std::int32_t> words(static_cast<std::size_t>(writer::HangerWords(version)));
    std::iota(words.begin(), words.end(), 1000 * (h + 1));
    job.hangerRecords.push_back(words);
  }
  job.codes = {-4, 1, 3, 6, -4, 1, 2, -888, 1, 2, -999};
  job.factors = {0, 1, 2.5, 1, 0, 1, 1, 0, 1, -1, 1};
  job.decimals = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  for (auto [caseIndex, type] : {std::pair{1, 4}, {2, 2}, {3, 1}}) {
    job.options[{caseIndex, 1}] = caseIndex == 3 ? 1 : 0;
    job.options[{caseIndex, 2}] = type;
    job.options[{caseIndex, 3}] = 0;
    job.options[{caseIndex, 4}] = 0;
    job.options[{caseIndex, 5}] = caseIndex == 3 ? 0 : 0;
    job.options[{caseIndex, 15}] = 7000 + caseIndex;
    job.realOptions[{caseIndex, 1}] = 1.0;
  }
  job.names = {"OPERATING", "SUSTAINED", "EXPANSION"};
  job.extra = {5, 6, 7};
  job.caseBlocks = {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}};
  for (int k = 0; k < 3; ++k) {
    job.loads.emplace_back();
    for (int e = 0; e < 6; ++e) {
      std::array<float, 12> group;
      for (int m = 0; m < 12; ++m) group[static_cast<std::size_t>(m)] = 100.0f * k + 10.0f * e + m + 0.25f;
      job.loads.back().push_back(group);
    }
    job.displacements.emplace_back();
    for (int n = 0; n < 70; ++n) {
      job.displacements.back().push_back({0.001f * n, -0.5f * k, 3.0f, 0.01f, 0.0f, -1.0f * n});
    }
  }
  return job;
}

}  // namespace viru4deduz::testing

#endif  // VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_
