#include "hostapp/ProductQuery.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "common/GbkCodec.h"
#include "common/ModuleError.h"
#include "hostapp/SqlDialect.h"

namespace pt::hostapp {

namespace {

using FT = FieldType;

// Codes compare as the database compares them: without case, trailing blanks ignored.
std::string Key(std::string_view code) {
  std::string k = AsciiLower(code);
  while (!k.empty() && k.back() == ' ') k.pop_back();
  return k;
}

std::string Date8(const std::string& s) { return s.substr(0, std::min<size_t>(8, s.size())); }

std::optional<double> OptFloat(const Statement& st, int c) {
  if (st.IsNull(c)) return std::nullopt;
  return st.Float(c);
}

Variant V(const std::optional<double>& d) { return d ? Variant(*d) : Variant(); }
Variant VText(const std::optional<std::string>& s) { return s ? Variant(*s) : Variant(); }

std::optional<std::string> OptText(const Statement& st, int c) {
  if (st.IsNull(c)) return std::nullopt;
  return st.Text(c);
}

// ---- rows of the tables behind a queue row -----------------------------------------------

struct Candidate {
  std::string spbm;
  std::optional<std::string> sptm;
  double dwbl = 1;
  int64_t xh = 0;
  std::string bmbm;  // department of the row (from dept), empty without a department SELECT
  std::optional<std::string> bmmc;
};

struct Barcode {
  std::optional<std::string> sptm;
  double dwbl = 1;
  int64_t xh = 0;
};

struct QueueRow {
  std::string spbm;
  std::string bmbm;
  std::optional<std::string> bmmc;
  Barcode code;
};

struct Dated {
  int64_t rowid = 0;
  std::string bmbm;  // key form
  std::string qsrq, jsrq;  // first 8 characters; empty when open
};

struct Promotion : Dated {
  int64_t tjlx = 0;
  std::optional<std::string> qsrqText, jsrqText;
  std::optional<double> xsdj, q7;
  std::optional<std::string> jgfs, lxbm, lxmc, dqbm;
};

struct TimedSale : Dated {
  std::optional<std::string> jgfs, qsrqText, jsrqText, qssj, jssj, lxbm, lxmc, dqbm;
  std::optional<double> xlsl, sdxl, xdsl, xsdj, q7;
  std::optional<int64_t> xc;
};

struct Quantity : Dated {
  std::optional<double> xsdj;
  std::optional<std::string> zpl, jgfs, qsrqText, jsrqText;
  std::optional<int64_t> plsl;
};

bool InForce(const Dated& d, const std::string& today) {
  return (d.qsrq.empty() || d.qsrq <= today) && (d.jsrq.empty() || d.jsrq >= today);
}

bool Applies(const Dated& d, const std::string& rowDept) { return rowDept.empty() || d.bmbm.empty() || d.bmbm == rowDept; }

// A row of the row's own department beats one for every department; without a department
// SELECT the general row beats the department-specific ones.
int Preference(const Dated& d, const std::string& rowDept) {
  return rowDept.empty() ? (d.bmbm.empty() ? 1 : 0) : (d.bmbm == rowDept ? 1 : 0);
}

// The one in force on `today` (latest start first), or else the next to start.
template <class T>
const T* PickCurrentOrNext(const std::vector<T>& rows, const std::string& rowDept, const std::string& today,
                           bool allowNext, const std::function<bool(const T&)>& accept = nullptr) {
  const T* current = nullptr;
  const T* next = nullptr;
  for (const T& r : rows) {
    if (!Applies(r, rowDept) || (accept && !accept(r))) continue;
    if (InForce(r, today)) {
      if (!current || std::make_tuple(Preference(r, rowDept), r.qsrq, r.rowid) >
                          std::make_tuple(Preference(*current, rowDept), current->qsrq, current->rowid))
        current = &r;
    } else if (!r.qsrq.empty() && r.qsrq > today) {
      if (!next || std::make_tuple(r.qsrq, -Preference(r, rowDept), r.rowid) <
                       std::make_tuple(next->qsrq, -Preference(*next, rowDept), next->rowid))
        next = &r;
    }
  }
  return current ? current : (allowNext ? next : nullptr);
}

template <class T>
const T* PickNext(const std::vector<T>& rows, const std::string& rowDept, const std::string& today,
                  const std::function<bool(const T&)>& accept) {
  const T* next = nullptr;
  for (const T& r : rows) {
    if (!Applies(r, rowDept) || !accept(r)) continue;
    if (!r.qsrq.empty() && r.qsrq > today &&
        (!next || std::make_tuple(r.qsrq, -Preference(r, rowDept), r.rowid) <
                      std::make_tuple(next->qsrq, -Preference(*next, rowDept), next->rowid)))
      next = &r;
  }
  return next;
}

std::string Quote(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// Barcode order inside one product: package ratio ascending, main barcode first, then code.
bool BarcodeBefore(const Barcode& a, const Barcode& b) {
  if (a.dwbl != b.dwbl) return a.dwbl < b.dwbl;
  if ((a.xh == 1) != (b.xh == 1)) return a.xh == 1;
  return a.sptm.value_or("") < b.sptm.value_or("");
}

// The row of a product's base unit among the given barcodes: its main barcode when present,
// else the first barcode of the smallest ratio.
const Barcode& BaseBarcode(const std::vector<Barcode>& codes) {
  for (const Barcode& b : codes)
    if (b.xh == 1) return b;
  return codes.front();  // sorted by BarcodeBefore
}

// The products of one request. A few codes go into a temporary table the detail queries join
// with; for a large selection the detail tables are read whole and filtered here, which is
// cheaper than one index probe per code.
class Selection {
 public:
  static constexpr size_t kJoinLimit = 2000;

  Selection(HostDatabase& db, const std::vector<std::string>& codes) : db_(db), small_(codes.size() <= kJoinLimit) {
    if (!small_) {
      for (const std::string& c : codes) keys_.insert(Key(c));
      return;
    }
    db_.backend().FillSelection(codes);
  }
  ~Selection() {
    if (!small_) return;
    try {
      db_.ExecNative("DELETE FROM pt_sel");
    } catch (...) {
    }
  }

  // The FROM clause reading `table` as `alias` for the selected codes in column `key`.
  std::string From(const std::string& table, const char* alias, const char* key) const {
    if (!small_) return " FROM " + table + " " + alias + " ";
    // SQLite's CROSS JOIN keeps the selection as the outer loop.
    const char* join = db_.kind() == Backend::Sqlite ? " CROSS JOIN " : " JOIN ";
    return " FROM pt_sel s" + std::string(join) + table + " " + alias + " ON " + alias + "." + key + "=s.f_spbm ";
  }
  bool Wants(const std::string& key) const { return small_ || keys_.count(key) > 0; }

 private:
  HostDatabase& db_;
  bool small_;
  std::unordered_set<std::string> keys_;
};

std::string OptionalColumn(HostDatabase& db, const char* table, const char* alias, const char* column) {
  return db.ColumnExists(table, column) ? std::string(alias) + "." + column : std::string("NULL");
}

}  // namespace

// ---- packet layouts -------------------------------------------------------------------------

const std::vector<PacketField>& QueueFields() {
  static const std::vector<PacketField> fields = {
      {"f_bmbm", FT::Text, 20},        {"f_bmmc", FT::Text, 20},        {"f_Spbm", FT::Text, 15},
      {"f_Spmc", FT::Text, 60},        {"f_Sphh", FT::Text, 15},        {"f_Spcd", FT::Text, 12},
      {"f_Ggxh", FT::Text, 20},        {"f_sppp", FT::Text, 20},        {"f_Jldw", FT::Text, 10},
      {"f_spbz", FT::Text, 255},       {"f_bzq", FT::Integer, 0},       {"f_Xsdj", FT::Float, 0},
      {"f_Yxsdj", FT::Float, 0},       {"f_hyj", FT::Float, 0},         {"f_Jdrq", FT::Text, 8},
      {"f_Sptm", FT::Text, 15},        {"f_dwbl", FT::Float, 0},        {"f_BqPtQsrq", FT::Text, 8},
      {"f_BqPtJsrq", FT::Text, 8},     {"f_BqPtXsdj", FT::Float, 0},    {"f_Bqq7yxsdj", FT::Float, 0},
      {"f_BqHyQsrq", FT::Text, 8},     {"f_BqHyJsrq", FT::Text, 8},     {"f_BqHyXsdj", FT::Float, 0},
      {"f_XqPtQsrq", FT::Text, 8},     {"f_XqPtJsrq", FT::Text, 8},     {"f_XqPtXsdj", FT::Float, 0},
      {"f_Xqq7yxsdj", FT::Float, 0},   {"f_XqHyQsrq", FT::Text, 8},     {"f_XqHyJsrq", FT::Text, 8},
      {"f_XqHyXsdj", FT::Float, 0},    {"f_Kc", FT::Float, 0},          {"f_Pljg", FT::Float, 0},
      {"f_zpl", FT::Text, 1},          {"f_Plsl", FT::Integer, 0},      {"f_Plfs", FT::Text, 6},
      {"f_Plqsrq", FT::Text, 8},       {"f_Pljsrq", FT::Text, 8},       {"xsxl.f_jgfs", FT::Text, 20},
      {"xsxl.f_qsrq", FT::Text, 8},    {"xsxl.f_jsrq", FT::Text, 8},    {"xsxl.f_qssj", FT::Text, 4},
      {"xsxl.f_jssj", FT::Text, 4},    {"xsxl.f_xlsl", FT::Float, 0},   {"xsxl.f_sdxl", FT::Float, 0},
      {"xsxl.f_xdsl", FT::Float, 0},   {"xsxl.f_xsdj", FT::Float, 0},   {"xsxl.f_q7yxsdj", FT::Float, 0},
      {"xsxl.f_xc", FT::Integer, 0},   {"f_Bqjgfs", FT::Text, 20},      {"f_Xqjgfs", FT::Text, 20},
      {"f_zDwbl", FT::Float, 0},       {"f_zjbz", FT::Float, 0},        {"bqpttj.f_lxbm", FT::Text, 20},
      {"bqpttj.f_lxmc", FT::Text, 20}, {"bqpttj.f_dqbm", FT::Text, 20}, {"xqpttj.f_lxbm", FT::Text, 20},
      {"xqpttj.f_lxmc", FT::Text, 20}, {"xqpttj.f_dqbm", FT::Text, 20}, {"xsxl.f_lxbm", FT::Text, 20},
      {"xsxl.f_lxmc", FT::Text, 20},   {"xsxl.f_dqbm", FT::Text, 20},   {"f_jyzt", FT::Text, 50},
      {"f_dhfs", FT::Text, 50},
  };
  return fields;
}

const std::vector<PacketField>& HistoryFields() {
  static const std::vector<PacketField> fields = {
      {"f_Qsrq", FT::Text, 8}, {"f_jsrq", FT::Text, 8}, {"f_Xsdj", FT::Float, 0}, {"f_q7yxsdj", FT::Float, 0}};
  return fields;
}

ProductCondition ReadCondition(const Variant& ref) {
  if (!ref.IsPacket()) throw ModuleError("查询条件必须是数据包");
  DecodedPacket p = DecodePacket(ref.AsPacket());
  if (p.rows.empty()) throw ModuleError("查询条件数据包中没有记录");
  ProductCondition c;
  bool haveTj = false;
  for (size_t f = 0; f < p.fields.size(); ++f) {
    std::string name = AsciiLower(p.fields[f].name);
    const Variant& v = p.rows[0][f];
    if (name == "f_tj") {
      c.tj = v.ToText();
      haveTj = true;
    } else if (name == "f_yxsdj") {
      c.yxsdj = v.ToText();
    } else if (name == "f_deptsql") {
      c.deptSql = v.ToText();
    }
  }
  if (!haveTj) throw ModuleError("查询条件数据包中缺少字段 f_Tj");
  return c;
}

// ---- modes 1, 2, 3, 4, 7 ---------------------------------------------------------------------

std::string QueryQueueRows(HostDatabase& db, int mode, const ProductCondition& cond) {
  const std::string today = db.clock().Date();
  const std::string month = db.clock().Month();
  const bool hasDept = !Key(cond.deptSql).empty();
  auto trimmed = [](const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s;
  };

  // 1. The (product, barcode, department) rows the condition admits. Only leaf rows of the
  // product master are products (f_Mj = 1; the others are its category rows).
  std::string sql = "SELECT da.f_Spbm, tm.f_Sptm, tm.f_dwbl, tm.f_xh";
  sql += hasDept ? ", dept.f_bmbm, pt_bm.f_bmmc" : ", NULL, NULL";
  sql += " FROM tbSpda da LEFT JOIN tbSptm tm ON tm.f_Spbm=da.f_Spbm";
  if (hasDept)
    sql += " JOIN (\n" + cond.deptSql + "\n) dept ON dept.f_bmbm=da.f_bmbm LEFT JOIN tbbmda pt_bm ON pt_bm.f_bmbm=dept.f_bmbm";
  sql += " WHERE da.f_Mj=1";
  if (!trimmed(cond.tj).empty()) sql += " AND (\n" + cond.tj + "\n)";
  sql += " ORDER BY 1, 5";
  std::string native;
  try {
    native = TranslateFragment(sql, db.kind() == Backend::Postgres ? Dialect::Postgres : Dialect::Sqlite);
  } catch (const DialectError& e) {
    throw SqlError(e.what(), cond.tj);
  }

  std::vector<std::pair<QueueRow, std::vector<Barcode>>> groups;  // one per (product, department)
  {
    Statement st(db, native, "QueryProducts: " + cond.tj);
    while (st.Step()) {
      Candidate c;
      c.spbm = st.Text(0);
      c.sptm = OptText(st, 1);
      c.dwbl = st.IsNull(2) ? 1.0 : st.Float(2);
      c.xh = st.IsNull(3) ? 0 : st.Int(3);
      c.bmbm = hasDept ? st.Text(4) : std::string();
      c.bmmc = OptText(st, 5);
      if (groups.empty() || Key(groups.back().first.spbm) != Key(c.spbm) || Key(groups.back().first.bmbm) != Key(c.bmbm)) {
        QueueRow r;
        r.spbm = c.spbm;
        r.bmbm = c.bmbm;
        r.bmmc = c.bmmc;
        groups.push_back({r, {}});
      }
      auto& codes = groups.back().second;
      if (!c.sptm) continue;
      bool dup = std::any_of(codes.begin(), codes.end(), [&](const Barcode& b) { return Key(*b.sptm) == Key(*c.sptm); });
      if (!dup) codes.push_back(Barcode{c.sptm, c.dwbl, c.xh});
    }
  }

  // Everything read about one selected product.
  struct Product {
    std::vector<Variant> master = std::vector<Variant>(14);
    Variant status;
    std::vector<Promotion> promotions;
    std::vector<TimedSale> timed;
    std::vector<Quantity> quantity;
    Variant stock;                              // all departments
    std::map<std::string, double> stockByDept;  // department key -> stock
    Variant previous;
    bool previousFound = false;
    std::vector<Barcode> barcodes;              // mode 7: all of them
  };
  std::vector<std::string> codes;
  std::unordered_map<std::string, size_t> index;
  for (const auto& g : groups)
    if (index.emplace(Key(g.first.spbm), codes.size()).second) codes.push_back(g.first.spbm);
  std::vector<Product> products(codes.size());
  auto find = [&](const std::string& code) -> Product* {
    auto it = index.find(Key(code));
    return it == index.end() ? nullptr : &products[it->second];
  };
  Selection selection(db, codes);

  // Mode 7 labels the product, not the barcode the condition happened to match.
  if (mode == 7) {
    Statement st(db, "SELECT tm.f_Spbm, tm.f_Sptm, tm.f_dwbl, tm.f_xh" + selection.From("tbSptm", "tm", "f_Spbm"));
    while (st.Step())
      if (Product* p = find(st.Text(0))) p->barcodes.push_back(Barcode{st.Text(1), st.IsNull(2) ? 1.0 : st.Float(2), st.Int(3)});
  }

  // 2. The rows each mode asks for.
  std::vector<QueueRow> rows;
  std::vector<size_t> rowProduct;
  for (auto& group : groups) {
    // Named references, not a structured binding: clang 14 cannot capture one in a lambda.
    const QueueRow& base = group.first;
    auto& found = group.second;
    size_t pi = index[Key(base.spbm)];
    std::vector<Barcode> bc = mode == 7 ? products[pi].barcodes : found;
    std::sort(bc.begin(), bc.end(), BarcodeBefore);
    auto emit = [&](const Barcode& b) {
      QueueRow r = base;
      r.code = b;
      rows.push_back(std::move(r));
      rowProduct.push_back(pi);
    };
    if (bc.empty()) {
      emit(Barcode{std::nullopt, 1.0, 0});
      continue;
    }
    switch (mode) {
      case 1:  // every barcode of every package unit
        for (const Barcode& b : bc) emit(b);
        break;
      case 2: {  // every barcode of the base package unit
        double unit = BaseBarcode(bc).dwbl;
        for (const Barcode& b : bc)
          if (b.dwbl == unit) emit(b);
        break;
      }
      case 3: {  // one barcode per package unit
        for (size_t i = 0; i < bc.size(); ++i) {
          if (i > 0 && bc[i].dwbl == bc[i - 1].dwbl) continue;
          size_t pick = i;
          for (size_t j = i; j < bc.size() && bc[j].dwbl == bc[i].dwbl; ++j)
            if (bc[j].xh == 1) pick = j;
          emit(bc[pick]);
        }
        break;
      }
      default:  // 4 and 7: one row per product
        emit(BaseBarcode(bc));
        break;
    }
  }

  // 3. What the rows show, read for the whole selection at once.
  {
    Statement st(db,
                 "SELECT da.f_Spbm, f_Spmc, f_Sphh, f_Spcd, f_Ggxh, f_sppp, f_Jldw, f_spbz, f_bzq, f_Xsdj, f_hyj, "
                 "f_Jdrq, f_zDwbl, f_zjbz, f_dhfs" + selection.From("tbSpda", "da", "f_Spbm"));
    while (st.Step())
      if (Product* p = find(st.Text(0)))
        for (int c = 1; c < 15; ++c) p->master[static_cast<size_t>(c - 1)] = st.Value(c);
  }
  {
    Statement st(db, "SELECT k.f_spbm, z.f_jyztmc" + selection.From("tblsdkz", "k", "f_spbm") +
                         "LEFT JOIN tbspjyztda z ON z.f_jyztbm=k.f_jyztbm");
    while (st.Step())
      if (Product* p = find(st.Text(0)); p && !st.IsNull(1)) p->status = st.Text(1);
  }
  {
    std::string q7 = OptionalColumn(db, "tbsptj", "t", "f_q7yxsdj");
    Statement st(db,
                 "SELECT " + db.backend().RowOrder("t") + ", t.f_spbm, t.f_bmbm, t.f_tjlx, t.f_qsrq, t.f_jsrq, t.f_xsdj, t.f_jgfs, t.f_lxbm, lx.f_lxmc, "
                 "t.f_dqbm, " + q7 + selection.From("tbsptj", "t", "f_spbm") +
                     "LEFT JOIN tbtjlxda lx ON lx.f_lxbm=t.f_lxbm "
                     "WHERE t.f_tjlx IN (0,1) AND (coalesce(t.f_jsrq,'')='' OR substr(t.f_jsrq,1,8)>=?1)");
    st.Bind(1, today);
    while (st.Step()) {
      Product* prod = find(st.Text(1));
      if (!prod) continue;
      Promotion p;
      p.rowid = st.Int(0);
      p.bmbm = Key(st.Text(2));
      p.tjlx = st.Int(3);
      p.qsrqText = OptText(st, 4);
      p.jsrqText = OptText(st, 5);
      p.qsrq = Date8(p.qsrqText.value_or(""));
      p.jsrq = Date8(p.jsrqText.value_or(""));
      p.xsdj = OptFloat(st, 6);
      p.jgfs = OptText(st, 7);
      p.lxbm = OptText(st, 8);
      p.lxmc = OptText(st, 9);
      p.dqbm = OptText(st, 10);
      p.q7 = OptFloat(st, 11);
      prod->promotions.push_back(std::move(p));
    }
  }
  {
    std::string q7 = OptionalColumn(db, "tbxsxl", "x", "f_q7yxsdj");
    Statement st(db,
                 "SELECT " + db.backend().RowOrder("x") + ", x.f_spbm, x.f_bmbm, x.f_jgfs, x.f_qsrq, x.f_jsrq, x.f_qssj, x.f_jssj, x.f_xlsl, x.f_sdxl, "
                 "x.f_xdsl, x.f_xsdj, x.f_xc, x.f_lxbm, lx.f_lxmc, x.f_dqbm, " + q7 + selection.From("tbxsxl", "x", "f_spbm") +
                     "LEFT JOIN tbtjlxda lx ON lx.f_lxbm=x.f_lxbm "
                     "WHERE coalesce(x.f_jsrq,'')='' OR substr(x.f_jsrq,1,8)>=?1");
    st.Bind(1, today);
    while (st.Step()) {
      Product* prod = find(st.Text(1));
      if (!prod) continue;
      TimedSale t;
      t.rowid = st.Int(0);
      t.bmbm = Key(st.Text(2));
      t.jgfs = OptText(st, 3);
      t.qsrqText = OptText(st, 4);
      t.jsrqText = OptText(st, 5);
      t.qsrq = Date8(t.qsrqText.value_or(""));
      t.jsrq = Date8(t.jsrqText.value_or(""));
      t.qssj = OptText(st, 6);
      t.jssj = OptText(st, 7);
      t.xlsl = OptFloat(st, 8);
      t.sdxl = OptFloat(st, 9);
      t.xdsl = OptFloat(st, 10);
      t.xsdj = OptFloat(st, 11);
      if (!st.IsNull(12)) t.xc = st.Int(12);
      t.lxbm = OptText(st, 13);
      t.lxmc = OptText(st, 14);
      t.dqbm = OptText(st, 15);
      t.q7 = OptFloat(st, 16);
      prod->timed.push_back(std::move(t));
    }
  }
  {
    Statement st(db, "SELECT " + db.backend().RowOrder("p") + ", p.f_spbm, p.f_bmbm, p.f_xsdj, p.f_zpl, p.f_plsl, p.f_jgfs, p.f_qsrq, p.f_jsrq" +
                         selection.From("tbPlzj", "p", "f_spbm") + "WHERE coalesce(p.f_jsrq,'')='' OR substr(p.f_jsrq,1,8)>=?1");
    st.Bind(1, today);
    while (st.Step()) {
      Product* prod = find(st.Text(1));
      if (!prod) continue;
      Quantity q;
      q.rowid = st.Int(0);
      q.bmbm = Key(st.Text(2));
      q.xsdj = OptFloat(st, 3);
      q.zpl = OptText(st, 4);
      if (!st.IsNull(5)) q.plsl = st.Int(5);
      q.jgfs = OptText(st, 6);
      q.qsrqText = OptText(st, 7);
      q.jsrqText = OptText(st, 8);
      q.qsrq = Date8(q.qsrqText.value_or(""));
      q.jsrq = Date8(q.jsrqText.value_or(""));
      prod->quantity.push_back(std::move(q));
    }
  }
  // Stock of the current month, per department and in all.
  {
    Statement st(db, "SELECT y.f_Spbm, y.f_bmbm, Round(Sum(f_Qcsl+f_Jhsl+f_Brsl+f_Sysl+f_Pssl-f_Xssl-f_Bcsl-f_Shsl-f_Phsl),2)" +
                         selection.From("tb" + month + "_Yhj", "y", "f_Spbm") + "GROUP BY y.f_Spbm, y.f_bmbm",
                 "QueryProducts: stock of tb" + month + "_Yhj");
    while (st.Step()) {
      Product* prod = find(st.Text(0));
      if (!prod) continue;
      double q = st.Float(2);
      prod->stock = (prod->stock.IsNull() ? 0.0 : prod->stock.AsFloat()) + q;
      if (hasDept) prod->stockByDept[Key(st.Text(1))] += q;
    }
  }
  // Previous sale price: the old price of the latest price change up to the server date, looked
  // up in the price-change logs of this month and the eleven before it.
  if (cond.yxsdj == "1") {
    size_t found = 0;
    for (int back = 0; back < 12 && found < codes.size(); ++back) {
      std::string table = "tb" + AddMonths(month, -back) + "_tjrz";
      if (!db.TableExists(table)) continue;
      Statement st(db, "SELECT t.f_Spbm, t.f_yxsdj" + selection.From(table, "t", "f_Spbm") +
                           "WHERE substr(t.f_Tjrq,1,8)<=?1 AND t.f_yxsdj IS NOT NULL ORDER BY t.f_Tjrq, " +
                           db.backend().RowOrder("t"));
      st.Bind(1, today);
      std::vector<Product*> foundNow;
      while (st.Step()) {
        Product* prod = find(st.Text(0));
        if (!prod || prod->previousFound) continue;  // a later month already gave it
        if (prod->previous.IsNull()) foundNow.push_back(prod);
        prod->previous = st.Float(1);  // rows come oldest first: the last one wins
      }
      for (Product* prod : foundNow) prod->previousFound = true;
      found += foundNow.size();
    }
  }

  // 4. The packet.
  const auto& fields = QueueFields();
  PacketWriter w(fields);
  for (size_t ri = 0; ri < rows.size(); ++ri) {
    const QueueRow& r = rows[ri];
    const Product& prod = products[rowProduct[ri]];
    std::string dept = Key(r.bmbm);
    const std::vector<Variant>& m = prod.master;
    const auto& promos = prod.promotions;
    std::function<bool(const Promotion&)> ordinary = [](const Promotion& p) { return p.tjlx == 0; };
    std::function<bool(const Promotion&)> member = [](const Promotion& p) { return p.tjlx == 1; };
    const Promotion* bqPt = PickCurrentOrNext<Promotion>(promos, dept, today, false, ordinary);
    const Promotion* bqHy = PickCurrentOrNext<Promotion>(promos, dept, today, false, member);
    const Promotion* xqPt = PickNext<Promotion>(promos, dept, today, ordinary);
    const Promotion* xqHy = PickNext<Promotion>(promos, dept, today, member);
    const TimedSale* xs = PickCurrentOrNext<TimedSale>(prod.timed, dept, today, true);
    const Quantity* pl = PickCurrentOrNext<Quantity>(prod.quantity, dept, today, true);

    Variant stock = prod.stock;
    if (!r.bmbm.empty()) {
      auto s = prod.stockByDept.find(dept);
      stock = s != prod.stockByDept.end() ? Variant(s->second) : Variant();
    }
    const Variant& prev = prod.previous;
    const Variant& jyzt = prod.status;

    std::vector<Variant> cells;
    cells.reserve(fields.size());
    cells.push_back(r.bmbm.empty() ? Variant() : Variant(r.bmbm));                      // f_bmbm
    cells.push_back(VText(r.bmmc));                                                     // f_bmmc
    cells.push_back(r.spbm);                                                            // f_Spbm
    for (int i = 0; i < 7; ++i) cells.push_back(m[static_cast<size_t>(i)]);             // f_Spmc .. f_spbz
    cells.push_back(m[7]);                                                              // f_bzq
    cells.push_back(m[8]);                                                              // f_Xsdj
    cells.push_back(prev);                                                              // f_Yxsdj
    cells.push_back(m[9]);                                                              // f_hyj
    cells.push_back(m[10]);                                                             // f_Jdrq
    cells.push_back(VText(r.code.sptm));                                                // f_Sptm
    cells.push_back(r.code.dwbl);                                                       // f_dwbl
    auto promoCells = [&](const Promotion* p, bool withQ7) {
      cells.push_back(p ? VText(p->qsrqText) : Variant());
      cells.push_back(p ? VText(p->jsrqText) : Variant());
      cells.push_back(p ? V(p->xsdj) : Variant());
      if (withQ7) cells.push_back(p ? V(p->q7) : Variant());
    };
    promoCells(bqPt, true);   // f_BqPt*, f_Bqq7yxsdj
    promoCells(bqHy, false);  // f_BqHy*
    promoCells(xqPt, true);   // f_XqPt*, f_Xqq7yxsdj
    promoCells(xqHy, false);  // f_XqHy*
    cells.push_back(stock);                                                             // f_Kc
    cells.push_back(pl ? V(pl->xsdj) : Variant());                                      // f_Pljg
    cells.push_back(pl ? VText(pl->zpl) : Variant());                                   // f_zpl
    cells.push_back(pl && pl->plsl ? Variant(static_cast<long long>(*pl->plsl)) : Variant());  // f_Plsl
    cells.push_back(pl ? VText(pl->jgfs) : Variant());                                  // f_Plfs
    cells.push_back(pl ? VText(pl->qsrqText) : Variant());                              // f_Plqsrq
    cells.push_back(pl ? VText(pl->jsrqText) : Variant());                              // f_Pljsrq
    cells.push_back(xs ? VText(xs->jgfs) : Variant());                                  // xsxl.f_jgfs
    cells.push_back(xs ? VText(xs->qsrqText) : Variant());
    cells.push_back(xs ? VText(xs->jsrqText) : Variant());
    cells.push_back(xs ? VText(xs->qssj) : Variant());
    cells.push_back(xs ? VText(xs->jssj) : Variant());
    cells.push_back(xs ? V(xs->xlsl) : Variant());
    cells.push_back(xs ? V(xs->sdxl) : Variant());
    cells.push_back(xs ? V(xs->xdsl) : Variant());
    cells.push_back(xs ? V(xs->xsdj) : Variant());
    cells.push_back(xs ? V(xs->q7) : Variant());
    cells.push_back(xs && xs->xc ? Variant(static_cast<long long>(*xs->xc)) : Variant());  // xsxl.f_xc
    cells.push_back(bqPt ? VText(bqPt->jgfs) : Variant());                              // f_Bqjgfs
    cells.push_back(xqPt ? VText(xqPt->jgfs) : Variant());                              // f_Xqjgfs
    cells.push_back(m[11]);                                                             // f_zDwbl
    cells.push_back(m[12]);                                                             // f_zjbz
    for (const Promotion* p : {bqPt, xqPt}) {                                           // bqpttj.*, xqpttj.*
      cells.push_back(p ? VText(p->lxbm) : Variant());
      cells.push_back(p ? VText(p->lxmc) : Variant());
      cells.push_back(p ? VText(p->dqbm) : Variant());
    }
    cells.push_back(xs ? VText(xs->lxbm) : Variant());                                  // xsxl.f_lxbm
    cells.push_back(xs ? VText(xs->lxmc) : Variant());
    cells.push_back(xs ? VText(xs->dqbm) : Variant());
    cells.push_back(jyzt);                                                              // f_jyzt
    cells.push_back(m[13]);                                                             // f_dhfs
    // Texts longer than their field are cut at a character boundary, as a sized column holds them.
    for (size_t f = 0; f < fields.size(); ++f)
      if (fields[f].type == FT::Text && fields[f].size > 0 && cells[f].IsText() && GbkLength(cells[f].AsText()) > fields[f].size)
        cells[f] = Variant(std::string(TruncateToGbkBytes(cells[f].AsText(), fields[f].size)));
    w.AddRow(cells);
  }
  return w.Finish();
}

// ---- modes 5 and 6 -----------------------------------------------------------------------------

std::string QueryPromotionHistory(HostDatabase& db, bool member, const ProductCondition& cond) {
  std::string q7 = OptionalColumn(db, "tbsptj", "t", "f_q7yxsdj");
  std::string dept = Key(cond.deptSql);
  std::string sql = "SELECT t.f_qsrq, t.f_jsrq, t.f_xsdj, " + q7 + " FROM tbsptj t WHERE t.f_spbm=?1 AND t.f_tjlx=?2";
  if (!dept.empty()) sql += " AND (coalesce(t.f_bmbm,'')='' OR t.f_bmbm=?3)";
  sql += " ORDER BY t.f_qsrq DESC, " + db.backend().RowOrder("t") + " DESC";
  std::string code = cond.tj;
  while (!code.empty() && code.back() == ' ') code.pop_back();
  while (!code.empty() && code.front() == ' ') code.erase(0, 1);
  Statement st(db, sql, "QueryProducts " + std::to_string(member ? 6 : 5) + ": " + Quote(code));
  st.Bind(1, code).Bind(2, member ? 1 : 0);
  if (!dept.empty()) st.Bind(3, dept);
  PacketWriter w(HistoryFields());
  while (st.Step()) w.AddRow({st.Value(0), st.Value(1), st.Value(2), st.Value(3)});
  return w.Finish();
}

}  // namespace pt::hostapp
