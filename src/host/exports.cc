// The module's exported names. Each forwards to the one application object; nothing else of the
// module is visible outside it.
#include "VirU4Deduz/VirU4Deduz.h"
#include "host/app.h"

namespace {

viru4deduz::CVirU4DeduzApp theApp;

}  // namespace

void GetLoads(int* node, float* res1, float* res2, float* res3, float* res4, float* res5,
              float* res6, int* status, int* extractMode, char* jobPath, int* loadCase,
              char* caseLabel) {
  theApp.module().GetLoads(node, res1, res2, res3, res4, res5, res6, status, extractMode, jobPath,
                           loadCase, caseLabel);
}

GetLoadsTransferUnits::GetLoadsTransferUnits() = default;
GetLoadsTransferUnits::~GetLoadsTransferUnits() = default;
GetLoadsTransferUnits& GetLoadsTransferUnits::operator=(const GetLoadsTransferUnits&) {
  return *this;
}

void GetLoadsTransferUnits::TransferUnit(UnitTransfer::TalvorUnits kind, float factor,
                                         const char* label) {
  theApp.module().TransferUnit(static_cast<std::int32_t>(kind), factor, label);
}

namespace viru4deduz {

void SetUserInterface(UserInterface* ui) { theApp.module().SetUserInterface(ui); }

}  // namespace viru4deduz
