#include "queue/ShelfTags.h"

#include <map>
#include <utility>

#include "common/DataPacket.h"
#include "common/ModuleError.h"
#include "common/TextRoutines.h"
#include "host/HostOperations.h"
#include "queue/QueueFill.h"
#include "queue/QueueRecord.h"

namespace pt::queue {

namespace {

using printing::LastTag;
using printing::PricePresent;
using printing::SamePrice;

std::string DateText(const Variant& d) { return d.IsNull() ? std::string() : Trim(d.ToText()).substr(0, 8); }

// A promotion as the queue shows it: "9.90 20241201-20241215"; "" when there is none.
std::string PromotionText(const Variant& price, const Variant& start, const Variant& end) {
  if (!PricePresent(price)) return {};
  return printing::PriceText(price) + " " + DateText(start) + "-" + DateText(end);
}

bool SamePromotion(const Variant& priceA, const Variant& startA, const Variant& endA, const Variant& priceB,
                   const Variant& startB, const Variant& endB) {
  if (!SamePrice(priceA, priceB)) return false;
  if (!PricePresent(priceA)) return true;  // neither shows one
  return DateText(startA) == DateText(startB) && DateText(endA) == DateText(endB);
}

// The tag's promotion has ended by the date (see ExpiredPromotions).
bool Ended(const Variant& tagPrice, const Variant& tagStart, const Variant& tagEnd, const Variant& nowPrice,
           const Variant& nowStart, const std::string& date) {
  if (!PricePresent(tagPrice)) return false;
  const std::string end = DateText(tagEnd), start = DateText(tagStart);
  if (!end.empty() && end < date) return true;
  if (!start.empty() && start > date) return false;  // printed ahead of it
  return !PricePresent(nowPrice) || DateText(nowStart) != start;
}

void Join(std::string& list, const char* item) {
  if (!list.empty()) list += "、";
  list += item;
}

// Products and departments are matched as the server compares codes: blanks at the end and
// letter case do not count.
std::string Key(const std::string& product, const std::string& dept) {
  auto fold = [](std::string s) {
    s = TrimRight(s);
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  return fold(product) + '\t' + fold(printing::DeptKey(dept));
}

// The later of two tags of one product and department: the higher job, then the later print,
// then the later row of the job.
bool Later(const LastTag& a, const LastTag& b) {
  if (a.jobNumber != b.jobNumber) return a.jobNumber > b.jobNumber;
  if (a.printedAt != b.printedAt) return a.printedAt > b.printedAt;
  return a.row > b.row;
}

}  // namespace

const char* EmptyMessage(ShelfTagSource source) {
  return source == ShelfTagSource::Mismatch ? kNoMismatchedTags : kNoExpiredTags;
}

std::string ShelfTagCondition(ShelfTagSource source) {
  std::string inner = std::string("select f_spbm from ") + printing::kPrintLogTable;
  if (source == ShelfTagSource::ExpiredPromotion) inner += " where abs(f_tjjg)>0.005 or abs(f_hytjjg)>0.005";
  return " da.f_Spbm in (" + inner + ") ";
}

std::string TagDifferences(const LastTag& tag, const ProductNow& now) {
  // A price the tag's template does not print cannot be wrong on the shelf.
  std::string items;
  if (tag.shown.salePrice && !SamePrice(tag.salePrice, now.salePrice)) Join(items, "售价");
  if (tag.shown.memberPrice && !SamePrice(tag.memberPrice, now.memberPrice)) Join(items, "会员价");
  if (tag.shown.promotion && !SamePromotion(tag.promotionPrice, tag.promotionStart, tag.promotionEnd,
                                            now.promotionPrice, now.promotionStart, now.promotionEnd))
    Join(items, "特价");
  if (tag.shown.memberPromotion &&
      !SamePromotion(tag.memberPromotionPrice, tag.memberPromotionStart, tag.memberPromotionEnd,
                     now.memberPromotionPrice, now.memberPromotionStart, now.memberPromotionEnd))
    Join(items, "会员特价");
  return items;
}

std::string ExpiredPromotions(const LastTag& tag, const ProductNow& now, const std::string& currentDate) {
  std::string items;
  if (Ended(tag.promotionPrice, tag.promotionStart, tag.promotionEnd, now.promotionPrice, now.promotionStart,
            currentDate))
    Join(items, "特价到期");
  if (Ended(tag.memberPromotionPrice, tag.memberPromotionStart, tag.memberPromotionEnd, now.memberPromotionPrice,
            now.memberPromotionStart, currentDate))
    Join(items, "会员特价到期");
  return items;
}

int ReplaceWithListedRows(const MemTable& found, const std::vector<LastTag>& tags, ShelfTagSource source,
                          const std::string& currentDate, MemTable& queue) {
  std::map<std::string, const LastTag*> last;
  for (const LastTag& t : tags) {
    const LastTag*& slot = last[Key(t.productCode, t.deptCode)];
    if (!slot || Later(t, *slot)) slot = &t;
  }

  // The answer's rows in the queue's layout, the tag fields filled: the queue takes them whole.
  std::vector<PacketField> fields;
  std::vector<int> from;
  for (int f = 0; f < queue.FieldCount(); ++f) {
    const FieldDef& d = queue.Field(f);
    fields.push_back({d.name, d.type, d.size});
    from.push_back(found.FieldIndex(d.name));
  }
  auto at = [&](const char* name) { return queue.FieldIndexOrThrow(name); };
  const int differs = at(kDiffersField), tagPrice = at(kTagPriceField), tagMember = at(kTagMemberPriceField),
            tagPromotion = at(kTagPromotionField), nowPromotion = at(kNowPromotionField),
            tagMemberPromotion = at(kTagMemberPromotionField), nowMemberPromotion = at(kNowMemberPromotionField),
            printed = at(kTagPrintedField), copies = queue.FieldIndex(kCopiesField);
  auto in = [&](const char* name) { return found.FieldIndexOrThrow(name); };
  const int spbm = in("f_Spbm"), bmbm = in("f_bmbm"), xsdj = in("f_Xsdj"), hyj = in("f_hyj"),
            ptPrice = in("f_BqPtXsdj"), ptStart = in("f_BqPtQsrq"), ptEnd = in("f_BqPtJsrq"),
            hyPrice = in("f_BqHyXsdj"), hyStart = in("f_BqHyQsrq"), hyEnd = in("f_BqHyJsrq");

  PacketWriter writer(fields);
  std::vector<Variant> cells(fields.size());
  int kept = 0;
  for (int r = 0; r < found.RecordCount(); ++r) {
    const Variant& code = found.CellAt(r, spbm);
    const Variant& dept = found.CellAt(r, bmbm);
    const auto it = last.find(Key(code.IsNull() ? "" : code.ToText(), dept.IsNull() ? "" : dept.ToText()));
    if (it == last.end()) continue;  // never printed
    const LastTag& tag = *it->second;
    ProductNow now;
    now.salePrice = found.CellAt(r, xsdj);
    now.memberPrice = found.CellAt(r, hyj);
    now.promotionPrice = found.CellAt(r, ptPrice);
    now.promotionStart = found.CellAt(r, ptStart);
    now.promotionEnd = found.CellAt(r, ptEnd);
    now.memberPromotionPrice = found.CellAt(r, hyPrice);
    now.memberPromotionStart = found.CellAt(r, hyStart);
    now.memberPromotionEnd = found.CellAt(r, hyEnd);
    const std::string listed = source == ShelfTagSource::Mismatch ? TagDifferences(tag, now)
                                                                  : ExpiredPromotions(tag, now, currentDate);
    if (listed.empty()) continue;

    for (size_t f = 0; f < fields.size(); ++f) cells[f] = from[f] < 0 ? Variant() : found.CellAt(r, from[f]);
    if (copies >= 0 && cells[static_cast<size_t>(copies)].IsNull()) cells[static_cast<size_t>(copies)] = Variant(1);
    auto set = [&](int f, Variant v) { cells[static_cast<size_t>(f)] = std::move(v); };
    set(differs, Variant(listed));
    set(tagPrice, tag.salePrice);
    set(tagMember, tag.memberPrice);
    set(tagPromotion, Variant(PromotionText(tag.promotionPrice, tag.promotionStart, tag.promotionEnd)));
    set(nowPromotion, Variant(PromotionText(now.promotionPrice, now.promotionStart, now.promotionEnd)));
    set(tagMemberPromotion,
        Variant(PromotionText(tag.memberPromotionPrice, tag.memberPromotionStart, tag.memberPromotionEnd)));
    set(nowMemberPromotion,
        Variant(PromotionText(now.memberPromotionPrice, now.memberPromotionStart, now.memberPromotionEnd)));
    set(printed, Variant(printing::PrintedAtText(tag.printedAt)));
    writer.AddRow(cells);
    ++kept;
  }
  queue.LoadPacket(writer.Finish());
  return kept;
}

bool FillFromShelfTags(HostService& host, MemTable& send, const ShelfTagRequest& request, MemTable& queue,
                       Variant& errors) {
  auto packetOf = [](const Variant& ref) -> const std::string& {
    if (!ref.IsPacket()) throw ModuleError("主机没有返回数据包");
    return ref.AsPacket();
  };
  // A database that never printed has no log: nothing is listed.
  Variant columns;
  if (!host::OpenQuery(host, printing::PrintLogColumnsSql(), columns)) {
    errors = columns;
    return false;
  }
  MemTable count;
  count.LoadPacket(packetOf(columns));
  if (count.IsEmpty() || count.CellAt(0, 0).IsNull() || count.CellAt(0, 0).ToInt() == 0) {
    MemTable none;
    none.CopyStructure(queue);
    none.CreateDataSet();
    ReplaceWithListedRows(none, {}, request.source, request.currentDate, queue);
    return true;
  }

  Variant lastRef;
  if (!host::OpenQuery(host, printing::LastTagsSql(request.source == ShelfTagSource::ExpiredPromotion), lastRef)) {
    errors = lastRef;
    return false;
  }
  MemTable lastRows;
  lastRows.LoadPacket(packetOf(lastRef));
  const std::vector<LastTag> tags = printing::ReadLastTags(lastRows);

  Variant ref = ConditionPacket(send, ShelfTagCondition(request.source), request.originalPrice, request.deptSql);
  if (!host::QueryProducts(host, request.mode, ref)) {
    errors = ref;
    return false;
  }
  MemTable found("cdsTemp");
  found.CopyStructure(queue);
  found.LoadPacket(packetOf(ref));
  ReplaceWithListedRows(found, tags, request.source, request.currentDate, queue);
  return true;
}

}  // namespace pt::queue
