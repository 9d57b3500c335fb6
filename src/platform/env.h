// The platform layers one module instance works through. Each is an interface with a POSIX
// implementation (the default) and a scripted one for tests; a Windows build supplies its own.
#ifndef VIRU4DEDUZ_PLATFORM_ENV_H_
#define VIRU4DEDUZ_PLATFORM_ENV_H_

#include "platform/archive.h"
#include "platform/file_system.h"
#include "platform/record_runtime.h"
#include "platform/settings_store.h"
#include "platform/user_interface.h"

namespace viru4deduz {

struct Env {
  UserInterface* ui;
  FileSystem* files;
  SettingsStore* settings;
  Archive* archive;
  RecordRuntime* records;
};

// The POSIX layers: process-wide objects made on first use and destroyed when the module is
// unloaded or the process ends.
Env DefaultEnv();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_ENV_H_
