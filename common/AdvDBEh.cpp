#include "common/AdvDBEh.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>

#include "common/ErrorGuard.h"
#include "common/IniFile.h"
#include "common/MemTableModel.h"
#include "common/TextRoutines.h"
#include "common/UiSeam.h"
#include "dialogs/UnitChooseDBFields.h"
#include "dialogs/UnitQuerySet.h"

namespace pt {

namespace {

constexpr const char* kCustomIndex = "customindex";
constexpr const char* kSumWord = "合计";

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Group and caption of a title: the part before the first "|" spans, the rest is the caption.
void SplitTitle(const std::string& title, QString& group, QString& caption) {
  size_t bar = title.find('|');
  if (bar == std::string::npos) {
    group.clear();
    caption = Q(title);
  } else {
    group = Q(title.substr(0, bar));
    caption = Q(title.substr(bar + 1));
  }
}

}  // namespace

// ====================================================================== GridColumn

void GridColumn::SetFieldName(std::string field) {
  field_ = std::move(field);
  grid_->ColumnChanged(this, true);
}

void GridColumn::SetTitle(std::string title) {
  title_ = std::move(title);
  grid_->ColumnChanged(this, false);
}

void GridColumn::SetWidth(int pixels) {
  width_ = std::max(0, pixels);
  grid_->ColumnChanged(this, false);
}

void GridColumn::SetVisible(bool visible) {
  visible_ = visible;
  grid_->ColumnChanged(this, false);
}

void GridColumn::SetFooter(FooterValueType type, std::string text) {
  footerType_ = type;
  footerText_ = std::move(text);
  if (grid_->Footer()) grid_->Footer()->update();
}

void GridColumn::SetMarker(SortMarker marker) {
  if (marker == marker_) return;
  if (marker == SortMarker::None) {
    marker_ = SortMarker::None;
    sortIndex_ = 0;
  } else {
    if (marker_ == SortMarker::None) {
      int last = 0;
      for (int i = 0; i < grid_->ColumnCount(); ++i) last = std::max(last, grid_->Column(i)->sortIndex_);
      sortIndex_ = last + 1;
    }
    marker_ = marker;
  }
  grid_->MarkersChanged();
}

int GridColumn::Index() const {
  for (int i = 0; i < grid_->ColumnCount(); ++i)
    if (grid_->Column(i) == this) return i;
  return -1;
}

// ====================================================================== TAdvDBGridEh

TAdvDBGridEh::TAdvDBGridEh(QWidget* parent) : QTableView(parent) {
  footer_ = new GridFooter(this);
  footer_->hide();
  model_ = new MemTableModel(this);
  setHorizontalHeader(MakeTitleHeader());
  model_->SetColumnFields({});
  setModel(model_);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setCornerButtonEnabled(false);

  connect(model_, &MemTableModel::currentRowMoved, this, Guarded(this, [this](int row) { FollowTable(row); }));
  connect(model_, &MemTableModel::dataReset, this, Guarded(this, [this] { OnDataReset(); }));
  connect(model_, &MemTableModel::activeChanged, this, Guarded(this, [this](bool) { OnActiveChanged(); }));
  connect(model_, &MemTableModel::tableDestroyed, this, Guarded(this, [this] { table_ = nullptr; }));
  connect(model_, &MemTableModel::editFailed, this, Guarded(this, [this](const QString& message) {
    ui::ShowMessage(this, message, QStringLiteral("错误"), ui::Icon::Error);
  }));
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          Guarded(this, [this](const QModelIndex& current, const QModelIndex&) { CurrentChangedInView(current); }));
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));
}

TAdvDBGridEh::~TAdvDBGridEh() {
  // The model stops listening, and the title rows stop asking for columns, before the columns go.
  delete frozen_;
  frozen_ = nullptr;
  if (auto* h = qobject_cast<GridTitleHeader*>(horizontalHeader())) h->Detach();
  model_->SetTable(nullptr);
}

