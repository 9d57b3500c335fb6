// inspect's look at an output file: its size, its control record, where each table lies, and
// every problem found, from the layout and from the module's readers going through the file.
// Nothing in it may crash on any input: every number from the file is checked before it sizes
// or addresses anything. The file is read without a word to the user and without leaving
// anything behind (no chain file, no settings).
#ifndef VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_
#define VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_

#include <string>

#include "VirU4Deduz/FileReport.h"

namespace viru4deduz {

// The report's types are the job library's own (VirU4Deduz/FileReport.h).
using RecordRange = api::RecordRange;
using OutputFileReport = api::FileReport;

using api::ControlItemName;

// The report on the output file the request derives from a job path (outputName); shownName is
// how the report names it.
OutputFileReport InspectOutputFile(const std::string& outputName, const std::string& shownName);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_JOB_OUTPUT_FILE_REPORT_H_
