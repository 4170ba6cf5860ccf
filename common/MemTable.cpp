#include "common/MemTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "common/GbkCodec.h"

namespace pt {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> SplitNames(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ';') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  out.push_back(cur);
  std::vector<std::string> trimmed;
  for (auto& n : out) {
    size_t b = n.find_first_not_of(' ');
    size_t e = n.find_last_not_of(' ');
    if (b == std::string::npos) continue;
    trimmed.push_back(n.substr(b, e - b + 1));
  }
  return trimmed;
}

const Variant& NullVariant() {
  static const Variant v;
  return v;
}

// -1, 0, 1 over two cells of one field; null first.
int CompareCells(const Variant& a, const Variant& b, bool caseInsensitive) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? -1 : 1);
  if (a.IsText() && b.IsText()) {
    const std::string& x = a.AsText();
    const std::string& y = b.AsText();
    bool ascii = true;
    for (unsigned char c : x) if (c >= 0x80) { ascii = false; break; }
    if (ascii) for (unsigned char c : y) if (c >= 0x80) { ascii = false; break; }
    if (ascii && !caseInsensitive) return x < y ? -1 : (y < x ? 1 : 0);
    std::string kx = GbkSortKey(x, caseInsensitive);
    std::string ky = GbkSortKey(y, caseInsensitive);
    return kx < ky ? -1 : (ky < kx ? 1 : 0);
  }
  if (a.kind() == Variant::Kind::Bool && b.kind() == Variant::Kind::Bool)
    return a.AsBool() == b.AsBool() ? 0 : (a.AsBool() ? 1 : -1);
  if (a.kind() == Variant::Kind::Int && b.kind() == Variant::Kind::Int)
    return a.AsInt() < b.AsInt() ? -1 : (a.AsInt() > b.AsInt() ? 1 : 0);
  double x = a.IsNumber() ? a.ToFloat() : 0, y = b.IsNumber() ? b.ToFloat() : 0;
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace

MemTable::MemTable(std::string name) : name_(std::move(name)) {}

MemTable::~MemTable() {
  auto ls = listeners_;
  for (auto* l : ls) l->OnTableDestroyed(*this);
}

// ---------------------------------------------------------------- structure

int MemTable::AddField(FieldDef def) {
  if (Active()) throw ModuleError("表 " + name_ + " 已打开，不能再增加字段");
  std::string key = Lower(def.name);
  if (fieldByLowerName_.count(key)) throw ModuleError("字段 '" + def.name + "' 重复");
  if (def.type != FieldType::Text) def.size = 0;
  fields_.push_back(std::move(def));
  int idx = static_cast<int>(fields_.size()) - 1;
  fieldByLowerName_.emplace(std::move(key), idx);
  return idx;
}

int MemTable::AddField(std::string name, FieldType type, uint32_t size, std::string label) {
  FieldDef d;
  d.name = std::move(name);
  d.type = type;
  d.size = size;
  d.label = std::move(label);
  return AddField(std::move(d));
}

void MemTable::ClearFields() {
  if (Active()) Close();
  fields_.clear();
  fieldByLowerName_.clear();
  indexes_.clear();
  indexName_.clear();
  adHocActive_ = false;
}

int MemTable::FieldIndex(std::string_view name) const {
  auto it = fieldByLowerName_.find(Lower(name));
  return it == fieldByLowerName_.end() ? -1 : it->second;
}

int MemTable::FieldIndexOrThrow(std::string_view name) const {
  int i = FieldIndex(name);
  if (i < 0) throw ModuleError(name_ + ": 找不到字段 '" + std::string(name) + "'");
  return i;
}

std::vector<PacketField> MemTable::PacketFields() const {
  std::vector<PacketField> out;
  for (const auto& f : fields_)
    if (f.inPacket) out.push_back({f.name, f.type, f.size});
  return out;
}

void MemTable::CopyStructure(const MemTable& other) {
  ClearFields();
  for (const auto& f : other.fields_) AddField(f);
}

// ---------------------------------------------------------------- life