QHeaderView* TAdvDBGridEh::MakeTitleHeader() {
  auto* header = new GridTitleHeader(this, this);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setSortIndicatorShown(false);
  header->setSectionsMovable(true);
  header->setStretchLastSection(false);
  header->setDefaultAlignment(Qt::AlignCenter);
  connect(header, &QHeaderView::sectionResized, this, Guarded(this, [this](int logical, int, int size) {
    if (applyingHeader_) return;
    if (GridColumn* c = Column(logical)) c->width_ = size;
    SyncFrozen();
    PlaceOverlays();
    footer_->update();
  }));
  connect(header, &QHeaderView::sectionMoved, this, Guarded(this, [this, header](int, int from, int to) {
    if (applyingHeader_) return;
    // The grid's column order is the order shown: move the column and keep the header's mapping plain.
    {
      QScopedValueRollback<bool> g(applyingHeader_, true);
      header->moveSection(to, from);
    }
    if (from < 0 || to < 0 || from >= ColumnCount() || to >= ColumnCount()) return;
    auto moved = std::move(columns_[static_cast<size_t>(from)]);
    columns_.erase(columns_.begin() + from);
    columns_.insert(columns_.begin() + to, std::move(moved));
    autoColumns_ = false;
    RebuildColumns();
  }));
  return header;
}

void TAdvDBGridEh::SetDataSet(MemTable* table) {
  if (table == table_) return;
  table_ = table;
  if (autoColumns_) BuildAutoColumns();
  model_->SetTable(table);  // its reset finds the column mapping stale and rebuilds it
  OnActiveChanged();
}

// ---------------------------------------------------------------- columns

GridColumn* TAdvDBGridEh::AddColumn(const std::string& field, const std::string& title, int width) {
  if (autoColumns_) {
    columns_.clear();
    autoColumns_ = false;
  }
  auto c = std::unique_ptr<GridColumn>(new GridColumn(this));
  c->field_ = field;
  int fi = table_ ? table_->FieldIndex(field) : -1;
  if (title.empty() && fi >= 0) {
    const FieldDef& d = table_->Field(fi);
    c->title_ = d.label.empty() ? d.name : d.label;
  } else {
    c->title_ = title.empty() ? field : title;
  }
  c->width_ = width >= 0 ? width : DefaultWidth(fi);
  GridColumn* raw = c.get();
  columns_.push_back(std::move(c));
  RebuildColumns();
  return raw;
}

void TAdvDBGridEh::ClearColumns() {
  columns_.clear();
  autoColumns_ = true;
  BuildAutoColumns();
  RebuildColumns();
}

GridColumn* TAdvDBGridEh::Column(int index) const {
  if (index < 0 || index >= ColumnCount()) return nullptr;
  return columns_[static_cast<size_t>(index)].get();
}

GridColumn* TAdvDBGridEh::ColumnByField(const std::string& field) const {
  for (const auto& c : columns_)
    if (SameName(c->field_, field)) return c.get();
  return nullptr;
}

int TAdvDBGridEh::DefaultWidth(int fi) const {
  const QFontMetrics fm = fontMetrics();
  int chars = 10;
  if (table_ && fi >= 0) {
    const FieldDef& d = table_->Field(fi);
    switch (d.type) {
      case FieldType::Text: chars = std::clamp(static_cast<int>(d.size == 0 ? 20 : d.size), 4, 30); break;
      case FieldType::Integer: chars = 8; break;
      case FieldType::Float: chars = 10; break;
      case FieldType::Boolean: chars = 5; break;
    }
  }
  return chars * fm.averageCharWidth() + 8;
}

void TAdvDBGridEh::BuildAutoColumns() {
  columns_.clear();
  if (!table_) return;
  for (int i = 0; i < table_->FieldCount(); ++i) {
    const FieldDef& d = table_->Field(i);
    auto c = std::unique_ptr<GridColumn>(new GridColumn(this));
    c->field_ = d.name;
    c->title_ = d.label.empty() ? d.name : d.label;
    c->visible_ = d.visible;
    c->width_ = std::max(DefaultWidth(i), fontMetrics().horizontalAdvance(Q(c->title_)) + 12);
    columns_.push_back(std::move(c));
  }
}

void TAdvDBGridEh::ResolveFields() {
  for (auto& c : columns_) c->fieldIndex_ = table_ ? table_->FieldIndex(c->field_) : -1;
}

void TAdvDBGridEh::RebuildColumns() {
  ResolveFields();
  std::vector<int> fields;
  fields.reserve(columns_.size());
  for (const auto& c : columns_) fields.push_back(c->fieldIndex_);
  model_->SetColumnFields(std::move(fields));  // resets the model: OnDataReset applies the header
}

