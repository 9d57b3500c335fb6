// The user-interface layer: message boxes, the open-file dialog and the modal list dialog.
// The interface itself is public (a host may supply its own); see VirU4Deduz/VirU4Deduz.h.
#ifndef VIRU4DEDUZ_PLATFORM_USER_INTERFACE_H_
#define VIRU4DEDUZ_PLATFORM_USER_INTERFACE_H_

#include "VirU4Deduz/VirU4Deduz.h"

namespace viru4deduz {

// The terminal layer that serves when no host has installed its own (process-wide; destroyed
// when the module is unloaded).
UserInterface* DefaultUserInterface();

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_USER_INTERFACE_H_