void MemTable::CreateDataSet() {
  if (fields_.empty()) throw ModuleError("表 " + name_ + " 没有字段定义");
  rows_.clear();
  view_.clear();
  buffer_.clear();
  state_ = State::Browse;
  if (filtered_) filter_ = CompileFilter(filterText_);
  current_ = -1;
  bof_ = eof_ = true;
  NotifyActive();
  NotifyData();
  Scrolled();
}

void MemTable::Close() {
  if (!Active()) return;
  rows_.clear();
  view_.clear();
  buffer_.clear();
  state_ = State::Inactive;
  current_ = -1;
  bof_ = eof_ = true;
  NotifyActive();
}

void MemTable::CheckActive() const {
  if (!Active()) throw ModuleError("表 " + name_ + " 未打开");
}

// Leaves Edit or Insert state by posting, as the suite's datasets do before moving.
void MemTable::CheckBrowse(const char*) {
  CheckActive();
  if (state_ == State::Edit || state_ == State::Insert) Post();
}

// ---------------------------------------------------------------- navigation

int MemTable::RecNo() const {
  if (state_ == State::Insert) return RecordCount() + 1;
  return current_ < 0 ? 0 : current_ + 1;
}

void MemTable::SetCurrent(int pos, bool notify) {
  if (view_.empty()) {
    current_ = -1;
  } else {
    current_ = std::clamp(pos, 0, static_cast<int>(view_.size()) - 1);
  }
  if (notify) {
    NotifyCurrent();
    Scrolled();
  }
}

void MemTable::SetRecNo(int recNo) {
  CheckBrowse("SetRecNo");
  if (view_.empty()) return;
  int pos = std::clamp(recNo - 1, 0, RecordCount() - 1);
  bof_ = eof_ = false;
  if (pos == current_) return;
  SetCurrent(pos, true);
}

void MemTable::First() {
  CheckBrowse("First");
  bof_ = true;
  eof_ = view_.empty();
  SetCurrent(0, true);
}

void MemTable::Last() {
  CheckBrowse("Last");
  eof_ = true;
  bof_ = view_.empty();
  SetCurrent(RecordCount() - 1, true);
}

void MemTable::Next() {
  CheckBrowse("Next");
  bof_ = false;
  if (current_ + 1 >= RecordCount()) {
    eof_ = true;
    return;
  }
  eof_ = false;
  SetCurrent(current_ + 1, true);
}

void MemTable::Prior() {
  CheckBrowse("Prior");
  eof_ = false;
  if (current_ <= 0) {
    bof_ = true;
    return;
  }
  bof_ = false;
  SetCurrent(current_ - 1, true);
}

// ---------------------------------------------------------------- values

const MemTable::Row& MemTable::CurrentRow() const {
  return rows_[static_cast<size_t>(view_[static_cast<size_t>(current_)])];
}

const Variant& MemTable::Get(int field) const {
  CheckActive();
  if (field < 0 || field >= FieldCount()) throw ModuleError(name_ + ": 字段序号越界");
  if (state_ == State::Edit || state_ == State::Insert) return buffer_[static_cast<size_t>(field)];
  if (current_ < 0) return NullVariant();
  return CurrentRow()[static_cast<size_t>(field)];
}

std::string MemTable::GetText(std::string_view name) const { return Get(name).ToText(); }
double MemTable::GetFloat(std::string_view name) const { return Get(name).ToFloat(); }
int64_t MemTable::GetInt(std::string_view name) const { return Get(name).ToInt(); }

std::string MemTable::DisplayText(int field) const {
  const Variant& v = Get(field);
  const FieldDef& f = fields_[static_cast<size_t>(field)];
  if (!v.IsNull() && f.type == FieldType::Float && !f.displayFormat.empty())
    return FormatFloat(f.displayFormat, v.ToFloat());
  return v.ToText();
}

const Variant& MemTable::CellAt(int row, int field) const {
  if (row < 0 || row >= RecordCount() || field < 0 || field >= FieldCount()) return NullVariant();
  if (state_ == State::Edit && row == current_) return buffer_[static_cast<size_t>(field)];
  return rows_[static_cast<size_t>(view_[static_cast<size_t>(row)])][static_cast<size_t>(field)];
}

