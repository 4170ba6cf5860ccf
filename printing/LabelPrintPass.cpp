#include "printing/LabelPrintPass.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <chrono>
#include <filesystem>
#include <optional>

#include "common/ModuleError.h"
#include "common/UiSeam.h"
#include "printing/PrintRecord.h"
#include "report_engine/MemTableSource.h"
#include "report_engine/QtTextMeasurer.h"
#include "report_engine/ReportOutput.h"
#include "report_engine/ReportView.h"

namespace pt::printing {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

using Clock = std::chrono::steady_clock;

// The printer refused a sheet: ends the layout of a job.
struct JobRefused {};

// Hands each page the layout finishes to the print job: only the pages chosen, each as many
// times as asked.
class JobSink : public report::PageSink {
 public:
  JobSink(report::PagePrinter& job, const std::vector<bool>* chosen, int repeat, Clock::time_point start,
          PassResult& result)
      : job_(job), chosen_(chosen), repeat_(repeat), start_(start), result_(result) {}
  void TakePage(const report::PreparedReport& shared, report::Page&& page) override {
    const size_t index = next_++;
    if (chosen_ && (index >= chosen_->size() || !(*chosen_)[index])) return;
    for (int k = 0; k < repeat_; ++k)
      if (!job_.Print(shared, page)) throw JobRefused{};
    if (result_.firstPageSeconds < 0)
      result_.firstPageSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
  }

 private:
  report::PagePrinter& job_;
  const std::vector<bool>* chosen_;
  int repeat_;
  Clock::time_point start_;
  PassResult& result_;
  size_t next_ = 0;
};

// The printer's own margins on paper of the template's size, in millimetres.
QMarginsF PrinterMargins(QPrinter& printer, const report::ReportTemplate& t) {
  if (printer.outputFormat() == QPrinter::PdfFormat) return {};
  const QPageLayout layout = printer.pageLayout();
  QSizeF size(t.pageWidth, t.pageHeight);
  QPageLayout::Orientation o = QPageLayout::Portrait;
  if (t.pageWidth > t.pageHeight) {
    size.transpose();
    o = QPageLayout::Landscape;
  }
  printer.setPageLayout(QPageLayout(QPageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch), o,
                                    QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
  const QMarginsF m = printer.pageLayout().minimumMargins();
  const QPageLayout::Unit unit = printer.pageLayout().units();
  printer.setPageLayout(layout);
  if (unit == QPageLayout::Millimeter) return m;
  // Points are what print devices report in otherwise.
  constexpr double mmPerPoint = 25.4 / 72;
  return {m.left() * mmPerPoint, m.top() * mmPerPoint, m.right() * mmPerPoint, m.bottom() * mmPerPoint};
}

}  // namespace

// ============================================================== the window's boxes

void MessageBoxPassDialog::Stopped(const std::string& message) {
  ui::ShowMessage(owner_, Q(message), "错误", ui::Icon::Error);
}

bool MessageBoxPassDialog::FillFailed(const std::string& message) {
  ui::ShowMessage(owner_, Q(message), "错误提示", ui::Icon::Warning);
  return true;
}

void MessageBoxPassDialog::PrepareFailed(const std::string& reason) { report::ShowPrepareFailure(owner_, Q(reason)); }

bool MessageBoxPassDialog::PrintOthers(const std::string& message) {
  return ui::ShowMessage(owner_, Q(message + "是否打印其余商品的标签？"), "提示信息", ui::Icon::Question,
                         ui::Buttons::YesNo) == ui::kResultYes;
}

bool MessageBoxPassDialog::PrintOutsideArea(const std::string& message) {
  return ui::ShowMessage(owner_, Q(message + "是否仍然打印？"), "提示信息", ui::Icon::Question, ui::Buttons::YesNo) ==
         ui::kResultYes;
}

void MessageBoxPassDialog::PrintFailed(const std::string& message) {
  ui::ShowMessage(owner_, Q(message), "错误", ui::Icon::Error);
}

// ============================================================== what was printed

void PrintedLabels::ForEachRow(const std::function<void(const MemTable& record, int copies)>& fn) const {
  QueueRecordSource records(queue_, periodChoice_);
  for (const PlannedRow& row : plan_.rows) {
    records.MoveTo(row.record);
    fn(records.Record(), row.copies);
  }
}

report::PrintCalibration LabelCalibration(const QPrinter& printer) {
  if (printer.outputFormat() != QPrinter::NativeFormat) return {};
  const Calibration c = LoadCalibration(printer.printerName().toStdString());
  return {c.offsetX, c.offsetY, c.scale};
}

// ============================================================== the pass

namespace {

class Pass {
 public:
  Pass(PassState& s, const LabelOutput& output, PassDialog& dialog) : s_(s), output_(output), dialog_(dialog) {}