void TAdvDBGridEh::ColumnChanged(GridColumn*, bool structure) {
  if (structure) {
    autoColumns_ = false;
    RebuildColumns();
    return;
  }
  ApplyColumnsToHeader();
  // A column shown or hidden can change which footer is the first free one.
  if (showSumCount_) RefreshSumCount();
}

void TAdvDBGridEh::ApplyColumnsToHeader() {
  QHeaderView* h = horizontalHeader();
  {
    QScopedValueRollback<bool> g(applyingHeader_, true);
    std::vector<QString> titles;
    for (int i = 0; i < ColumnCount() && i < h->count(); ++i) {
      const GridColumn* c = columns_[static_cast<size_t>(i)].get();
      h->resizeSection(i, c->width_);
      h->setSectionHidden(i, !c->visible_);
      QString group, caption;
      SplitTitle(c->title_, group, caption);
      titles.push_back(group.isEmpty() ? caption : group + QLatin1Char('|') + caption);
    }
    model_->SetColumnTitles(std::move(titles));
  }
  h->updateGeometry();
  h->viewport()->update();
  SyncFrozen();
  updateGeometries();
  footer_->update();
}

void TAdvDBGridEh::SetFrozenCols(int count) {
  frozenCols_ = std::max(0, count);
  if (frozenCols_ > 0 && !frozen_) {
    frozen_ = new QTableView(this);
    frozen_->setObjectName(QStringLiteral("FrozenColumns"));
    frozen_->setModel(model_);
    frozen_->setSelectionModel(selectionModel());
    auto* header = new GridTitleHeader(this, frozen_);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    frozen_->setHorizontalHeader(header);
    frozen_->verticalHeader()->hide();
    frozen_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setFrameShape(QFrame::NoFrame);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollMode(verticalScrollMode());
    frozen_->setSelectionBehavior(selectionBehavior());
    frozen_->setSelectionMode(selectionMode());
    frozen_->setEditTriggers(editTriggers());
    frozen_->setWordWrap(false);
    viewport()->stackUnder(frozen_);
    connect(frozen_->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, frozen_->verticalScrollBar(), &QScrollBar::setValue);
    connect(header, &QHeaderView::sectionResized, this, Guarded(this, [this](int logical, int, int size) {
      if (applyingHeader_) return;
      if (GridColumn* c = Column(logical)) c->SetWidth(size);
    }));
    connect(frozen_, &QTableView::doubleClicked, this, &QTableView::doubleClicked);
    connect(model_, &MemTableModel::dataReset, frozen_, Guarded(this, [this] { SyncFrozen(); }));
    frozen_->show();
  } else if (frozenCols_ == 0 && frozen_) {
    delete frozen_;
    frozen_ = nullptr;
  }
  SyncFrozen();
  PlaceOverlays();
  footer_->update();
}

void TAdvDBGridEh::SyncFrozen() {
  if (!frozen_) return;
  QScopedValueRollback<bool> g(applyingHeader_, true);
  QHeaderView* h = frozen_->horizontalHeader();
  for (int i = 0; i < ColumnCount() && i < h->count(); ++i) {
    const GridColumn* c = columns_[static_cast<size_t>(i)].get();
    bool shown = i < frozenCols_ && c->visible_;
    h->setSectionHidden(i, !shown);
    if (shown) h->resizeSection(i, c->width_);
  }
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
  frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
  frozen_->viewport()->update();
  h->viewport()->update();
}

void TAdvDBGridEh::PlaceOverlays() {
  const QRect vp = viewport()->geometry();
  int fh = footerRows_ > 0 ? footer_->RowHeight() : 0;
  footer_->setVisible(fh > 0);
  if (fh > 0) footer_->setGeometry(vp.left(), vp.bottom() + 1, vp.width(), fh);
  if (frozen_) {
    int w = 0;
    for (int i = 0; i < frozenCols_ && i < ColumnCount(); ++i)
      if (columns_[static_cast<size_t>(i)]->visible_) w += columns_[static_cast<size_t>(i)]->width_;
    int headerHeight = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height();
    frozen_->horizontalHeader()->setFixedHeight(headerHeight);
    frozen_->setGeometry(vp.left(), vp.top() - headerHeight, std::min(w, vp.width()), vp.height() + headerHeight);
  }
}

