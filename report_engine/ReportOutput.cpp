#include "report_engine/ReportOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QImage>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include <xlsxwriter.h>

#include "common/GbkCodec.h"
#include "common/ModuleError.h"
#include "report_engine/Expression.h"
#include "report_engine/ReportPainter.h"
#include "report_engine/ReportSheet.h"
#include "report_engine/ReportTable.h"

namespace pt::report {

namespace {

std::string Native(const QString& path) { return path.toStdString(); }

QPageLayout LayoutFor(const Page& page) {
  QSizeF size(page.width, page.height);
  QPageLayout::Orientation o = QPageLayout::Portrait;
  if (page.width > page.height) {
    // Page sizes are portrait; a wide page is a portrait size turned.
    size.transpose();
    o = QPageLayout::Landscape;
  }
  return QPageLayout(QPageSize(size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch), o, QMarginsF(0, 0, 0, 0),
                     QPageLayout::Millimeter);
}

// On a printer a label goes out at its own size and upright: a roll printer feeds it as it is,
// and a wide label turned into "landscape" on a narrow page reaches it rotated. Sheets of a
// standard size (A4 and the like) keep that size, turned when wide, as sheet printers expect.
QPageLayout PrinterLayoutFor(const Page& page) {
  const QSizeF upright(std::min(page.width, page.height), std::max(page.width, page.height));
  if (QPageSize::id(upright, QPageSize::Millimeter, QPageSize::FuzzyMatch) != QPageSize::Custom) return LayoutFor(page);
  return QPageLayout(QPageSize(QSizeF(page.width, page.height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// Where a page goes on the device's current paper: its own size, or scaled down to fit and
// centred when the paper is smaller.
QRectF PageTarget(const Page& page, QPaintDevice& device, const QRectF& paperRect) {
  const double pxPerMm = device.logicalDpiX() / 25.4;
  double w = page.width * pxPerMm, h = page.height * pxPerMm;
  double scale = std::min({1.0, paperRect.width() / w, paperRect.height() / h});
  w *= scale;
  h *= scale;
  return QRectF(paperRect.x() + (paperRect.width() - w) / 2 * (scale < 1 ? 1 : 0),
                paperRect.y() + (paperRect.height() - h) / 2 * (scale < 1 ? 1 : 0), w, h);
}

}  // namespace

void ExportPdf(const PreparedReport& report, const QString& path) {
  if (report.pages.empty()) throw ModuleError("报表没有页面，无法导出");
  {
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("pricetag"));
    writer.setTitle(QString::fromStdString(report.title));
    writer.setPageLayout(LayoutFor(report.pages.front()));
    QPainter painter;
    if (!painter.begin(&writer)) throw ModuleError("无法写入文件：" + Native(path));
    ReportPainter rp(report);
    for (size_t i = 0; i < report.pages.size(); ++i) {
      const Page& page = report.pages[i];
      if (i > 0) {
        if (page.width != report.pages[i - 1].width || page.height != report.pages[i - 1].height)
          writer.setPageLayout(LayoutFor(page));
        writer.newPage();
      }
      const double pxPerMm = writer.resolution() / 25.4;
      rp.Paint(painter, page, QRectF(0, 0, page.width * pxPerMm, page.height * pxPerMm));
    }
    if (!painter.end()) throw ModuleError("无法写入文件：" + Native(path));
  }
  QFile check(path);
  if (!check.exists() || check.size() == 0) throw ModuleError("无法写入文件：" + Native(path));
}

void ExportPng(const PreparedReport& report, int page, const QString& path, int dpi) {
  if (page < 0 || page >= static_cast<int>(report.pages.size())) throw ModuleError("报表没有第 " + std::to_string(page + 1) + " 页");
  const Page& p = report.pages[static_cast<size_t>(page)];
  const double pxPerMm = dpi / 25.4;
  QImage image(static_cast<int>(p.width * pxPerMm + 0.5), static_cast<int>(p.height * pxPerMm + 0.5),
               QImage::Format_RGB32);
  const int dpm = static_cast<int>(dpi / 0.0254 + 0.5);
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    ReportPainter(report).Paint(painter, p, QRectF(0, 0, image.width(), image.height()));
  }
  if (!image.save(path, "PNG")) throw ModuleError("无法写入文件：" + Native(path));
}

namespace {

// The library writes bytes as they come; anything not UTF-8 would make a broken file.
std::string Utf8Cell(const std::string& text) { return IsValidUtf8(text) ? text : GbkToUtf8(text); }

// Width in the spreadsheet's character units: a Chinese character takes two.
double CharUnits(std::string_view utf8) {
  double units = 0;
  for (unsigned char c : utf8)
    if (c < 0x80) units += 1;
    else if (c >= 0xC0) units += 2;
  return units;
}

std::string SheetName(const std::string& title) {
  std::string name = title.empty() ? "报表" : std::string(TruncateToGbkBytes(title, 31));
  for (char& c : name)
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = ' ';
  return IsValidUtf8(name) ? name : "报表";
}

// A workbook written beside its destination and put in its place only when complete, so a
// failure leaves an existing file as it was and never a half-written one.
class WorkbookFile {
 public:
  WorkbookFile(const QString& path, const std::string& sheetName) : path_(path) {
    const QFileInfo target(path);
    temp_.setFileTemplate(target.absolutePath() + "/." + target.fileName() + ".XXXXXX");
    if (!temp_.open()) throw ModuleError("无法写入文件：" + Native(path) + "（文件夹不能写入）");
    temp_.close();
    book_ = workbook_new(QFile::encodeName(temp_.fileName()).constData());
    if (!book_) throw ModuleError("无法写入文件：" + Native(path));
    sheet_ = workbook_add_worksheet(book_, sheetName.c_str());
    if (!sheet_) sheet_ = workbook_add_worksheet(book_, nullptr);
  }
  ~WorkbookFile() {
    if (book_) workbook_close(book_);  // abandoned: the temporary file goes with temp_
  }
  WorkbookFile(const WorkbookFile&) = delete;
  WorkbookFile& operator=(const WorkbookFile&) = delete;

  lxw_workbook* Book() const { return book_; }
  lxw_worksheet* Sheet() const { return sheet_; }

  void Commit() {
    lxw_error rc = workbook_close(book_);
    book_ = nullptr;
    if (rc != LXW_NO_ERROR) throw ModuleError("无法写入文件：" + Native(path_) + "（" + lxw_strerror(rc) + "）");
    // The temporary file is private to its owner; the workbook gets the permissions of the file
    // it replaces, or those of a new file.
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                          QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(temp_.fileName(), QFile::exists(path_) ? QFile::permissions(path_) : open);
    if (std::rename(QFile::encodeName(temp_.fileName()).constData(), QFile::encodeName(path_).constData()) != 0)
      throw ModuleError("无法写入文件：" + Native(path_));
    temp_.setAutoRemove(false);
  }

 private:
  QString path_;
  QTemporaryFile temp_;
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
};

constexpr double kMinColumn = 4, kMaxColumn = 60;
constexpr double kTitleLines = 3;
constexpr double kLineHeight = 15;  // points: one line of the default font

// A title may wrap up to three lines, but does not make its column narrower than a short word.
double TitleNeed(const std::string& title) {
  const double units = CharUnits(title);
  return std::min(units, std::max(std::ceil(units / kTitleLines), 8.0));
}

double TitleLines(const std::string& title, double width) {
  return std::clamp(std::ceil(CharUnits(title) / std::max(1.0, width - 1)), 1.0, kTitleLines);
}

void WriteSheet(const ReportSheet& data, const std::string& name, const QString& path) {
  const size_t titleRows = data.HasGroups() ? 2 : 1;
  if (data.rows.size() + titleRows > LXW_ROW_MAX || data.columns.size() > LXW_COL_MAX)
    throw ModuleError("数据超出表格的行数或列数，无法导出");
  WorkbookFile file(path, name);
  lxw_workbook* book = file.Book();
  lxw_worksheet* sheet = file.Sheet();

  lxw_format* title = workbook_add_format(book);
  format_set_bold(title);
  format_set_text_wrap(title);
  format_set_align(title, LXW_ALIGN_CENTER);
  format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
  format_set_border(title, LXW_BORDER_THIN);
  format_set_bg_color(title, 0xDDE5F0);
  std::map<std::string, lxw_format*> numberFormats;
  std::vector<lxw_format*> columnFormat(data.columns.size(), nullptr);
  for (size_t c = 0; c < data.columns.size(); ++c) {
    const std::string code = SheetNumberFormat(data.columns[c].format);
    if (code.empty()) continue;
    lxw_format*& f = numberFormats[code];
    if (!f) {
      f = workbook_add_format(book);
      format_set_num_format(f, code.c_str());
    }
    columnFormat[c] = f;
  }

  auto row = [&](size_t r) { return static_cast<lxw_row_t>(r); };
  auto col = [&](size_t c) { return static_cast<lxw_col_t>(c); };
  std::vector<double> widths(data.columns.size(), kMinColumn);
  for (size_t c = 0; c < data.columns.size(); ++c) {
    const SheetColumn& sc = data.columns[c];
    widths[c] = std::max(widths[c], TitleNeed(sc.title));
    const std::string text = Utf8Cell(sc.title);
    if (titleRows == 1) {
      worksheet_write_string(sheet, 0, col(c), text.c_str(), title);
    } else if (sc.group.empty()) {
      worksheet_merge_range(sheet, 0, col(c), 1, col(c), text.c_str(), title);
    } else {
      worksheet_write_string(sheet, 1, col(c), text.c_str(), title);
      if (c > 0 && data.columns[c - 1].group == sc.group) continue;
      size_t last = c;
      while (last + 1 < data.columns.size() && data.columns[last + 1].group == sc.group) ++last;
      const std::string group = Utf8Cell(sc.group);
      if (last == c) worksheet_write_string(sheet, 0, col(c), group.c_str(), title);
      else worksheet_merge_range(sheet, 0, col(c), 0, col(last), group.c_str(), title);
    }
  }
  for (size_t r = 0; r < data.rows.size(); ++r) {
    const std::vector<Variant>& values = data.rows[r];
    for (size_t c = 0; c < values.size() && c < data.columns.size(); ++c) {
      const Variant& v = values[c];
      if (v.IsNull()) continue;
      if (v.IsNumber() && std::isfinite(v.ToFloat())) {
        worksheet_write_number(sheet, row(r + titleRows), col(c), v.ToFloat(), columnFormat[c]);
        widths[c] = std::max(widths[c], CharUnits(FormatValue(v, data.columns[c].format)));
        continue;
      }
      const std::string text = Utf8Cell(v.IsText() ? v.AsText() : FormatValue(v, data.columns[c].format));
      if (text.empty()) continue;
      worksheet_write_string(sheet, row(r + titleRows), col(c), text.c_str(), nullptr);
      widths[c] = std::max(widths[c], CharUnits(text));
    }
  }
  double lines = 1;
  for (size_t c = 0; c < data.columns.size(); ++c) {
    widths[c] = std::min(widths[c] + 2, kMaxColumn);
    worksheet_set_column(sheet, col(c), col(c), widths[c], nullptr);
    lines = std::max(lines, TitleLines(data.columns[c].title, widths[c]));
  }
  worksheet_set_row(sheet, row(titleRows - 1), kLineHeight * lines, nullptr);
  worksheet_freeze_panes(sheet, row(titleRows), 0);
  // Codes and barcodes are texts on purpose: no "number stored as text" marks.
  if (!data.rows.empty() && !data.columns.empty()) {
    char range[64];
    lxw_rowcol_to_range(range, row(titleRows), 0, row(titleRows + data.rows.size() - 1), col(data.columns.size() - 1));
    worksheet_ignore_errors(sheet, LXW_IGNORE_NUMBER_STORED_AS_TEXT, range);
  }
  file.Commit();
}

// A report without a sheet: its page texts as a grid of text cells.
void WriteTable(const ReportTable& table, const std::string& name, const QString& path) {
  WorkbookFile file(path, name);
  lxw_worksheet* sheet = file.Sheet();
  for (size_t c = 0; c < table.columnWidths.size() && c < LXW_COL_MAX; ++c)
    // Column widths in characters of the default font: about 2 mm each.
    worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                         std::clamp(table.columnWidths[c] / 2.0, 2.0, 100.0), nullptr);
  for (size_t r = 0; r < table.rows.size() && r < LXW_ROW_MAX; ++r)
    for (size_t c = 0; c < table.rows[r].size() && c < LXW_COL_MAX; ++c) {
      const std::string& text = table.rows[r][c];
      if (text.empty()) continue;
      worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), Utf8Cell(text).c_str(),
                             nullptr);
    }
  file.Commit();
}

}  // namespace

