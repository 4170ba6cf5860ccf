#include "module/ModuleSession.h"

#include "common/ModuleError.h"

#include <string_view>

#include "common/ErrorGuard.h"
#include "common/GbkCodec.h"
#include "common/UnitBaseForm.h"
#include "queue/Unitspbqdy.h"

namespace pt::session {

int32_t HostAppHandle = 0;
int32_t ApplicationHandle = 0;
QPointer<QWidget>& HostNotifyControl = *new QPointer<QWidget>;
std::string& OperatorCode = *new std::string;
HostRef& HostService = *new HostRef;
std::string& HostModeTag = *new std::string;
QPointer<TFrmspbqdy>& Frmspbqdy = *new QPointer<TFrmspbqdy>;
bool CloseOnShow = false;
std::string& UnitType = *new std::string;
std::string& YearMonth = *new std::string;

TFrmspbqdy* OpenMainWindow(int32_t hostAppHandle, QWidget* notifyControl,
                           const unsigned char* operatorCode, QWidget* parentControl,
                           ::pt::HostService* service) {
  TFrmspbqdy* window = nullptr;
  Guard(nullptr, [&] {
    std::string code;
    if (operatorCode) {
      const std::string_view gbk(reinterpret_cast<const char*>(operatorCode + 1), operatorCode[0]);
      code = GbkToUtf8(gbk);
    }
    const HostRef callRef(service);  // held for the call; HostService keeps its own
    HostService = callRef;           // releases the reference of an earlier call
    HostAppHandle = hostAppHandle;
    HostNotifyControl = notifyControl;
    OperatorCode = std::move(code);

    window = new TFrmspbqdy(parentControl);
    Frmspbqdy = window;
    QPointer<TFrmspbqdy> alive(window);
    if (parentControl) {
      window->setParent(parentControl, Qt::Widget);
      window->PanelMain->resize(window->PanelMain->width(), parentControl->height());
      window->PanelMain->resize(parentControl->width(), window->PanelMain->height());
    }
    window->show();  // a failed start-up closes the window here
    if (!alive) window = nullptr;
  });
  return window;
}

::pt::HostService& ActiveHostService() {
  if (!HostService) throw ModuleError("没有可用的主机数据服务");
  return *HostService;
}

void Unload() {
  HostModeTag.clear();
  OperatorCode.clear();
  HostService.Reset();
  UnitType.clear();
  YearMonth.clear();
  ReleaseHostModeTagView();
}

void FreeSessionValues() {
  Unload();
  delete &HostNotifyControl;
  delete &OperatorCode;
  delete &HostService;
  delete &HostModeTag;
  delete &Frmspbqdy;
  delete &UnitType;
  delete &YearMonth;
}

}  // namespace pt::session
