#include "common/UnitHint.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>
#include <QtMath>
#include <string>

#include "common/AviClip.h"

namespace pt {

QPointer<TFrmHint> FrmHint;

// ---------------------------------------------------------------------------------------------
// HintAnimation

HintAnimation::HintAnimation(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Animate1"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  timer_.setInterval(intervalMs_);
  connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

bool HintAnimation::Open(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  // The hint's clip is small; anything beyond a few megabytes is not one.
  if (file.size() > 64 * 1024 * 1024) return false;
  const QByteArray bytes = file.readAll();
  AviClip clip;
  std::string error;
  if (!DecodeAviClip(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), clip,
                     error))
    return false;
  // As the animation control draws it: the colour of the first pixel shows the background.
  const uint32_t key = clip.frames.front().front();
  std::vector<QImage> frames;
  frames.reserve(clip.frames.size());
  for (const auto& pixels : clip.frames) {
    QImage image(clip.width, clip.height, QImage::Format_ARGB32);
    for (int y = 0; y < clip.height; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < clip.width; ++x) {
        const uint32_t px = pixels[static_cast<size_t>(y) * clip.width + x];
        line[x] = px == key ? 0u : px;
      }
    }
    frames.push_back(std::move(image));
  }
  frames_ = std::move(frames);
  intervalMs_ = clip.microSecPerFrame >= 10000 ? static_cast<int>(clip.microSecPerFrame / 1000) : 66;
  timer_.setInterval(intervalMs_);
  update();
  return true;
}

void HintAnimation::Play() {
  clock_.start();
  timer_.start();
  update();
}

void HintAnimation::Stop() { timer_.stop(); }

int HintAnimation::currentFrame() const {
  if (!clock_.isValid()) return 0;
  return static_cast<int>((clock_.elapsed() / intervalMs_) % frameCount());
}

void HintAnimation::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(this);
    const int frame = currentFrame();
    if (!frames_.empty()) {
      const QImage& image = frames_[static_cast<size_t>(frame)];
      p.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
      return;
    }
    PaintBuiltIn(p, frame);
  });
}

// A folder with a magnifier circling over it, one turn in 30 frames.
void HintAnimation::PaintBuiltIn(QPainter& p, int frame) {
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = width(), h = height();
  const QRectF folder(w * 0.18, h * 0.34, w * 0.5, h * 0.52);
  QPainterPath back;
  back.moveTo(folder.left(), folder.top());
  back.lineTo(folder.left() + folder.width() * 0.38, folder.top());
  back.lineTo(folder.left() + folder.width() * 0.48, folder.top() + folder.height() * 0.14);
  back.lineTo(folder.right(), folder.top() + folder.height() * 0.14);
  back.lineTo(folder.right(), folder.bottom());
  back.lineTo(folder.left(), folder.bottom());
  back.closeSubpath();
  p.setPen(QPen(QColor(128, 96, 0), 1));
  p.setBrush(QColor(230, 190, 60));
  p.drawPath(back);
  // A sheet of paper sticking out, then the folder's front.
  p.setBrush(Qt::white);
  p.setPen(QPen(Qt::gray, 1));
  p.drawRect(QRectF(folder.left() + folder.width() * 0.12, folder.top() + folder.height() * 0.06,
                    folder.width() * 0.7, folder.height() * 0.5));
  p.setPen(QPen(QColor(128, 96, 0), 1));
  p.setBrush(QColor(250, 214, 90));
  p.drawRect(QRectF(folder.left(), folder.top() + folder.height() * 0.32, folder.width(),
                    folder.height() * 0.68));

  const qreal angle = 2 * M_PI * frame / kBuiltInFrames;
  const QPointF centre(w * 0.5 + w * 0.22 * qCos(angle), h * 0.48 + h * 0.2 * qSin(angle));
  const qreal r = qMin(w, h) * 0.17;
  p.setPen(QPen(QColor(60, 60, 60), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre + QPointF(r * 0.7, r * 0.7), centre + QPointF(r * 1.7, r * 1.7));
  p.setPen(QPen(QColor(40, 40, 40), 2));
  p.setBrush(QColor(200, 230, 255, 170));
  p.drawEllipse(centre, r, r);
}

// ---------------------------------------------------------------------------------------------
// TFrmHint

TFrmHint::TFrmHint(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      silence_(ErrorHandlerScope::Silent()) {
  setObjectName(QStringLiteral("TFrmHint"));
  setAttribute(Qt::WA_DeleteOnClose);    // closing frees it
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setFont(QFont(QString::fromUtf8("宋体")));
  setFixedSize(332, 87);

  Animate1 = new HintAnimation(this);
  Animate1->resize(80, 50);
  Label1 = new QLabel(QString::fromUtf8("正在统计，请稍候..."), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  QFont labelFont(QString::fromUtf8("宋体"));
  labelFont.setPixelSize(14);
  Label1->setFont(labelFont);
  Label1->adjustSize();

  FormCreate();
}

TFrmHint::~TFrmHint() = default;

void TFrmHint::FormCreate() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
  }
  const QString clip = QDir::current().filePath(QString::fromLatin1(kClipPath));
  if (QFileInfo::exists(clip)) {
    // A clip we cannot decode still takes the clip's places; the built-in frames stand in.
    Animate1->Open(clip);
    Animate1->move(32, 2);
    Label1->move(93, 69);
  } else {
    Animate1->move(16, 20);
    Label1->move(116, 40);
  }
  Animate1->Play();
}

void TFrmHint::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  });
}

