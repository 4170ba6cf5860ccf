// The module library's entry point and its unload step. GetFormOne is the one exported symbol
// (see dllmorvex.map); everything else of the library stays local.
#include <cstdint>

#include "common/ErrorGuard.h"
#include "module/HostContract.h"
#include "module/ModuleSession.h"

extern "C" __attribute__((visibility("default"))) void GetFormOne(
    int32_t hostAppHandle, QWidget* notifyControl, const unsigned char* operatorCode,
    QWidget* parentControl, pt::HostService* service) {
  // Nothing may cross into the host: OpenMainWindow guards its own work, and this catches what
  // reporting itself could throw.
  try {
    pt::session::OpenMainWindow(hostAppHandle, notifyControl, operatorCode, parentControl, service);
  } catch (...) {
  }
}

// Runs when the host unloads the library: the session values go with it, or every load and
// unload would leave them behind.
__attribute__((destructor)) static void UnloadModule() {
  try {
    pt::session::FreeSessionValues();
  } catch (...) {
  }
}
