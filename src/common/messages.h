// The texts of the module's own message boxes: their caption and the two messages a request
// that ends without results shows.
#ifndef VIRU4DEDUZ_COMMON_MESSAGES_H_
#define VIRU4DEDUZ_COMMON_MESSAGES_H_

#include "VirU4Deduz/Job.h"
#include "VirU4Deduz/VirU4Deduz.h"

namespace viru4deduz {

// A framework application's message boxes carry the application's name; every box the module
// shows for itself carries this one (the record reader, the fatal stop and the settings class
// show boxes with captions of their own).
constexpr const char* kMessageCaption = kModuleCaption;

constexpr char kNoOutputMessage[] = "No output available for this TALVOR job.";
// The job library tells of a node without restraints in the same words.
constexpr const char* kNoRestraintMessage = api::kNoRestraintText;

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_MESSAGES_H_
