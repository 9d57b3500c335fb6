// The default archive layer: job files are read where they lie, so there is nothing to expand
// before the output file is opened and nothing to pack afterwards.
#include "platform/archive.h"

namespace viru4deduz {
namespace {

class InPlaceArchive final : public Archive {
 public:
  void Expand(const char*) override {}
  void Pack(const char*) override {}
};

}  // namespace

Archive* DefaultArchive() {
  static InPlaceArchive archive;
  return &archive;
}

}  // namespace viru4deduz