std::string MemTable::DisplayTextAt(int row, int field) const {
  const Variant& v = CellAt(row, field);
  if (v.IsNull()) return {};
  const FieldDef& f = fields_[static_cast<size_t>(field)];
  if (f.type == FieldType::Float && !f.displayFormat.empty()) return FormatFloat(f.displayFormat, v.ToFloat());
  return v.ToText();
}

Variant MemTable::Convert(int field, const Variant& value) const {
  const FieldDef& f = fields_[static_cast<size_t>(field)];
  if (value.IsNull()) return Variant();
  switch (f.type) {
    case FieldType::Text: {
      std::string t = value.ToText();
      if (f.size > 0 && t.size() > f.size) {
        // GBK never takes more bytes than UTF-8: only a longer UTF-8 text can overflow.
        if (GbkLength(t) > f.size) t = std::string(TruncateToGbkBytes(t, f.size));
      }
      return Variant(std::move(t));
    }
    case FieldType::Integer:
      if (value.IsText() && value.AsText().find_first_not_of(' ') == std::string::npos) return Variant();
      return Variant(value.ToInt());
    case FieldType::Float:
      if (value.IsText() && value.AsText().find_first_not_of(' ') == std::string::npos) return Variant();
      return Variant(value.ToFloat());
    case FieldType::Boolean:
      if (value.IsText() && value.AsText().find_first_not_of(' ') == std::string::npos) return Variant();
      return Variant(value.ToBool());
  }
  return Variant();
}

void MemTable::Set(int field, const Variant& value) {
  CheckActive();
  if (state_ != State::Edit && state_ != State::Insert)
    throw ModuleError(name_ + ": 数据集不在编辑或插入状态");
  if (field < 0 || field >= FieldCount()) throw ModuleError(name_ + ": 字段序号越界");
  if (const auto& check = fields_[static_cast<size_t>(field)].check) check(value);
  buffer_[static_cast<size_t>(field)] = Convert(field, value);
  if (state_ == State::Edit) NotifyRecord(current_);
}

// ---------------------------------------------------------------- editing

void MemTable::Append() {
  CheckBrowse("Append");
  buffer_.resize(fields_.size());
  for (size_t f = 0; f < fields_.size(); ++f) buffer_[f] = fields_[f].defaultValue;
  state_ = State::Insert;
  eof_ = true;
  NotifyCurrent();
  Scrolled();
}

void MemTable::Edit() {
  CheckActive();
  if (state_ == State::Edit || state_ == State::Insert) return;
  if (current_ < 0) {
    // Editing an empty table appends, as the suite's datasets do.
    Append();
    return;
  }
  buffer_ = CurrentRow();
  state_ = State::Edit;
}

void MemTable::Post() {
  CheckActive();
  if (state_ == State::Insert) {
    rows_.push_back(std::move(buffer_));
    buffer_.clear();
    state_ = State::Browse;
    int storage = static_cast<int>(rows_.size()) - 1;
    const Row& row = rows_.back();
    if (RowVisible(row)) {
      size_t pos = InsertPosition(row);
      view_.insert(view_.begin() + static_cast<std::ptrdiff_t>(pos), storage);
      current_ = static_cast<int>(pos);
    } else if (current_ >= RecordCount()) {
      current_ = RecordCount() - 1;
    }
    bof_ = eof_ = false;
    if (view_.empty()) bof_ = eof_ = true;
    NotifyData();
    if (afterPost) afterPost(*this);
    return;
  }
  if (state_ == State::Edit) {
    int storage = view_[static_cast<size_t>(current_)];
    rows_[static_cast<size_t>(storage)] = std::move(buffer_);
    buffer_.clear();
    state_ = State::Browse;
    const Row& row = rows_[static_cast<size_t>(storage)];
    const bool visible = RowVisible(row);
    // Without an index an edited row keeps its place; with one it moves to where it now sorts.
    if (!(visible && !ActiveIndex())) {
      view_.erase(view_.begin() + current_);
      if (visible) {
        size_t pos = InsertPosition(row);
        view_.insert(view_.begin() + static_cast<std::ptrdiff_t>(pos), storage);
        current_ = static_cast<int>(pos);
      } else if (current_ >= RecordCount()) {
        current_ = RecordCount() - 1;
      }
    }
    if (view_.empty()) bof_ = eof_ = true;
    NotifyData();
    if (afterPost) afterPost(*this);
  }
}

