#pragma once
// The one seam through which every system message box, question, file dialog and modal dialog
// of the module passes. The default handler shows real Qt dialogs; tests install a handler that
// answers by script and keeps every message (text, caption, icon) in order.
#include <QDialog>
#include <QString>
#include <QWidget>

namespace pt::ui {

enum class Icon { None, Information, Warning, Error, Question };

// Button sets of the system message box.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };

// Modal results, as the system numbers them.
constexpr int kResultNone = 0;
constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
constexpr int kResultAbort = 3;
constexpr int kResultRetry = 4;
constexpr int kResultIgnore = 5;
constexpr int kResultYes = 6;
constexpr int kResultNo = 7;
constexpr int kResultAll = 8;

struct MessageRequest {
  QWidget* owner = nullptr;
  QString text;
  QString caption;
  Icon icon = Icon::None;
  Buttons buttons = Buttons::Ok;
  bool defaultErrorBox = false;  // the application's box for an error no handler caught
};

class UiHandler {
 public:
  virtual ~UiHandler() = default;
  // System message box; returns the modal result of the button pressed.
  virtual int Message(const MessageRequest& request);
  // Open / save file dialogs; an empty text means the clerk cancelled.
  virtual QString OpenFileName(QWidget* owner, const QString& title, const QString& filter);
  virtual QString SaveFileName(QWidget* owner, const QString& title, const QString& defaultName,
                               const QString& filter);
  // Every modal dialog of the module is run through here (flat dialogs, choosers, settings,
  // query builder, preview...). The default runs dialog->exec().
  virtual int ExecModal(QDialog* dialog);
};

UiHandler& Handler();
// Installs a handler (not owned); nullptr restores the default.
void InstallHandler(UiHandler* handler);

// Shortcuts through the current handler.
int ShowMessage(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                Buttons buttons = Buttons::Ok);
int ExecModal(QDialog* dialog);

// The application title, used as the caption of the default error box and of custom flat
// message dialogs.
QString ApplicationTitle();

}  // namespace pt::ui