void ExportXlsx(const PreparedReport& report, const QString& path) {
  const std::string name = SheetName(report.title);
  if (report.sheet) {
    if (report.sheet->rows.empty()) throw ModuleError(kNothingToExport);
    WriteSheet(*report.sheet, name, path);
    return;
  }
  ReportTable table = TabulateReport(report);
  if (table.rows.empty()) throw ModuleError(kNothingToExport);
  WriteTable(table, name, path);
}

std::vector<int> ChosenPages(const QPrinter& printer, int pageCount) {
  std::vector<int> pages;
  std::set<int> seen;
  auto add = [&](int from, int to) {  // 1-based, inclusive
    for (int p = std::max(from, 1); p <= std::min(to, pageCount); ++p)
      if (seen.insert(p).second) pages.push_back(p - 1);
  };
  if (printer.printRange() == QPrinter::PageRange) {
    const QPageRanges ranges = printer.pageRanges();
    if (!ranges.isEmpty()) {
      for (const QPageRanges::Range& r : ranges.toRangeList()) add(r.from, r.to);
    } else if (printer.fromPage() > 0) {
      add(printer.fromPage(), printer.toPage() > 0 ? printer.toPage() : pageCount);
    } else {
      add(1, pageCount);
    }
  } else {
    add(1, pageCount);
  }
  return pages;
}

