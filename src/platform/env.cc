#include "platform/env.h"

#include "platform/posix_record_runtime.h"

namespace viru4deduz {

Env DefaultEnv() {
  return Env{DefaultUserInterface(), DefaultFileSystem(), DefaultSettingsStore(), DefaultArchive(),
             DefaultRecordRuntime()};
}

}  // namespace viru4deduz
