#pragma once
// `TFrmBjqSearch`, "商品特价打印": the print queue's products with every price and promotion
// detail in one wide grid, previewed or printed as a list. It computes nothing: the main window
// creates it once, hidden, and before each showing hands it the queue's rows and filter. Closing
// hides it for the next showing; it goes with the main window.
#include <QDialog>
#include <QToolBar>
#include <QToolButton>
#include <string>

#include "common/MemTable.h"
#include "report_engine/Expression.h"
#include "report_engine/GridReport.h"

namespace pt {

class TAdvDBGridEh;

class TFrmBjqSearch : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmBjqSearch(QWidget* owner);
  ~TFrmBjqSearch() override;

  QToolBar* ToolBar = nullptr;
  QToolButton* btnChoose = nullptr;
  QToolButton* btnPreview = nullptr;
  QToolButton* btnPrint = nullptr;
  QToolButton* btnExit = nullptr;
  TAdvDBGridEh* dgdView = nullptr;

  // The queue's fields under the same names. The forty the list shows come first, in their
  // order; the queue's other fields follow hidden, so that any filter the clerk set on the
  // queue reads the same here.
  MemTable cdsPrint{"cdsPrint"};

  report::GridReportSpec PrintDG;
  report::VariableList ReportVariables;

  // Replaces the whole content with the queue's rows (also those its filter hides) and puts the
  // queue's filter in force here. A damaged packet or filter throws and leaves the list empty.
  void LoadQueue(const MemTable& queue);

  void btnChooseClick();
  void btnPreviewClick();
  void btnPrintClick();
  void btnExitClick();
  bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

 public slots:
  void reject() override { done(2); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DefineFields();
  void BuildToolBar();
  void BuildGrid();
};

}  // namespace pt
