#include "printing/PrintLog.h"

#include <charconv>
#include <cmath>

#include "common/GbkCodec.h"
#include "common/HostErrors.h"
#include "common/TextRoutines.h"
#include "host/HostOperations.h"
#include "queue/ProductQuery.h"
#include "queue/ProductSources.h"

namespace pt::printing {

namespace {

using queue::QuoteSql;

// A statement holds at most this many rows: the server refuses longer VALUES lists.
constexpr size_t kRowsPerStatement = 1000;

constexpr const char* kColumns =
    "f_dyxh,f_hh,f_spbm,f_bmbm,f_sptm,f_xsdj,f_yxsdj,f_hyj,f_tjjg,f_qsrq,f_jsrq,f_hytjjg,f_hytjqsrq,f_hytjjsrq,"
    "f_mbmc,f_zybm,f_zymc,f_gzz,f_dyrq,f_dysj,f_fs,f_xsxm";

// Text columns hold at most this many bytes on the server (GBK).
constexpr size_t kItemsBytes = 40, kCodeBytes = 15, kDeptBytes = 20, kBarcodeBytes = 20, kDateBytes = 8, kTemplateBytes = 100,
                 kOperatorCodeBytes = 20, kOperatorNameBytes = 40, kWorkstationBytes = 64;

std::string Text(const std::string& value, size_t bytes) {
  return "'" + QuoteSql(std::string(TruncateToGbkBytes(value, bytes))) + "'";
}

std::string Number(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// A price the label showed: NULL when it showed none.
std::string Price(const Variant& v) {
  if (v.IsNull()) return "NULL";
  const double d = v.ToFloat();
  return std::isfinite(d) ? Number(d) : "NULL";
}

std::string DateValue(const Variant& v) {
  if (v.IsNull()) return "NULL";
  return Text(Trim(v.ToText()), kDateBytes);
}

Variant Cell(const MemTable& t, std::string_view field) {
  const int f = t.FieldIndex(field);
  return f < 0 ? Variant() : t.Get(f);
}

std::string CellText(const MemTable& t, int row, int field) {
  return field < 0 || t.CellAt(row, field).IsNull() ? std::string() : t.CellAt(row, field).ToText();
}

long long CellInt(const MemTable& t, int row, int field) {
  if (field < 0 || t.CellAt(row, field).IsNull()) return 0;
  try {
    return t.CellAt(row, field).ToInt();
  } catch (const std::exception&) {
    return 0;
  }
}

// YYYYMMDDHHNNSS from the host's date-time text; "" when it holds no date.
std::string DateTimeDigits(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  if (digits.size() < 8) return {};
  digits.resize(14, '0');
  return digits;
}

// The host's lines under our heading; a line quoting a whole statement of a large job is cut,
// so that the message stays one the clerk can read.
std::string HostError(const Variant& ref) {
  constexpr size_t kLineBytes = 300;
  std::vector<std::string> lines;
  SplitText("\r\n", ComposeHostErrors(ref, kPrintLogFailed), lines);
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += "\r\n";
    const std::string_view kept = TruncateToGbkBytes(line, kLineBytes);
    out += kept;
    if (kept.size() < line.size()) out += "…";
  }
  return out;
}

}  // namespace

namespace {

// An item's word and the field that prints it.
struct TagItem {
  bool TagItems::*flag;
  const char* word;
  const char* field;
};
constexpr TagItem kTagItems[] = {{&TagItems::salePrice, "售价", "f_xsdj"},
                                 {&TagItems::previousPrice, "原价", "f_yxsdj"},
                                 {&TagItems::memberPrice, "会员价", "f_hyj"},
                                 {&TagItems::promotion, "特价", "f_tjjg"},
                                 {&TagItems::memberPromotion, "会员特价", "f_hytjjg"}};

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

TagItems ItemsShownBy(const report::ReportTemplate& t) {
  std::vector<std::pair<int, std::string>> fields;
  auto collect = [&](const report::Band& band) {
    for (const report::TemplateObject& o : band.objects) o.text.CollectFields(fields);
  };
  if (t.pageHeader) collect(*t.pageHeader);
  collect(t.masterData);
  if (t.pageFooter) collect(*t.pageFooter);
  TagItems items;
  for (const TagItem& item : kTagItems) {
    bool printed = false;
    for (const auto& f : fields) printed = printed || Lower(f.second) == item.field;
    items.*item.flag = printed;
  }
  return items;
}

std::string ItemsText(const TagItems& items) {
  std::string out;
  for (const TagItem& item : kTagItems)
    if (items.*item.flag) out += (out.empty() ? "" : ",") + std::string(item.word);
  return out;
}

TagItems ItemsFromText(const Variant& text) {
  TagItems items;
  if (text.IsNull()) return items;  // a row from before the items were kept
  std::vector<std::string> words;
  SplitText(",", text.ToText(), words);
  for (const TagItem& item : kTagItems) {
    bool found = false;
    for (const std::string& w : words) found = found || Trim(w) == item.word;
    items.*item.flag = found;
  }
  return items;
}

PrintedTag TagFromRecord(const MemTable& record, int copies, const TagItems& shown) {
  PrintedTag t;
  t.productCode = Cell(record, "f_Spbm").ToText();
  t.deptCode = DeptKey(Cell(record, "f_bmbm").ToText());
  t.barcode = Cell(record, "f_Sptm").ToText();
  t.salePrice = Cell(record, "f_Xsdj");
  t.previousPrice = Cell(record, "f_Yxsdj");
  t.memberPrice = Cell(record, "f_Hyj");
  t.promotionPrice = Cell(record, "f_Tjjg");
  t.promotionStart = Cell(record, "f_Qsrq");
  t.promotionEnd = Cell(record, "f_Jsrq");
  t.memberPromotionPrice = Cell(record, "f_HyTjjg");
  t.memberPromotionStart = Cell(record, "f_HytjQsrq");
  t.memberPromotionEnd = Cell(record, "f_HytjJsrq");
  // What the label does not print is not on the shelf.
  if (!shown.salePrice) t.salePrice = Variant();
  if (!shown.previousPrice) t.previousPrice = Variant();
  if (!shown.memberPrice) t.memberPrice = Variant();
  if (!shown.promotion) t.promotionPrice = t.promotionStart = t.promotionEnd = Variant();
  if (!shown.memberPromotion) t.memberPromotionPrice = t.memberPromotionStart = t.memberPromotionEnd = Variant();
  t.shown = shown;
  t.copies = copies;
  return t;
}

std::string DeptKey(const std::string& deptCode) { return Trim(deptCode); }

// ============================================================== writing

std::string CreatePrintLogSql() {
  return std::string("if not (exists (select 1 from syscolumns where id= object_id('") + kPrintLogTable +
         "')))   create table " + kPrintLogTable +
         " (f_dyxh int not null,f_hh int not null,f_spbm varchar(15) not null,"
         "f_bmbm varchar(20) not null default '',f_sptm varchar(20),"
         "f_xsdj float,f_yxsdj float,f_hyj float,f_tjjg float,f_qsrq varchar(8),f_jsrq varchar(8),"
         "f_hytjjg float,f_hytjqsrq varchar(8),f_hytjjsrq varchar(8),"
         "f_mbmc varchar(100) not null default '',f_zybm varchar(20) not null default '',"
         "f_zymc varchar(40) not null default '',f_gzz varchar(64) not null default '',"
         "f_dyrq varchar(8) not null,f_dysj varchar(14) not null,f_fs int not null,f_xsxm varchar(40),"
         "primary key (f_dyxh,f_gzz,f_hh),unique (f_spbm,f_bmbm,f_dyxh,f_gzz,f_hh))";
}

std::string LastJobNumberSql() { return std::string("select max(f_dyxh) f_dyxh from ") + kPrintLogTable; }

std::string InsertPrintLogSql(const PrintJob& job, long long jobNumber, const std::string& serverDateTime,
                              const std::vector<PrintedTag>& tags) {
  const std::string at = DateTimeDigits(serverDateTime);
  // What every row of the job shares.
  const std::string tail = "," + Text(job.templateName, kTemplateBytes) + "," +
                           Text(job.operatorCode, kOperatorCodeBytes) + "," +
                           Text(job.operatorName, kOperatorNameBytes) + "," + Text(job.workstation, kWorkstationBytes) +
                           ",'" + at.substr(0, 8) + "','" + at + "',";
  const std::string head = std::string("insert into ") + kPrintLogTable + " (" + kColumns + ") values ";
  std::string sql;
  for (size_t i = 0; i < tags.size(); ++i) {
    const PrintedTag& t = tags[i];
    if (i % kRowsPerStatement == 0) sql += (i ? ";" : "") + head;
    else sql += ",";
    sql += "(" + std::to_string(jobNumber) + "," + std::to_string(i + 1) + "," + Text(t.productCode, kCodeBytes) +
           "," + Text(DeptKey(t.deptCode), kDeptBytes) + "," + Text(t.barcode, kBarcodeBytes) + "," +
           Price(t.salePrice) + "," + Price(t.previousPrice) + "," + Price(t.memberPrice) + "," +
           Price(t.promotionPrice) + "," + DateValue(t.promotionStart) + "," + DateValue(t.promotionEnd) + "," +
           Price(t.memberPromotionPrice) + "," + DateValue(t.memberPromotionStart) + "," +
           DateValue(t.memberPromotionEnd) + tail + std::to_string(t.copies) + "," +
           Text(ItemsText(t.shown), kItemsBytes) + ")";
  }
  return sql;
}

std::string RecordPrintJob(HostService& host, const PrintJob& job, const std::vector<PrintedTag>& tags) {
  if (tags.empty()) return {};
  try {
    Variant create(CreatePrintLogSql());
    if (!host::ExecuteSql(host, create)) return HostError(create);

    Variant last;
    if (!host::OpenQuery(host, LastJobNumberSql(), last)) return HostError(last);
    if (!last.IsPacket()) return std::string(kPrintLogFailed) + "\r\n主机没有返回数据包";
    MemTable numbers;
    numbers.LoadPacket(last.AsPacket());
    long long jobNumber = 1;
    if (!numbers.IsEmpty() && !numbers.CellAt(0, 0).IsNull()) jobNumber = numbers.CellAt(0, 0).ToInt() + 1;

    Variant now;
    if (!host::GetServerDateTime(host, now)) return HostError(now);
    const std::string at = now.IsNull() ? std::string() : now.ToText();
    if (DateTimeDigits(at).empty()) return std::string(kPrintLogFailed) + "\r\n服务器日期时间无法识别：" + at;

    Variant insert(InsertPrintLogSql(job, jobNumber, at, tags));
    if (!host::ExecuteSql(host, insert)) return HostError(insert);
    return {};
  } catch (const std::exception& e) {
    return std::string(kPrintLogFailed) + "\r\n" + e.what();
  }
}

bool PricePresent(const Variant& price) {
  if (price.IsNull()) return false;
  try {
    return std::fabs(price.ToFloat()) > 0.005;
  } catch (const std::exception&) {
    return false;
  }
}

bool SamePrice(const Variant& a, const Variant& b) {
  const bool pa = PricePresent(a), pb = PricePresent(b);
  if (pa != pb) return false;
  return !pa || std::fabs(a.ToFloat() - b.ToFloat()) <= 0.005;
}

// ============================================================== reading

std::string PrintLogColumnsSql() {
  return std::string("select count(*) f_sl from syscolumns where id= object_id('") + kPrintLogTable + "')";
}

namespace {

constexpr const char* kTagColumns[] = {"f_spbm", "f_bmbm",    "f_sptm",    "f_xsdj", "f_hyj",  "f_tjjg", "f_qsrq",
                                       "f_jsrq", "f_hytjjg",  "f_hytjqsrq", "f_hytjjsrq", "f_mbmc", "f_zybm", "f_zymc",
                                       "f_gzz",  "f_dysj",    "f_dyxh",    "f_hh",   "f_fs", "f_xsxm"};

// "a.f_spbm,a.f_bmbm,..." ("f_spbm,..." without an alias).
std::string TagColumns(const std::string& alias) {
  std::string out;
  for (const char* c : kTagColumns) out += (out.empty() ? "" : ",") + (alias.empty() ? "" : alias + ".") + c;
  return out;
}

}  // namespace

std::string LastTagsSql(bool promotionsOnly) {
  std::string sql = "select " + TagColumns("r") + " from " + kPrintLogTable + " r,(select f_spbm,f_bmbm,max(f_dyxh) f_dyxh from " +
                    kPrintLogTable + " group by f_spbm,f_bmbm) m " +
                    "where r.f_spbm=m.f_spbm and r.f_bmbm=m.f_bmbm and r.f_dyxh=m.f_dyxh";
  if (promotionsOnly) sql += " and (abs(r.f_tjjg)>0.005 or abs(r.f_hytjjg)>0.005)";
  return sql;
}

std::string LastTagOfSql(const std::string& productCode, const std::string& deptCode) {
  return "select top 1 " + TagColumns("") + " from " + kPrintLogTable + " where f_spbm='" +
         QuoteSql(productCode) + "' and f_bmbm='" + QuoteSql(DeptKey(deptCode)) +
         "' order by f_dyxh desc,f_dysj desc,f_hh desc";
}

std::vector<LastTag> ReadLastTags(const MemTable& rows) {
  auto field = [&](std::string_view name) { return rows.FieldIndex(name); };
  const int spbm = field("f_spbm"), bmbm = field("f_bmbm"), sptm = field("f_sptm"), xsdj = field("f_xsdj"),
            hyj = field("f_hyj"), tjjg = field("f_tjjg"), qsrq = field("f_qsrq"), jsrq = field("f_jsrq"),
            hytjjg = field("f_hytjjg"), hyqsrq = field("f_hytjqsrq"), hyjsrq = field("f_hytjjsrq"),
            mbmc = field("f_mbmc"), zybm = field("f_zybm"), zymc = field("f_zymc"), gzz = field("f_gzz"),
            dysj = field("f_dysj"), dyxh = field("f_dyxh"), hh = field("f_hh"), fs = field("f_fs"),
            xsxm = field("f_xsxm");
  auto value = [&](int row, int f) { return f < 0 ? Variant() : rows.CellAt(row, f); };
  std::vector<LastTag> out;
  out.reserve(static_cast<size_t>(rows.RecordCount()));
  for (int r = 0; r < rows.RecordCount(); ++r) {
    LastTag t;
    t.productCode = CellText(rows, r, spbm);
    t.deptCode = DeptKey(CellText(rows, r, bmbm));
    t.barcode = CellText(rows, r, sptm);
    t.salePrice = value(r, xsdj);
    t.memberPrice = value(r, hyj);
    t.promotionPrice = value(r, tjjg);
    t.promotionStart = value(r, qsrq);
    t.promotionEnd = value(r, jsrq);
    t.memberPromotionPrice = value(r, hytjjg);
    t.memberPromotionStart = value(r, hyqsrq);
    t.memberPromotionEnd = value(r, hyjsrq);
    t.templateName = CellText(rows, r, mbmc);
    t.operatorCode = CellText(rows, r, zybm);
    t.operatorName = CellText(rows, r, zymc);
    t.workstation = CellText(rows, r, gzz);
    t.printedAt = CellText(rows, r, dysj);
    t.jobNumber = CellInt(rows, r, dyxh);
    t.row = CellInt(rows, r, hh);
    t.copies = static_cast<int>(CellInt(rows, r, fs));
    t.shown = ItemsFromText(value(r, xsxm));
    out.push_back(std::move(t));
  }
  return out;
}

std::string PrintedAtText(const std::string& printedAt) {
  if (printedAt.size() < 12) return printedAt;
  for (char c : printedAt)
    if (c < '0' || c > '9') return printedAt;
  return printedAt.substr(0, 4) + "-" + printedAt.substr(4, 2) + "-" + printedAt.substr(6, 2) + " " +
         printedAt.substr(8, 2) + ":" + printedAt.substr(10, 2);
}

std::string PriceText(const Variant& price) {
  if (price.IsNull()) return {};
  double v = 0;
  try {
    v = price.ToFloat();
  } catch (const std::exception&) {
    return price.ToText();
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

namespace {

std::string Period(const Variant& start, const Variant& end) {
  auto shown = [](const Variant& d) {
    const std::string text = d.IsNull() ? std::string() : Trim(d.ToText());
    const std::string dashed = queue::ToShortDate(text);
    return dashed.empty() ? text : dashed;
  };
  return shown(start) + "至" + shown(end);
}

}  // namespace

std::string LastTagLine(const std::optional<LastTag>& tag) {
  if (!tag) return "上次打印：无";
  std::string line = "上次打印：" + PrintedAtText(tag->printedAt);
  if (tag->shown.salePrice)
    line += "　售价 " + (PricePresent(tag->salePrice) ? PriceText(tag->salePrice) : std::string("无"));
  if (PricePresent(tag->memberPrice)) line += "　会员价 " + PriceText(tag->memberPrice);
  if (PricePresent(tag->promotionPrice))
    line += "　特价 " + PriceText(tag->promotionPrice) + "（" + Period(tag->promotionStart, tag->promotionEnd) + "）";
  if (PricePresent(tag->memberPromotionPrice))
    line += "　会员特价 " + PriceText(tag->memberPromotionPrice) + "（" +
            Period(tag->memberPromotionStart, tag->memberPromotionEnd) + "）";
  line += "　模板：" + tag->templateName;
  line += "　打印人：" + (tag->operatorName.empty() ? tag->operatorCode : tag->operatorName + "(" + tag->operatorCode + ")");
  return line;
}

}  // namespace pt::printing