void TAdvDBGridEh::updateGeometries() {
  QTableView::updateGeometries();
  if (placing_) return;
  QScopedValueRollback<bool> g(placing_, true);
  // The table view lays out the viewport without a bottom margin; the footer row needs one. The
  // viewport's resize brings the view back here while its own layout is still blocked, so its
  // scroll ranges are then computed for the viewport that leaves room for the footer.
  int fh = footerRows_ > 0 ? footer_->RowHeight() : 0;
  QMargins m = viewportMargins();
  if (m.bottom() != fh) setViewportMargins(m.left(), m.top(), m.right(), fh);
  PlaceOverlays();
}

void TAdvDBGridEh::resizeEvent(QResizeEvent* event) {
  Guard(this, [&] {
    QTableView::resizeEvent(event);
    PlaceOverlays();
  });
}

QModelIndex TAdvDBGridEh::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  QModelIndex current = QTableView::moveCursor(action, modifiers);
  if (frozen_ && action == MoveLeft && current.column() >= frozenCols_) {
    int frozenWidth = frozen_->width();
    int x = visualRect(current).topLeft().x();
    if (x < frozenWidth) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - frozenWidth);
  }
  return current;
}

void TAdvDBGridEh::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (frozen_ && index.isValid() && index.column() < frozenCols_) {
    // A frozen column is always in sight: scroll rows only.
    int keep = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(keep);
    return;
  }
  QTableView::scrollTo(index, hint);
}

// ---------------------------------------------------------------- options

void TAdvDBGridEh::SetShowSumCount(bool on) {
  showSumCount_ = on;
  if (on && footerRows_ == 0) SetFooterRowCount(1);
  RefreshSumCount();
}

void TAdvDBGridEh::SetFooterRowCount(int rows) {
  footerRows_ = std::clamp(rows, 0, 1);
  updateGeometries();
  footer_->update();
}

void TAdvDBGridEh::SetReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  model_->SetReadOnly(readOnly);
  model_->SetColumnReadOnly([this](int column) {
    const GridColumn* c = Column(column);
    return c && c->readOnly_;
  });
  setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                           : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed);
  if (frozen_) frozen_->setEditTriggers(editTriggers());
}