void MemTable::Cancel() {
  CheckActive();
  if (state_ == State::Insert) {
    buffer_.clear();
    state_ = State::Browse;
    eof_ = view_.empty();
    NotifyCurrent();
    Scrolled();
  } else if (state_ == State::Edit) {
    buffer_.clear();
    state_ = State::Browse;
    NotifyRecord(current_);
  }
}

void MemTable::Delete() {
  CheckActive();
  if (state_ == State::Insert) {
    Cancel();
    return;
  }
  if (state_ == State::Edit) {
    buffer_.clear();
    state_ = State::Browse;
  }
  if (current_ < 0) throw ModuleError(name_ + ": 不能对空数据集执行删除操作");
  int storage = view_[static_cast<size_t>(current_)];
  rows_.erase(rows_.begin() + storage);
  view_.erase(view_.begin() + current_);
  for (int& s : view_)
    if (s > storage) --s;
  if (current_ >= RecordCount()) current_ = RecordCount() - 1;
  bof_ = eof_ = view_.empty();
  NotifyData();
  Scrolled();
}

void MemTable::EmptyDataSet() {
  CheckActive();
  buffer_.clear();
  state_ = State::Browse;
  rows_.clear();
  view_.clear();
  current_ = -1;
  bof_ = eof_ = true;
  NotifyData();
  Scrolled();
}

// ---------------------------------------------------------------- filter

CompiledFilter MemTable::CompileFilter(std::string_view text) const {
  return CompiledFilter::Compile(text, [this](std::string_view name) -> std::optional<FilterFieldInfo> {
    int i = FieldIndex(name);
    if (i < 0) return std::nullopt;
    return FilterFieldInfo{i, fields_[static_cast<size_t>(i)].type};
  });
}

const Variant& MemTable::StoredCell(int storageRow, int field) const {
  if (storageRow < 0 || storageRow >= TotalRecordCount() || field < 0 || field >= FieldCount()) return NullVariant();
  return rows_[static_cast<size_t>(storageRow)][static_cast<size_t>(field)];
}

bool MemTable::StoredRowMatches(int storageRow, const CompiledFilter& filter) const {
  if (storageRow < 0 || storageRow >= TotalRecordCount()) return false;
  return filter.Matches(rows_[static_cast<size_t>(storageRow)].data());
}

void MemTable::SetFilter(std::string text) {
  if (filtered_ && Active()) {
    CompiledFilter f = CompileFilter(text);  // throws before anything changes
    CheckBrowse("SetFilter");
    filterText_ = std::move(text);
    filter_ = std::move(f);
    RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
    return;
  }
  filterText_ = std::move(text);
}

void MemTable::SetFiltered(bool on) {
  if (on == filtered_) return;
  if (on && Active()) {
    CompiledFilter f = CompileFilter(filterText_);
    CheckBrowse("SetFiltered");
    filter_ = std::move(f);
  }
  filtered_ = on;
  if (!on) filter_ = CompiledFilter();
  if (Active()) {
    if (on && filter_.Empty()) filter_ = CompileFilter(filterText_);
    CheckBrowse("SetFiltered");
    RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
  }
}

bool MemTable::RowVisible(const Row& row) const {
  if (!filtered_ || filter_.Empty()) return true;
  return filter_.Matches(row.data());
}

// ---------------------------------------------------------------- indexes

MemTable::IndexDef MemTable::ParseIndex(const std::string& name, const std::string& fields,
                                         const std::string& descFields, bool caseInsensitive) const {
  IndexDef def;
  def.name = name;
  def.caseInsensitive = caseInsensitive;
  auto names = SplitNames(fields);
  auto desc = SplitNames(descFields);
  if (names.empty()) throw ModuleError(name_ + ": 索引 " + name + " 没有字段");
  for (const auto& n : names) {
    def.fields.push_back(FieldIndexOrThrow(n));
    bool d = false;
    for (const auto& x : desc)
      if (EqualsNoCase(x, n)) d = true;
    def.descending.push_back(d);
  }
  return def;
}

