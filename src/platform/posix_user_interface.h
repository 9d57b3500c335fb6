// The terminal layer: message boxes become one line each on standard error; the file dialog and
// the list dialog ask on the controlling terminal. Without a terminal to ask on (none, or one
// that belongs to another process group), every question is answered "cancel" at once.
#ifndef VIRU4DEDUZ_PLATFORM_POSIX_USER_INTERFACE_H_
#define VIRU4DEDUZ_PLATFORM_POSIX_USER_INTERFACE_H_

#include <cstddef>

#include "platform/user_interface.h"

namespace viru4deduz {

class PosixUserInterface final : public UserInterface {
 public:
  // Writes "<caption>: <text>" (or just the text when there is no caption) as one line; line
  // breaks inside the text become blanks. Returns 1 (OK).
  int ShowMessage(const char* text, const char* caption, unsigned type) override;

  // Lists the filter's descriptions and asks for a path; an empty answer or the end of input
  // cancels. A relative answer is made absolute from the current directory. When the flags
  // demand it, a file (or its directory) that does not exist is asked for again.
  bool ChooseFile(const char* filter, unsigned long flags, char* path,
                  std::size_t pathSize) override;

  // Lists the entries numbered from 1. An answer n presses OK with entry n selected, an empty
  // answer presses OK with none; "q" or the end of input cancels.
  int RunListDialog(const char* title, const char* const* entries, int count,
                    ListDialogHandler& handler) override;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_POSIX_USER_INTERFACE_H_