void TAdvDBGridEh::SetRowSelect(bool wholeRow) {
  setSelectionBehavior(wholeRow ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
  if (frozen_) frozen_->setSelectionBehavior(selectionBehavior());
}

void TAdvDBGridEh::SetAlternateRowColors(std::optional<QColor> odd, std::optional<QColor> even) {
  model_->SetAlternateRowColors(odd, even);
}

void TAdvDBGridEh::SetTitleFontColor(const QColor& color) {
  titleColor_ = color;
  horizontalHeader()->viewport()->update();
  if (frozen_) frozen_->horizontalHeader()->viewport()->update();
}

QColor TAdvDBGridEh::TitleFontColor() const {
  return titleColor_ ? *titleColor_ : palette().color(QPalette::ButtonText);
}

bool TAdvDBGridEh::TwoLevelTitles() const {
  for (const auto& c : columns_)
    if (c->visible_ && c->title_.find('|') != std::string::npos) return true;
  return false;
}

// ---------------------------------------------------------------- following the table

void TAdvDBGridEh::FollowTable(int row) {
  if (following_) return;
  QScopedValueRollback<bool> g(following_, true);
  if (row < 0) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  int column = currentIndex().isValid() ? currentIndex().column() : -1;
  if (column < 0 || isColumnHidden(column)) {
    column = 0;
    while (column < ColumnCount() && isColumnHidden(column)) ++column;
    if (column >= ColumnCount()) column = 0;
  }
  QModelIndex idx = model_->index(row, column);
  if (!idx.isValid()) return;
  QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
  if (selectionBehavior() == QAbstractItemView::SelectRows) flags |= QItemSelectionModel::Rows;
  selectionModel()->setCurrentIndex(idx, flags);
  scrollTo(idx);
}

void TAdvDBGridEh::CurrentChangedInView(const QModelIndex& current) {
  if (following_ || !table_ || !current.isValid() || !table_->Active()) return;
  if (table_->RecNo() == current.row() + 1) return;
  {
    QScopedValueRollback<bool> g(following_, true);
    Guard(this, [&] { table_->SetRecNo(current.row() + 1); });
  }
  // Where an afterScroll handler failed, show where the table really is.
  if (table_->Active() && table_->RecNo() != current.row() + 1) FollowTable(table_->RecNo() - 1);
}

void TAdvDBGridEh::OnDataReset() {
  if (autoColumns_ && table_) {
    bool same = static_cast<int>(columns_.size()) == table_->FieldCount();
    for (int i = 0; same && i < table_->FieldCount(); ++i)
      same = SameName(columns_[static_cast<size_t>(i)]->field_, table_->Field(i).name);
    if (!same) {
      BuildAutoColumns();
      RebuildColumns();
      return;
    }
  }
  std::vector<int> resolved;
  for (const auto& c : columns_) resolved.push_back(table_ ? table_->FieldIndex(c->field_) : -1);
  if (resolved != model_->ColumnFields()) {
    RebuildColumns();
    return;
  }
  ResolveFields();
  ApplyColumnsToHeader();
  if (showSumCount_) RefreshSumCount();
  if (table_ && table_->Active() && !table_->IsEmpty()) FollowTable(table_->RecNo() - 1);
}

void TAdvDBGridEh::OnActiveChanged() {
  ClearSortMarkers();
  if (showSumCount_) RefreshSumCount();
}

// ---------------------------------------------------------------- sorting

std::vector<GridColumn*> TAdvDBGridEh::SortMarkedColumns() const {
  std::vector<GridColumn*> out;
  for (const auto& c : columns_)
    if (c->marker_ != SortMarker::None) out.push_back(c.get());
  std::stable_sort(out.begin(), out.end(), [](const GridColumn* a, const GridColumn* b) { return a->sortIndex_ < b->sortIndex_; });
  return out;
}

SortTexts TAdvDBGridEh::ComposeSortTexts() const {
  SortTexts t;
  for (const GridColumn* c : SortMarkedColumns()) {
    t.fields += c->field_ + ";";
    if (c->marker_ == SortMarker::Up) {
      t.orderText += c->field_ + " ASC,";
    } else {
      t.descFields += c->field_ + ";";
      t.orderText += c->field_ + " DESC,";
    }
  }
  for (std::string* s : {&t.fields, &t.descFields, &t.orderText})
    if (!s->empty()) s->pop_back();
  return t;
}

void TAdvDBGridEh::ClearSortMarkers() {
  for (auto& c : columns_) {
    c->marker_ = SortMarker::None;
    c->sortIndex_ = 0;
  }
  horizontalHeader()->viewport()->update();
  if (frozen_) frozen_->horizontalHeader()->viewport()->update();
}

void TAdvDBGridEh::TitleClicked(int column, bool multi) {
  GridColumn* c = Column(column);
  if (!c || !sortMarking_ || !c->sortable_) return;
  SortMarker next = c->marker_ == SortMarker::Up ? SortMarker::Down : SortMarker::Up;
  if (!multi) {
    for (auto& other : columns_)
      if (other.get() != c) {
        other->marker_ = SortMarker::None;
        other->sortIndex_ = 0;
      }
    if (c->marker_ == SortMarker::None) c->sortIndex_ = 0;
  }
  if (c->marker_ == SortMarker::None) {
    int last = 0;
    for (const auto& other : columns_) last = std::max(last, other->sortIndex_);
    c->sortIndex_ = last + 1;
  }
  c->marker_ = next;
  // Keep the marking order numbered 1, 2, ...
  int n = 0;
  for (GridColumn* m : SortMarkedColumns()) m->sortIndex_ = ++n;
  MarkersChanged();
}

void TAdvDBGridEh::MarkersChanged() {
  horizontalHeader()->viewport()->update();
  if (frozen_) frozen_->horizontalHeader()->viewport()->update();
  if (autoSorted_)
    ApplySort();
  else
    emit sortMarkingChanged();
}

void TAdvDBGridEh::ApplySort() {
  if (!table_ || !table_->Active() || table_->IsEmpty()) return;
  SortTexts t = ComposeSortTexts();
  if (t.fields.empty()) return;
  try {
    // Replacing the index in force re-sorts once; otherwise the old one goes and the new one is
    // taken, which also sorts once.
    if (SameName(table_->IndexName(), kCustomIndex)) {
      table_->AddIndex(kCustomIndex, t.fields, t.descFields, true);
    } else {
      if (table_->HasIndex(kCustomIndex)) table_->DeleteIndex(kCustomIndex);
      table_->AddIndex(kCustomIndex, t.fields, t.descFields, true);
      table_->SetIndexName(kCustomIndex);
    }
  } catch (const std::exception&) {
    // A sort the table cannot make (a column without its field) leaves the order as it was.
  }
}

// ---------------------------------------------------------------- footers

void TAdvDBGridEh::RefreshSumCount() {
  if (!showSumCount_ || !table_ || !table_->Active()) return;
  int count = table_->RecordCount();
  for (auto& c : columns_)
    if (c->footerType_ == FooterValueType::StaticText && c->footerText_.find(kSumWord) != std::string::npos)
      c->footerText_.clear();
  for (auto& c : columns_) {
    if (!c->visible_) continue;
    if (c->footerType_ == FooterValueType::None || c->footerType_ == FooterValueType::StaticText) {
      c->footerType_ = FooterValueType::StaticText;
      c->footerText_ = std::string(kSumWord) + ":" + std::to_string(count) + "条";
    }
    break;  // a visible column showing another value keeps its footer, and the count is not shown
  }
  footer_->update();
}

QString TAdvDBGridEh::FooterDisplayText(int column) const {
  const GridColumn* c = Column(column);
  if (!c) return {};
  switch (c->footerType_) {
    case FooterValueType::None: return {};
    case FooterValueType::StaticText: return Q(c->footerText_);
    case FooterValueType::Count: return table_ && table_->Active() ? QString::number(table_->RecordCount()) : QString();
    case FooterValueType::Sum: {
      if (!table_ || !table_->Active() || c->fieldIndex_ < 0) return {};
      double sum = 0;
      for (int r = 0; r < table_->RecordCount(); ++r) {
        const Variant& v = table_->CellAt(r, c->fieldIndex_);
        if (v.IsNumber()) sum += v.ToFloat();
      }
      const FieldDef& d = table_->Field(c->fieldIndex_);
      return Q(d.displayFormat.empty() ? FloatToText(sum) : FormatFloat(d.displayFormat, sum));
    }
    case FooterValueType::FieldValue:
      if (!table_ || !table_->Active() || table_->IsEmpty() || c->fieldIndex_ < 0) return {};
      return Q(table_->DisplayTextAt(table_->RecNo() - 1, c->fieldIndex_));
  }
  return {};
}

// ---------------------------------------------------------------- layout

namespace {
std::string LayoutDirectory(const std::string& directory) {
  if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) return directory;
  return directory + "\\";
}
}  // namespace

