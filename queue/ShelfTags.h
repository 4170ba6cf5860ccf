#pragma once
// The two product sources that read the log of printed tags (printing/PrintLog.h):
//   "价签与现价不符": products whose last printed tag shows a sale price, member price or a
//                    promotion (price or period, ordinary or member) other than what the product
//                    has now, on the server date;
//   "特价到期":       products whose last printed tag showed a promotion that has ended by the
//                    server date (its end date passed, or it is no longer in force), so that the
//                    tag comes down or is replaced.
// Like every source they ask the host's product query (the chosen departments, the query mode),
// replace the queue, and list a product never printed not at all. Each row listed carries what
// its tag showed beside what is true now, in the queue's fields "dyrz.*" (queue/QueueRecord.h).
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "common/Variant.h"
#include "host/HostService.h"
#include "printing/PrintLog.h"

namespace pt::queue {

enum class ShelfTagSource { Mismatch, ExpiredPromotion };

inline constexpr const char* kMismatchCaption = "价签与现价不符";
inline constexpr const char* kExpiredCaption = "特价到期";
inline constexpr const char* kNoMismatchedTags = "没有与现价不符的价签！";
inline constexpr const char* kNoExpiredTags = "没有特价到期的价签！";
const char* EmptyMessage(ShelfTagSource source);


// The product condition of a source: the products the log holds (with a promotion shown, for
// the expired ones).
std::string ShelfTagCondition(ShelfTagSource source);

// What a queue row holds now, read from its fields.
struct ProductNow {
  Variant salePrice, memberPrice;
  Variant promotionPrice, promotionStart, promotionEnd;                    // f_BqPt*
  Variant memberPromotionPrice, memberPromotionStart, memberPromotionEnd;  // f_BqHy*
};

// The items in which a tag differs from the product now, in the order 售价, 会员价, 特价,
// 会员特价, joined by "、"; "" when the tag is right. Only the items its template prints count.
// Prices are equal within 0.005 and present beyond it; a promotion differs in its presence,
// price, start or end.
std::string TagDifferences(const printing::LastTag& tag, const ProductNow& now);
// "特价到期", "会员特价到期" or both joined by "、" when a promotion the tag showed has ended by
// the date: its end date lies before it, or it had begun and the product now has no promotion of
// that kind in force or another one; "" otherwise. A tag printed ahead of its promotion has not
// ended.
std::string ExpiredPromotions(const printing::LastTag& tag, const ProductNow& now, const std::string& currentDate);

// Keeps of the product answer `found` (queue layout) the rows the source lists, each with its
// last tag beside it (matched by product and department), and replaces the queue's rows with
// them. Returns the number of rows.
int ReplaceWithListedRows(const MemTable& found, const std::vector<printing::LastTag>& tags, ShelfTagSource source,
                          const std::string& currentDate, MemTable& queue);

// The whole source: the log's last tags, the product query with the condition record, the rows
// listed. A database without the log table gives an empty queue. False, with the host's error
// list in `errors` and the queue untouched, when the host refused a request.
struct ShelfTagRequest {
  ShelfTagSource source = ShelfTagSource::Mismatch;
  int mode = 4;
  bool originalPrice = true;
  std::string deptSql;
  std::string currentDate;
};
bool FillFromShelfTags(HostService& host, MemTable& send, const ShelfTagRequest& request, MemTable& queue,
                       Variant& errors);

}  // namespace pt::queue
