#pragma once
// The print pass: the one road from the print queue to labels. The main window's preview and
// print buttons, the unattended print command and tests all run it. In order: find the template
// by the name in the selector, load it, read the print settings, set the report variables, turn
// the queue into print records with the label price rules, plan the labels (copies, rows lacking
// what the template requires, the start position on a sheet), then preview or print.
//
// Printing never holds the whole run: print records are made as the layout reaches them and
// every page goes to the printer (or the PDF file) as soon as it is laid out. A preview fills
// the print record set `cdsPrint` and keeps its pages, as a preview must.
//
// What the pass has to say or ask goes through a PassDialog: the window shows its message boxes
// (MessageBoxPassDialog), the command writes lines.
#include <QWidget>
#include <functional>
#include <string>

#include "common/MemTable.h"
#include "printing/LabelJob.h"
#include "report_engine/ReportEngine.h"
#include "report_engine/ReportOutput.h"

class QPrinter;

namespace pt::printing {

// How the pass tells its caller what stopped or troubled it, and asks what to do.
class PassDialog {
 public:
  virtual ~PassDialog() = default;
  // Nothing is printed: no template chosen or none of that name, a start position beyond the
  // sheet, an unknown printer (the message says which).
  virtual void Stopped(const std::string& message) = 0;
  // A queue row could not be turned into a print record: true lets the labels of the rows
  // before it go ahead, false prints nothing.
  virtual bool FillFailed(const std::string& message) = 0;
  // The report could not be laid out; nothing more is printed.
  virtual void PrepareFailed(const std::string& reason) = 0;
  // Rows lack values the template requires (the message names them): true prints the others.
  virtual bool PrintOthers(const std::string& message) = 0;
  // Objects reach outside what the printer can print (the message says which and how far):
  // true prints anyway.
  virtual bool PrintOutsideArea(const std::string& message) = 0;
  // The printer or the file refused the job; nothing of it was handed over.
  virtual void PrintFailed(const std::string& message) = 0;
};

// The window's boxes: "错误" for a stop, "错误提示" for a record that failed, "异常错误,原因:"
// for a report that could not be laid out, questions under "提示信息".
class MessageBoxPassDialog : public PassDialog {
 public:
  explicit MessageBoxPassDialog(QWidget* owner) : owner_(owner) {}
  void Stopped(const std::string& message) override;
  bool FillFailed(const std::string& message) override;  // the rows before go ahead
  void PrepareFailed(const std::string& reason) override;
  bool PrintOthers(const std::string& message) override;
  bool PrintOutsideArea(const std::string& message) override;
  void PrintFailed(const std::string& message) override;

 private:
  QWidget* owner_;
};

class PrintedLabels;

// Told of every run that reached a printer or a file, right after the job was handed over.
class PrintRecorder {
 public:
  virtual ~PrintRecorder() = default;
  virtual void Printed(const PrintedLabels& labels) = 0;
};

// What the pass reads and updates: the main window's tables, report and settings (the command
// keeps a set of its own).
struct PassState {
  MemTable& queue;                // cdsSpda
  MemTable& print;                // cdsPrint: filled by a preview
  const MemTable& templates;      // CdsTemplate
  report::ReportEngine& engine;   // RMReport1
  std::string& labelGrade;        // re-read from the settings file when the pass reads them
  std::string& reductionReason;
  std::string& periodChoice;
  const std::string& labelRemark;
  const std::string& currentDate;  // the server date, yyyymmdd
  bool& detailRefresh;             // off while the queue is walked
  PrintRecorder* recorder = nullptr;
};

// Where the labels go.
struct LabelOutput {
  enum class Kind { Preview, PrintDialog, Printer, PdfFile };
  Kind kind = Kind::Preview;
  QWidget* owner = nullptr;  // of the preview or the print dialog
  std::string printer;       // Printer: the printer's name; PdfFile: whose calibration to apply (none when empty)
  std::string file;          // PdfFile: replaced only when the whole job is written

  static LabelOutput Preview(QWidget* owner) { return {Kind::Preview, owner, {}, {}}; }
  static LabelOutput PrintDialog(QWidget* owner) { return {Kind::PrintDialog, owner, {}, {}}; }
  static LabelOutput Printer(std::string name) { return {Kind::Printer, nullptr, std::move(name), {}}; }
  static LabelOutput PdfFile(std::string path, std::string calibrationOf = {}) {
    return {Kind::PdfFile, nullptr, std::move(calibrationOf), std::move(path)};
  }
};

enum class PassOutcome {
  NothingToPrint,  // the queue is empty: nothing shown, nothing said
  Stopped,         // PassDialog::Stopped, or the clerk chose not to print the others
  PrepareFailed,   // PassDialog::PrepareFailed
  Previewed,
  Printed,
  NotPrinted,      // the print dialog was cancelled, or the printer or file refused the job
};

struct PassResult {
  PassOutcome outcome = PassOutcome::NothingToPrint;
  std::string templateName;
  int rows = 0;    // queue rows printed (or shown)
  int labels = 0;
  int pages = 0;   // pages laid out (a print dialog's choice may print fewer)
  std::string output;  // the printer's name or the file written
  double firstPageSeconds = -1;  // from the start of the pass to the first page handed over
};

// A run that reached a printer or a file: what the recorder is given.
class PrintedLabels {
 public:
  PrintedLabels(const MemTable& queue, const std::string& periodChoice, const LabelPlan& plan, const PassResult& result,
                const LabelTexts& texts)
      : queue_(queue), periodChoice_(periodChoice), plan_(plan), result_(result), texts_(texts) {}
  const PassResult& Result() const { return result_; }
  const LabelTexts& Texts() const { return texts_; }
  const std::string& PeriodChoice() const { return periodChoice_; }
  // Every printed row in queue order: its print record (one row, current) as its labels show
  // it, and how many labels it got. Records are made again one at a time.
  void ForEachRow(const std::function<void(const MemTable& record, int copies)>& fn) const;

 private:
  const MemTable& queue_;
  const std::string& periodChoice_;
  const LabelPlan& plan_;
  const PassResult& result_;
  const LabelTexts& texts_;
};

PassResult RunPrintPass(PassState& state, const std::string& selectorText, const LabelOutput& output,
                        PassDialog& dialog);

// The calibration a printer prints labels with: the stored one for a real printer chosen by
// name, none for output to a file. A damaged stored value throws ModuleError.
report::PrintCalibration LabelCalibration(const QPrinter& printer);

}  // namespace pt::printing
