#pragma once
// The base window of the main window: borderless, filling its parent (the host panel), with the
// main panel PanelMain that holds every control. It adopts the host's application window and
// reads the host's mode tag when created, follows the host's resize message (1026) and tells the
// host when it closes (1028).
#include <QFrame>
#include <QString>
#include <QWidget>
#include <string>

class QCloseEvent;

namespace pt {

class TFrmBase : public QWidget {
  Q_OBJECT
  // The module-wide session values, readable from the widget tree.
  Q_PROPERTY(QString hostModeTag READ hostModeTag)
  Q_PROPERTY(QString operatorCode READ operatorCode)

 public:
  // Runs FormCreate; a derived window's start-up runs after it.
  explicit TFrmBase(QWidget* owner = nullptr);
  ~TFrmBase() override;

  QFrame* PanelMain = nullptr;

  QString hostModeTag() const;
  QString operatorCode() const;

 protected:
  // Adopts the host application window and reads the shared-memory tag.
  void FormCreate();
  // Sends the close notice to the host (once) and frees the window when the close completes.
  // A derived window runs this first and then its own closing work.
  virtual void FormClose();

  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowParent();
  bool closeNoticeSent_ = false;
};

// Reads the first three bytes of the named POSIX shared-memory block into tag (fewer when the
// block is shorter, up to a NUL byte when it holds one). The block is opened for reading and
// writing as the host expects, its size is checked before mapping, and the view stays mapped
// (a later read replaces it). Returns false and leaves tag alone when the block is absent or
// cannot be mapped.
bool ReadHostModeTag(const char* name, std::string& tag);
// Unmaps the view the last read kept.
void ReleaseHostModeTagView();

}  // namespace pt
