#include "queue/RFRequests.h"

#include <chrono>
#include <random>

#include <cmath>

#include "common/GbkCodec.h"
#include "queue/ProductQuery.h"

namespace pt::queue {

namespace {

// Characters of a UTF-8 text whose first GBK byte lies at positions [from, from + count), counted
// from 1: what a byte-wise copy of the stored text gives, without ever splitting a character.
std::string GbkCopy(const std::string& utf8, size_t from, size_t count) {
  std::string out;
  size_t position = 1;  // GBK position of the character at i
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > utf8.size()) length = utf8.size() - i;
    if (position >= from + count) break;
    if (position >= from) out.append(utf8, i, length);
    position += lead < 0x80 ? 1 : 2;
    i += length;
  }
  return out;
}

std::string ListSql(const std::string& clause) {
  return "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,Count(*) f_Count from tbRFBjq RF,tbZyda Zyda "
         "Where RF.f_Zybm=Zyda.f_Zybm " +
         clause + "Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj ";
}

std::string BatchWhere(const std::string& employee, const std::string& batchTime) {
  return "WHERE f_Zybm='" + QuoteSql(employee) + "' and f_Sj='" + QuoteSql(batchTime) + "' ";
}

}  // namespace

std::string RfExclusionClause(const std::string& today) {
  const std::string t = QuoteSql(today);
  return "And RF.f_Spbm not in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') " +
         "And RF.f_Spbm not in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + t + "' and abs(f_xsdj)>0.005 ) " +
         "And RF.f_Spbm not in (Select f_Spbm from tbPlzj) ";
}

std::string RfBatchListSql(RfList list, const std::string& today) {
  const std::string t = QuoteSql(today);
  switch (list) {
    case RfList::Normal: return ListSql(RfExclusionClause(today));
    case RfList::Special: return ListSql("And RF.f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') ");
    case RfList::TimedSale:
      return "Select RF.f_Zybm f_Zybm,Zyda.f_Zymc f_Zymc,RF.f_Sj f_Sj,count(distinct x.f_spbm) f_Count,x.f_xc from "
             "tbRFBjq RF,tbZyda Zyda,tbxsxl x Where RF.f_Zybm=Zyda.f_Zybm and rf.f_spbm=x.f_spbm and f_Jsrq>='" +
             t + "' and abs(f_xsdj)>0.005 and f_xc in (0,1) " + "Group by RF.f_Zybm,Zyda.f_Zymc,RF.f_Sj,x.f_xc ";
    case RfList::Quantity: return ListSql("And RF.f_Spbm in (Select f_Spbm from tbPlzj) ");
  }
  return {};
}

std::string RfRowLabel(RfList list, const std::string& saleKind) {
  switch (list) {
    case RfList::Normal: return kRfNormalPrice;
    case RfList::Special: return kRfSpecialPrice;
    case RfList::TimedSale:
      if (saleKind == "0") return kRfFlashSale;
      if (saleKind == "1") return kRfMemberSale;
      return saleKind;
    case RfList::Quantity: return kRfQuantityPrice;
  }
  return {};
}

std::optional<std::string> RfTransferClause(const std::string& label, const std::string& today) {
  const std::string t = QuoteSql(today);
  if (label == kRfNormalPrice)
    return "And f_Spbm not in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') " +
           "And f_Spbm not in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + t + "' and abs(f_xsdj)>0.005 ) " +
           "And f_Spbm not in (Select f_Spbm from tbPlzj) ";
  if (label == kRfSpecialPrice) return "And f_Spbm in (Select f_Spbm from tbSptj Where f_Jsrq>='" + t + "') ";
  if (label == kRfFlashSale || label == kRfMemberSale)
    return "And f_Spbm in (Select f_Spbm from tbxsxl Where f_Jsrq>='" + t + "' " +
           "and abs(f_xsdj)>0.005 and f_xc=" + (label == kRfFlashSale ? "0" : "1") + " ) ";
  if (label == kRfQuantityPrice) return std::string("And f_Spbm in (Select f_Spbm from tbPlzj) ");
  return std::nullopt;
}

std::string RfBatchSelectSql(const std::string& employee, const std::string& batchTime, const std::string& clause) {
  return "SELECT f_Spbm FROM tbRFBjq " + BatchWhere(employee, batchTime) + clause;
}

std::string RfClaimSql(const std::string& employee, const std::string& batchTime, const std::string& clause,
                       const std::string& tag) {
  return "Update tbRFbjq set f_Zybm='" + QuoteSql(tag) + "' " + BatchWhere(employee, batchTime) + clause;
}

std::string RfReleaseSql(const std::string& employee, const std::string& batchTime, const std::string& tag) {
  return "Update tbRFbjq set f_Zybm='" + QuoteSql(employee) + "' " + BatchWhere(tag, batchTime);
}

std::string RfNewClaimTag() {
  static const char kChars[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
  static std::mt19937_64 rng{std::random_device{}() ^
                             static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  std::string tag = "#";
  while (tag.size() < 8) tag += kChars[rng() % (sizeof kChars - 1)];
  return tag;
}

std::string RfBatchDeleteSql(const std::string& employee, const std::string& batchTime, const std::string& clause,
                             const std::vector<std::string>& keep) {
  std::string sql = "Delete from tbRFbjq " + BatchWhere(employee, batchTime) + clause;
  if (!keep.empty()) {
    sql += "And f_Spbm not in (";
    for (size_t i = 0; i < keep.size(); ++i) sql += (i ? ",'" : "'") + QuoteSql(keep[i]) + "'";
    sql += ") ";
  }
  return sql;
}

std::string RfBatchTimeText(const std::string& batchTime) {
  return GbkCopy(batchTime, 1, 4) + "." + GbkCopy(batchTime, 5, 2) + "." + GbkCopy(batchTime, 7, 2) + " " +
         GbkCopy(batchTime, 9, 2) + ":" + GbkCopy(batchTime, 11, 2) + ":" + GbkCopy(batchTime, 13, 2);
}

RfChooserRow RfRowFromRecord(const MemTable& result, RfList list) {
  RfChooserRow row;
  row.employee = result.GetText("f_Zybm");
  row.name = result.GetText("f_Zymc");
  row.batchTime = result.GetText("f_Sj");
  row.shownTime = RfBatchTimeText(row.batchTime);
  row.label = RfRowLabel(list, list == RfList::TimedSale ? result.GetText("f_xc") : std::string());
  const Variant& count = result.Get("f_Count");
  if (count.IsNumber())
    row.count = std::to_string(std::llround(count.ToFloat()));
  else
    row.count = std::to_string(count.ToInt());  // text that is no number throws ModuleError
  return row;
}

void PrepareRfBatchKeys(MemTable& keys) {
  if (keys.FieldCount() == 0) {
    keys.AddField("f_Zybm", FieldType::Text, 8);
    keys.AddField("f_Zymc", FieldType::Text, 8);
    keys.AddField("f_Sj", FieldType::Text, 14);
  }
  if (!keys.Active()) keys.CreateDataSet();
}

}  // namespace pt::queue
