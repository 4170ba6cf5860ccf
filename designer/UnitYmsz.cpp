#include "designer/UnitYmsz.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "common/ErrorGuard.h"

namespace pt::designer {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

QDoubleSpinBox* Spin(QWidget* parent, const char* name, double min, double max) {
  auto* s = new QDoubleSpinBox(parent);
  s->setObjectName(name);
  s->setRange(min, max);
  s->setDecimals(1);
  s->setSingleStep(1);
  s->setSuffix(" mm");
  return s;
}

// The sheet as it will print: paper, printable area and every label in the order it is filled.
class SheetPicture : public QWidget {
 public:
  SheetPicture(const TFrmYmsz* dialog, QWidget* parent) : QWidget(parent), dialog_(dialog) {
    setObjectName("panPicture");
    setMinimumSize(220, 280);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    Guard(this, [&] {
      QPainter p(this);
      p.setRenderHint(QPainter::Antialiasing);
      p.fillRect(rect(), QColor(0x7d, 0x86, 0x93));
      const SheetLayout& l = dialog_->Layout();
      const PageSetup s = dialog_->Setup();
      const double pw = l.pageWidth > 0 ? l.pageWidth : 1, ph = l.pageHeight > 0 ? l.pageHeight : 1;
      const double k = std::min((width() - 20) / pw, (height() - 20) / ph);
      const QRectF paper((width() - pw * k) / 2, (height() - ph * k) / 2, pw * k, ph * k);
      p.fillRect(paper.translated(3, 3), QColor(0, 0, 0, 70));
      p.fillRect(paper, Qt::white);
      p.setPen(QPen(QColor(0xb0, 0xb8, 0xc4), 0, Qt::DashLine));
      p.drawRect(QRectF(paper.left() + s.marginLeft * k, paper.top() + s.marginTop * k,
                        (pw - s.marginLeft - s.marginRight) * k, (ph - s.marginTop - s.marginBottom) * k));
      QFont f = font();
      f.setPixelSize(std::clamp(static_cast<int>(std::min(s.labelWidth, s.labelHeight) * k / 3), 7, 14));
      p.setFont(f);
      for (size_t i = 0; i < l.cells.size(); ++i) {
        const RectF& c = l.cells[i];
        const QRectF r(paper.left() + c.x * k, paper.top() + c.y * k, c.width * k, c.height * k);
        p.setPen(QPen(QColor(0x1e, 0x6f, 0xd9), 0));
        p.setBrush(QColor(0xdc, 0xe9, 0xfb));
        p.drawRect(r);
        p.setPen(QColor(0x1e, 0x3f, 0x79));
        p.drawText(r, Qt::AlignCenter, QString::number(i + 1));
      }
      if (!l.ok) {
        p.setPen(QColor(0xc0, 0, 0));
        p.drawText(paper.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, QString::fromStdString(l.message));
      }
    });
  }

 private:
  const TFrmYmsz* dialog_;
};

}  // namespace

