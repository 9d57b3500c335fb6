// The work area setting that a host's module reads ("XMS Memory Allocated"), read for a program
// that reports on it: through the module's settings layer, bounded and never waiting, creating
// and writing nothing. A Job never reads it; this is for telling a user what a host would do.
#ifndef VIRU4DEDUZ_HOST_SETTINGS_H_
#define VIRU4DEDUZ_HOST_SETTINGS_H_

#include <cstdint>
#include <string>

#include "VirU4Deduz/Job.h"

namespace viru4deduz::api {

struct WorkAreaSetting {
  std::string file;         // the value's file; "" when no settings directory can be named
  std::string text;         // the value as stored, "" when missing, empty or unreadable
  std::int64_t bytes = 0;   // what a host takes it for: its leading number, or the default
  bool wellFormed = true;   // a number of bytes and nothing else (blanks around it aside)
  std::string unreadable;   // why the value's file gives no value ("" when it does or is missing)
};

VIRU4DEDUZ_JOB_API WorkAreaSetting ReadWorkAreaSetting();

}  // namespace viru4deduz::api

#endif  // VIRU4DEDUZ_HOST_SETTINGS_H_
