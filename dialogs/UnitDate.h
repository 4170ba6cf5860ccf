#pragma once
// `TfrmDate`, "日期设置": asks for the date of a product source and, for the price changes,
// a bill number. The callers read the date and the flag after the window closes.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QLabel>
#include <string>

#include "host/HostService.h"

namespace pt {

class TFlatButton;

class TfrmDate : public QDialog {
  Q_OBJECT

 public:
  // Starts the picker at the server date. When that cannot be read or is not a date the
  // failure is reported and the picker starts at fallbackDate (YYYYMMDD; the main window passes
  // the server date it read at start-up), or at 2000-01-01 when that is no date either.
  TfrmDate(QWidget* owner, HostService& host, const std::string& fallbackDate = {});

  QLabel* Label1 = nullptr;                // "日期：" (callers put their own caption here)
  QDateEdit* FlatDateTimePicker1 = nullptr;
  QLabel* labtjdjh = nullptr;              // "单据号：", hidden unless the caller shows it
  QComboBox* cbtjdjh = nullptr;            // bill numbers; typing is accepted
  QCheckBox* cb0slsp = nullptr;            // "过滤调价数量为零的商品"
  TFlatButton* btnOK = nullptr;
  TFlatButton* btnCancel = nullptr;

  // True only when the clerk confirmed with btnOK.
  bool Confirmed() const { return confirmed_; }
  // The picker's date as YYYYMMDD.
  std::string DateText() const;

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void StartAtServerDate(HostService& host, const std::string& fallbackDate);
  bool confirmed_ = false;
};

}  // namespace pt