TFrmYmsz::TFrmYmsz(const PageSetup& page, double headerHeight, double footerHeight, QWidget* parent)
    : QDialog(parent), header_(headerHeight), footer_(footerHeight) {
  setObjectName("TFrmYmsz");
  setWindowTitle(U("页面设置"));
  setModal(true);

  cboKind = new QComboBox(this);
  cboKind->setObjectName("cboKind");
  cboKind->addItems({U("卷筒标签（每页一张）"), U("整张标签纸")});
  cboPaper = new QComboBox(this);
  cboPaper->setObjectName("cboPaper");
  for (const PaperSize& s : PaperSizes())
    cboPaper->addItem(QString::fromUtf8(s.name) + QString(" (%1 × %2 mm)").arg(s.width).arg(s.height));
  cboPaper->addItem(U("自定义"));
  spnPaperWidth = Spin(this, "spnPaperWidth", 5, 5000);
  spnPaperHeight = Spin(this, "spnPaperHeight", 5, 5000);
  cboOrientation = new QComboBox(this);
  cboOrientation->setObjectName("cboOrientation");
  cboOrientation->addItems({U("纵向"), U("横向")});
  spnMarginLeft = Spin(this, "spnMarginLeft", 0, 1000);
  spnMarginTop = Spin(this, "spnMarginTop", 0, 1000);
  spnMarginRight = Spin(this, "spnMarginRight", 0, 1000);
  spnMarginBottom = Spin(this, "spnMarginBottom", 0, 1000);
  spnLabelWidth = Spin(this, "spnLabelWidth", 1, 5000);
  spnLabelHeight = Spin(this, "spnLabelHeight", 1, 5000);
  spnColumns = new QSpinBox(this);
  spnColumns->setObjectName("spnColumns");
  spnColumns->setRange(1, 100);
  spnRows = new QSpinBox(this);
  spnRows->setObjectName("spnRows");
  spnRows->setRange(0, 1000);
  spnRows->setSpecialValueText(U("排满为止"));
  spnColumnGap = Spin(this, "spnColumnGap", 0, 1000);
  spnRowGap = Spin(this, "spnRowGap", 0, 1000);
  cboOrder = new QComboBox(this);
  cboOrder->setObjectName("cboOrder");
  cboOrder->addItems({U("先横后竖（逐行）"), U("先竖后横（逐列）")});
  panPicture = new SheetPicture(this, this);
  lblFit = new QLabel(this);
  lblFit->setObjectName("lblFit");
  lblFit->setWordWrap(true);
  btnOK = new QPushButton(U("确定 [&O]"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setDefault(true);
  btnCancel = new QPushButton(U("放弃 [&C]"), this);
  btnCancel->setObjectName("btnCancel");

  auto* kind = new QFormLayout;
  kind->addRow(U("标签类型"), cboKind);
  auto* paperBox = new QGroupBox(U("纸张"), this);
  paperBox->setObjectName("grpPaper");
  auto* paper = new QFormLayout(paperBox);
  paper->addRow(U("纸张"), cboPaper);
  paper->addRow(U("宽"), spnPaperWidth);
  paper->addRow(U("高"), spnPaperHeight);
  paper->addRow(U("方向"), cboOrientation);
  auto* marginBox = new QGroupBox(U("页边距"), this);
  marginBox->setObjectName("grpMargins");
  auto* margins = new QGridLayout(marginBox);
  margins->addWidget(new QLabel(U("左"), marginBox), 0, 0);
  margins->addWidget(spnMarginLeft, 0, 1);
  margins->addWidget(new QLabel(U("右"), marginBox), 0, 2);
  margins->addWidget(spnMarginRight, 0, 3);
  margins->addWidget(new QLabel(U("上"), marginBox), 1, 0);
  margins->addWidget(spnMarginTop, 1, 1);
  margins->addWidget(new QLabel(U("下"), marginBox), 1, 2);
  margins->addWidget(spnMarginBottom, 1, 3);
  auto* labelBox = new QGroupBox(U("标签"), this);
  labelBox->setObjectName("grpLabel");
  auto* label = new QFormLayout(labelBox);
  label->addRow(U("标签宽"), spnLabelWidth);
  label->addRow(U("标签高"), spnLabelHeight);
  label->addRow(U("每行张数（列）"), spnColumns);
  label->addRow(U("每页行数"), spnRows);
  label->addRow(U("列间距"), spnColumnGap);
  label->addRow(U("行间距"), spnRowGap);
  label->addRow(U("排列顺序"), cboOrder);

  auto* left = new QVBoxLayout;
  left->addLayout(kind);
  left->addWidget(labelBox);
  left->addWidget(paperBox);
  left->addWidget(marginBox);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(panPicture, 1);
  right->addWidget(lblFit);
  auto* body = new QHBoxLayout;
  body->addLayout(left);
  body->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* root = new QVBoxLayout(this);
  root->addLayout(body, 1);
  root->addLayout(buttons);

  Load(page);
  for (QDoubleSpinBox* s : {spnPaperWidth, spnPaperHeight, spnMarginLeft, spnMarginTop, spnMarginRight, spnMarginBottom,
                            spnLabelWidth, spnLabelHeight, spnColumnGap, spnRowGap})
    connect(s, &QDoubleSpinBox::valueChanged, this, Guarded(this, [this] { Update(); }));
  for (QSpinBox* s : {spnColumns, spnRows})
    connect(s, &QSpinBox::valueChanged, this, Guarded(this, [this] { Update(); }));
  for (QComboBox* c : {cboKind, cboOrientation, cboOrder})
    connect(c, &QComboBox::currentIndexChanged, this, Guarded(this, [this] { Update(); }));
  connect(cboPaper, &QComboBox::activated, this, Guarded(this, [this](int i) { PaperChosen(i); }));
  connect(btnOK, &QPushButton::clicked, this, Guarded(this, [this] {
            if (layout_.ok) done(QDialog::Accepted);
          }));
  connect(btnCancel, &QPushButton::clicked, this, Guarded(this, [this] { done(QDialog::Rejected); }));
  Update();
  resize(680, 520);
}

void TFrmYmsz::Load(const PageSetup& p) {
  loading_ = true;
  cboKind->setCurrentIndex(p.roll ? 0 : 1);
  spnPaperWidth->setValue(p.roll ? 210 : p.paperWidth);
  spnPaperHeight->setValue(p.roll ? 297 : p.paperHeight);
  cboOrientation->setCurrentIndex(p.landscape ? 1 : 0);
  spnMarginLeft->setValue(p.marginLeft);
  spnMarginTop->setValue(p.marginTop);
  spnMarginRight->setValue(p.marginRight);
  spnMarginBottom->setValue(p.marginBottom);
  spnLabelWidth->setValue(p.labelWidth);
  spnLabelHeight->setValue(p.labelHeight);
  spnColumns->setValue(p.columns);
  spnRows->setValue(p.rows);
  spnColumnGap->setValue(p.columnGap);
  spnRowGap->setValue(p.rowGap);
  cboOrder->setCurrentIndex(p.downThenAcross ? 1 : 0);
  loading_ = false;
}

PageSetup TFrmYmsz::Setup() const {
  PageSetup p;
  p.roll = cboKind->currentIndex() == 0;
  p.paperWidth = spnPaperWidth->value();
  p.paperHeight = spnPaperHeight->value();
  p.landscape = cboOrientation->currentIndex() == 1;
  p.marginLeft = spnMarginLeft->value();
  p.marginTop = spnMarginTop->value();
  p.marginRight = spnMarginRight->value();
  p.marginBottom = spnMarginBottom->value();
  p.labelWidth = spnLabelWidth->value();
  p.labelHeight = spnLabelHeight->value();
  p.columns = p.roll ? 1 : spnColumns->value();
  p.rows = p.roll ? 0 : spnRows->value();
  p.columnGap = p.roll ? 0 : spnColumnGap->value();
  p.rowGap = p.roll ? 0 : spnRowGap->value();
  p.downThenAcross = !p.roll && cboOrder->currentIndex() == 1;
  return p;
}

void TFrmYmsz::PaperChosen(int index) {
  const auto& sizes = PaperSizes();
  if (index < 0 || index >= static_cast<int>(sizes.size())) return;
  loading_ = true;
  spnPaperWidth->setValue(sizes[static_cast<size_t>(index)].width);
  spnPaperHeight->setValue(sizes[static_cast<size_t>(index)].height);
  loading_ = false;
  Update();
}

void TFrmYmsz::Update() {
  if (loading_) return;
  const PageSetup p = Setup();
  for (QWidget* w : std::initializer_list<QWidget*>{cboPaper, spnPaperWidth, spnPaperHeight, cboOrientation, spnColumns,
                                                    spnRows, spnColumnGap, spnRowGap, cboOrder})
    w->setEnabled(!p.roll);
  int paper = static_cast<int>(PaperSizes().size());  // "自定义"
  for (size_t i = 0; i < PaperSizes().size(); ++i)
    if (std::fabs(PaperSizes()[i].width - p.paperWidth) < 0.05 && std::fabs(PaperSizes()[i].height - p.paperHeight) < 0.05)
      paper = static_cast<int>(i);
  cboPaper->setCurrentIndex(paper);

  layout_ = LayOutSheet(p, header_, footer_);
  if (!layout_.ok) {
    lblFit->setStyleSheet("color: #c00000;");
    lblFit->setText(QString::fromStdString(layout_.message));
  } else {
    lblFit->setStyleSheet({});
    lblFit->setText(p.roll ? U("卷筒标签：每页一张，纸张 %1 × %2 毫米").arg(layout_.pageWidth).arg(layout_.pageHeight)
                           : U("每页 %1 张，纸张 %2 × %3 毫米").arg(layout_.cells.size()).arg(layout_.pageWidth).arg(layout_.pageHeight));
  }
  btnOK->setEnabled(layout_.ok);
  panPicture->update();
}

}  // namespace pt::designer
