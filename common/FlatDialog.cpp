#include "common/FlatDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <string>

#include "common/ErrorGuard.h"
#include "common/IniFile.h"
#include "common/UiSeam.h"
#include "common/Variant.h"

namespace pt {

namespace {

constexpr const char* kIniFile = "Tallmerpos.ini";
constexpr const char* kColorSection = "ColorOption";
constexpr const char* kDefaultBack = "15528176";
constexpr const char* kDefaultLine = "12349763";

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Dialog units as the system derives them: the average width of the 52 letters and the font
// height; horizontal values count quarters of the width, vertical ones eighths of the height.
struct DialogUnits {
  int x = 1;
  int y = 1;
};

int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}

DialogUnits AveCharSize(const QFont& font) {
  static const QString letters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  QFontMetrics fm(font);
  DialogUnits du;
  du.x = std::max(1, fm.horizontalAdvance(letters) / 52);
  du.y = std::max(1, fm.height());
  return du;
}

int Dx(const DialogUnits& du, int units) { return MulDiv(units, du.x, 4); }
int Dy(const DialogUnits& du, int units) { return MulDiv(units, du.y, 8); }

QRect ScreenRect() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void CentreOnScreen(QWidget* w) {
  const QRect s = ScreenRect();
  w->move(s.x() + (s.width() - w->width()) / 2, s.y() + (s.height() - w->height()) / 2);
}

// A settings value of the colour section; an unreadable file counts as a missing one.
std::string ReadColorOption(const char* key, const char* defaultValue) {
  try {
    return ReadIniValue(kIniFile, kColorSection, key, defaultValue, "");
  } catch (...) {
    return defaultValue;
  }
}

// A value that is not an integer leaves the colour as it was: a stray character in the settings
// file must not keep a message from being shown.
void TakeColor(int64_t& slot, const std::string& text) {
  int64_t v = 0;
  if (TextToInt(text, v)) slot = v;
}

// Input and choice boxes switch to the configured colours when their style key is not "0".
void RefreshColorsFromStyleKey(const char* styleKey) {
  if (ReadColorOption(styleKey, "0") == "0") return;
  DialogColors& c = FlatDialogColors();
  TakeColor(c.line, ReadColorOption("linecolor", kDefaultLine));
  TakeColor(c.back, ReadColorOption("backcolor", kDefaultBack));
}

void ApplyFlatLook(QDialog* dialog) {
  const DialogColors& c = FlatDialogColors();
  const QColor back = WinColorToQColor(c.back);
  const QColor line = WinColorToQColor(c.line);
  QPalette pal = dialog->palette();
  pal.setColor(QPalette::Window, back);
  dialog->setPalette(pal);
  dialog->setAutoFillBackground(true);
  const QString b = back.name(), l = line.name();
  dialog->setStyleSheet(
      QStringLiteral("QPushButton { background-color: %1; border: 1px solid %2; padding: 0 4px; }"
                     "QPushButton:hover { border: 2px solid %2; }"
                     "QPushButton:focus { border: 2px solid %2; }"
                     "QPushButton:pressed { background-color: %3; }"
                     "QLineEdit, QComboBox { border: 1px solid %2; background-color: white; }")
          .arg(b, l, back.darker(110).name()));
}

QPushButton* MakeFlatButton(QDialog* dialog, const QString& caption, const char* name, int result) {
  auto* button = new QPushButton(caption, dialog);
  button->setObjectName(QString::fromLatin1(name));
  // Enter must reach the dialog (it always means OK there), not click the focused button.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setProperty("modalResult", result);
  QObject::connect(button, &QPushButton::clicked, dialog, Guarded(dialog, [dialog, result] { dialog->done(result); }));
  return button;
}

QFont SongFont() {
  QFont f(U("宋体"));
  f.setPointSize(9);
  return f;
}

// Closes the dialog on Enter (1) and Esc (2) from wherever the key arrives.
bool HandleDialogKey(QDialog* dialog, QKeyEvent* ev) {
  switch (ev->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: dialog->done(ui::kResultOk); return true;
    case Qt::Key_Escape: dialog->done(ui::kResultCancel); return true;
    default: return false;
  }
}

class EditorKeyFilter : public QObject {
 public:
  explicit EditorKeyFilter(QDialog* dialog) : QObject(dialog), dialog_(dialog) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    return Guard(dialog_, true, [&] {
      if (event->type() == QEvent::KeyPress) return HandleDialogKey(dialog_, static_cast<QKeyEvent*>(event));
      return QObject::eventFilter(watched, event);
    });
  }

