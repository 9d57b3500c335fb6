// Windows path-name rules the module relies on, for '\' and '/' alike.
#ifndef VIRU4DEDUZ_PLATFORM_PATHS_H_
#define VIRU4DEDUZ_PLATFORM_PATHS_H_

#include <cstddef>

namespace viru4deduz {

// Takes off the file name's last dot and what follows it (a dot in a directory name is not an
// extension). path is NUL-terminated and changed in place.
void PathRemoveExtensionA(char* path);

// Appends ext (".x4", "._p") when the file name has no extension. path is NUL-terminated and holds
// capacity bytes. Returns false, leaving path unchanged, when it has an extension already or the
// result would not fit.
bool PathAddExtensionA(char* path, std::size_t capacity, const char* ext);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_PLATFORM_PATHS_H_