void TAdvDBGridEh::SaveColumnLayout(const std::string& file, const std::string& section, const std::string& directory) {
  std::string dir = LayoutDirectory(directory);
  for (const auto& c : columns_) {
    try {
      WriteIniValue(file, section, c->field_, std::string(c->visible_ ? "1" : "0") + "," + std::to_string(c->width_), dir);
    } catch (const std::exception&) {
      // A layout that cannot be stored is simply not kept; the window closes as usual.
    }
  }
}

void TAdvDBGridEh::LoadColumnLayout(const std::string& file, const std::string& section, const std::string& directory) {
  std::string dir = LayoutDirectory(directory);
  for (auto& c : columns_) {
    std::string value = "1,0";
    try {
      value = ReadIniValue(file, section, c->field_, "1,0", dir);
    } catch (const std::exception&) {
    }
    size_t comma = value.find(',');
    std::string shown = value.substr(0, comma);
    std::string width = comma == std::string::npos ? std::string() : value.substr(comma + 1);
    // Tag 1 marks a column the window keeps hidden whatever the clerk saved.
    c->visible_ = c->tag_ != 1 && shown == "1";
    int64_t w = 0;
    // A width that is not a positive number of pixels (a damaged value) keeps the design width.
    if (IsIntegerText(width) && TextToInt(width, w) && w > 0 && w <= 10000) c->width_ = static_cast<int>(w);
  }
  ApplyColumnsToHeader();
  if (showSumCount_) RefreshSumCount();
}

// ---------------------------------------------------------------- dialogs

void TAdvDBGridEh::ChooseColumns() {
  auto dialog = std::make_unique<TFrmChooseDBFields>(this);
  dialog->SetGrid(this);
  ui::ExecModal(dialog.get());
}