  PassResult Run(const std::string& selectorText) {
    if (!s_.queue.Active() || s_.queue.IsEmpty()) return result_;
    const TemplateChoice choice = ChooseTemplate(s_.templates, selectorText);
    if (!choice.Found()) return Stop(choice.message);
    result_.templateName = choice.name;
    LoadChosenTemplate(s_.engine, s_.templates, choice);
    // The grade, the reduction reason and the period come from the settings file as it holds
    // them now; the remark stays what the clerk set.
    if (!s_.queue.GetText("f_spbm").empty()) {
      const PrintSettings settings = LoadPrintSettings(kSettingsFile, kSettingsSection, "");
      s_.labelGrade = settings.labelGrade;
      s_.reductionReason = settings.reductionReason;
      s_.periodChoice = settings.periodChoice;
    }
    texts_ = {s_.labelGrade, s_.labelRemark, s_.reductionReason, s_.currentDate};
    const report::ReportTemplate& t = s_.engine.Template();
    const report::LabelGrid grid = report::TemplateGrid(t);
    const StartPosition start = ReadStartPosition(StartPositionSetting(), grid.PerPage());
    if (!start.message.empty()) return Stop(start.message);
    options_.skipSlots = start.skip;

    const bool preview = output_.kind == LabelOutput::Kind::Preview;
    // A preview fills the print record set; printing makes each record when the layout needs it.
    std::optional<report::MemTableSource> filled;
    std::optional<QueueRecordSource> onDemand;
    if (preview) {
      std::string failure;
      if (!FillPrintRecords(s_.queue, s_.print, s_.periodChoice, s_.detailRefresh, failure) &&
          !dialog_.FillFailed(failure)) {
        result_.outcome = PassOutcome::Stopped;
        return result_;
      }
      if (!s_.print.IsEmpty()) s_.print.First();
    } else if (s_.print.Active()) {
      s_.print.EmptyDataSet();  // printing holds no record set
    }
    SetLabelVariables(s_.engine, texts_);
    report::ReportDataSource* records = nullptr;
    if (preview)
      records = &filled.emplace(s_.print, "cdsPrint");
    else
      records = &onDemand.emplace(s_.queue, s_.periodChoice);

    std::optional<RequiredValues> required;
    try {
      s_.engine.CheckSource(*records);
      required.emplace(t, *records, s_.engine.Variables());
    } catch (const std::exception& e) {
      dialog_.PrepareFailed(e.what());
      result_.outcome = PassOutcome::PrepareFailed;
      return result_;
    }
    // Rows are read by position: the queue's current row never moves.
    plan_ = PlanLabels(*records, s_.queue, &*required);
    if (!plan_.failure.empty() && !dialog_.FillFailed(plan_.failure)) {
      result_.outcome = PassOutcome::Stopped;
      return result_;
    }
    if (!plan_.leftOut.empty()) {
      const std::string message = LeftOutMessage(plan_, choice.name);
      if (plan_.rows.empty()) return Stop(message + "没有可以打印的标签。");
      if (!dialog_.PrintOthers(message)) {
        result_.outcome = PassOutcome::Stopped;
        return result_;
      }
    }
    result_.rows = static_cast<int>(plan_.rows.size());
    result_.labels = plan_.labels;
    result_.pages = plan_.labels > 0 ? grid.PageCount(options_.skipSlots + plan_.labels) : 0;
    LabelSequence labels(*records, plan_);

    switch (output_.kind) {
      case LabelOutput::Kind::Preview: return ShowPreview(labels);
      case LabelOutput::Kind::PrintDialog: return PrintWithDialog(labels);
      case LabelOutput::Kind::Printer: return PrintOnPrinter(labels);
      case LabelOutput::Kind::PdfFile: return PrintToPdf(labels);
    }
    return result_;
  }

 private:
  PassResult& Stop(const std::string& message) {
    dialog_.Stopped(message);
    result_.outcome = PassOutcome::Stopped;
    return result_;
  }

  PassResult& ShowPreview(LabelSequence& labels) {
    std::optional<report::PreparedReport> prepared;
    try {
      report::QtTextMeasurer measurer;
      prepared = s_.engine.Prepare(labels, measurer, options_);
    } catch (const std::exception& e) {
      dialog_.PrepareFailed(e.what());
      result_.outcome = PassOutcome::PrepareFailed;
      return result_;
    }
    report::ShowPreview(output_.owner, *prepared, [](const QPrinter& p) { return LabelCalibration(p); });
    result_.outcome = PassOutcome::Previewed;
    return result_;
  }

  PassResult& PrintWithDialog(LabelSequence& labels) {
    result_.outcome = PassOutcome::NotPrinted;
    QPrinter printer(QPrinter::HighResolution);
    const std::optional<std::vector<int>> chosen = report::ChoosePrintPages(output_.owner, printer, result_.pages);
    if (!chosen) return result_;
    std::vector<bool> pages(static_cast<size_t>(result_.pages), false);
    for (int p : *chosen) pages[static_cast<size_t>(p)] = true;
    // Copies the printer cannot make itself are made here: collated ones lay the run out again.
    const int copies = std::max(1, printer.copyCount());
    const bool ownCopies = copies > 1 && !printer.supportsMultipleCopies();
    if (ownCopies) printer.setCopyCount(1);
    const bool collate = printer.collateCopies();
    result_.output = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName().toStdString()
                                                                    : printer.printerName().toStdString();
    if (!Print(labels, printer, &pages, ownCopies && !collate ? copies : 1, ownCopies && collate ? copies : 1) &&
        failure_ == Failure::Refused)
      dialog_.PrintFailed(report::kPrinterWouldNotStart);
    return result_;
  }

