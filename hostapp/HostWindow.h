#pragma once
// The stand-in host's window: a panel that holds the module's main window, and the control the
// module notifies. The host meets the module only at GetFormOne, the data service, the window
// messages 1026 / 1028 and the shared-memory block.
#include <QLibrary>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>

#include "module/HostContract.h"

namespace pt::hostapp {

// The host control the module sends its close notice (1028) to.
class HostNotifyControl : public QWidget {
  Q_OBJECT

 public:
  explicit HostNotifyControl(QWidget* parent = nullptr);

 signals:
  void windowMessage(int message, qintptr wParam, qintptr lParam);

 protected:
  bool event(QEvent* e) override;
};

// The module library, loaded at run time.
class ModuleLibrary {
 public:
  // The library beside the executable (libdllmorvex.so), or `explicitPath` when given.
  static QString Locate(const QString& explicitPath);

  // False with *error when the library does not load or lacks GetFormOne.
  bool Load(const QString& path, QString* error);
  GetFormOneFn entry() const { return entry_; }
  // Runs the module's unload step. Every widget the module made must be gone by then.
  void Unload();

 private:
  QLibrary lib_;
  GetFormOneFn entry_ = nullptr;
};

class HostMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int32_t kAppHandle = 0x00010001;  // stands for the host application's window

  HostMainWindow(HostService* service, std::string operatorCode, QWidget* parent = nullptr);

  // Hands the panel over to the module: GetFormOne with the application handle, the notify
  // control, the operator code as a short string, the panel and the data service.
  void OpenModule(GetFormOneFn entry);

  QWidget* panel() const { return panel_; }
  HostNotifyControl* notifyControl() const { return notify_; }
  // The module's main window: the panel's child widget, or null.
  QWidget* moduleWindow() const;
  // Where the host's log lines go (standard error unless set).
  void setLog(std::function<void(const QString&)> log) { log_ = std::move(log); }

  // The operator code as the module receives it: a length byte, then at most 255 bytes of GBK.
  static std::string ShortString(const std::string& utf8);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnWindowMessage(int message, qintptr wParam, qintptr lParam);
  void Log(const QString& line);

  HostService* service_;
  std::string operatorCode_;
  QWidget* panel_;
  HostNotifyControl* notify_;
  std::function<void(const QString&)> log_;
  bool moduleClosed_ = false;
};

}  // namespace pt::hostapp
