#pragma once
// The busy hint: a small caption-less window on top of everything, with an animation and one
// line of text, shown while a long request keeps the user-interface thread busy. While a hint
// exists, errors that no operation caught are dropped instead of shown (see ErrorGuard.h).
//
// Callers use BusyHint, which creates the hint into FrmHint, shows and paints it at once, and
// frees it on every path out of the command:
//   pt::BusyHint hint(this, QString::fromUtf8("正在调入RF数据..."));
//   ... request ...
//   hint.Hide();  // before a message box
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "common/ErrorGuard.h"

namespace pt {

// The animation control of the hint: plays the frames of a clip file (see AviClip.h) or, when
// there is none, a built-in looping animation of a magnifier searching a folder. The frame on
// screen follows the time since Play(), so every repaint during a busy request moves it on.
class HintAnimation : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kBuiltInFrames = 30;  // frames 0..29

  explicit HintAnimation(QWidget* parent = nullptr);
  // Loads a clip file; false (and the built-in animation stays) when it cannot be played.
  bool Open(const QString& path);
  void Play();
  void Stop();
  bool active() const { return timer_.isActive(); }
  bool playingFile() const { return !frames_.empty(); }
  int frameCount() const { return frames_.empty() ? kBuiltInFrames : static_cast<int>(frames_.size()); }
  int currentFrame() const;
  int intervalMs() const { return intervalMs_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintBuiltIn(QPainter& p, int frame);

  std::vector<QImage> frames_;
  int intervalMs_ = 80;
  QTimer timer_;
  QElapsedTimer clock_;
};

class TFrmHint : public QWidget {
  Q_OBJECT
 public:
  // The clip played when it exists, relative to the current directory.
  static constexpr const char* kClipPath = "Resource/Turtle.avi";

  explicit TFrmHint(QWidget* owner = nullptr);
  ~TFrmHint() override;

  // Rewrites the text line and paints the hint at once (the caller keeps the thread busy).
  void SetText(const QString& text);


 signals:
  // The progress text was rewritten (callers report progress through it).
  void textChanged(const QString& text);

 public:
  HintAnimation* Animate1 = nullptr;
  QLabel* Label1 = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;  // the thin border that replaces the caption

 private:
  void FormCreate();

  // Uncaught errors are dropped while the hint exists; the handling before it returns after.
  ErrorHandlerScope silence_;
};

// The hint currently in use (at most one); empty when none exists.
extern QPointer<TFrmHint> FrmHint;

// Creates the hint owned by `owner` into FrmHint, sets the text (when given), shows it and paints
// it and the owner at once. The destructor frees the hint and gives FrmHint back what it held.
class BusyHint {
 public:
  explicit BusyHint(QWidget* owner, const QString& text = QString());
  ~BusyHint();
  BusyHint(const BusyHint&) = delete;
  BusyHint& operator=(const BusyHint&) = delete;

  void SetText(const QString& text);
  void Hide();
  TFrmHint* hint() const { return hint_.data(); }

 private:
  QPointer<TFrmHint> hint_;
  QPointer<TFrmHint> previous_;
};

}  // namespace pt