bool TAdvDBGridEh::FilterDialog(const std::string& caption, bool visibleFieldsOnly, const std::string& presetText) {
  try {
    std::unique_ptr<TFrmQuerySet> dialog =
        TFrmQuerySet::CreateForFilter(this, caption, "", presetText, &filterExpressions_, visibleFieldsOnly);
    dialog->SetSourceDataSet(table_);
    if (ui::ExecModal(dialog.get()) != ui::kResultOk) return false;
    filterExpressions_ = dialog->Expressions();
    if (!table_) throw ModuleError("没有可过滤的数据");
    if (table_->state() != MemTable::State::Browse && table_->Active()) table_->Post();

    // Records matching each exclusion pattern, found beside the table's own filter and without
    // moving its current row; only their values go into the filter.
    ConditionResult condition = dialog->Condition();
    condition.text = Trim(dialog->ConditionText());
    std::vector<std::vector<std::string>> values(condition.exclusions.size());
    for (size_t i = 0; i < condition.exclusions.size(); ++i) {
      const FilterExclusion& ex = condition.exclusions[i];
      if (Trim(ex.pattern).empty() || !table_->Active()) continue;
      CompiledFilter match = table_->CompileFilter(ex.pattern);
      int field = table_->FieldIndexOrThrow(Trim(ex.field));
      for (int r = 0; r < table_->TotalRecordCount(); ++r)
        if (table_->StoredRowMatches(r, match)) values[i].push_back(table_->StoredCell(r, field).ToText());
    }
    std::string filter = ComposeFilterWithExclusions(condition, values);
    table_->CompileFilter(filter);  // a text the filter cannot read fails here, with the old filter in force
    table_->SetFiltered(false);
    table_->SetFilter(filter);
    table_->SetFiltered(true);
    return true;
  } catch (const std::exception& e) {
    ui::ShowMessage(this, QString::fromUtf8(e.what()), QStringLiteral("错误"), ui::Icon::Error);
    return false;
  }
}

bool TAdvDBGridEh::QueryDialog(std::string& condition, const std::string& caption, const std::string& aliasList,
                               const std::string& helpText, const std::string& substitutionText) {
  condition.clear();
  std::unique_ptr<TFrmQuerySet> dialog =
      TFrmQuerySet::CreateForQuery(this, caption, aliasList, helpText, substitutionText, &queryExpressions_);
  dialog->SetSourceDataSet(table_);
  if (ui::ExecModal(dialog.get()) != ui::kResultOk) return false;
  queryExpressions_ = dialog->Expressions();
  condition = Trim(dialog->ConditionText());
  return true;
}

// ====================================================================== GridTitleHeader

GridTitleHeader::GridTitleHeader(TAdvDBGridEh* grid, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), grid_(grid) {
  connect(this, &QHeaderView::sectionClicked, this, Guarded(this, [this](int logical) {
    if (grid_) grid_->TitleClicked(logical, (modifiers_ & Qt::ControlModifier) != 0);
  }));
}

QSize GridTitleHeader::sizeHint() const {
  int line = fontMetrics().height() + 6;
  // Only the height counts for a title row; the width follows the grid.
  return QSize(width(), grid_ && grid_->TwoLevelTitles() ? 2 * line : line);
}

void GridTitleHeader::mousePressEvent(QMouseEvent* event) {
  Guard(this, [&] {
    modifiers_ = event->modifiers();
    QHeaderView::mousePressEvent(event);
  });
}

void GridTitleHeader::mouseReleaseEvent(QMouseEvent* event) {
  Guard(this, [&] {
    modifiers_ = event->modifiers();
    QHeaderView::mouseReleaseEvent(event);
  });
}