PagePrinter::PagePrinter(QPrinter& printer, bool ownPaperSizes, const PrintCalibration& calibration)
    : printer_(printer), ownPaperSizes_(ownPaperSizes), calibration_(calibration) {}

PagePrinter::~PagePrinter() {
  if (!done_ && painter_.isActive()) Abort();
}

bool PagePrinter::Print(const PreparedReport& shared, const Page& page) {
  if (done_) return false;
  if (sheets_ == 0) {
    printer_.setFullPage(true);
    // A job the caller did not name carries the report's title (CUPS lists it by that name).
    if (printer_.docName().isEmpty() && !shared.title.empty()) printer_.setDocName(QString::fromStdString(shared.title));
    if (ownPaperSizes_) printer_.setPageLayout(PrinterLayoutFor(page));
    if (!painter_.begin(&printer_)) return false;
    reportPainter_ = std::make_unique<ReportPainter>(shared);
  } else {
    if (ownPaperSizes_ && (page.width != width_ || page.height != height_)) printer_.setPageLayout(PrinterLayoutFor(page));
    if (!printer_.newPage()) return false;
  }
  width_ = page.width;
  height_ = page.height;
  ++sheets_;
  QRectF paper = printer_.paperRect(QPrinter::DevicePixel);
  paper.moveTo(0, 0);
  QRectF target = PageTarget(page, printer_, paper);
  if (!calibration_.IsIdentity()) {
    const double pxPerMm = printer_.logicalDpiX() / 25.4;
    target = QRectF(target.x() + calibration_.offsetX * pxPerMm, target.y() + calibration_.offsetY * pxPerMm,
                    target.width() * calibration_.scale, target.height() * calibration_.scale);
  }
  reportPainter_->Paint(painter_, page, target);
  return true;
}

