// Shared helpers for the tests: temporary directories, environment variables, a module over
// scripted layers, and the loaded shared module.
#ifndef VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_
#define VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

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

}  // namespace viru4deduz::testing

#endif  // VIRU4DEDUZ_TESTS_TEST_SUPPORT_H_
