#include "host/app.h"

namespace viru4deduz {

// Nothing is prepared at load beyond the module's zeroed state: every request sets up its own.
CVirU4DeduzApp::CVirU4DeduzApp() : module_(DefaultEnv()) {}

}  // namespace viru4deduz
