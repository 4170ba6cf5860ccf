#pragma once
// MemTable: the in-memory table behind every list of the module (queue, condition record, print
// record, template list, histories, RF batches, department choice).
//
// Typed fields (text of a GBK byte size, integer, float, boolean) with case-insensitive names;
// null is distinct from empty text and from 0. A current row, append / edit / post / cancel /
// delete, record numbers counted from 1 in the order the clerk sees (index order, filter
// applied). A client-side filter (common/FilterExpression.h) switched on and off, named indexes
// over several fields with descending fields. Data packets (common/DataPacket.h) in and out.
//
// Notifications come in two kinds, as on the suite's datasets:
//  - dataset events (afterScroll, afterPost) fire always, also while controls are disabled;
//  - control notifications (the Listener interface, used by grids and bound editors) are held
//    back while controls are disabled and replaced by one OnDataChanged when they are enabled.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/DataPacket.h"
#include "common/FilterExpression.h"
#include "common/ModuleError.h"
#include "common/Variant.h"

namespace pt {

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Text;
  uint32_t size = 20;          // text: the most GBK bytes a value holds (0: no limit)
  std::string label;           // display label; "a|b" is a two-level title
  std::string displayFormat;   // float display format such as "0.00"
  bool visible = true;
  bool inPacket = true;        // false: kept by the table only, never sent or required in packets
  int tag = 0;
  // What a new row holds, and what a row loaded from a packet without the field holds.
  Variant defaultValue;
  // Refuses a value before it is stored: throws ModuleError with the message the clerk sees.
  // Checks what Set is given, before conversion; a refused value leaves the field as it was.
  std::function<void(const Variant&)> check;

  // The name grids and dialogs show: the label, or the field name when there is none.
  const std::string& DisplayName() const { return label.empty() ? name : label; }
};

class MemTable;

// A data link: grids and bound controls listen through it.
class MemTableListener {
 public:
  virtual ~MemTableListener() = default;
  virtual void OnActiveChanged(MemTable&) {}
  virtual void OnDataChanged(MemTable&) {}             // rows, order or structure changed
  virtual void OnRecordChanged(MemTable&, int row) {}  // one view row's values changed (0-based)
  virtual void OnCurrentChanged(MemTable&) {}          // the current row moved
  virtual void OnTableDestroyed(MemTable&) {}
};

class MemTable {
 public:
  enum class State { Inactive, Browse, Edit, Insert };
  struct IndexDef {
    std::string name;
    std::vector<int> fields;
    std::vector<bool> descending;  // per field
    bool caseInsensitive = false;
  };

  explicit MemTable(std::string name = {});
  ~MemTable();
  MemTable(const MemTable&) = delete;
  MemTable& operator=(const MemTable&) = delete;

  const std::string& Name() const { return name_; }

  // ---- structure (changeable while inactive; labels, formats and visibility at any time)
  int AddField(FieldDef def);
  int AddField(std::string name, FieldType type, uint32_t size = 20, std::string label = {});
  void ClearFields();
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const FieldDef& Field(int i) const { return fields_.at(static_cast<size_t>(i)); }
  FieldDef& MutableField(int i) { return fields_.at(static_cast<size_t>(i)); }
  int FieldIndex(std::string_view name) const;      // -1 when there is no such field
  int FieldIndexOrThrow(std::string_view name) const;
  std::vector<PacketField> PacketFields() const;

  // ---- life
  void CreateDataSet();  // opens the table empty with its defined fields
  void Close();
  bool Active() const { return state_ != State::Inactive; }
  State state() const { return state_; }

