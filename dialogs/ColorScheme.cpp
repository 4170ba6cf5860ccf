#include "dialogs/ColorScheme.h"

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

#include "common/IniFile.h"
#include "common/ModuleError.h"
#include "common/Variant.h"
#include "dialogs/FlatControls.h"

namespace pt {

namespace {

constexpr int64_t kLabelKeepColor = 14084846;

int64_t ReadInt(const char* key, const char* defaultValue) {
  std::string text = ReadIniValue("Tallmerpos.ini", "ColorOption", key, defaultValue, "");
  int64_t value = 0;
  if (!TextToInt(text, value))
    throw ModuleError("设置 ColorOption/" + std::string(key) + " 的值“" + text + "”不是有效的整数");
  return value;
}

void SetFormColor(QWidget* w, int64_t color) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, WinColor(color));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
  w->setProperty("Color", QVariant::fromValue<qint64>(color));
}

bool InsideComboBox(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    if (qobject_cast<QComboBox*>(p)) return true;
  return false;
}

}  // namespace

ColorSchemeSettings ReadColorScheme() {
  ColorSchemeSettings s;
  s.style = ReadInt("colorstyle", "0");
  s.back = ReadInt("backcolor", "15528176");
  s.line = ReadInt("linecolor", "12349763");
  s.title = ReadInt("titlecolor", "12349763");
  return s;
}

void ApplyColorScheme(QWidget* form) { ApplyColorScheme(form, ReadColorScheme()); }

void ApplyColorScheme(QWidget* form, const ColorSchemeSettings& s) {
  if (s.style == 0 || !form) return;
  SetFormColor(form, s.back);
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (auto* shape = qobject_cast<TShape*>(w)) {
      shape->SetPenColor(s.line);
    } else if ((qobject_cast<QListWidget*>(w) || qobject_cast<QTreeWidget*>(w)) && !InsideComboBox(w)) {
      QPalette pal = w->palette();
      pal.setColor(QPalette::Base, WinColor(s.back));
      w->setPalette(pal);
      w->setProperty("Color", QVariant::fromValue<qint64>(s.back));
    } else if (auto* label = qobject_cast<TLabel*>(w)) {
      uint32_t c = static_cast<uint32_t>(label->Color());
      if (c != static_cast<uint32_t>(kClBtnFace) && c != kLabelKeepColor) label->SetColor(s.back);
      if (label->FontColor() == kClGreen) label->SetFontColor(s.title);
    } else if (auto* button = qobject_cast<TFlatButton*>(w)) {
      button->SetColor(s.back);
      if (button->BorderColor() == kClGreen) {
        button->SetBorderColor(s.line);
        button->SetColorHighlight(s.line);
        button->SetColorFocused(kClWhite);
      }
    }
  }
}

}  // namespace pt
