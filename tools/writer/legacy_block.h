// The legacy block of output files older than version 1400, made from a job's load cases in the
// current layout.
#ifndef VIRU4DEDUZ_TOOLS_WRITER_LEGACY_BLOCK_H_
#define VIRU4DEDUZ_TOOLS_WRITER_LEGACY_BLOCK_H_

#include <cstdint>
#include <vector>

#include "writer/output_writer.h"

namespace viru4deduz::writer {

// The block's words for the job's version (210, 460 or 2300 of them). Basic cases go into the
// old code list with their stress types; each combination case that follows them becomes a
// list of signed case numbers, in the list its display option names (1 displacement/force,
// 6 stress, anything else the full list). Every basic case and every full-list combination is
// marked as a case whose results are stored.
std::vector<std::int32_t> LegacyBlockOf(const OutputJob& job);

}  // namespace viru4deduz::writer

#endif  // VIRU4DEDUZ_TOOLS_WRITER_LEGACY_BLOCK_H_
