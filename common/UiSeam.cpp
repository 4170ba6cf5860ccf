#include "common/UiSeam.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace pt::ui {

namespace {

UiHandler& DefaultHandler() {
  static UiHandler handler;
  return handler;
}

UiHandler* g_installed = nullptr;

QMessageBox::Icon ToQtIcon(Icon icon) {
  switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

int UiHandler::Message(const MessageRequest& r) {
  QMessageBox box(ToQtIcon(r.icon), r.caption, r.text, QMessageBox::NoButton, r.owner);
  box.setObjectName("MessageBox");
  struct Choice { const char* caption; int result; };
  std::vector<Choice> choices;
  switch (r.buttons) {
    case Buttons::Ok: choices = {{"确定", kResultOk}}; break;
    case Buttons::OkCancel: choices = {{"确定", kResultOk}, {"取消", kResultCancel}}; break;
    case Buttons::YesNo: choices = {{"是(&Y)", kResultYes}, {"否(&N)", kResultNo}}; break;
    case Buttons::YesNoCancel:
      choices = {{"是(&Y)", kResultYes}, {"否(&N)", kResultNo}, {"取消", kResultCancel}};
      break;
  }
  std::vector<std::pair<QAbstractButton*, int>> made;
  for (const auto& c : choices) {
    QMessageBox::ButtonRole role = c.result == kResultCancel || c.result == kResultNo
                                       ? QMessageBox::RejectRole
                                       : QMessageBox::AcceptRole;
    made.emplace_back(box.addButton(QString::fromUtf8(c.caption), role), c.result);
  }
  if (!made.empty()) box.setDefaultButton(static_cast<QPushButton*>(made.front().first));
  box.exec();
  for (const auto& [button, result] : made)
    if (box.clickedButton() == button) return result;
  // Closed with Esc or the close box: the cancelling answer where there is one.
  for (const auto& c : choices)
    if (c.result == kResultCancel) return kResultCancel;
  return r.buttons == Buttons::YesNo ? kResultNo : kResultOk;
}

QString UiHandler::OpenFileName(QWidget* owner, const QString& title, const QString& filter) {
  return QFileDialog::getOpenFileName(owner, title, QString(), filter);
}

QString UiHandler::SaveFileName(QWidget* owner, const QString& title, const QString& defaultName,
                                const QString& filter) {
  return QFileDialog::getSaveFileName(owner, title, defaultName, filter);
}

int UiHandler::ExecModal(QDialog* dialog) { return dialog->exec(); }

UiHandler& Handler() { return g_installed ? *g_installed : DefaultHandler(); }

void InstallHandler(UiHandler* handler) { g_installed = handler; }

int ShowMessage(QWidget* owner, const QString& text, const QString& caption, Icon icon,
                Buttons buttons) {
  MessageRequest r;
  r.owner = owner;
  r.text = text;
  r.caption = caption;
  r.icon = icon;
  r.buttons = buttons;
  return Handler().Message(r);
}

int ExecModal(QDialog* dialog) { return Handler().ExecModal(dialog); }

QString ApplicationTitle() {
  QString t = QApplication::applicationDisplayName();
  return t.isEmpty() ? QApplication::applicationName() : t;
}

}  // namespace pt::ui
