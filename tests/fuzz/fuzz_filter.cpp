// The filter language over the print queue's fields. A text either fails to compile with a
// FilterError or compiles; a compiled filter decides every row, in parentheses the same way, and
// NOT of it is its exact negation (nulls included). The table's own filter shows exactly the rows
// that match.
#include "common/FilterExpression.h"
#include "common/MemTable.h"
#include "queue/QueueRecord.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;

namespace {

MemTable& Queue() {
  static MemTable table("cdsSpda");
  static const bool filled = [] {
    queue::DefineQueueFields(table);
    table.CreateDataSet();
    struct Row { const char* spbm; const char* spmc; Variant xsdj; const char* sptm; };
    const Row rows[] = {{"000101", "可口可乐", 3.5, "6901234567892"},
                        {"000102", "康师傅红烧牛肉面", 4.5, "6901234567908"},
                        {"A0301", "红富士苹果", 12.8, ""},
                        {"a0302", "", Variant(), "2000000000015"},
                        {"000103", "停售饼干 ", 0.0, "6900000000021"}};
    for (const Row& r : rows) {
      table.Append();
      table.Set("f_spbm", r.spbm);
      if (*r.spmc) table.Set("f_spmc", r.spmc);
      table.Set("f_xsdj", r.xsdj);
      table.Set("f_sptm", r.sptm);
      table.Post();
    }
    return true;
  }();
  (void)filled;
  return table;
}

bool Compile(MemTable& t, const std::string& text, CompiledFilter& out) {
  try {
    out = t.CompileFilter(text);
    return true;
  } catch (const FilterError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemTable& t = Queue();
  const std::string text(fuzz::Bytes(data, size));
  CompiledFilter filter;
  if (!Compile(t, text, filter)) return 0;
  if (filter.Empty()) return 0;  // a blank text: every row
  CompiledFilter grouped, negated;
  const bool haveGrouped = Compile(t, "(" + text + ")", grouped);
  const bool haveNegated = Compile(t, "NOT (" + text + ")", negated);
  int matching = 0;
  for (int row = 0; row < t.TotalRecordCount(); ++row) {
    const bool m = t.StoredRowMatches(row, filter);
    matching += m ? 1 : 0;
    if (haveGrouped) FUZZ_CHECK(t.StoredRowMatches(row, grouped) == m);
    if (haveNegated) FUZZ_CHECK(t.StoredRowMatches(row, negated) == !m);
  }
  t.SetFilter(text);
  t.SetFiltered(true);
  FUZZ_CHECK(t.RecordCount() == matching);
  t.SetFiltered(false);
  FUZZ_CHECK(t.RecordCount() == t.TotalRecordCount());
  return 0;
}
