#include "designer/PropertyPanel.h"

#include <QAbstractSpinBox>
#include <QBuffer>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/ErrorGuard.h"
#include "common/UiSeam.h"
#include "designer/FieldCatalog.h"

namespace pt::designer {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
QString U(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

const std::vector<ObjectKind> kTextKinds{ObjectKind::Text};
const std::vector<ObjectKind> kBarcodeKinds{ObjectKind::Barcode};
const std::vector<ObjectKind> kColorKinds{ObjectKind::Text, ObjectKind::Line, ObjectKind::Rectangle};
const std::vector<ObjectKind> kLineKinds{ObjectKind::Line, ObjectKind::Rectangle};

const char* const kSymbologies[] = {"EAN13", "EAN8", "UPCA", "CODE128", "CODE39", "QR"};
const char* const kAligns[] = {"left", "center", "right"};
const char* const kVAligns[] = {"top", "center", "bottom"};

QDoubleSpinBox* MakeSpin(QWidget* parent, const char* name, double min, double max, double step, const char* suffix) {
  auto* s = new QDoubleSpinBox(parent);
  s->setObjectName(name);
  s->setRange(min, max);
  s->setDecimals(2);
  s->setSingleStep(step);
  s->setSuffix(U(suffix));
  s->setKeyboardTracking(false);  // one change when the number is entered, not one per digit
  s->setAccelerated(true);
  return s;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption) {
  auto* c = new QCheckBox(U(caption), parent);
  c->setObjectName(name);
  return c;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  for (const char* i : items) c->addItem(U(i));
  return c;
}

QToolButton* MakeColorButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(U("选择…"));
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  return b;
}

void ShowColor(QToolButton* b, const QString& rgb) {
  QPixmap swatch(16, 16);
  swatch.fill(QColor(rgb.isEmpty() ? "#000000" : rgb));
  b->setIcon(QIcon(swatch));
  b->setText(rgb.isEmpty() ? U("选择…") : rgb);
}

int IndexOf(const char* const* names, int count, const std::string& value, int fallback) {
  for (int i = 0; i < count; ++i)
    if (report::SameName(names[i], value)) return i;
  return fallback;
}

}  // namespace

std::optional<std::string> AskPicture(QWidget* owner) {
  const QString path = ui::Handler().OpenFileName(owner, U("选择图片"),
                                                  U("图片 (*.png *.jpg *.jpeg *.bmp *.gif);;所有文件 (*)"));
  if (path.isEmpty()) return std::nullopt;
  QFile file(path);
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
  if (bytes.isEmpty() || QImage::fromData(bytes).isNull()) {
    ui::ShowMessage(owner, U("图片文件无法读取：") + path + U("\n（文件不存在、不能打开或不是图片）"), U("错误"),
                    ui::Icon::Error);
    return std::nullopt;
  }
  return bytes.toBase64().toStdString();
}

PropertyPanel::PropertyPanel(TemplateEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor) {
  setObjectName("panProperties");
  Build();
  Wire();
  for (QWidget* box : findChildren<QWidget*>()) {
    if (qobject_cast<QAbstractSpinBox*>(box) || qobject_cast<QComboBox*>(box)) {
      box->setFocusPolicy(Qt::StrongFocus);  // the wheel alone does not start an edit
      box->installEventFilter(this);
    }
  }
  Refresh();
}

bool PropertyPanel::eventFilter(QObject* watched, QEvent* event) {
  bool passOn = false;
  Guard(this, [&] {
    auto* box = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Wheel && box && !box->hasFocus()) {
      event->ignore();  // the scroll area around the panel takes it
      passOn = true;
    }
  });
  return passOn || QWidget::eventFilter(watched, event);
}

