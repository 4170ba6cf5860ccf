#pragma once
// The one Qt model over an in-memory table. It copies no rows: every cell is read from the table
// when a view asks for it (MemTable::DisplayTextAt by view row), so a view over 50,000 rows asks
// only for the rows it paints.
//
// Columns are a list of field indexes chosen by the owner (a grid's columns); by default every
// field of the table in field order. The model listens to the table as a data link:
// rows/order/structure changes reset the model, one row's change repaints that row, and moves of
// the table's current row are passed on through currentRowMoved so a view can follow.
#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <optional>
#include <vector>

#include "common/MemTable.h"

namespace pt {

class MemTableModel : public QAbstractTableModel, public MemTableListener {
  Q_OBJECT

 public:
  explicit MemTableModel(QObject* parent = nullptr);
  ~MemTableModel() override;

  void SetTable(MemTable* table);
  MemTable* Table() const { return table_; }

  // Field index per column; -1 shows an empty column (a column whose field the table lacks).
  void SetColumnFields(std::vector<int> fields);
  void UseAllFields();  // every field in field order (the default)
  int FieldOfColumn(int column) const;
  const std::vector<int>& ColumnFields() const { return columns_; }
  // Header texts per column; a column without one shows its field's label (or name).
  void SetColumnTitles(std::vector<QString> titles);

  // Rows painted in two colours by record number (from 1): odd rows get `odd`, the others `even`.
  void SetAlternateRowColors(std::optional<QColor> odd, std::optional<QColor> even);
  // Cells of read-only columns (or every cell when the whole model is read-only) are not editable.
  void SetReadOnly(bool readOnly);
  void SetColumnReadOnly(std::function<bool(int column)> isReadOnly);

  // Counters for benchmarks and tests: how many cells were asked for, and the highest row asked.
  void ResetRequestCounters();
  long long CellRequests() const { return cellRequests_; }
  int HighestRowRequested() const { return highestRow_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void currentRowMoved(int row);  // the table's current row moved (0-based view row; -1: none)
  void activeChanged(bool active);
  void dataReset();               // rows, order or structure changed (after the model reset)
  void editFailed(const QString& message);
  void tableDestroyed();          // the table went away; the model now shows nothing

 private:
  void OnActiveChanged(MemTable&) override;
  void OnDataChanged(MemTable&) override;
  void OnRecordChanged(MemTable&, int row) override;
  void OnCurrentChanged(MemTable&) override;
  void OnTableDestroyed(MemTable&) override;
  int CurrentViewRow() const;

  MemTable* table_ = nullptr;
  std::vector<int> columns_;
  std::vector<QString> titles_;
  bool allFields_ = true;
  std::optional<QColor> oddColor_, evenColor_;
  bool readOnly_ = false;
  std::function<bool(int)> columnReadOnly_;
  mutable long long cellRequests_ = 0;
  mutable int highestRow_ = -1;
  int rows_ = 0;  // the row count the views were last told
};

}  // namespace pt
