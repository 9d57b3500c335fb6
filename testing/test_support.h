// Shared helpers for the tests: temporary directories, environment variables, the loaded shared
// module and a host test over it; with the scripted module and the example jobs.
#ifndef VIRU4DEDUZ_TESTING_TEST_SUPPORT_H_
#define VIRU4DEDUZ_TESTING_TEST_SUPPORT_H_

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "common/ascii_case.h"
#include "testing/example_jobs.h"
#include "testing/scripted_module.h"
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


inline std::string Upper(const std::string& text) { return AsciiUpper(text); }

// Whether the tests run under AddressSanitizer, which measures memory its own way and needs room
// for its shadow memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace viru4deduz::testing

#endif  // VIRU4DEDUZ_TESTING_TEST_SUPPORT_H_