void PropertyPanel::Build() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  auto group = [&](const char* name, const char* title) {
    auto* g = new QGroupBox(U(title), this);
    g->setObjectName(name);
    auto* form = new QFormLayout(g);
    form->setLabelAlignment(Qt::AlignRight);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    layout->addWidget(g);
    return std::make_pair(g, form);
  };

  auto [tg, tf] = group("grpTemplate", "模板");
  grpTemplate = tg;
  edtTemplateName = new QLineEdit(tg);
  edtTemplateName->setObjectName("edtTemplateName");
  tf->addRow(U("模板名称"), edtTemplateName);
  auto* hint = new QLabel(U("选中标签上的对象后，这里显示它的属性。\n从左边的字段表把字段拖到标签上。"), tg);
  hint->setObjectName("lblHint");
  hint->setWordWrap(true);
  tf->addRow(hint);

  auto [bg, bf] = group("grpBox", "位置和大小");
  grpBox = bg;
  lblSelection = new QLabel(bg);
  lblSelection->setObjectName("lblSelection");
  bf->addRow(lblSelection);
  edtObjectName = new QLineEdit(bg);
  edtObjectName->setObjectName("edtObjectName");
  edtObjectName->setPlaceholderText(U("（可不填）"));
  bf->addRow(U("名称"), edtObjectName);
  spnX = MakeSpin(bg, "spnX", -1000, 5000, 0.5, " mm");
  spnY = MakeSpin(bg, "spnY", -1000, 5000, 0.5, " mm");
  spnWidth = MakeSpin(bg, "spnWidth", -5000, 5000, 0.5, " mm");
  spnHeight = MakeSpin(bg, "spnHeight", -5000, 5000, 0.5, " mm");
  bf->addRow(U("左 X"), spnX);
  bf->addRow(U("上 Y"), spnY);
  bf->addRow(U("宽"), spnWidth);
  bf->addRow(U("高"), spnHeight);

  auto [xg, xf] = group("grpText", "内容");
  grpText = xg;
  auto* textRow = new QWidget(xg);
  auto* textLayout = new QHBoxLayout(textRow);
  textLayout->setContentsMargins(0, 0, 0, 0);
  edtText = new QLineEdit(textRow);
  edtText->setObjectName("edtText");
  edtText->setToolTip(U("文字，方括号里是字段、变量或表达式，如 ￥[cdsPrint.\"f_Xsdj\"]"));
  btnInsertField = new QToolButton(textRow);
  btnInsertField->setObjectName("btnInsertField");
  btnInsertField->setText(U("字段"));
  btnInsertField->setToolTip(U("在光标处插入字段或变量"));
  btnInsertField->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(btnInsertField);
  menu->setObjectName("mnuInsertField");
  QMenu* fields = menu->addMenu(U("商品字段"));
  QMenu* variables = menu->addMenu(U("报表变量"));
  for (const CatalogEntry& e : LabelCatalog()) {
    QMenu* into = e.kind == CatalogEntry::Kind::Field ? fields : variables;
    QAction* a = into->addAction(U(e.caption) + "  " + U(e.name));
    const std::string bracketed = "[" + e.Expression() + "]";
    connect(a, &QAction::triggered, this, Guarded(this, [this, bracketed] { InsertExpression(bracketed); }));
  }
  // Ready-made expressions a label often needs; the field in them is changed as needed.
  QMenu* functions = menu->addMenu(U("函数"));
  struct Example { const char* caption; const char* text; };
  const Example examples[] = {
      {"日期 2024年03月12日", "[FormatDate('yyyy年mm月dd日', cdsPrint.\"f_Qsrq\")]"},
      {"日期 03/12", "[FormatDate('mm/dd', cdsPrint.\"f_Qsrq\")]"},
      {"特价期 03/12-03/31",
       "[FormatDate('mm/dd', cdsPrint.\"f_Qsrq\")]-[FormatDate('mm/dd', cdsPrint.\"f_Jsrq\")]"},
      {"条件文字：有特价时印“特价”", "[IIf(cdsPrint.\"f_Tjjg\", '特价', '')]"},
      {"数字格式 0.00", "[FormatFloat('0.00', cdsPrint.\"f_Xsdj\")]"},
      {"折扣 7.9折", "[FormatFloat('0.0', cdsPrint.\"f_Tjjg\" / cdsPrint.\"f_Xsdj\" * 10)]折"},
  };
  for (const Example& x : examples) {
    QAction* a = functions->addAction(U(x.caption));
    const std::string text = x.text;
    connect(a, &QAction::triggered, this, Guarded(this, [this, text] { InsertExpression(text); }));
  }
  btnInsertField->setMenu(menu);
  textLayout->addWidget(edtText, 1);
  textLayout->addWidget(btnInsertField);
  xf->addRow(U("内容"), textRow);
  cboFormat = MakeCombo(xg, "cboFormat", {"", "0.00", "#,##0.00", "￥0.00", "0", "0.0"});
  cboFormat->setEditable(true);
  cboFormat->setToolTip(U("数字的显示格式；空：按字段自己的格式"));
  xf->addRow(U("数字格式"), cboFormat);

  auto [fg, ff] = group("grpFont", "字体和排列");
  grpFont = fg;
  cboFontFamily = new QFontComboBox(fg);
  cboFontFamily->setObjectName("cboFontFamily");
  cboFontFamily->setWritingSystem(QFontDatabase::SimplifiedChinese);
  ff->addRow(U("字体"), cboFontFamily);
  spnFontSize = MakeSpin(fg, "spnFontSize", 1, 500, 0.5, U(" 磅").toUtf8().constData());
  ff->addRow(U("字号"), spnFontSize);
  auto* styles = new QWidget(fg);
  auto* styleLayout = new QHBoxLayout(styles);
  styleLayout->setContentsMargins(0, 0, 0, 0);
  chkBold = MakeCheck(styles, "chkBold", "粗体");
  chkItalic = MakeCheck(styles, "chkItalic", "斜体");
  chkStrikeOut = MakeCheck(styles, "chkStrikeOut", "删除线");
  chkStrikeOut->setToolTip(U("文字中间划一道线，如划掉的原价"));
  styleLayout->addWidget(chkBold);
  styleLayout->addWidget(chkItalic);
  styleLayout->addWidget(chkStrikeOut);
  styleLayout->addStretch();
  ff->addRow(U("字形"), styles);
  cboAlign = MakeCombo(fg, "cboAlign", {"左对齐", "居中", "右对齐"});
  ff->addRow(U("水平"), cboAlign);
  cboVAlign = MakeCombo(fg, "cboVAlign", {"靠上", "居中", "靠下"});
  ff->addRow(U("垂直"), cboVAlign);
  chkWordWrap = MakeCheck(fg, "chkWordWrap", "自动换行");
  chkShrinkToFit = MakeCheck(fg, "chkShrinkToFit", "缩小字号以适合");
  ff->addRow(chkWordWrap);
  ff->addRow(chkShrinkToFit);

  auto [kg, kf] = group("grpColor", "颜色");
  grpColor = kg;
  btnColor = MakeColorButton(kg, "btnColor");
  kf->addRow(U("颜色"), btnColor);

  auto [cg, cf] = group("grpBarcode", "条码");
  grpBarcode = cg;
  cboSymbology = MakeCombo(cg, "cboSymbology", {"EAN-13", "EAN-8", "UPC-A", "Code 128", "Code 39", "QR 二维码"});
  cf->addRow(U("码制"), cboSymbology);
  chkShowText = MakeCheck(cg, "chkShowText", "条码下印数字");
  cf->addRow(chkShowText);

  auto [lg, lf] = group("grpLine", "线条和填充");
  grpLine = lg;
  spnLineWidth = MakeSpin(lg, "spnLineWidth", 0, 50, 0.1, " mm");
  lf->addRow(U("线宽"), spnLineWidth);
  chkFill = MakeCheck(lg, "chkFill", "填充");
  btnFillColor = MakeColorButton(lg, "btnFillColor");
  lf->addRow(chkFill, btnFillColor);

  auto [pg, pf] = group("grpPicture", "图片");
  grpPicture = pg;
  btnPicture = new QToolButton(pg);
  btnPicture->setObjectName("btnPicture");
  btnPicture->setText(U("换图片…"));
  pf->addRow(btnPicture);
  lblPicture = new QLabel(pg);
  lblPicture->setObjectName("lblPicture");
  pf->addRow(lblPicture);
  chkKeepAspect = MakeCheck(pg, "chkKeepAspect", "保持长宽比");
  pf->addRow(chkKeepAspect);

  auto [vg, vf] = group("grpVisible", "显示条件");
  grpVisible = vg;
  edtVisibleIf = new QLineEdit(vg);
  edtVisibleIf->setObjectName("edtVisibleIf");
  edtVisibleIf->setPlaceholderText(U("总是显示"));
  edtVisibleIf->setToolTip(U("表达式为空、0 或假时不印这个对象，如 [cdsPrint.\"f_Tjjg\"]"));
  vf->addRow(U("显示条件"), edtVisibleIf);
  layout->addStretch();
}

