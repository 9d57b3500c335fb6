#include "outfile/fatal_stop.h"

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
  const std::string name = ChainFileName(env);
  int error = 0;
  auto file = env.files->CreateForWrite(name, &error);
  if (file == nullptr) {
    const std::string caption = "STOPQ2 chain file creation. #" + code;
    env.ui->ShowMessage(env.files->ErrorText(error).c_str(), caption.c_str(),
                        kMessageBoxIconStop | kMessageBoxSetForeground);
    return;
  }
  const std::string line = "D4ODUDO.EXE " + code + "\n";
  // A failing write or close is not reported: the stop has done what it can.
  (void)file->Append(line.data(), line.size());
  (void)file->Close();
}

}  // namespace viru4deduz
