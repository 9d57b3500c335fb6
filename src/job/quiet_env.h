// The platform layers of a reader that answers with values (the job reader of the job library,
// inspect): the POSIX files read through a record runtime of the reader's own, so that distinct
// readers share no state. The readers report their failures to a read reporter, never to these
// layers; what is left of a host's services is inert: a message is kept, a dialog answered
// "cancel", a file created for writing keeps nothing, and the settings read as empty.
#ifndef VIRU4DEDUZ_JOB_QUIET_ENV_H_
#define VIRU4DEDUZ_JOB_QUIET_ENV_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/file_system.h"
#include "platform/posix_record_runtime.h"

namespace viru4deduz {

class CollectingUserInterface final : public UserInterface {
 public:
  int ShowMessage(const char* text, const char* caption, unsigned type) override;
  bool ChooseFile(const char* filter, unsigned long flags, char* path,
                  std::size_t pathSize) override;
  int RunListDialog(const char* title, const char* const* entries, int count,
                    ListDialogHandler& handler) override;

  std::vector<std::string> messages;
};

// Reads through the POSIX file system; a file created for writing keeps nothing.
class ReadOnlyFileSystem final : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  std::unique_ptr<RandomAccessFile> OpenForRead(const std::string& path, int* error) override;
  std::unique_ptr<WritableFile> CreateForWrite(const std::string& path, int* error) override;
  std::string ErrorText(int error) override;
};

// Every value reads as missing; keys open and values store without effect.
class EmptySettingsStore final : public SettingsStore {
 public:
  long CreateKey(SettingsKey parent, const std::string& name, SettingsKey* key) override;
  long QueryValue(SettingsKey key, const std::string& name, char* data,
                  std::size_t* size) override;
  long SetValue(SettingsKey key, const std::string& name, const char* data,
                std::size_t size) override;
  long CloseKey(SettingsKey key) override;
  std::string ErrorText(long status) override;
};

struct QuietEnv {
  CollectingUserInterface ui;
  ReadOnlyFileSystem files;
  PosixRecordRuntime records{*DefaultFileSystem()};
  EmptySettingsStore settings;
  Env env{&ui, &files, &settings, DefaultArchive(), &records};
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_QUIET_ENV_H_