void PropertyPanel::Wire() {
  connect(edtTemplateName, &QLineEdit::editingFinished, this, Guarded(this, [this] {
            if (loading_) return;
            Run([this] { return editor_.SetName(S(edtTemplateName->text())); });
          }));
  connect(edtObjectName, &QLineEdit::editingFinished, this, Guarded(this, [this] {
            const QString name = edtObjectName->text().trimmed();
            Set({"name"}, name.isEmpty() ? Json() : Json(S(name)), {}, "名称");
          }));
  QDoubleSpinBox* boxSpins[] = {spnX, spnY, spnWidth, spnHeight};
  for (int part = 0; part < 4; ++part)
    connect(boxSpins[part], &QDoubleSpinBox::valueChanged, this,
            Guarded(this, [this, part](double v) { SetBoxPart(part, v); }));
  connect(edtText, &QLineEdit::editingFinished, this, Guarded(this, [this] {
            if (loading_) return;
            const std::string text = S(edtText->text());
            Run([&] {
              return editor_.Apply("内容", [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
                for (const ObjectRef& r : sel) {
                  if (d.Kind(r) == ObjectKind::Text) d.MutableObject(r)["text"] = text;
                  if (d.Kind(r) == ObjectKind::Barcode) d.MutableObject(r)["data"] = text;
                }
              });
            });
          }));
  auto format = [this] {
    const QString f = cboFormat->currentText().trimmed();
    Set({"format"}, f.isEmpty() ? Json() : Json(S(f)), {ObjectKind::Text, ObjectKind::Barcode}, "数字格式");
  };
  connect(cboFormat, &QComboBox::activated, this, Guarded(this, format));
  connect(cboFormat->lineEdit(), &QLineEdit::editingFinished, this, Guarded(this, format));
  connect(cboFontFamily, &QFontComboBox::currentFontChanged, this, Guarded(this, [this](const QFont& f) {
            Set({"font", "family"}, S(f.family()), kTextKinds, "字体");
          }));
  connect(spnFontSize, &QDoubleSpinBox::valueChanged, this, Guarded(this, [this](double v) {
            Set({"font", "size"}, Number(v), kTextKinds, "字号", "font-size");
          }));
  connect(chkBold, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"font", "bold"}, on ? Json(true) : Json(), kTextKinds, "粗体");
          }));
  connect(chkItalic, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"font", "italic"}, on ? Json(true) : Json(), kTextKinds, "斜体");
          }));
  connect(chkStrikeOut, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"font", "strikeOut"}, on ? Json(true) : Json(), kTextKinds, "删除线");
          }));
  connect(btnColor, &QToolButton::clicked, this, Guarded(this, [this] { ChooseColor("color", kColorKinds); }));
  connect(cboAlign, &QComboBox::activated, this, Guarded(this, [this](int i) {
            Set({"align"}, i <= 0 ? Json() : Json(kAligns[i]), kTextKinds, "水平对齐");
          }));
  connect(cboVAlign, &QComboBox::activated, this, Guarded(this, [this](int i) {
            Set({"valign"}, i <= 0 ? Json() : Json(kVAligns[i]), kTextKinds, "垂直对齐");
          }));
  connect(chkWordWrap, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"wordWrap"}, on ? Json(true) : Json(), kTextKinds, "自动换行");
          }));
  connect(chkShrinkToFit, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"shrinkToFit"}, on ? Json(true) : Json(), kTextKinds, "缩小字号以适合");
          }));
  connect(cboSymbology, &QComboBox::activated, this, Guarded(this, [this](int i) {
            if (i >= 0) Set({"symbology"}, kSymbologies[i], kBarcodeKinds, "码制");
          }));
  connect(chkShowText, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"showText"}, on ? Json() : Json(false), kBarcodeKinds, "条码数字");
          }));
  connect(spnLineWidth, &QDoubleSpinBox::valueChanged, this, Guarded(this, [this](double v) {
            Set({"lineWidth"}, Number(v), kLineKinds, "线宽", "line-width");
          }));
  connect(chkFill, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"fill"}, on ? Json("#D9D9D9") : Json(), {ObjectKind::Rectangle}, "填充");
          }));
  connect(btnFillColor, &QToolButton::clicked, this,
          Guarded(this, [this] { ChooseColor("fill", {ObjectKind::Rectangle}); }));
  connect(btnPicture, &QToolButton::clicked, this, Guarded(this, [this] { ChoosePicture(); }));
  connect(chkKeepAspect, &QCheckBox::toggled, this, Guarded(this, [this](bool on) {
            Set({"keepAspect"}, on ? Json() : Json(false), {ObjectKind::Picture}, "保持长宽比");
          }));
  connect(edtVisibleIf, &QLineEdit::editingFinished, this, Guarded(this, [this] {
            const QString rule = edtVisibleIf->text().trimmed();
            Set({"visibleIf"}, rule.isEmpty() ? Json() : Json(S(rule)), {}, "显示条件");
          }));
}

