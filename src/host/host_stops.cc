#include "host/host_stops.h"

#include <cstdio>
#include <cstring>

#include "host/fatal_stop.h"

namespace viru4deduz {
namespace {

// An integer right-justified in 5 columns, or five asterisks when it needs more.
std::string FormatI5(std::int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%5d", value);
  return std::strlen(text) > 5 ? std::string("*****") : std::string(text);
}

}  // namespace

std::string Qread4Message(std::int32_t status, std::int32_t record) {
  return "Error " + FormatI5(status) + " reading in QREAD4 on REC= " + FormatI5(record);
}

void HostStops::Report(const ReadFailure& failure) {
  if (failure.stopCode == kStopWordRead) {
    const std::string text = Qread4Message(failure.ioStatus, failure.record);
    env_.ui->ShowMessage(text.c_str(), "ERROR", kMessageBoxOk);
  }
  STOPQ2(env_, failure.stopCode);
}

}  // namespace viru4deduz
