// Opening the analysis output file and reading its control data and load case tables.
#ifndef VIRU4DEDUZ_OUTFILE_OUTPUT_CONTROL_H_
#define VIRU4DEDUZ_OUTFILE_OUTPUT_CONTROL_H_

#include <cstdint>

#include "outfile/control_data.h"
#include "outfile/record_readers.h"

namespace viru4deduz {

// Tests that the file named by fileName (256 characters, blank-padded) exists, opens it on unit,
// reads the control record, accepts or rejects its version, and reads the load case tables and
// names, brought into the current layout. extractStatus is 0 on success (the file stays open,
// unless bit 0 of closeAfterRead asks for it to be closed) and -1 when the file is missing,
// cannot be read, is of a version the module does not read, or holds counts that cannot be true.
void ReadOutputControl(RecordReaders& readers, OutputData& out, std::int32_t& extractStatus,
                       int unit, const char* fileName, std::int32_t closeAfterRead);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_OUTFILE_OUTPUT_CONTROL_H_