void MemTable::AddIndex(const std::string& name, const std::string& fields, const std::string& descFields,
                        bool caseInsensitive) {
  IndexDef def = ParseIndex(name, fields, descFields, caseInsensitive);
  for (auto& idx : indexes_) {
    if (EqualsNoCase(idx.name, name)) {
      idx = std::move(def);
      if (EqualsNoCase(indexName_, name) && Active()) RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
      return;
    }
  }
  indexes_.push_back(std::move(def));
}

void MemTable::DeleteIndex(const std::string& name) {
  auto it = std::find_if(indexes_.begin(), indexes_.end(), [&](const IndexDef& d) { return EqualsNoCase(d.name, name); });
  if (it == indexes_.end()) return;
  indexes_.erase(it);
  if (EqualsNoCase(indexName_, name)) {
    indexName_.clear();
    if (Active()) RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
  }
}

bool MemTable::HasIndex(const std::string& name) const {
  return std::any_of(indexes_.begin(), indexes_.end(), [&](const IndexDef& d) { return EqualsNoCase(d.name, name); });
}

const MemTable::IndexDef* MemTable::ActiveIndex() const {
  if (adHocActive_) return &adHocIndex_;
  if (indexName_.empty()) return nullptr;
  for (const auto& d : indexes_)
    if (EqualsNoCase(d.name, indexName_)) return &d;
  return nullptr;
}

void MemTable::SetIndexName(const std::string& name) {
  if (!name.empty() && !HasIndex(name)) throw ModuleError(name_ + ": 找不到索引 '" + name + "'");
  if (Active()) CheckBrowse("SetIndexName");
  indexName_ = name;
  adHocActive_ = false;
  if (Active()) RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
}

void MemTable::SetIndexFieldNames(const std::string& fields) {
  if (Active()) CheckBrowse("SetIndexFieldNames");
  if (SplitNames(fields).empty()) {
    adHocActive_ = false;
  } else {
    adHocIndex_ = ParseIndex("", fields, "", false);
    adHocActive_ = true;
  }
  indexName_.clear();
  if (Active()) RebuildView(current_ >= 0 ? view_[static_cast<size_t>(current_)] : -1);
}

bool MemTable::LessInIndex(const IndexDef& idx, const Row& a, const Row& b) const {
  for (size_t k = 0; k < idx.fields.size(); ++k) {
    size_t f = static_cast<size_t>(idx.fields[k]);
    int c = CompareCells(a[f], b[f], idx.caseInsensitive);
    if (c != 0) return idx.descending[k] ? c > 0 : c < 0;
  }
  return false;
}

size_t MemTable::InsertPosition(const Row& row) const {
  const IndexDef* idx = ActiveIndex();
  if (!idx) return view_.size();
  // After every equal row: a new row goes behind the rows it ties with.
  auto it = std::upper_bound(view_.begin(), view_.end(), 0, [&](int, int s) {
    return LessInIndex(*idx, row, rows_[static_cast<size_t>(s)]);
  });
  return static_cast<size_t>(it - view_.begin());
}

