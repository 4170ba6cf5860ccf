// Both import file formats from one file's bytes, read as the main window reads them (GBK unless
// a UTF-8 byte-order mark says otherwise). Code lists: the condition lists every distinct line,
// without the blanks around it, once, in the order met, each quoted so that it reads back
// exactly. Amount-controlled lines: a line is refused with the clerk's message, or gives at
// least nine items and the price of the ninth; queued into the print queue its texts stay whole
// characters within their sizes.
#include <set>

#include "common/GbkCodec.h"
#include "common/MemTable.h"
#include "common/TextFile.h"
#include "common/TextRoutines.h"
#include "queue/ProductQuery.h"
#include "queue/QueueRecord.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;

namespace {

// The quoted texts of " da.f_Spbm in ('a','b''c')", read as SQL reads them.
bool QuotedList(const std::string& condition, const std::string& head, std::vector<std::string>& out) {
  if (condition.compare(0, head.size(), head) != 0 || condition.back() != ')') return false;
  size_t i = head.size();
  const size_t end = condition.size() - 1;
  while (i < end) {
    if (!out.empty()) {
      if (condition[i] != ',') return false;
      ++i;
    }
    if (i >= end || condition[i] != '\'') return false;
    std::string text;
    for (++i;; ++i) {
      if (i >= end) return false;
      if (condition[i] == '\'') {
        if (i + 1 < end && condition[i + 1] == '\'') {
          text.push_back('\'');
          ++i;
          continue;
        }
        ++i;
        break;
      }
      text.push_back(condition[i]);
    }
    out.push_back(std::move(text));
  }
  return i == end;
}

MemTable& Queue() {
  static MemTable table("cdsSpda");
  static const bool filled = [] {
    queue::DefineQueueFields(table);
    table.CreateDataSet();
    return true;
  }();
  (void)filled;
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines = TextFileLines(fuzz::Bytes(data, size));

  queue::ImportCodeList list;
  std::vector<std::string> distinct;
  std::set<std::string> seen;
  for (const std::string& line : lines) {
    list.Add(line);
    const std::string code = Trim(line);  // blanks around a code are not part of it
    if (seen.insert(code).second) distinct.push_back(code);
  }
  FUZZ_CHECK(list.size() == distinct.size());
  if (!list.Empty()) {
    std::vector<std::string> quoted;
    FUZZ_CHECK(QuotedList(list.Condition(queue::CodeKind::Barcode), " tm.f_Sptm in (", quoted));
    FUZZ_CHECK(quoted == distinct);
  }

  MemTable& q = Queue();
  q.EmptyDataSet();
  int ordinal = 0;
  for (const std::string& raw : lines) {
    const std::string line = Trim(raw);
    if (line.empty()) continue;
    queue::AmountLine item;
    std::string message;
    const auto status = queue::ParseAmountLine(line, ordinal + 1, item, message);
    if (status == queue::AmountLineStatus::BadFormat) {
      FUZZ_CHECK(CountFields(line, ',') < 9 && !message.empty());
      break;
    }
    FUZZ_CHECK(item.items.size() >= 9 && static_cast<int>(item.items.size()) == CountFields(line, ','));
    for (const std::string& it : item.items) FUZZ_CHECK(it == Trim(it));
    if (status == queue::AmountLineStatus::BadPrice) {
      FUZZ_CHECK(!message.empty());
      break;
    }
    double price = 0;
    FUZZ_CHECK(TextToFloat(item.items[8], price) && price == item.price);
    // The main window queues the line field by field; texts are cut to their GBK sizes.
    const auto& it = item.items;
    q.Append();
    const char* fields[] = {"f_spbm", "f_spmc", "f_sphh", "f_sptm", "f_ggxh", nullptr, "f_spcd", "f_jldw"};
    for (size_t f = 0; f < 8; ++f)
      if (fields[f]) q.Set(fields[f], it[f]);
    q.Set("f_xsdj", item.price);
    q.Post();
    for (size_t f = 0; f < 8; ++f) {
      if (!fields[f]) continue;
      const std::string stored = q.GetText(fields[f]);
      FUZZ_CHECK(IsValidUtf8(stored) || !IsValidUtf8(it[f]));
      FUZZ_CHECK(it[f].compare(0, stored.size(), stored) == 0);  // a cut, never another text
    }
    ++ordinal;
  }
  return 0;
}
