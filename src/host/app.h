// The module's application object, created when the module is loaded. It owns the one Module
// instance that the exported entry points serve.
#ifndef VIRU4DEDUZ_HOST_APP_H_
#define VIRU4DEDUZ_HOST_APP_H_

#include "host/module.h"

namespace viru4deduz {

class CVirU4DeduzApp {
 public:
  CVirU4DeduzApp();
  Module& module() { return module_; }

 private:
  Module module_;
};

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_HOST_APP_H_
