// The platform layers one module instance works through. Each is an interface in the shape of
// the Windows service it stands in for, with a POSIX implementation here (the default); a Windows
// build supplies the real services behind the same interfaces, and the tests scripted ones (in
// testing/). How each reports failure follows the service it stands in for:
//
//   UserInterface   message boxes, the open-file dialog, the list dialog: no failures, only the
//                   user's answers (a button, false for a cancelled dialog, kListDialogCancel).
//   FileSystem      POSIX style: -1 or nullptr, with a system error number that ErrorText names.
//   SettingsStore   registry style: a status, 0 for success, kSettingsNotFound for a missing
//                   value, any other number a failure that ErrorText names.
//   Archive         the archive library's calls; their results are ignored.
//   RecordRuntime   the record runtime's transfer statuses: 0 complete, negative at the end of
//                   the file, positive (kRecordBeyondEnd, kRecordUnitNotOpen, kRecordReadError)
//                   on failure; an open reports nothing, its failure shows at the first transfer.
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
