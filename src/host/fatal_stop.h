// The fatal stop: after an unrecoverable error, leave a one-line chain file in the current
// directory that names the product's error program and the stop code, then return to the caller.
#ifndef VIRU4DEDUZ_HOST_FATAL_STOP_H_
#define VIRU4DEDUZ_HOST_FATAL_STOP_H_

#include <string>

#include "platform/env.h"

namespace viru4deduz {

// The chain file's name: "x4chain." followed by the "VESKO_USER" text without trailing blanks.
std::string ChainFileName(Env& env);

// Writes "D4ODUDO.EXE <code>\n" into the chain file, created anew or emptied, in the current
// directory only (as a plain file: see FileSystem::CreateForWrite). When the file cannot be
// created, or its name holds a path separator, shows the system's message for the error (or
// says why the name is refused) under the caption "STOPQ2 chain file creation. #<code>". Always
// returns.
void STOPQ2(Env& env, int stopCode);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_FATAL_STOP_H_