void MemTable::RebuildView(int keepStorageRow) {
  view_.clear();
  view_.reserve(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i)
    if (RowVisible(rows_[i])) view_.push_back(static_cast<int>(i));
  if (const IndexDef* idx = ActiveIndex()) {
    // Texts are compared through precomputed sort keys: converting inside the comparator would
    // convert each text log(n) times.
    std::vector<std::vector<Variant>> keys(rows_.size());
    bool anyText = false;
    for (int f : idx->fields) anyText |= fields_[static_cast<size_t>(f)].type == FieldType::Text;
    if (anyText) {
      for (int s : view_) {
        auto& k = keys[static_cast<size_t>(s)];
        k.reserve(idx->fields.size());
        for (int f : idx->fields) {
          const Variant& v = rows_[static_cast<size_t>(s)][static_cast<size_t>(f)];
          if (v.IsText()) k.emplace_back(GbkSortKey(v.AsText(), idx->caseInsensitive));
          else k.push_back(v);
        }
      }
      std::stable_sort(view_.begin(), view_.end(), [&](int a, int b) {
        const auto& ka = keys[static_cast<size_t>(a)];
        const auto& kb = keys[static_cast<size_t>(b)];
        for (size_t i = 0; i < ka.size(); ++i) {
          const Variant& x = ka[i];
          const Variant& y = kb[i];
          int c;
          if (x.IsText() && y.IsText()) c = x.AsText() < y.AsText() ? -1 : (y.AsText() < x.AsText() ? 1 : 0);
          else c = CompareCells(x, y, false);
          if (c != 0) return idx->descending[i] ? c > 0 : c < 0;
        }
        return false;
      });
    } else {
      std::stable_sort(view_.begin(), view_.end(), [&](int a, int b) {
        return LessInIndex(*idx, rows_[static_cast<size_t>(a)], rows_[static_cast<size_t>(b)]);
      });
    }
  }
  int pos = 0;
  if (keepStorageRow >= 0) {
    auto it = std::find(view_.begin(), view_.end(), keepStorageRow);
    if (it != view_.end()) pos = static_cast<int>(it - view_.begin());
  }
  current_ = view_.empty() ? -1 : pos;
  bof_ = eof_ = view_.empty();
  NotifyData();
  Scrolled();
}

// ---------------------------------------------------------------- controls and notifications

void MemTable::DisableControls() { ++disableCount_; }

void MemTable::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ == 0 && pendingDataChange_) {
    pendingDataChange_ = false;
    auto ls = listeners_;
    for (auto* l : ls) l->OnDataChanged(*this);
  }
}

