#pragma once
// TFrmSelectBM ("部门选择"): the headquarters clerk ticks the pricing departments whose products
// are queued: one top category, and inside it whole categories or single departments. A
// borderless modal window, dragged by its client area. The main window owns one for its whole
// life, fills the node model (dept::DeptTree, which also holds the ticking rules), ticks it
// before showing and reads the ticks back after a confirmation; this window is a view over the
// model.
//
// Modal results: 1 "√" (confirmed), 2 "×" or Esc (cancelled).
#include <QDialog>
#include <QPoint>
#include <QString>
#include <vector>

#include "dialogs/DeptTree.h"

class QMenu;
class QAction;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace pt {

class TFlatButton;
class TLabel;

class TFrmSelectBM : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmSelectBM(QWidget* owner = nullptr);

  // The node model. After changing its structure call RebuildItems, after changing ticks or
  // expansion from the program call RefreshItems.
  dept::DeptTree& Tree() { return tree_; }
  const dept::DeptTree& Tree() const { return tree_; }
  void RebuildItems();
  void RefreshItems();

  QTreeWidgetItem* ItemOf(dept::DeptTree::NodeId id) const;
  dept::DeptTree::NodeId NodeOf(const QTreeWidgetItem* item) const;

  // Commands.
  void btntjClick();    // "统计": the count message
  void btnsaveClick();  // "保存": the ticked nodes into a selection file
  void btngetClick();   // "导入": ticks from a selection file
  void N1Click();       // "全选"
  void N2Click();       // "全不选"
  void reject() override;  // Esc and "×": modal result 2

  static constexpr const char* kDefaultFileName = "定价部门选择设置.txt";
  static constexpr const char* kSaveTitle = "保存部门设置数据";
  static constexpr const char* kFileFilter = "文本文档 (*.txt)";

  TLabel* Label1 = nullptr;
  QWidget* Panel1 = nullptr;
  TFlatButton* btntj = nullptr;
  TFlatButton* btnsave = nullptr;
  TFlatButton* btnget = nullptr;
  TFlatButton* btnok = nullptr;
  TFlatButton* btncancel = nullptr;
  QTreeWidget* tnbm = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N1 = nullptr;
  QAction* N2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void tnbmItemChanged(QTreeWidgetItem* item, int column);
  void SelectChildren(bool ticked);
  // Mirrors the model into the items after a command and tells the clerk about rule 4.
  void Finish(const dept::TickReport& report);

  dept::DeptTree tree_;
  std::vector<QTreeWidgetItem*> items_;  // by node id
  bool syncing_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

}  // namespace pt
