#pragma once
// The demo print run of the stand-in host: a clerk's steps without a clerk. It works the module's
// window only as a clerk (or a test tool) can, through the widgets' object names and ordinary
// input events: queues a few products by typing their codes into "edtName", picks a stock
// template in "cboTemplate", presses "tbnPrint", prints to a PDF file in the print dialog and
// keeps the queue when asked whether to clear it.
#include <QString>
#include <QStringList>
#include <QWidget>

namespace pt::hostapp {

class HostDatabase;

struct DemoPrintResult {
  bool ok = false;
  int labels = 0;         // queue rows printed
  QString pdfPath;
  QStringList messages;   // texts of message boxes the module showed on the way
  QString error;          // why the run failed
};

// Product codes a demo print queues: a few selling products with a main EAN-13 barcode.
QStringList DemoProductCodes(HostDatabase& db, int count);

// Runs the steps on the module's main window (already open in the host panel).
DemoPrintResult RunDemoPrint(QWidget* moduleWindow, const QStringList& codes, const QString& templateName,
                             const QString& pdfPath);

}  // namespace pt::hostapp
