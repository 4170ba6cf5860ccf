#pragma once
// The few flat-style controls the module's dialogs are drawn with, carrying their colours as
// Windows colour values (0x00BBGGRR, red in the low byte) exactly as the designs and the
// settings file state them, so the dialog colour scheme (dialogs/ColorScheme.h) can test and
// set them by number:
//   TShape       PenColor (outline), BrushColor (fill; clear when not set)
//   TLabel       Color (back colour; the button face draws no background of its own), FontColor
//   TFlatButton  Color (face), BorderColor, ColorHighlight (border while hovered or focused),
//                ColorFocused (face while focused)
// Each is also a Qt property of the same name (qint64), for tests and tools that walk the tree.
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <optional>

namespace pt {

// Colour values the designs use.
inline constexpr int64_t kClBlack = 0;
inline constexpr int64_t kClGreen = 32768;        // the design colour of outlines, borders, titles
inline constexpr int64_t kClWhite = 16777215;
inline constexpr int64_t kClBtnFace = 0xFF00000F;  // system colour: button face
inline constexpr int64_t kClInfoBk = 0xFF000018;   // system colour: tooltip background
inline constexpr int64_t kDialogBack = 14614267;   // back colour of the module's dialogs

// Windows colour value -> QColor, system colours included.
QColor WinColor(int64_t value);

class TShape : public QWidget {
  Q_OBJECT
  Q_PROPERTY(qint64 PenColor READ PenColor WRITE SetPenColor)
  Q_PROPERTY(qint64 BrushColor READ BrushColor WRITE SetBrushColor)

 public:
  explicit TShape(QWidget* parent = nullptr);
  qint64 PenColor() const { return pen_; }
  void SetPenColor(qint64 color);
  qint64 BrushColor() const { return brush_.value_or(-1); }  // -1: clear
  void SetBrushColor(qint64 color);                           // -1: clear

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  qint64 pen_ = kClGreen;
  std::optional<qint64> brush_;
};

class TLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(qint64 Color READ Color WRITE SetColor)
  Q_PROPERTY(qint64 FontColor READ FontColor WRITE SetFontColor)

 public:
  explicit TLabel(const QString& text = {}, QWidget* parent = nullptr);
  qint64 Color() const { return color_; }
  void SetColor(qint64 color);
  qint64 FontColor() const { return fontColor_; }
  void SetFontColor(qint64 color);

 private:
  qint64 color_ = kClBtnFace;
  qint64 fontColor_ = kClBlack;
};

class TFlatButton : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(qint64 Color READ Color WRITE SetColor)
  Q_PROPERTY(qint64 BorderColor READ BorderColor WRITE SetBorderColor)
  Q_PROPERTY(qint64 ColorHighlight READ ColorHighlight WRITE SetColorHighlight)
  Q_PROPERTY(qint64 ColorFocused READ ColorFocused WRITE SetColorFocused)

 public:
  explicit TFlatButton(const QString& caption = {}, QWidget* parent = nullptr);
  qint64 Color() const { return color_; }
  void SetColor(qint64 c) { color_ = c; update(); }
  qint64 BorderColor() const { return border_; }
  void SetBorderColor(qint64 c) { border_ = c; update(); }
  qint64 ColorHighlight() const { return highlight_; }
  void SetColorHighlight(qint64 c) { highlight_ = c; update(); }
  qint64 ColorFocused() const { return focused_; }
  void SetColorFocused(qint64 c) { focused_ = c; update(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  qint64 color_ = kClBtnFace;
  qint64 border_ = kClGreen;
  qint64 highlight_ = kClGreen;
  qint64 focused_ = kClBtnFace;
  bool hovered_ = false;
};

// Takes a dialog's title bar away and keeps its frame: the window becomes frameless and draws a
// raised dialog border of its own (see FramedDialogBorder). The client area keeps its size (Qt
// sizes exclude the caption, so nothing has to shrink).
void RemoveCaptionBar(QWidget* form);
// Paints the border RemoveCaptionBar promised; call from the form's paintEvent.
void PaintDialogBorder(QWidget* form);

// Moves a top-level window to the centre of its screen.
void CentreOnScreen(QWidget* window);

}  // namespace pt
