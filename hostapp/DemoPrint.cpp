#include "hostapp/DemoPrint.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolButton>

#include "common/DataPacket.h"
#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

QStringList DemoProductCodes(HostDatabase& db, int count) {
  const std::string bytes = db.QueryNativePacket(
      "select da.f_Spbm from tbSpda da join tbSptm tm on tm.f_Spbm=da.f_Spbm and tm.f_xh=1 "
      "where da.f_Mj=1 and length(tm.f_Sptm)=13 and da.f_Spbm in (select f_spbm from tblsdkz k,tbspjyztda z "
      "where k.f_jyztbm=z.f_jyztbm and f_yxxs=1) order by da.f_Spbm limit " +
      std::to_string(count));
  QStringList codes;
  for (const auto& row : DecodePacket(bytes).rows) codes << QString::fromStdString(row.at(0).ToText());
  return codes;
}

namespace {

// Answers the module's modal dialogs while the print runs: the print dialog prints to the PDF
// file, the question whether to clear the queue is answered No, any other box is noted and
// closed.
class DialogAnswerer : public QObject {
 public:
  DialogAnswerer(QString pdfPath, DemoPrintResult& result) : pdf_(std::move(pdfPath)), result_(result) {
    connect(&timer_, &QTimer::timeout, this, &DialogAnswerer::Answer);
    timer_.start(50);
  }
  bool printed = false;

 private:
  void Answer() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      if (auto* print = qobject_cast<QPrintDialog*>(w)) {
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf_);
        printed = true;
        print->done(QDialog::Accepted);
        return;
      }
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        result_.messages << box->text();
        for (QAbstractButton* b : box->buttons()) {
          if (b->text().contains(QString::fromUtf8("否"))) {
            b->click();
            return;
          }
        }
        box->reject();
        return;
      }
      if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isModal()) {
        result_.messages << dialog->windowTitle();
        dialog->reject();
        return;
      }
    }
  }

  QString pdf_;
  DemoPrintResult& result_;
  QTimer timer_;
};

void PressEnter(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

}  // namespace

DemoPrintResult RunDemoPrint(QWidget* moduleWindow, const QStringList& codes, const QString& templateName,
                             const QString& pdfPath) {
  DemoPrintResult result;
  result.pdfPath = pdfPath;
  if (!moduleWindow) {
    result.error = "the module's window is not open";
    return result;
  }
  auto* edtName = moduleWindow->findChild<QLineEdit*>("edtName");
  auto* cboLb = moduleWindow->findChild<QComboBox*>("cboLb");
  auto* cboTemplate = moduleWindow->findChild<QComboBox*>("cboTemplate");
  auto* tbnPrint = moduleWindow->findChild<QToolButton*>("tbnPrint");
  auto* lblSpSum = moduleWindow->findChild<QLabel*>("lblSpSum");
  if (!edtName || !cboLb || !cboTemplate || !tbnPrint) {
    result.error = "the module's window lacks edtName, cboLb, cboTemplate or tbnPrint";
    return result;
  }
  DialogAnswerer answerer(pdfPath, result);
  cboLb->setCurrentIndex(0);
  for (const QString& code : codes) {
    edtName->setText(code);
    PressEnter(edtName);
  }
  const int position = cboTemplate->findText(templateName);
  if (position < 0) {
    result.error = "no template named " + templateName;
    return result;
  }
  cboTemplate->setCurrentIndex(position);
  if (lblSpSum) {
    const QString counter = lblSpSum->text();
    const int colon = counter.lastIndexOf(':');
    if (colon >= 0) result.labels = counter.mid(colon + 1).toInt();
  }
  QFile::remove(pdfPath);
  tbnPrint->click();
  const QFileInfo file(pdfPath);
  if (!answerer.printed || !file.exists() || file.size() == 0) {
    result.error = result.messages.isEmpty() ? QString("no PDF was written") : result.messages.join("; ");
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace pt::hostapp
