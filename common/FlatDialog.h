#pragma once
// The flat-styled dialog family: message dialog, input box and choice box. Every one of them is
// a real QDialog run through pt::ui::ExecModal, so a test can answer it: the dialogs carry their
// class name as objectName, the message or prompt sits in a label named "Message" / "Prompt",
// the editor is "Edit" / "Combo", and each button carries its caption.
//
// Colours are Windows colour values (0x00BBGGRR, red in the low byte) as the settings file
// stores them. The family shares two of them, the line (frame) colour and the back colour, for
// the life of the module.
#include <QColor>
#include <QDialog>
#include <QFlags>
#include <QString>
#include <QStringList>
#include <cstdint>

class QKeyEvent;

namespace pt {

enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

// The buttons a message dialog may show, in the order they are laid out.
enum class MsgDlgBtn : unsigned {
  Yes = 1u << 0,     // "是(&Y)"    6
  No = 1u << 1,      // "不(&N)"    7
  OK = 1u << 2,      // "确认(&O)"  1
  Cancel = 1u << 3,  // "放弃(&C)"  2
  Abort = 1u << 4,   // "&Abort"    3
  Retry = 1u << 5,   // "&Retry"    4
  Ignore = 1u << 6,  // "&Ignore"   5
  All = 1u << 7,     // "&All"      8
};
Q_DECLARE_FLAGS(MsgDlgButtons, MsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgDlgButtons)

// Windows colour value -> QColor. Values with the high byte 0xFF name a system colour
// (0xFF00000F is the button face) and take the matching palette colour.
QColor WinColorToQColor(int64_t winColor);

// The two colours the dialog family shares. At load: line 32768 (dark green), back 14614267.
struct DialogColors {
  int64_t line = 32768;
  int64_t back = 14614267;
};
DialogColors& FlatDialogColors();

// Modal message dialog; returns the modal result of the button pressed (Enter 1, Esc 2).
// helpContext is kept on the dialog as the property "helpContext"; no help button is offered.
int FlatMessageDlg(const QString& message, MsgDlgType type, MsgDlgButtons buttons,
                   int helpContext = 0);

// Modal input box. On OK the edit's text goes into value and true is returned; otherwise value
// is left as it was. A non-null passwordChar masks the text with that character.
bool FlatInputQuery(const QString& caption, const QString& prompt, QString& value,
                    QChar passwordChar = QChar());
// FlatInputQuery without a password character; returns the value, changed or not.
QString FlatInputBox(const QString& caption, const QString& prompt, const QString& defaultValue);

// Modal choice from a list, the first item selected. style 0: fixed drop-down list; 1: editable.
// On OK the chosen text goes into chosen and true is returned; on cancel chosen is not touched.
bool FlatChooseItem(const QString& caption, const QString& prompt, const QStringList& items,
                    QString& chosen, int style = 0);

// The dialog classes, for tests that look into a running dialog.
class FlatMessageDialog : public QDialog {
  Q_OBJECT
 public:
  FlatMessageDialog(const QString& message, MsgDlgType type, MsgDlgButtons buttons,
                    QWidget* parent = nullptr);
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Common frame of the input box and the choice box: prompt, one editor, OK and cancel.
class FlatPromptDialog : public QDialog {
  Q_OBJECT
 public:
  FlatPromptDialog(const QString& caption, const QString& prompt, QWidget* editor,
                   QWidget* parent = nullptr);
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  QWidget* editor_;
};

class FlatInputDialog : public FlatPromptDialog {
  Q_OBJECT
 public:
  FlatInputDialog(const QString& caption, const QString& prompt, const QString& value,
                  QChar passwordChar, QWidget* parent = nullptr);
  QString text() const;
  // On showing, the focus goes to the edit with the caret after its text.
  void setVisible(bool visible) override;
};

class FlatChoiceDialog : public FlatPromptDialog {
  Q_OBJECT
 public:
  FlatChoiceDialog(const QString& caption, const QString& prompt, const QStringList& items,
                   int style, QWidget* parent = nullptr);
  QString chosen() const;
  void setVisible(bool visible) override;
};

}  // namespace pt
