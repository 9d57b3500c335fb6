// The caption of the module's own message boxes.
#ifndef VIRU4DEDUZ_COMMON_MESSAGE_CAPTION_H_
#define VIRU4DEDUZ_COMMON_MESSAGE_CAPTION_H_

namespace viru4deduz {

// A framework application's message boxes carry the application's name; every box the module
// shows for itself carries this one (the record reader, the fatal stop and the settings class
// show boxes with captions of their own).
constexpr char kMessageCaption[] = "VirU4Deduz";

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_MESSAGE_CAPTION_H_
