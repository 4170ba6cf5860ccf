#pragma once
// TAdvDBGridEh: the data grid of every list of the module, over an in-memory table.
//
// The grid shows a MemTable through one MemTableModel (no row is copied into widgets) and
// follows the table's current row both ways: clicking or moving in the grid moves the table
// (which fires its afterScroll), moving the table scrolls the grid. While the table's controls
// are disabled the grid does not follow.
//
// Columns: field, title ("group|caption" draws a two-level title, the group spanning the
// neighbouring columns that share it), width, visibility, Tag, read-only, footer (static text,
// record count, sum or the current row's value), sort marker. The first FrozenCols columns stay
// in place while the others scroll. When no column was added the grid shows a column per field
// (title from the field's label, hidden when the field is).
//
// Sorting: a click on a sortable title marks that column (up = ascending, again toggles to down);
// Ctrl+click adds it to the columns marked before. With AutoSorted on, the table gets the
// case-insensitive index "customindex" over the marked fields; otherwise sortMarkingChanged is
// emitted for the window to act. Markers are cleared whenever the table opens or closes.
//
// Record count: with ShowSumCount on, the footer of the first free visible column reads
// "合计:" + count + "条" and follows every change of the rows the table shows.
//
// Dialogs: ChooseColumns (the field chooser), FilterDialog (the query builder's filter form,
// applied as the table's filter) and QueryDialog (its query form, returning SQL). The grid keeps
// the expressions last confirmed in each, so a dialog reopens with them.
#include <QColor>
#include <QHeaderView>
#include <QTableView>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "dialogs/QueryCondition.h"

namespace pt {

class MemTableModel;
class TAdvDBGridEh;
class GridFooter;

enum class SortMarker { None, Up, Down };
enum class FooterValueType { None, StaticText, Count, Sum, FieldValue };

class GridColumn {
 public:
  const std::string& FieldName() const { return field_; }
  void SetFieldName(std::string field);
  // The title caption; "group|caption" makes a two-level title.
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);
  int Width() const { return width_; }
  void SetWidth(int pixels);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  // Whether a click on the title marks the column for sorting.
  bool TitleSortable() const { return sortable_; }
  void SetTitleSortable(bool sortable) { sortable_ = sortable; }

  FooterValueType FooterType() const { return footerType_; }
  const std::string& FooterText() const { return footerText_; }
  void SetFooter(FooterValueType type, std::string text = {});
  void SetFooterStaticText(std::string text) { SetFooter(FooterValueType::StaticText, std::move(text)); }

  SortMarker Marker() const { return marker_; }
  int SortIndex() const { return sortIndex_; }  // marking order from 1; 0 when unmarked
  void SetMarker(SortMarker marker);              // marks last, or unmarks; notifies like a click

  int Index() const;  // position in the grid
  int FieldIndex() const { return fieldIndex_; }  // in the table; -1 when it has no such field

 private:
  friend class TAdvDBGridEh;
  explicit GridColumn(TAdvDBGridEh* grid) : grid_(grid) {}

  TAdvDBGridEh* grid_;
  std::string field_;
  std::string title_;
  int width_ = 64;
  bool visible_ = true;
  int tag_ = 0;
  bool readOnly_ = false;
  bool sortable_ = true;
  FooterValueType footerType_ = FooterValueType::None;
  std::string footerText_;
  SortMarker marker_ = SortMarker::None;
  int sortIndex_ = 0;
  int fieldIndex_ = -1;
};

// The texts a sort over the marked columns composes, in marking order: index fields "a;b",
// descending fields "b", and the order text "a ASC,b DESC" of a server-side sort.
struct SortTexts {
  std::string fields;
  std::string descFields;
  std::string orderText;
};

class TAdvDBGridEh : public QTableView {
  Q_OBJECT

 public:
  explicit TAdvDBGridEh(QWidget* parent = nullptr);
  ~TAdvDBGridEh() override;

  void SetDataSet(MemTable* table);
  MemTable* DataSet() const { return table_; }
  MemTableModel* Model() const { return model_; }

  // ---- columns
  GridColumn* AddColumn(const std::string& field, const std::string& title = {}, int width = -1);
  void ClearColumns();  // back to one column per field
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  GridColumn* Column(int index) const;
  GridColumn* ColumnByField(const std::string& field) const;  // first column on that field
  int FrozenCols() const { return frozenCols_; }
  void SetFrozenCols(int count);