void MemTable::AddListener(MemTableListener* l) {
  if (std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void MemTable::RemoveListener(MemTableListener* l) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void MemTable::Scrolled() {
  if (afterScroll) afterScroll(*this);
}

void MemTable::NotifyData() {
  if (disableCount_ > 0) {
    pendingDataChange_ = true;
    return;
  }
  auto ls = listeners_;
  for (auto* l : ls) l->OnDataChanged(*this);
}

void MemTable::NotifyRecord(int row) {
  if (disableCount_ > 0) {
    pendingDataChange_ = true;
    return;
  }
  auto ls = listeners_;
  for (auto* l : ls) l->OnRecordChanged(*this, row);
}

void MemTable::NotifyCurrent() {
  if (disableCount_ > 0) {
    pendingDataChange_ = true;
    return;
  }
  auto ls = listeners_;
  for (auto* l : ls) l->OnCurrentChanged(*this);
}

void MemTable::NotifyActive() {
  if (disableCount_ > 0) {
    pendingDataChange_ = true;
  }
  auto ls = listeners_;
  for (auto* l : ls) l->OnActiveChanged(*this);
}

// ---------------------------------------------------------------- packets

std::string MemTable::ToPacket(bool withTableOnlyFields) const {
  CheckActive();
  std::vector<int> sent;
  std::vector<PacketField> fields;
  for (int i = 0; i < FieldCount(); ++i) {
    const FieldDef& f = fields_[static_cast<size_t>(i)];
    if (!f.inPacket && !withTableOnlyFields) continue;
    sent.push_back(i);
    fields.push_back({f.name, f.type, f.size});
  }
  PacketWriter w(fields);
  std::vector<Variant> cells(sent.size());
  auto emit = [&](const Row& r) {
    for (size_t k = 0; k < sent.size(); ++k) cells[k] = r[static_cast<size_t>(sent[k])];
    w.AddRow(cells);
  };
  for (const auto& r : rows_) emit(r);
  // A row being edited or appended is part of what the caller sees as the table's content.
  if (state_ == State::Insert) emit(buffer_);
  std::string bytes = w.Finish();
  if (state_ == State::Edit) {
    // Rewrite with the edit buffer in place of the stored row.
    PacketWriter w2(fields);
    int editStorage = view_[static_cast<size_t>(current_)];
    for (size_t i = 0; i < rows_.size(); ++i) {
      const Row& r = static_cast<int>(i) == editStorage ? buffer_ : rows_[i];
      for (size_t k = 0; k < sent.size(); ++k) cells[k] = r[static_cast<size_t>(sent[k])];
      w2.AddRow(cells);
    }
    bytes = w2.Finish();
  }
  return bytes;
}

void MemTable::LoadPacket(std::string_view bytes) {
  DecodedPacket p = DecodePacket(bytes);  // throws before anything changes
  if (fields_.empty()) {
    for (const auto& f : p.fields) {
      FieldDef d;
      d.name = f.name;
      d.type = f.type;
      d.size = f.size;
      AddField(std::move(d));
    }
  }
  // Map table fields to packet columns.
  std::vector<int> source(fields_.size(), -1);
  std::unordered_map<std::string, int> packetByName;
  for (size_t i = 0; i < p.fields.size(); ++i) packetByName.emplace(Lower(p.fields[i].name), static_cast<int>(i));
  for (size_t f = 0; f < fields_.size(); ++f) {
    auto it = packetByName.find(Lower(fields_[f].name));
    if (it != packetByName.end()) {
      source[f] = it->second;
    } else if (fields_[f].inPacket) {
      throw ModuleError(name_ + ": 数据包中没有字段 '" + fields_[f].name + "'");
    }
  }
  std::vector<Row> rows;
  rows.reserve(p.rows.size());
  bool sameLayout = p.fields.size() == fields_.size();
  for (size_t f = 0; sameLayout && f < fields_.size(); ++f)
    sameLayout = source[f] == static_cast<int>(f) && p.fields[f].type == fields_[f].type;
  for (auto& pr : p.rows) {
    if (sameLayout) {
      Row r = std::move(pr);
      // Sizes may still differ from what the text holds: keep every text within its field.
      for (size_t f = 0; f < fields_.size(); ++f)
        if (r[f].IsText() && fields_[f].size > 0 && r[f].AsText().size() > fields_[f].size) r[f] = Convert(static_cast<int>(f), r[f]);
      rows.push_back(std::move(r));
      continue;
    }
    Row r(fields_.size());
    for (size_t f = 0; f < fields_.size(); ++f) {
      if (source[f] < 0) {
        r[f] = fields_[f].defaultValue;
        continue;
      }
      Variant& cell = pr[static_cast<size_t>(source[f])];
      if (cell.IsNull()) continue;
      if (p.fields[static_cast<size_t>(source[f])].type == fields_[f].type &&
          !(cell.IsText() && fields_[f].size > 0 && cell.AsText().size() > fields_[f].size)) {
        r[f] = std::move(cell);
      } else {
        r[f] = Convert(static_cast<int>(f), cell);
      }
    }
    rows.push_back(std::move(r));
  }
  bool wasActive = Active();
  rows_ = std::move(rows);
  buffer_.clear();
  state_ = State::Browse;
  if (filtered_) filter_ = CompileFilter(filterText_);
  if (!wasActive) NotifyActive();
  RebuildView(-1);
  bof_ = true;
  eof_ = view_.empty();
}

// ---------------------------------------------------------------- searching

bool MemTable::Locate(std::string_view field, const Variant& value, bool caseInsensitive) {
  CheckBrowse("Locate");
  int f = FieldIndexOrThrow(field);
  Variant want = Convert(f, value);
  for (int i = 0; i < RecordCount(); ++i) {
    const Variant& v = rows_[static_cast<size_t>(view_[static_cast<size_t>(i)])][static_cast<size_t>(f)];
    bool eq = v == want;
    if (!eq && caseInsensitive && v.IsText() && want.IsText()) eq = EqualsNoCase(v.AsText(), want.AsText());
    if (eq) {
      bof_ = eof_ = false;
      if (i != current_) SetCurrent(i, true);
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- formatting

std::string FormatFloat(const std::string& format, double value) {
  // Sections: "pos;neg;zero" are not used by the module; only the first section is honoured.
  std::string fmt = format.substr(0, format.find(';'));
  size_t point = fmt.find('.');
  std::string intPart = point == std::string::npos ? fmt : fmt.substr(0, point);
  std::string fracPart = point == std::string::npos ? "" : fmt.substr(point + 1);
  int minFrac = 0, maxFrac = 0;
  for (char c : fracPart) {
    if (c == '0') { ++minFrac; ++maxFrac; }
    else if (c == '#') ++maxFrac;
  }
  bool thousands = intPart.find(',') != std::string::npos;
  int minInt = 0;
  for (char c : intPart)
    if (c == '0') ++minInt;
  // Prefix and suffix literals (e.g. "￥0.00" or "0.00元").
  size_t firstPh = fmt.find_first_of("0#");
  size_t lastPh = fmt.find_last_of("0#");
  std::string prefix = firstPh == std::string::npos ? fmt : fmt.substr(0, firstPh);
  std::string suffix = lastPh == std::string::npos ? "" : fmt.substr(lastPh + 1);
  if (firstPh == std::string::npos) return fmt;

  bool negative = value < 0;
  double a = std::fabs(value);
  // Decimal digits of the value at 15 significant digits, then half-up at maxFrac.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", a);
  std::string digits;
  int exp10 = 0;
  {
    std::string s(buf);
    size_t e = s.find('e');
    exp10 = std::atoi(s.c_str() + e + 1);
    for (size_t i = 0; i < e; ++i)
      if (s[i] >= '0' && s[i] <= '9') digits.push_back(s[i]);
  }
  // digits[0] is at 10^exp10. Build integer and fraction digit strings.
  int intDigits = exp10 + 1;
  std::string all = digits;
  // Position of the rounding cut: intDigits + maxFrac digits kept.
  int keep = intDigits + maxFrac;
  std::string kept;
  bool roundUp = false;
  if (keep < 0) {
    kept = "";
    roundUp = false;
  } else if (keep >= static_cast<int>(all.size())) {
    kept = all + std::string(static_cast<size_t>(keep - static_cast<int>(all.size())), '0');
  } else {
    kept = all.substr(0, static_cast<size_t>(keep));
    roundUp = all[static_cast<size_t>(keep)] >= '5';
  }
  if (roundUp) {
    int i = static_cast<int>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
    if (i >= 0) kept[static_cast<size_t>(i)]++;
    else { kept.insert(kept.begin(), '1'); ++intDigits; }
  }
  if (keep == 0 && roundUp && kept.empty()) { kept = "1"; intDigits = 1; }
  std::string ip, fp;
  if (intDigits > 0) {
    ip = kept.substr(0, std::min(kept.size(), static_cast<size_t>(intDigits)));
    fp = kept.size() > static_cast<size_t>(intDigits) ? kept.substr(static_cast<size_t>(intDigits)) : "";
  } else {
    ip = "";
    fp = std::string(static_cast<size_t>(-intDigits), '0') + kept;
    if (fp.size() > static_cast<size_t>(maxFrac)) fp = fp.substr(0, static_cast<size_t>(maxFrac));
  }
  while (ip.size() > 1 && ip[0] == '0') ip.erase(0, 1);
  if (ip == "0") ip.clear();
  while (static_cast<int>(ip.size()) < minInt) ip.insert(ip.begin(), '0');
  while (static_cast<int>(fp.size()) > minFrac && fp.back() == '0') fp.pop_back();
  if (thousands && ip.size() > 3) {
    std::string g;
    int n = 0;
    for (int i = static_cast<int>(ip.size()) - 1; i >= 0; --i) {
      g.insert(g.begin(), ip[static_cast<size_t>(i)]);
      if (++n % 3 == 0 && i > 0) g.insert(g.begin(), ',');
    }
    ip = g;
  }
  std::string out = ip;
  if (!fp.empty() || (point != std::string::npos && minFrac == 0 && maxFrac == 0)) out += "." + fp;
  bool allZero = std::all_of(out.begin(), out.end(), [](char c) { return c == '0' || c == '.' || c == ','; });
  if (negative && !allZero) out = "-" + out;
  return prefix + out + suffix;
}

}  // namespace pt
