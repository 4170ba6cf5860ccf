#pragma once
// The host session: the module-wide values GetFormOne records from the host's hand-over and that
// every window reads, plus the two values the main window keeps for the whole module.
//
// The objects are created once and live until the library's unload step frees them, so no
// order of static destructors can run into them.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>

#include "host/HostService.h"

namespace pt {
class TFrmspbqdy;
}

namespace pt::session {

extern int32_t HostAppHandle;                // the host application's main window handle
extern int32_t ApplicationHandle;            // the module's application window: the host's, once adopted
extern QPointer<QWidget>& HostNotifyControl;  // receives the close notice (1028)
extern std::string& OperatorCode;            // UTF-8 (the host hands over at most 255 GBK bytes)
extern HostRef& HostService;                 // the module's counted reference to the data service
extern std::string& HostModeTag;             // the first three bytes of the host's shared memory
extern QPointer<TFrmspbqdy>& Frmspbqdy;      // the main window GetFormOne created last
extern bool CloseOnShow;                     // the main window closes the moment it is shown
extern std::string& UnitType;                // the main window's unit type (dwlx)
extern std::string& YearMonth;               // the server's current month YYYYMM

// GetFormOne's work: records the hand-over, creates the main window owned by parentControl,
// makes it a child of parentControl, sizes its PanelMain to the panel (height, then width) and
// shows it. operatorCode is a short string: a length byte and that many GBK bytes (null: empty).
// Returns the window, or nullptr when none could be created.
TFrmspbqdy* OpenMainWindow(int32_t hostAppHandle, QWidget* notifyControl,
                           const unsigned char* operatorCode, QWidget* parentControl,
                           ::pt::HostService* service);

// Clears HostModeTag and OperatorCode, releases HostService, clears UnitType and YearMonth, and
// unmaps the shared-memory view.
void Unload();

// The library's unload step: Unload(), then frees the session values themselves. Nothing of the
// module may run afterwards; a host that loads the library again gets new ones.
void FreeSessionValues();

// The data service every request of the module goes through; a ModuleError when the host
// handed over none.
::pt::HostService& ActiveHostService();

}  // namespace pt::session