  // ---- options
  bool AutoSorted() const { return autoSorted_; }
  void SetAutoSorted(bool on) { autoSorted_ = on; }
  bool ShowSumCount() const { return showSumCount_; }
  void SetShowSumCount(bool on);  // also shows the footer row
  bool SortMarking() const { return sortMarking_; }
  void SetSortMarking(bool on) { sortMarking_ = on; }  // titles can be clicked to mark
  int FooterRowCount() const { return footerRows_; }
  void SetFooterRowCount(int rows);  // 0 or 1
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  void SetRowSelect(bool wholeRow);
  // Record numbers (from 1) that are odd get `odd`, the others `even`; nullopt paints normally.
  void SetAlternateRowColors(std::optional<QColor> odd, std::optional<QColor> even);
  void SetTitleFontColor(const QColor& color);
  QColor TitleFontColor() const;

  // ---- sorting
  std::vector<GridColumn*> SortMarkedColumns() const;  // in marking order
  SortTexts ComposeSortTexts() const;
  void ClearSortMarkers();
  void ApplySort();  // as AutoSorted does when the markers change
  // A title click, as the header reports it (multi: Ctrl held).
  void TitleClicked(int column, bool multi);

  // ---- footers
  void RefreshSumCount();
  QString FooterDisplayText(int column) const;
  GridFooter* Footer() const { return footer_; }

  // ---- saved layout (Tallmerpos.ini): per column, key = field name, value "1,120" / "0,80"
  void LoadColumnLayout(const std::string& file, const std::string& section, const std::string& directory);
  void SaveColumnLayout(const std::string& file, const std::string& section, const std::string& directory);

  // ---- dialogs
  void ChooseColumns();
  bool FilterDialog(const std::string& caption, bool visibleFieldsOnly, const std::string& presetText);
  bool QueryDialog(std::string& condition, const std::string& caption, const std::string& aliasList,
                   const std::string& helpText, const std::string& substitutionText);
  ExpressionList& QueryExpressions() { return queryExpressions_; }
  ExpressionList& FilterExpressions() { return filterExpressions_; }

  // ---- for the header and footer painters
  bool TwoLevelTitles() const;
  QTableView* FrozenView() const { return frozen_; }

 signals:
  void sortMarkingChanged();

 protected:
  void updateGeometries() override;
  void resizeEvent(QResizeEvent* event) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 private:
  friend class GridColumn;
  void ColumnChanged(GridColumn* column, bool structure);
  void RebuildColumns();
  void ResolveFields();
  void BuildAutoColumns();
  void ApplyColumnsToHeader();
  void SyncFrozen();
  void PlaceOverlays();
  void FollowTable(int row);
  void CurrentChangedInView(const QModelIndex& current);
  void OnDataReset();
  void OnActiveChanged();
  void MarkersChanged();
  int DefaultWidth(int fieldIndex) const;
  QHeaderView* MakeTitleHeader();

  MemTable* table_ = nullptr;
  MemTableModel* model_ = nullptr;
  std::vector<std::unique_ptr<GridColumn>> columns_;
  bool autoColumns_ = true;
  int frozenCols_ = 0;
  QTableView* frozen_ = nullptr;
  GridFooter* footer_ = nullptr;
  int footerRows_ = 0;
  bool autoSorted_ = false;
  bool showSumCount_ = false;
  bool sortMarking_ = true;
  bool readOnly_ = false;
  bool following_ = false;  // true while the grid moves the table or the table moves the grid
  bool applyingHeader_ = false;
  bool placing_ = false;
  std::optional<QColor> titleColor_;
  ExpressionList queryExpressions_;
  ExpressionList filterExpressions_;
};

// The title row: one- or two-level captions, sort markers with their order.
class GridTitleHeader : public QHeaderView {
  Q_OBJECT

 public:
  GridTitleHeader(TAdvDBGridEh* grid, QWidget* parent);
  QSize sizeHint() const override;
  void Detach() { grid_ = nullptr; }  // the grid is going: paint and measure nothing of it

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TAdvDBGridEh* grid_;
  Qt::KeyboardModifiers modifiers_;  // of the last press or release, for Ctrl+click
};

// The footer row under the cells, painted at the columns' positions.
class GridFooter : public QWidget {
  Q_OBJECT

 public:
  explicit GridFooter(TAdvDBGridEh* grid);
  int RowHeight() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TAdvDBGridEh* grid_;
};

}  // namespace pt