 private:
  QDialog* dialog_;
};

struct ButtonSpec {
  MsgDlgBtn flag;
  const char* caption;
  const char* name;
  int result;
};

constexpr ButtonSpec kButtons[] = {
    {MsgDlgBtn::Yes, "是(&Y)", "Yes", ui::kResultYes},
    {MsgDlgBtn::No, "不(&N)", "No", ui::kResultNo},
    {MsgDlgBtn::OK, "确认(&O)", "OK", ui::kResultOk},
    {MsgDlgBtn::Cancel, "放弃(&C)", "Cancel", ui::kResultCancel},
    {MsgDlgBtn::Abort, "&Abort", "Abort", ui::kResultAbort},
    {MsgDlgBtn::Retry, "&Retry", "Retry", ui::kResultRetry},
    {MsgDlgBtn::Ignore, "&Ignore", "Ignore", ui::kResultIgnore},
    {MsgDlgBtn::All, "&All", "All", ui::kResultAll},
};

QString CaptionWithoutMnemonic(QString caption) {
  caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  caption.remove(QLatin1Char('&'));
  caption.replace(QChar(1), QLatin1Char('&'));
  return caption;
}

}  // namespace

QColor WinColorToQColor(int64_t winColor) {
  const uint32_t v = static_cast<uint32_t>(winColor);
  if ((v & 0xFF000000u) == 0xFF000000u) {
    const QPalette pal = QGuiApplication::palette();
    switch (v & 0xFFu) {
      case 5: return pal.color(QPalette::Base);          // window background
      case 8: return pal.color(QPalette::Text);          // window text
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 18: return pal.color(QPalette::ButtonText);
      case 15:                                            // button face
      default: return pal.color(QPalette::Button);
    }
  }
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

DialogColors& FlatDialogColors() {
  static DialogColors colors;
  return colors;
}

// ---------------------------------------------------------------------------------------------
// Message dialog

FlatMessageDialog::FlatMessageDialog(const QString& message, MsgDlgType type,
                                     MsgDlgButtons buttons, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("FlatMessageDialog"));
  TakeColor(FlatDialogColors().back, ReadColorOption("backcolor", kDefaultBack));
  ApplyFlatLook(this);

  const QFont font = QApplication::font("QMessageBox");
  setFont(font);
  const DialogUnits du = AveCharSize(font);
  const QFontMetrics fm(font);
  const int horzMargin = Dx(du, 8), vertMargin = Dy(du, 8);
  const int horzSpacing = Dx(du, 10), vertSpacing = Dy(du, 10);
  const int buttonHeight = Dy(du, 14), buttonSpacing = Dx(du, 4);
  int buttonWidth = Dx(du, 50);
  int buttonCount = 0;
  for (const ButtonSpec& b : kButtons) {
    if (!buttons.testFlag(b.flag)) continue;
    ++buttonCount;
    buttonWidth = std::max(buttonWidth,
                           fm.horizontalAdvance(CaptionWithoutMnemonic(U(b.caption))) + 8);
  }

  QRect textRect = fm.boundingRect(QRect(0, 0, ScreenRect().width() / 2, 0),
                                   Qt::TextWordWrap | Qt::TextExpandTabs, message);
  textRect.moveTo(0, 0);
  // QLabel lays out with its own text engine; a little slack keeps the last word on its line.
  textRect.setWidth(textRect.width() + 2);

  QStyle::StandardPixmap icon = QStyle::SP_CustomBase;
  switch (type) {
    case MsgDlgType::Warning:
      setWindowTitle(U("警告"));
      icon = QStyle::SP_MessageBoxWarning;
      break;
    case MsgDlgType::Error:
      setWindowTitle(U("错误"));
      icon = QStyle::SP_MessageBoxCritical;
      break;
    case MsgDlgType::Information:
      setWindowTitle(U("信息"));
      icon = QStyle::SP_MessageBoxInformation;
      break;
    case MsgDlgType::Confirmation:
      setWindowTitle(U("询问"));
      icon = QStyle::SP_MessageBoxQuestion;
      break;
    case MsgDlgType::Custom: setWindowTitle(ui::ApplicationTitle()); break;
  }
  const bool hasIcon = icon != QStyle::SP_CustomBase;

  int iconTextWidth = textRect.width();
  int iconTextHeight = textRect.height();
  if (hasIcon) {
    iconTextWidth += 32 + horzSpacing;
    iconTextHeight = std::max(iconTextHeight, 32);
  }
  const int groupWidth =
      buttonCount > 0 ? buttonWidth * buttonCount + buttonSpacing * (buttonCount - 1) : 0;
  const int clientWidth = std::max(iconTextWidth, groupWidth) + horzMargin * 2;
  const int clientHeight = iconTextHeight + buttonHeight + vertSpacing + vertMargin * 2;
  setFixedSize(clientWidth, clientHeight);

  if (hasIcon) {
    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image"));
    image->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(32, 32));
    image->setGeometry(horzMargin, vertMargin, 32, 32);
  }
  auto* label = new QLabel(message, this);
  label->setObjectName(QStringLiteral("Message"));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setGeometry(iconTextWidth - textRect.width() + horzMargin, vertMargin, textRect.width(),
                     textRect.height());

  int x = (clientWidth - groupWidth) / 2;
  QPushButton* first = nullptr;
  QPushButton* focusButton = nullptr;
  for (const ButtonSpec& b : kButtons) {
    if (!buttons.testFlag(b.flag)) continue;
    QPushButton* button = MakeFlatButton(this, U(b.caption), b.name, b.result);
    button->setGeometry(x, iconTextHeight + vertMargin + vertSpacing, buttonWidth, buttonHeight);
    x += buttonWidth + buttonSpacing;
    if (!first) first = button;
    if (b.flag == MsgDlgBtn::OK || (b.flag == MsgDlgBtn::Yes && !buttons.testFlag(MsgDlgBtn::OK)))
      focusButton = button;
  }
  if (!focusButton) focusButton = first;
  if (focusButton) focusButton->setFocus();
  CentreOnScreen(this);
}

