#include "common/MemTableModel.h"

#include <algorithm>

namespace pt {

MemTableModel::MemTableModel(QObject* parent) : QAbstractTableModel(parent) {}

MemTableModel::~MemTableModel() {
  if (table_) table_->RemoveListener(this);
}

void MemTableModel::SetTable(MemTable* table) {
  if (table == table_) return;
  beginResetModel();
  if (table_) table_->RemoveListener(this);
  table_ = table;
  if (table_) table_->AddListener(this);
  if (allFields_) columns_.clear();
  rows_ = table_ && table_->Active() ? table_->RecordCount() : 0;
  if (allFields_ && table_)
    for (int i = 0; i < table_->FieldCount(); ++i) columns_.push_back(i);
  endResetModel();
  emit dataReset();
}

void MemTableModel::SetColumnFields(std::vector<int> fields) {
  beginResetModel();
  allFields_ = false;
  columns_ = std::move(fields);
  endResetModel();
  emit dataReset();
}

void MemTableModel::UseAllFields() {
  beginResetModel();
  allFields_ = true;
  columns_.clear();
  if (table_)
    for (int i = 0; i < table_->FieldCount(); ++i) columns_.push_back(i);
  endResetModel();
  emit dataReset();
}

void MemTableModel::SetColumnTitles(std::vector<QString> titles) {
  titles_ = std::move(titles);
  if (!columns_.empty()) emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns_.size()) - 1);
}

int MemTableModel::FieldOfColumn(int column) const {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return -1;
  int f = columns_[static_cast<size_t>(column)];
  return table_ && f < table_->FieldCount() ? f : -1;
}

void MemTableModel::SetAlternateRowColors(std::optional<QColor> odd, std::optional<QColor> even) {
  oddColor_ = odd;
  evenColor_ = even;
  if (rows_ > 0 && !columns_.empty()) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1), {Qt::BackgroundRole});
}

void MemTableModel::SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

void MemTableModel::SetColumnReadOnly(std::function<bool(int)> isReadOnly) { columnReadOnly_ = std::move(isReadOnly); }

void MemTableModel::ResetRequestCounters() {
  cellRequests_ = 0;
  highestRow_ = -1;
}

int MemTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int MemTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant MemTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !table_ || !table_->Active()) return {};
  int row = index.row();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      ++cellRequests_;
      highestRow_ = std::max(highestRow_, row);
      int f = FieldOfColumn(index.column());
      if (f < 0) return QString();
      return QString::fromStdString(table_->DisplayTextAt(row, f));
    }
    case Qt::TextAlignmentRole: {
      int f = FieldOfColumn(index.column());
      bool number = f >= 0 && (table_->Field(f).type == FieldType::Integer || table_->Field(f).type == FieldType::Float);
      return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::BackgroundRole: {
      // Record numbers count from 1: view row 0 is the first, odd record.
      const std::optional<QColor>& c = row % 2 == 0 ? oddColor_ : evenColor_;
      if (c) return *c;
      return {};
    }
    default:
      return {};
  }
}

QVariant MemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Vertical) return section + 1;
  if (section >= 0 && section < static_cast<int>(titles_.size()) && !titles_[static_cast<size_t>(section)].isNull())
    return titles_[static_cast<size_t>(section)];
  int f = FieldOfColumn(section);
  if (f < 0) return QString();
  const FieldDef& d = table_->Field(f);
  return QString::fromStdString(d.label.empty() ? d.name : d.label);
}

Qt::ItemFlags MemTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!readOnly_ && FieldOfColumn(index.column()) >= 0 && !(columnReadOnly_ && columnReadOnly_(index.column())))
    fl |= Qt::ItemIsEditable;
  return fl;
}

bool MemTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !table_ || !(flags(index) & Qt::ItemIsEditable)) return false;
  int f = FieldOfColumn(index.column());
  try {
    table_->SetRecNo(index.row() + 1);
    table_->Edit();
    table_->Set(f, Variant(value.toString().toStdString()));
    table_->Post();
    return true;
  } catch (const std::exception& e) {
    // A value the field cannot hold: the row keeps what it had.
    if (table_->state() == MemTable::State::Edit || table_->state() == MemTable::State::Insert) table_->Cancel();
    emit editFailed(QString::fromStdString(e.what()));
    return false;
  }
}

int MemTableModel::CurrentViewRow() const {
  if (!table_ || !table_->Active() || table_->IsEmpty()) return -1;
  int r = table_->RecNo() - 1;
  return r >= 0 && r < rows_ ? r : -1;
}

void MemTableModel::OnActiveChanged(MemTable&) {
  OnDataChanged(*table_);
  emit activeChanged(table_->Active());
}

void MemTableModel::OnDataChanged(MemTable&) {
  beginResetModel();
  rows_ = table_->Active() ? table_->RecordCount() : 0;
  if (allFields_) {
    columns_.clear();
    for (int i = 0; i < table_->FieldCount(); ++i) columns_.push_back(i);
  }
  endResetModel();
  emit dataReset();
  emit currentRowMoved(CurrentViewRow());
}

void MemTableModel::OnRecordChanged(MemTable&, int row) {
  if (row < 0 || row >= rows_ || columns_.empty()) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void MemTableModel::OnCurrentChanged(MemTable&) { emit currentRowMoved(CurrentViewRow()); }

void MemTableModel::OnTableDestroyed(MemTable&) {
  table_ = nullptr;
  emit tableDestroyed();
  beginResetModel();
  rows_ = 0;
  if (allFields_) columns_.clear();
  endResetModel();
  emit dataReset();
}

}  // namespace pt
