#include "host/fatal_stop.h"

#include <memory>

#include "settings/talvor_registry.h"

namespace viru4deduz {
namespace {

// The user text gets 12 bytes of room: 11 characters and the terminating NUL.
constexpr int kChainUserRoom = 12;

}  // namespace

std::string ChainFileName(Env& env) {
  char user[kChainUserRoom] = {};
  int length = 0;
  GetChainUser(*env.settings, *env.ui, user, kChainUserRoom, &length);
  std::string name = "x4chain.";
  if (length > 0) name.append(user, static_cast<std::size_t>(length));
  return name;
}

void STOPQ2(Env& env, int stopCode) {
  const std::string code = std::to_string(stopCode);
  const std::string caption = "STOPQ2 chain file creation. #" + code;
  const std::string name = ChainFileName(env);
  // The chain file is written in the current directory and nowhere else: a user text holding a
  // separator ('/' or '\', both separate in the module's file names) would reach another one.
  std::unique_ptr<WritableFile> file;
  std::string refusal;
  if (name.find_first_of("/\\") != std::string::npos) {
    refusal = "The chain file name \"" + name +
              "\" holds a path separator; the chain file is written in the current directory "
              "only.";
  } else {
    int error = 0;
    file = env.files->CreateForWrite(name, &error);
    if (file == nullptr) refusal = env.files->ErrorText(error);
  }
  if (file == nullptr) {
    env.ui->ShowMessage(refusal.c_str(), caption.c_str(),
                        kMessageBoxIconStop | kMessageBoxSetForeground);
    return;
  }
  const std::string line = "D4ODUDO.EXE " + code + "\n";
  // A failing write or close is not reported: the stop has done what it can.
  (void)file->Append(line.data(), line.size());
  (void)file->Close();
}

}  // namespace viru4deduz