  PassResult& PrintOnPrinter(LabelSequence& labels) {
    result_.outcome = PassOutcome::NotPrinted;
    const QPrinterInfo info = QPrinterInfo::printerInfo(Q(output_.printer));
    if (info.isNull()) return Stop("找不到打印机“" + output_.printer + "”");
    QPrinter printer(info, QPrinter::HighResolution);
    result_.output = output_.printer;
    if (!Print(labels, printer, nullptr, 1, 1) && failure_ == Failure::Refused)
      dialog_.PrintFailed("打印机“" + output_.printer + "”无法开始打印，请检查打印机。");
    return result_;
  }

  PassResult& PrintToPdf(LabelSequence& labels) {
    result_.outcome = PassOutcome::NotPrinted;
    namespace fs = std::filesystem;
    const fs::path target = fs::absolute(fs::path(output_.file));
    // Written beside the target and put in its place only when the whole job is written.
    const fs::path partial = target.string() + ".partial";
    std::error_code ec;
    fs::remove(partial, ec);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(partial.string()));
    printer.setDocName(Q(result_.templateName));
    result_.output = target.string();
    const bool ok = Print(labels, printer, nullptr, 1, 1);
    if (ok) {
      fs::rename(partial, target, ec);
      if (ec) {
        result_.outcome = PassOutcome::NotPrinted;
        dialog_.PrintFailed("无法写入文件：" + target.string() + "（" + ec.message() + "）");
      }
    } else if (failure_ == Failure::Refused) {
      dialog_.PrintFailed("无法写入文件：" + target.string());
    }
    if (result_.outcome != PassOutcome::Printed) fs::remove(partial, ec);
    return result_;
  }

  enum class Failure { None, Declined, Refused, Layout };

  // One job: calibration, the printable area, then the pages as they are laid out. Printed when
  // the job was handed over whole.
  bool Print(LabelSequence& labels, QPrinter& printer, const std::vector<bool>* chosen, int repeatEach, int runs) {
    const report::ReportTemplate& t = s_.engine.Template();
    report::PrintCalibration calibration;
    try {
      if (output_.kind == LabelOutput::Kind::PdfFile) {
        const Calibration c = LoadCalibration(output_.printer);
        calibration = {c.offsetX, c.offsetY, c.scale};
      } else {
        calibration = LabelCalibration(printer);
      }
    } catch (const std::exception& e) {
      failure_ = Failure::Declined;
      dialog_.Stopped(e.what());
      return false;
    }
    const QMarginsF margins = PrinterMargins(printer, t);
    const std::vector<Overflow> outside =
        OutsidePrintableArea(t, margins.left(), margins.top(), margins.right(), margins.bottom(),
                             {calibration.offsetX, calibration.offsetY, calibration.scale});
    if (!outside.empty()) {
      const std::string name = output_.kind == LabelOutput::Kind::PdfFile ? output_.printer : printer.printerName().toStdString();
      if (!dialog_.PrintOutsideArea(OutsideAreaMessage(outside, result_.templateName, name))) {
        failure_ = Failure::Declined;
        return false;
      }
    }
    report::PagePrinter job(printer, true, calibration);
    JobSink sink(job, chosen, repeatEach, start_, result_);
    try {
      report::QtTextMeasurer measurer;
      for (int run = 0; run < runs; ++run) s_.engine.Stream(labels, measurer, options_, sink);
    } catch (const JobRefused&) {
      job.Abort();
      failure_ = Failure::Refused;
      return false;
    } catch (const std::exception& e) {
      job.Abort();
      failure_ = Failure::Layout;
      dialog_.PrepareFailed(e.what());
      result_.outcome = PassOutcome::PrepareFailed;
      return false;
    }
    if (job.Sheets() == 0 || !job.Finish()) {
      failure_ = Failure::Refused;
      return false;
    }
    result_.outcome = PassOutcome::Printed;
    if (s_.recorder) {
      PrintedLabels printed(s_.queue, s_.periodChoice, plan_, result_, texts_);
      s_.recorder->Printed(printed);
    }
    return true;
  }

  PassState& s_;
  const LabelOutput& output_;
  PassDialog& dialog_;
  PassResult result_;
  LabelTexts texts_;
  LabelPlan plan_;
  report::LayoutOptions options_;
  Failure failure_ = Failure::None;
  Clock::time_point start_ = Clock::now();
};

}  // namespace

PassResult RunPrintPass(PassState& state, const std::string& selectorText, const LabelOutput& output,
                        PassDialog& dialog) {
  return Pass(state, output, dialog).Run(selectorText);
}

}  // namespace pt::printing
