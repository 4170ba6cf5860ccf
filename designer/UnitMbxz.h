#pragma once
// The templates of the host database (模板选择): choose one to open, or a name to save under
// (a new name, or an existing template to replace).
#include <QDialog>
#include <vector>

#include "hostapp/TemplateStore.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace pt::designer {

class TFrmMbxz : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { Open, Save };
  TFrmMbxz(Mode mode, const std::vector<hostapp::TemplateRow>& rows, const QString& name, QWidget* parent = nullptr);
  QString ChosenName() const;

  QTreeWidget* lvTemplates;
  QLabel* lblName;
  QLineEdit* edtName;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void UpdateButtons();
  Mode mode_;
};

}  // namespace pt::designer
