#pragma once
// A UI seam handler for widget tests: message boxes are recorded and answered from a queue,
// modal dialogs are shown (not executed) and handed to a script that clicks or types into them.
#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "common/UiSeam.h"

namespace pt::test {

class ScriptedUi : public ui::UiHandler {
 public:
  using DialogScript = std::function<void(QDialog*)>;

  ScriptedUi() { ui::InstallHandler(this); }
  ~ScriptedUi() override { ui::InstallHandler(nullptr); }
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  int Message(const ui::MessageRequest& request) override {
    messages.push_back(request);
    if (messageAnswers.empty()) return ui::kResultOk;
    int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
  }

  // The next script answers the dialog; a dialog the script leaves open ends with result 0.
  int ExecModal(QDialog* dialog) override {
    ++dialogsRun;
    dialog->show();
    if (!scripts.empty()) {
      DialogScript script = std::move(scripts.front());
      scripts.pop_front();
      script(dialog);
    }
    if (dialog->isVisible()) dialog->done(ui::kResultNone);
    return dialog->result();
  }

  void Then(DialogScript script) { scripts.push_back(std::move(script)); }

  // File dialogs answer from their queues; an empty queue answers as a cancel.
  QString OpenFileName(QWidget*, const QString& title, const QString&) override {
    fileDialogTitles.push_back(title);
    if (openFileAnswers.empty()) return {};
    QString answer = openFileAnswers.front();
    openFileAnswers.pop_front();
    return answer;
  }
  QString SaveFileName(QWidget*, const QString& title, const QString&, const QString&) override {
    fileDialogTitles.push_back(title);
    if (saveFileAnswers.empty()) return {};
    QString answer = saveFileAnswers.front();
    saveFileAnswers.pop_front();
    return answer;
  }

  std::vector<ui::MessageRequest> messages;
  std::deque<int> messageAnswers;
  std::deque<DialogScript> scripts;
  std::deque<QString> openFileAnswers;
  std::deque<QString> saveFileAnswers;
  std::vector<QString> fileDialogTitles;
  int dialogsRun = 0;
};

}  // namespace pt::test
