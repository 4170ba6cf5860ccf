#include "designer/UnitMbxz.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"

namespace pt::designer {

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
}  // namespace

TFrmMbxz::TFrmMbxz(Mode mode, const std::vector<hostapp::TemplateRow>& rows, const QString& name, QWidget* parent)
    : QDialog(parent), mode_(mode) {
  setObjectName("TFrmMbxz");
  setWindowTitle(mode == Mode::Open ? U("从数据库打开模板") : U("保存模板到数据库"));
  setModal(true);

  lvTemplates = new QTreeWidget(this);
  lvTemplates->setObjectName("lvTemplates");
  lvTemplates->setHeaderLabels({U("次序"), U("模板名称"), U("大小")});
  lvTemplates->setRootIsDecorated(false);
  lvTemplates->setAllColumnsShowFocus(true);
  for (const hostapp::TemplateRow& r : rows) {
    auto* item = new QTreeWidgetItem(lvTemplates);
    item->setText(0, QString::number(r.order));
    item->setText(1, QString::fromStdString(r.name));
    item->setText(2, U("%1 KB").arg((r.storedChars / 2 + 1023) / 1024));
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    if (!name.isEmpty() && item->text(1).compare(name, Qt::CaseInsensitive) == 0) lvTemplates->setCurrentItem(item);
  }
  lvTemplates->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  lvTemplates->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  lblName = new QLabel(U("模板名称："), this);
  lblName->setObjectName("lblName");
  edtName = new QLineEdit(name, this);
  edtName->setObjectName("edtName");
  lblName->setVisible(mode == Mode::Save);
  edtName->setVisible(mode == Mode::Save);
  btnOK = new QPushButton(mode == Mode::Open ? U("打开 [&O]") : U("保存 [&S]"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnCancel = new QPushButton(U("放弃 [&C]"), this);
  btnCancel->setObjectName("btnCancel");

  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(lblName);
  nameRow->addWidget(edtName, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addWidget(lvTemplates, 1);
  root->addLayout(nameRow);
  root->addLayout(buttons);

  // A row the clerk picks gives its name; the row the list makes current when it takes the focus
  // does not (saving a new template would otherwise be offered under the first template's name).
  connect(lvTemplates, &QTreeWidget::itemSelectionChanged, this, Guarded(this, [this] {
            const QList<QTreeWidgetItem*> picked = lvTemplates->selectedItems();
            if (!picked.isEmpty() && mode_ == Mode::Save) edtName->setText(picked.first()->text(1));
            UpdateButtons();
          }));
  connect(lvTemplates, &QTreeWidget::itemDoubleClicked, this, Guarded(this, [this] {
            if (!ChosenName().isEmpty()) done(QDialog::Accepted);
          }));
  connect(edtName, &QLineEdit::textChanged, this, Guarded(this, [this] { UpdateButtons(); }));
  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] {
            if (!ChosenName().isEmpty()) done(QDialog::Accepted);
          }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(QDialog::Rejected); }));
  UpdateButtons();
  if (mode == Mode::Save) {
    edtName->setFocus();
    edtName->selectAll();
  }
  resize(420, 360);
}

QString TFrmMbxz::ChosenName() const {
  if (mode_ == Mode::Save) return edtName->text().trimmed();
  const QList<QTreeWidgetItem*> picked = lvTemplates->selectedItems();
  return picked.isEmpty() ? QString() : picked.first()->text(1);
}

void TFrmMbxz::UpdateButtons() { btnOK->setEnabled(!ChosenName().isEmpty()); }

}  // namespace pt::designer
