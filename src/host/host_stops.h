// What a host sees of an unrecoverable read error: QREAD4's message box (for the word reader's
// failures, stop code 7) and the fatal stop's chain file, in that order, at the moment the
// reader fails.
#ifndef VIRU4DEDUZ_HOST_HOST_STOPS_H_
#define VIRU4DEDUZ_HOST_HOST_STOPS_H_

#include <cstdint>
#include <string>

#include "outfile/record_readers.h"
#include "platform/env.h"

namespace viru4deduz {

// The text QREAD4 shows: "Error ", status in 5 columns, " reading in QREAD4 on REC= ", record
// in 5 columns (five asterisks for a number that needs more).
std::string Qread4Message(std::int32_t status, std::int32_t record);

class HostStops final : public ReadReporter {
 public:
  explicit HostStops(Env& env) : env_(env) {}
  void Report(const ReadFailure& failure) override;

 private:
  Env& env_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_HOST_STOPS_H_
