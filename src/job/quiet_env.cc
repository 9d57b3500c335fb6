#include "job/quiet_env.h"

namespace viru4deduz {
namespace {

class DiscardedFile final : public WritableFile {
 public:
  int Append(const void*, std::size_t) override { return 0; }
  int Close() override { return 0; }
};

}  // namespace

int CollectingUserInterface::ShowMessage(const char* text, const char* caption, unsigned) {
  std::string line = caption != nullptr && caption[0] != '\0' ? std::string(caption) + ": " : "";
  messages.push_back(line + (text != nullptr ? text : ""));
  return 1;
}

bool CollectingUserInterface::ChooseFile(const char*, unsigned long, char*, std::size_t) {
  return false;
}

int CollectingUserInterface::RunListDialog(const char*, const char* const*, int,
                                           ListDialogHandler&) {
  return kListDialogCancel;
}

bool ReadOnlyFileSystem::Exists(const std::string& path) { return DefaultFileSystem()->Exists(path); }

std::unique_ptr<RandomAccessFile> ReadOnlyFileSystem::OpenForRead(const std::string& path,
                                                                  int* error) {
  return DefaultFileSystem()->OpenForRead(path, error);
}

std::unique_ptr<WritableFile> ReadOnlyFileSystem::CreateForWrite(const std::string&, int*) {
  return std::make_unique<DiscardedFile>();
}

std::string ReadOnlyFileSystem::ErrorText(int error) { return DefaultFileSystem()->ErrorText(error); }

long EmptySettingsStore::CreateKey(SettingsKey, const std::string&, SettingsKey* key) {
  if (key != nullptr) *key = 1;
  return 0;
}

long EmptySettingsStore::QueryValue(SettingsKey, const std::string&, char*, std::size_t*) {
  return kSettingsNotFound;
}

long EmptySettingsStore::SetValue(SettingsKey, const std::string&, const char*, std::size_t) {
  return 0;
}

long EmptySettingsStore::CloseKey(SettingsKey) { return 0; }

std::string EmptySettingsStore::ErrorText(long) { return "no settings"; }

}  // namespace viru4deduz
