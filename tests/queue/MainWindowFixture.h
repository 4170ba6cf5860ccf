#pragma once
// Opens the main window the way GetFormOne does, in a host panel, with the UI seam scripted and
// the settings file in a temporary directory.
#include <sys/mman.h>

#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

#include "common/UnitHint.h"
#include "module/ModuleSession.h"
#include "queue/Unitspbqdy.h"
#include "tests/support/HealthyHost.h"
#include "tests/support/RecordingHost.h"
#include "tests/widgets/HostWidgets.h"
#include "tests/widgets/ScriptedUi.h"
#include "tests/widgets/SettingsDir.h"

namespace pt::test {

class MainWindowFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    delete panel_.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    session::Unload();
    shm_unlink(kHostMapName);
  }

  TFrmspbqdy* Open(HostService& service, const std::string& operatorCode = "0001") {
    if (!panel_) {
      panel_ = new QWidget;
      panel_->resize(1000, 700);
      panel_->show();
    }
    const auto code = ShortString(operatorCode);
    window_ = session::OpenMainWindow(0x2a, &notify_, code.data(), panel_, &service);
    return window_;
  }

  TFrmspbqdy* OpenScripted(const HealthyHostOptions& options = {}) {
    ScriptHealthyHost(host_, options);
    return Open(host_);
  }

  void Type(const QString& text) {
    window_->edtName->setFocus();
    window_->edtName->clear();
    QTest::keyClicks(window_->edtName, text);
  }
  void Enter() { QTest::keyClick(window_->edtName, Qt::Key_Return); }
  // Prints the queue with the print button, the print dialog answered with a PDF file, and keeps
  // the queue when asked whether to clear it; `choose` may narrow the pages and add copies.
  void PrintQueueToPdf(const QString& pdf, std::function<void(QPrinter&)> choose = {}) {
    ui_.Then([pdf, choose](QDialog* d) {
      auto* dialog = qobject_cast<QPrintDialog*>(d);
      ASSERT_NE(dialog, nullptr);
      dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
      dialog->printer()->setOutputFileName(pdf);
      if (choose) choose(*dialog->printer());
      dialog->done(QDialog::Accepted);
    });
    ui_.messageAnswers.push_back(ui::kResultNo);
    window_->tbnPrint->click();
  }

  std::vector<RecordingHost::Call> Queries() const { return host_.CallsOf(disp::QueryProducts); }
  // The condition text a product query carried, from its condition packet.
  static std::string ConditionOf(const RecordingHost::Call& c) {
    MemTable t;
    t.LoadPacket(c.argsIn[1].AsPacket());
    return t.GetText("f_Tj");
  }
  static std::string DeptSqlOf(const RecordingHost::Call& c) {
    MemTable t;
    t.LoadPacket(c.argsIn[1].AsPacket());
    return t.GetText("f_DeptSql");
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : ui_.messages) out.push_back(m.text.toStdString());
    return out;
  }
  std::string Counter() const { return window_->lblSpSum->text().toStdString(); }

  SettingsDir settings_;
  ScriptedUi ui_;
  RecordingHost host_;
  NotifyControl notify_;
  QPointer<QWidget> panel_;
  QPointer<TFrmspbqdy> window_;
};

}  // namespace pt::test