bool PagePrinter::Finish() {
  if (done_) return false;
  done_ = true;
  return sheets_ == 0 || painter_.end();
}

void PagePrinter::Abort() {
  if (done_) return;
  done_ = true;
  if (painter_.isActive()) {
    printer_.abort();
    painter_.end();
  }
}

bool PrintPages(const PreparedReport& report, QPrinter& printer, const std::vector<int>& pages, bool ownPaperSizes,
                const PrintCalibration& calibration) {
  if (pages.empty()) return false;
  const int copies = std::max(1, printer.copyCount());
  const bool ownCopies = copies > 1 && !printer.supportsMultipleCopies();
  const bool collate = printer.collateCopies();
  if (ownCopies) printer.setCopyCount(1);

  // The order of the sheets: collated copies repeat the whole set, uncollated ones each page.
  std::vector<int> order;
  if (!ownCopies) order = pages;
  else if (collate)
    for (int c = 0; c < copies; ++c) order.insert(order.end(), pages.begin(), pages.end());
  else
    for (int p : pages) order.insert(order.end(), static_cast<size_t>(copies), p);

  PagePrinter job(printer, ownPaperSizes, calibration);
  for (size_t i = 0; i < order.size(); ++i)
    if (!job.Print(report, report.pages[static_cast<size_t>(order[i])])) {
      // A printer that never started fails the job; one that stops taking sheets ends it.
      if (i == 0) return false;
      break;
    }
  return job.Finish();
}

}  // namespace pt::report