void FlatMessageDialog::reject() { done(ui::kResultCancel); }

void FlatMessageDialog::keyPressEvent(QKeyEvent* event) {
  Guard(this, [&] {
    if (!HandleDialogKey(this, event)) QDialog::keyPressEvent(event);
  });
}

int FlatMessageDlg(const QString& message, MsgDlgType type, MsgDlgButtons buttons,
                   int helpContext) {
  FlatMessageDialog dialog(message, type, buttons);
  dialog.setProperty("helpContext", helpContext);
  return ui::ExecModal(&dialog);
}

// ---------------------------------------------------------------------------------------------
// Input and choice boxes

FlatPromptDialog::FlatPromptDialog(const QString& caption, const QString& prompt, QWidget* editor,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      editor_(editor) {
  setWindowTitle(caption);
  ApplyFlatLook(this);
  const QFont font = SongFont();
  setFont(font);
  const DialogUnits du = AveCharSize(font);

  const int left = Dx(du, 8);
  const int innerWidth = Dx(du, 164);
  auto* label = new QLabel(prompt, this);
  label->setObjectName(QStringLiteral("Prompt"));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setFont(font);
  QFontMetrics fm(font);
  QRect promptRect = fm.boundingRect(QRect(0, 0, innerWidth, 0), Qt::TextWordWrap, prompt);
  label->setGeometry(left, Dy(du, 8), std::min(innerWidth, promptRect.width() + 2),
                     std::max(fm.height(), promptRect.height()));

  editor->setParent(this);
  editor->setFont(font);
  editor->setGeometry(left, label->geometry().bottom() + 1 + 5, innerWidth,
                      editor->sizeHint().height());
  auto* filter = new EditorKeyFilter(this);
  editor->installEventFilter(filter);
  for (QWidget* child : editor->findChildren<QWidget*>()) child->installEventFilter(filter);

  const int buttonTop = editor->geometry().bottom() + 1 + 15;
  const int buttonWidth = Dx(du, 50), buttonHeight = Dy(du, 14);
  QPushButton* ok = MakeFlatButton(this, U("确认(&O)"), "OK", ui::kResultOk);
  ok->setGeometry(Dx(du, 38), buttonTop, buttonWidth, buttonHeight);
  QPushButton* cancel = MakeFlatButton(this, U("放弃(&C)"), "Cancel", ui::kResultCancel);
  cancel->setGeometry(Dx(du, 92), buttonTop, buttonWidth, buttonHeight);

  setFixedSize(Dx(du, 180), std::max(Dy(du, 63), buttonTop + buttonHeight + 13));
  CentreOnScreen(this);
}

void FlatPromptDialog::reject() { done(ui::kResultCancel); }

void FlatPromptDialog::keyPressEvent(QKeyEvent* event) {
  Guard(this, [&] {
    if (!HandleDialogKey(this, event)) QDialog::keyPressEvent(event);
  });
}

namespace {

QLineEdit* MakeEdit(const QString& value, QChar passwordChar) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QStringLiteral("Edit"));
  edit->setMaxLength(255);
  edit->setText(value);
  edit->selectAll();
  if (!passwordChar.isNull()) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(
        QStringLiteral("QLineEdit { lineedit-password-character: %1; }").arg(passwordChar.unicode()));
  }
  return edit;
}