void PropertyPanel::Run(const std::function<bool()>& edit) {
  if (loading_) return;
  bool changed = false;
  try {
    changed = edit();
  } catch (const std::exception& e) {
    emit EditRefused(QString::fromUtf8(e.what()));
    Refresh();
    return;
  }
  if (changed) emit Edited();
}

void PropertyPanel::Set(const std::vector<std::string>& path, const Json& value, const std::vector<ObjectKind>& kinds,
                        const std::string& label, const std::string& mergeKey) {
  if (loading_ || editor_.Selection().empty()) return;
  Run([&] { return editor_.SetProperty(path, value, kinds, label, mergeKey); });
}

void PropertyPanel::SetBoxPart(int part, double value) {
  if (loading_ || editor_.Selection().empty()) return;
  const TemplateDocument& doc = editor_.Document();
  std::vector<std::pair<ObjectRef, RectF>> boxes;
  for (const ObjectRef& r : editor_.Selection()) {
    RectF b = doc.Box(r);
    switch (part) {
      case 0: b.x = value; break;
      case 1: b.y = value; break;
      case 2: b.width = value; break;
      default: b.height = value; break;
    }
    boxes.emplace_back(r, b);
  }
  Run([&] { return editor_.SetBoxes(boxes, "位置和大小", "box" + std::to_string(part)); });
}