void GridTitleHeader::paintSection(QPainter* p, const QRect& rect, int logical) const {
  const GridColumn* col = grid_ ? grid_->Column(logical) : nullptr;
  if (!col || !rect.isValid()) return;
  p->save();
  p->setClipRect(rect);
  const QPalette& pal = palette();
  const QColor line = pal.color(QPalette::Mid);
  const QColor text = grid_->TitleFontColor();
  p->fillRect(rect, pal.button());

  QString group, caption;
  SplitTitle(col->Title(), group, caption);
  QRect captionRect = rect;
  if (grid_->TwoLevelTitles() && !group.isEmpty()) {
    int half = rect.height() / 2;
    QRect top(rect.left(), rect.top(), rect.width(), half);
    captionRect.setTop(rect.top() + half);
    // The group spans the neighbouring shown sections with the same group.
    auto groupAt = [&](int visual) -> std::optional<QString> {
      int l = logicalIndex(visual);
      if (l < 0) return std::nullopt;
      const GridColumn* c = grid_->Column(l);
      if (!c) return std::nullopt;
      QString g, cap;
      SplitTitle(c->Title(), g, cap);
      return g;
    };
    int v = visualIndex(logical), first = v, last = v;
    for (int k = v - 1; k >= 0; --k) {
      if (isSectionHidden(logicalIndex(k))) continue;
      if (groupAt(k) != group) break;
      first = k;
    }
    for (int k = v + 1; k < count(); ++k) {
      if (isSectionHidden(logicalIndex(k))) continue;
      if (groupAt(k) != group) break;
      last = k;
    }
    int x0 = sectionViewportPosition(logicalIndex(first));
    int x1 = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));
    QRect span(x0, top.top(), x1 - x0, top.height());
    p->setPen(text);
    p->drawText(span.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextSingleLine, group);
    p->setPen(line);
    p->drawLine(top.left(), top.bottom(), top.right(), top.bottom());
    if (v == last) p->drawLine(top.right(), top.top(), top.right(), top.bottom());
  }

  QRect textRect = captionRect.adjusted(3, 0, -3, 0);
  if (col->Marker() != SortMarker::None) {
    const int size = 7;
    int cx = captionRect.right() - 8;
    int cy = captionRect.center().y();
    QPainterPath tri;
    if (col->Marker() == SortMarker::Up) {
      tri.moveTo(cx - size / 2.0, cy + size / 4.0);
      tri.lineTo(cx + size / 2.0, cy + size / 4.0);
      tri.lineTo(cx, cy - size / 2.0);
    } else {
      tri.moveTo(cx - size / 2.0, cy - size / 4.0);
      tri.lineTo(cx + size / 2.0, cy - size / 4.0);
      tri.lineTo(cx, cy + size / 2.0);
    }
    tri.closeSubpath();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->fillPath(tri, text);
    p->setRenderHint(QPainter::Antialiasing, false);
    textRect.setRight(cx - size);
    if (grid_->SortMarkedColumns().size() > 1) {
      QFont small = p->font();
      small.setPointSizeF(std::max(5.0, small.pointSizeF() * 0.7));
      p->setFont(small);
      p->setPen(text);
      p->drawText(QRect(cx - 6, captionRect.top(), 12, cy - size / 2 - captionRect.top() + 2),
                  Qt::AlignHCenter | Qt::AlignBottom, QString::number(col->SortIndex()));
      p->setFont(font());
    }
  }
  p->setPen(text);
  p->drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine,
              fontMetrics().elidedText(caption, Qt::ElideRight, std::max(0, textRect.width())));
  p->setPen(line);
  p->drawLine(captionRect.right(), captionRect.top(), captionRect.right(), captionRect.bottom());
  p->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
  p->restore();
}

// ====================================================================== GridFooter

GridFooter::GridFooter(TAdvDBGridEh* grid) : QWidget(grid), grid_(grid) {
  setObjectName(QStringLiteral("Footer"));
  setAutoFillBackground(false);
}

int GridFooter::RowHeight() const { return fontMetrics().height() + 6; }

void GridFooter::paintEvent(QPaintEvent*) {
  Guard(this, [&] {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.button());
    const QColor line = pal.color(QPalette::Mid);
    auto paintCell = [&](int column, int x) {
      const GridColumn* c = grid_->Column(column);
      if (!c || !c->Visible()) return;
      QRect cell(x, 0, c->Width(), height());
      p.fillRect(cell, pal.button());
      QString t = grid_->FooterDisplayText(column);
      bool number = c->FooterType() == FooterValueType::Count || c->FooterType() == FooterValueType::Sum;
      p.setPen(pal.color(QPalette::ButtonText));
      p.drawText(cell.adjusted(3, 0, -3, 0), Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::TextSingleLine, t);
      p.setPen(line);
      p.drawLine(cell.right(), cell.top(), cell.right(), cell.bottom());
    };
    int frozen = grid_->FrozenView() ? grid_->FrozenCols() : 0;
    for (int i = frozen; i < grid_->ColumnCount(); ++i) paintCell(i, grid_->columnViewportPosition(i));
    int x = 0;
    for (int i = 0; i < frozen && i < grid_->ColumnCount(); ++i) {
      paintCell(i, x);
      if (grid_->Column(i)->Visible()) x += grid_->Column(i)->Width();
    }
    p.setPen(line);
    p.drawLine(0, 0, width(), 0);
  });
}

}  // namespace pt