void TFrmHint::SetText(const QString& text) {
  Label1->setText(text);
  Label1->adjustSize();
  repaint();
  emit textChanged(text);
}

// ---------------------------------------------------------------------------------------------
// BusyHint

namespace {

// The longest wait for the window system to put a new hint on screen.
constexpr int kExposeWaitMs = 1000;

// A window system that maps windows asynchronously (X11) has not put a window on screen the
// moment it is shown: painting it then paints nothing, and the blocking request that follows
// leaves a blank box with an unpainted window behind it. So the hint waits, a bounded time, until
// it is exposed, handling meanwhile only what is not the clerk's input (nor a socket, which could
// end the session mid-command): the exposure, and the repaints of what the hint's appearance
// (or a dialog that just closed) uncovered. Then the hint and its owner are painted at once and
// everything drawn is handed to the window system before the caller blocks.
void PaintBeforeBlocking(QWidget* hint, QWidget* owner) {
  const auto flags = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;
  QWindow* window = hint->windowHandle();
  const QDeadlineTimer deadline(kExposeWaitMs);
  // The animation's timer wakes the wait at least every few tens of milliseconds.
  while (window && !window->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(flags | QEventLoop::WaitForMoreEvents);
  QCoreApplication::processEvents(flags);
  hint->repaint();
  if (owner) owner->window()->repaint();
  QCoreApplication::processEvents(flags);  // sends the drawing to the window system
}

}  // namespace

BusyHint::BusyHint(QWidget* owner, const QString& text) : previous_(FrmHint) {
  hint_ = new TFrmHint(owner);
  FrmHint = hint_;
  if (!text.isEmpty()) {
    hint_->Label1->setText(text);
    hint_->Label1->adjustSize();
  }
  hint_->show();
  hint_->raise();
  PaintBeforeBlocking(hint_, owner);
}

BusyHint::~BusyHint() {
  TFrmHint* hint = hint_.data();
  delete hint;
  if (!FrmHint || FrmHint == hint) FrmHint = previous_;
}

void BusyHint::SetText(const QString& text) {
  if (hint_) hint_->SetText(text);
}

void BusyHint::Hide() {
  if (hint_) hint_->hide();
}

}  // namespace pt
