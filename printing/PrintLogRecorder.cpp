#include "printing/PrintLogRecorder.h"

#include <QSysInfo>

#include "common/TextRoutines.h"

namespace pt::printing {

std::string WorkstationName() { return QSysInfo::machineHostName().toStdString(); }

void PrintLogRecorder::Printed(const PrintedLabels& labels) {
  taken_ = true;
  tags_.clear();
  failure_.clear();
  job_.templateName = labels.Result().templateName;
  try {
    labels.ForEachRow([&](const MemTable& record, int copies) {
      // Rows without a product code (a blank amount-controlled row) name no shelf.
      if (Trim(record.GetText("f_Spbm")).empty()) return;
      tags_.push_back(TagFromRecord(record, copies, labels.Shown()));
    });
  } catch (const std::exception& e) {
    tags_.clear();
    failure_ = std::string(kPrintLogFailed) + "\r\n" + e.what();
  }
}

std::string PrintLogRecorder::Write() {
  if (!taken_) return {};
  taken_ = false;
  std::string failure = std::move(failure_);
  failure_.clear();
  if (failure.empty()) failure = RecordPrintJob(host_, job_, tags_);
  tags_.clear();
  return failure;
}

}  // namespace pt::printing