QComboBox* MakeCombo(const QStringList& items, int style) {
  auto* combo = new QComboBox;
  combo->setObjectName(QStringLiteral("Combo"));
  if (style == 1) {
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
  }
  combo->addItems(items);
  combo->setCurrentIndex(items.isEmpty() ? -1 : 0);
  return combo;
}

}  // namespace

FlatInputDialog::FlatInputDialog(const QString& caption, const QString& prompt,
                                 const QString& value, QChar passwordChar, QWidget* parent)
    : FlatPromptDialog(caption, prompt, MakeEdit(value, passwordChar), parent) {
  setObjectName(QStringLiteral("FlatInputDialog"));
}

QString FlatInputDialog::text() const { return static_cast<QLineEdit*>(editor_)->text(); }

void FlatInputDialog::setVisible(bool visible) {
  auto* edit = static_cast<QLineEdit*>(editor_);
  if (visible) edit->setFocus();
  // Showing a dialog hands its focus widget a tab-style focus, which selects the whole text;
  // the caret goes after the text once that has happened.
  FlatPromptDialog::setVisible(visible);
  if (visible) edit->setCursorPosition(static_cast<int>(edit->text().size()));
}

FlatChoiceDialog::FlatChoiceDialog(const QString& caption, const QString& prompt,
                                   const QStringList& items, int style, QWidget* parent)
    : FlatPromptDialog(caption, prompt, MakeCombo(items, style), parent) {
  setObjectName(QStringLiteral("FlatChoiceDialog"));
}

QString FlatChoiceDialog::chosen() const { return static_cast<QComboBox*>(editor_)->currentText(); }

void FlatChoiceDialog::setVisible(bool visible) {
  if (visible) editor_->setFocus();
  FlatPromptDialog::setVisible(visible);
}

bool FlatInputQuery(const QString& caption, const QString& prompt, QString& value,
                    QChar passwordChar) {
  RefreshColorsFromStyleKey("colorstyle");
  FlatInputDialog dialog(caption, prompt, value, passwordChar);
  if (ui::ExecModal(&dialog) != ui::kResultOk) return false;
  value = dialog.text();
  return true;
}

QString FlatInputBox(const QString& caption, const QString& prompt, const QString& defaultValue) {
  QString value = defaultValue;
  FlatInputQuery(caption, prompt, value);
  return value;
}

bool FlatChooseItem(const QString& caption, const QString& prompt, const QStringList& items,
                    QString& chosen, int style) {
  RefreshColorsFromStyleKey("style");
  FlatChoiceDialog dialog(caption, prompt, items, style);
  if (ui::ExecModal(&dialog) != ui::kResultOk) return false;
  chosen = dialog.chosen();
  return true;
}

}  // namespace pt
