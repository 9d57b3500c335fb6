// Standard output through a buffer of the command's own, which keeps the system's error number of
// a write that failed (a full disk, a closed pipe), so that the command can say why and end with
// status 74 instead of passing over the loss.
#ifndef VIRU4DEDUZ_TOOLS_CLI_STANDARD_OUTPUT_H_
#define VIRU4DEDUZ_TOOLS_CLI_STANDARD_OUTPUT_H_

namespace viru4deduz::cli {

// Makes std::cout write through the buffer; once, before anything is written.
void UseStandardOutputBuffer();

// Whether anything was written to standard output (or is waiting in the buffer).
bool StandardOutputWritten();

// 0 once everything written has reached standard output; 74 after telling the user why not
// (once, however often it is asked).
int OutputStatus();

}  // namespace viru4deduz::cli

#endif  // VIRU4DEDUZ_TOOLS_CLI_STANDARD_OUTPUT_H_
