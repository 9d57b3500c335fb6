// A module over scripted layers, and one request as a host makes it: the setup that the tests,
// the fuzz targets and the benchmarks share.
#ifndef VIRU4DEDUZ_TESTING_SCRIPTED_MODULE_H_
#define VIRU4DEDUZ_TESTING_SCRIPTED_MODULE_H_

#include <string>

#include "host/module_state.h"
#include "host/module.h"
#include "testing/memory_file_system.h"
#include "testing/scripted_archive.h"
#include "testing/scripted_record_runtime.h"
#include "testing/scripted_settings_store.h"
#include "testing/scripted_user_interface.h"

namespace viru4deduz::testing {

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

}  // namespace viru4deduz::testing

#endif  // VIRU4DEDUZ_TESTING_SCRIPTED_MODULE_H_
