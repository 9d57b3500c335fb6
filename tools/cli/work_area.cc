#include "work_area.h"

#include <algorithm>
#include <cstdint>

#include "extract/extraction_driver.h"
#include "settings/talvor_registry.h"

namespace viru4deduz::cli {

std::int32_t WorkAreaWords(Env& env) {
  CTalvorRegistry registry(*env.settings, *env.ui);
  return registry.GetWorkAreaSize() / 4;
}

std::int64_t NeededWorkAreaWords(const ControlData& control) {
  const std::int64_t caseBlocks = 8 * static_cast<std::int64_t>(control.caseBlockCount());
  const std::int64_t restraint = RestraintLayoutWords(control);
  const std::int64_t element = ElementLayoutWords(control);
  if (caseBlocks < 0 || restraint < 0 || element < 0) return -1;
  std::int64_t words = 0;
  if (__builtin_add_overflow(caseBlocks, std::max(restraint, element), &words)) return -1;
  return words;
}

bool WorkAreaFits(const ControlData& control, std::int32_t words) {
  return ResultsFitWorkArea(control, words);  // the module's own room test
}

std::string WorkAreaTooSmallHint(const ControlData& control, std::int32_t words) {
  const std::int64_t needed = NeededWorkAreaWords(control);
  const std::string need = needed < 0 || needed > INT64_MAX / 4
                               ? "more bytes than can be counted"
                                      : std::to_string(needed * 4) + " bytes";
  return "the job's results need " + need + " of work area; \"XMS Memory Allocated\" gives " +
         std::to_string(static_cast<std::int64_t>(words) * 4) +
         " (see viru4deduz --help to raise it)";
}

}  // namespace viru4deduz::cli
