#pragma once
// `TFrmyjg`, "商品原价打印": computes, stores and lists the pre-promotion reference prices of the
// promotions of the current or the next period (the lowest price paid in the 7 days before each
// start and the last price paid 8 to 90 days before it), and previews or prints the list.
// A new window for each opening, shown modally and destroyed after; the column layout of its
// grid lives in the settings file, section "FrmyjgDgdView".
#include <QComboBox>
#include <QDialog>
#include <QToolBar>
#include <QToolButton>
#include <string>

#include "common/MemTable.h"
#include "report_engine/Expression.h"
#include "report_engine/GridReport.h"

namespace pt {

class TAdvDBGridEh;

class TFrmyjg : public QDialog {
  Q_OBJECT

 public:
  // currentDate: the server's current date YYYYMMDD as the main window read it at start-up.
  TFrmyjg(QWidget* owner, std::string currentDate);
  ~TFrmyjg() override;

  QToolBar* ToolBar = nullptr;
  QComboBox* cbdq = nullptr;  // "本期" / "下期"
  QToolButton* btnsearch = nullptr;
  QToolButton* ToolButton3 = nullptr;
  QToolButton* btnChoose = nullptr;
  QToolButton* btnPreview = nullptr;
  QToolButton* btnPrint = nullptr;
  QToolButton* btnExit = nullptr;
  TAdvDBGridEh* dgdView = nullptr;

  MemTable cdsPrint{"cdsPrint"};  // the list; open once a search has loaded it
  MemTable cdspub{"cdspub"};      // the start-month range of one table's open promotions

  report::GridReportSpec PrintDG;       // page and band settings of the printout
  report::VariableList ReportVariables;  // Date, Time, Title (Condi and Oper are not set here)

  const std::string& CurrentDate() const { return currentDate_; }

  void btnsearchClick();
  void ToolButton3Click();
  void btnChooseClick();
  void btnPreviewClick();
  void btnPrintClick();
  void btnExitClick();
  // The window sees every key before the focused control. True when handled.
  bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

 public slots:
  void reject() override { done(2); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void DefineFields();
  void BuildToolBar();
  void BuildGrid();
  void SetCountFooter();

  std::string currentDate_;
};

}  // namespace pt