  // ---- navigation over the visible rows
  int RecordCount() const { return static_cast<int>(view_.size()); }
  int TotalRecordCount() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return view_.empty(); }
  int RecNo() const;  // 1-based; 0 when there is no row
  void SetRecNo(int recNo);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  void First();
  void Last();
  void Next();
  void Prior();

  // ---- values of the current row (the edit buffer while editing or appending)
  const Variant& Get(int field) const;
  const Variant& Get(std::string_view name) const { return Get(FieldIndexOrThrow(name)); }
  std::string GetText(std::string_view name) const;    // null gives ""; floats in general form
  double GetFloat(std::string_view name) const;        // null gives 0
  int64_t GetInt(std::string_view name) const;         // null gives 0
  bool IsNull(std::string_view name) const { return Get(name).IsNull(); }
  std::string DisplayText(int field) const;            // display format applied
  // Sets a field of the edit buffer, converted to the field's type; texts are cut to the field's
  // size at a character boundary; empty text into a number or flag field gives null.
  void Set(int field, const Variant& value);
  void Set(std::string_view name, const Variant& value) { Set(FieldIndexOrThrow(name), value); }

  // ---- values by view row (0-based), without moving; for grids
  const Variant& CellAt(int row, int field) const;
  std::string DisplayTextAt(int row, int field) const;

  // ---- editing
  void Append();  // a new empty row at the end, current, in Insert state
  void Edit();
  void Post();
  void Cancel();
  void Delete();       // the current row
  void EmptyDataSet(); // every row, also those the filter hides

  // ---- filter
  void SetFilter(std::string text);   // compiled when filtering is on; a bad text throws FilterError
  const std::string& Filter() const { return filterText_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }
  // True when the row (0-based storage order) passes a given compiled filter; for callers that
  // walk rows matching another expression without changing the table's own filter.
  CompiledFilter CompileFilter(std::string_view text) const;
  // Rows in storage order (0-based, below TotalRecordCount(), also those the filter hides), read
  // without moving the current row: for walking the rows that match another compiled filter.
  const Variant& StoredCell(int storageRow, int field) const;
  bool StoredRowMatches(int storageRow, const CompiledFilter& filter) const;

  // ---- indexes
  // fields and descFields are ";"-separated field names, as index definitions write them.
  void AddIndex(const std::string& name, const std::string& fields, const std::string& descFields = {},
                bool caseInsensitive = false);
  void DeleteIndex(const std::string& name);
  bool HasIndex(const std::string& name) const;
  void SetIndexName(const std::string& name);  // "" gives the order rows were added in
  const std::string& IndexName() const { return indexName_; }
  const IndexDef* ActiveIndex() const;
  void SetIndexFieldNames(const std::string& fields);  // an ascending index of its own

  // ---- controls
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // ---- notifications
  void AddListener(MemTableListener* l);
  void RemoveListener(MemTableListener* l);
  std::function<void(MemTable&)> afterScroll;  // after every move of the current row
  std::function<void(MemTable&)> afterPost;

  // ---- packets
  // Every row (also those the filter hides), in the order they were added; fields not sent in
  // packets are left out, unless withTableOnlyFields asks for a copy of everything the table
  // holds (for another table of the module, never for the host).
  std::string ToPacket(bool withTableOnlyFields = false) const;
  // Replaces every row. A table without fields takes the packet's fields; otherwise fields are
  // matched by name (without regard to case): a packet field the table lacks is ignored, a table
  // field the packet lacks is an error unless the field is not a packet field. The first row
  // becomes current.
  void LoadPacket(std::string_view bytes);
  // Makes this table's fields a copy of another's (the table must be inactive).
  void CopyStructure(const MemTable& other);

  // ---- searching
  // Moves to the first visible row whose field equals the value (texts optionally without
  // regard to case); false, and no move, when none does.
  bool Locate(std::string_view field, const Variant& value, bool caseInsensitive = false);

 private:
  using Row = std::vector<Variant>;

  void CheckActive() const;
  void CheckBrowse(const char* what);
  void RebuildView(int keepStorageRow);
  bool RowVisible(const Row& row) const;
  bool LessInIndex(const IndexDef& idx, const Row& a, const Row& b) const;
  size_t InsertPosition(const Row& row) const;
  void SetCurrent(int viewPos, bool notify);
  void Scrolled();
  void NotifyData();
  void NotifyRecord(int row);
  void NotifyCurrent();
  void NotifyActive();
  Variant Convert(int field, const Variant& value) const;
  IndexDef ParseIndex(const std::string& name, const std::string& fields, const std::string& descFields,
                      bool caseInsensitive) const;
  const Row& CurrentRow() const;

  std::string name_;
  std::vector<FieldDef> fields_;
  std::unordered_map<std::string, int> fieldByLowerName_;
  std::vector<Row> rows_;          // storage, in the order rows were added
  std::vector<int> view_;          // storage indices of the visible rows, in index order
  int current_ = -1;               // position in view_
  bool bof_ = true;
  bool eof_ = true;
  State state_ = State::Inactive;
  Row buffer_;                     // edit buffer in Edit and Insert state
  std::string filterText_;
  bool filtered_ = false;
  CompiledFilter filter_;
  std::vector<IndexDef> indexes_;
  std::string indexName_;
  IndexDef adHocIndex_;
  bool adHocActive_ = false;
  int disableCount_ = 0;
  bool pendingDataChange_ = false;
  std::vector<MemTableListener*> listeners_;
};

// Disables a table's controls for a scope and enables them on every way out.
class ControlsDisabledScope {
 public:
  explicit ControlsDisabledScope(MemTable& t) : t_(t) { t_.DisableControls(); }
  ~ControlsDisabledScope() { t_.EnableControls(); }
  ControlsDisabledScope(const ControlsDisabledScope&) = delete;
  ControlsDisabledScope& operator=(const ControlsDisabledScope&) = delete;

 private:
  MemTable& t_;
};

// Float formatting with a display format of the suite's kind: "0.00", "0.", "#,##0.00", "0.###".
// Rounds half away from zero on the value's 15-digit decimal form (12.505 gives 12.51).
std::string FormatFloat(const std::string& format, double value);

}  // namespace pt
