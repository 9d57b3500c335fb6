// The texts of the module's own message boxes: their caption and the two messages a request
// that ends without results shows.
#ifndef VIRU4DEDUZ_COMMON_MESSAGES_H_
#define VIRU4DEDUZ_COMMON_MESSAGES_H_

namespace viru4deduz {

// A framework application's message boxes carry the application's name; every box the module
// shows for itself carries this one (the record reader, the fatal stop and the settings class
// show boxes with captions of their own).
constexpr char kMessageCaption[] = "VirU4Deduz";

constexpr char kNoOutputMessage[] = "No output available for this TALVOR job.";
constexpr char kNoRestraintMessage[] = "No restraint found with this node number.";

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_MESSAGES_H_
