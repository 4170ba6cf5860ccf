#include "report_engine/ReportOutput.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageRanges>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>
#include <set>

#include <xlsxwriter.h>

#include "common/GbkCodec.h"
#include "common/ModuleError.h"
#include "report_engine/ReportPainter.h"
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

void ExportXlsx(const PreparedReport& report, const QString& path) {
  ReportTable table = TabulateReport(report);
  std::string file = Native(path);
  lxw_workbook* book = workbook_new(file.c_str());
  if (!book) throw ModuleError("无法写入文件：" + file);
  std::string sheetName = report.title.empty() ? "报表" : std::string(TruncateToGbkBytes(report.title, 31));
  for (char& c : sheetName)
    if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = ' ';
  lxw_worksheet* sheet = workbook_add_worksheet(book, IsValidUtf8(sheetName) ? sheetName.c_str() : "报表");
  if (!sheet) sheet = workbook_add_worksheet(book, nullptr);
  for (size_t c = 0; c < table.columnWidths.size() && c < LXW_COL_MAX; ++c)
    // Column widths in characters of the default font: about 2 mm each.
    worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                         std::clamp(table.columnWidths[c] / 2.0, 2.0, 100.0), nullptr);
  for (size_t r = 0; r < table.rows.size() && r < LXW_ROW_MAX; ++r)
    for (size_t c = 0; c < table.rows[r].size() && c < LXW_COL_MAX; ++c) {
      const std::string& text = table.rows[r][c];
      if (text.empty()) continue;
      // The library writes bytes as they come; anything not UTF-8 would make a broken file.
      const std::string cell = IsValidUtf8(text) ? text : GbkToUtf8(text);
      worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), cell.c_str(), nullptr);
    }
  lxw_error rc = workbook_close(book);
  if (rc != LXW_NO_ERROR) throw ModuleError("无法写入文件：" + file + "（" + lxw_strerror(rc) + "）");
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

bool PrintPages(const PreparedReport& report, QPrinter& printer, const std::vector<int>& pages, bool ownPaperSizes) {
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

  printer.setFullPage(true);
  if (!report.title.empty()) printer.setDocName(QString::fromStdString(report.title));
  if (ownPaperSizes) printer.setPageLayout(PrinterLayoutFor(report.pages[static_cast<size_t>(order.front())]));
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  ReportPainter rp(report);
  for (size_t i = 0; i < order.size(); ++i) {
    const Page& page = report.pages[static_cast<size_t>(order[i])];
    if (i > 0) {
      const Page& before = report.pages[static_cast<size_t>(order[i - 1])];
      if (ownPaperSizes && (page.width != before.width || page.height != before.height))
        printer.setPageLayout(PrinterLayoutFor(page));
      if (!printer.newPage()) break;
    }
    QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    paper.moveTo(0, 0);
    rp.Paint(painter, page, PageTarget(page, printer, paper));
  }
  return painter.end();
}

}  // namespace pt::report
