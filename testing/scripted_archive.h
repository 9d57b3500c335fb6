// An archive layer for tests: records every call, in order, with the path exactly as passed.
#ifndef VIRU4DEDUZ_TESTING_SCRIPTED_ARCHIVE_H_
#define VIRU4DEDUZ_TESTING_SCRIPTED_ARCHIVE_H_

#include <string>
#include <utility>
#include <vector>

#include "platform/archive.h"

namespace viru4deduz {

class ScriptedArchive : public Archive {
 public:
  // 'E' for an expand call, 'P' for a pack call; a null path is recorded as "".
  std::vector<std::pair<char, std::string>> calls;

  void Expand(const char* path) override { calls.emplace_back('E', path ? path : ""); }
  void Pack(const char* path) override { calls.emplace_back('P', path ? path : ""); }
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_TESTING_SCRIPTED_ARCHIVE_H_