void PropertyPanel::ChooseColor(const char* key, const std::vector<ObjectKind>& kinds) {
  if (editor_.Selection().empty()) return;
  const Json& first = editor_.Document().Object(editor_.Selection().front());
  QColorDialog dialog(QColor(U(TextOr(first, key, "#000000"))), this);
  dialog.setObjectName("dlgColor");
  dialog.setWindowTitle(U("颜色"));
  if (ui::ExecModal(&dialog) != QDialog::Accepted) return;
  Set({key}, S(dialog.selectedColor().name(QColor::HexRgb).toUpper()), kinds, "颜色");
}

void PropertyPanel::ChoosePicture() {
  if (editor_.Selection().empty()) return;
  std::optional<std::string> png = AskPicture(this);
  if (!png) return;
  Run([&] {
    return editor_.SetProperties({{{"png"}, Json(*png)}, {{"file"}, Json()}}, {ObjectKind::Picture}, "图片");
  });
}

void PropertyPanel::InsertExpression(const std::string& bracketed) {
  edtText->insert(U(bracketed));
  edtText->setFocus();
  emit edtText->editingFinished();
}

void PropertyPanel::FocusText() {
  edtText->setFocus(Qt::OtherFocusReason);
  edtText->selectAll();
}

void PropertyPanel::Refresh() {
  loading_ = true;
  const TemplateDocument& doc = editor_.Document();
  const std::vector<ObjectRef>& sel = editor_.Selection();
  auto firstOf = [&](std::initializer_list<ObjectKind> kinds) -> const Json* {
    for (const ObjectRef& r : sel)
      for (ObjectKind k : kinds)
        if (doc.Kind(r) == k) return &doc.Object(r);
    return nullptr;
  };
  auto setText = [](QLineEdit* e, const QString& t) {
    if (!e->hasFocus() || e->text() != t) e->setText(t);
  };

  grpTemplate->setVisible(sel.empty());
  if (!edtTemplateName->hasFocus()) edtTemplateName->setText(U(doc.Name()));
  grpBox->setVisible(!sel.empty());
  grpVisible->setVisible(!sel.empty());
  if (!sel.empty()) {
    const ObjectRef first = sel.front();
    lblSelection->setText(sel.size() == 1 ? U(doc.Label(first)) : U("已选 %1 个对象").arg(sel.size()));
    setText(edtObjectName, sel.size() == 1 ? U(TextOr(doc.Object(first), "name")) : QString());
    edtObjectName->setEnabled(sel.size() == 1);
    const RectF b = doc.Box(first);
    spnX->setValue(b.x);
    spnY->setValue(b.y);
    spnWidth->setValue(b.width);
    spnHeight->setValue(b.height);
    setText(edtVisibleIf, U(TextOr(doc.Object(first), "visibleIf")));
  }

  const Json* text = firstOf({ObjectKind::Text, ObjectKind::Barcode});
  grpText->setVisible(text != nullptr);
  if (text) {
    setText(edtText, U(TextOr(*text, report::SameName(TextOr(*text, "type"), "barcode") ? "data" : "text")));
    cboFormat->setCurrentText(U(TextOr(*text, "format")));
  }
  const Json* textOnly = firstOf({ObjectKind::Text});
  grpFont->setVisible(textOnly != nullptr);
  if (textOnly) {
    const Json& font = textOnly->contains("font") && (*textOnly)["font"].is_object() ? (*textOnly)["font"] : Json::object();
    cboFontFamily->setCurrentFont(QFont(U(TextOr(font, "family", kDefaultFontFamily))));
    spnFontSize->setValue(NumberOr(font, "size", 9));
    chkBold->setChecked(FlagOr(font, "bold", false));
    chkItalic->setChecked(FlagOr(font, "italic", false));
    chkStrikeOut->setChecked(FlagOr(font, "strikeOut", false));
    cboAlign->setCurrentIndex(IndexOf(kAligns, 3, TextOr(*textOnly, "align", "left"), 0));
    cboVAlign->setCurrentIndex(IndexOf(kVAligns, 3, TextOr(*textOnly, "valign", "top"), 0));
    chkWordWrap->setChecked(FlagOr(*textOnly, "wordWrap", false));
    chkShrinkToFit->setChecked(FlagOr(*textOnly, "shrinkToFit", false));
  }
  const Json* colored = firstOf({ObjectKind::Text, ObjectKind::Line, ObjectKind::Rectangle});
  grpColor->setVisible(colored != nullptr);
  if (colored) ShowColor(btnColor, U(TextOr(*colored, "color", "#000000")));

  const Json* barcode = firstOf({ObjectKind::Barcode});
  grpBarcode->setVisible(barcode != nullptr);
  if (barcode) {
    cboSymbology->setCurrentIndex(IndexOf(kSymbologies, 6, TextOr(*barcode, "symbology", "EAN13"), 0));
    chkShowText->setChecked(FlagOr(*barcode, "showText", true));
  }

  const Json* lined = firstOf({ObjectKind::Line, ObjectKind::Rectangle});
  grpLine->setVisible(lined != nullptr);
  if (lined) {
    spnLineWidth->setValue(NumberOr(*lined, "lineWidth", 0.2));
    const Json* rect = firstOf({ObjectKind::Rectangle});
    chkFill->setVisible(rect != nullptr);
    btnFillColor->setVisible(rect != nullptr);
    if (rect) {
      chkFill->setChecked(rect->contains("fill"));
      ShowColor(btnFillColor, U(TextOr(*rect, "fill")));
      btnFillColor->setEnabled(rect->contains("fill"));
    }
  }
  const Json* picture = firstOf({ObjectKind::Picture});
  grpPicture->setVisible(picture != nullptr);
  if (picture) {
    chkKeepAspect->setChecked(FlagOr(*picture, "keepAspect", true));
    const std::string file = TextOr(*picture, "file");
    const std::string png = TextOr(*picture, "png");
    if (!file.empty()) {
      lblPicture->setText(U("打印时读取文件：") + U(file));
    } else {
      const QImage image = QImage::fromData(QByteArray::fromBase64(QByteArray::fromStdString(png)));
      lblPicture->setText(image.isNull() ? U("图片无法显示")
                                         : U("嵌入的图片 %1 × %2 像素，%3 KB")
                                               .arg(image.width())
                                               .arg(image.height())
                                               .arg((png.size() * 3 / 4 + 1023) / 1024));
    }
  }
  loading_ = false;
}

}  // namespace pt::designer
