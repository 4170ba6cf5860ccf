#include <gtest/gtest.h>

#include "common/MemTable.h"

namespace pt {
namespace {

// Walking the rows that match another expression sees every stored row, whatever the table's own
// filter and order, and leaves the current row where it was.
TEST(MemTableStoredRows, WalksRowsBesideTheFilterWithoutMoving) {
  MemTable t("t");
  t.AddField("code", FieldType::Text, 10);
  t.AddField("price", FieldType::Float);
  t.CreateDataSet();
  for (auto [code, price] : {std::pair{"b1", 1.0}, {"a2", 2.0}, {"c3", 3.0}}) {
    t.Append();
    t.Set("code", code);
    t.Set("price", price);
    t.Post();
  }
  t.SetFilter("price > 1");
  t.SetFiltered(true);
  t.SetIndexFieldNames("code");
  t.SetRecNo(2);
  int moves = 0;
  t.afterScroll = [&](MemTable&) { ++moves; };

  CompiledFilter match = t.CompileFilter("code LIKE '%1%' OR code LIKE '%3%'");
  std::vector<std::string> found;
  for (int r = 0; r < t.TotalRecordCount(); ++r)
    if (t.StoredRowMatches(r, match)) found.push_back(t.StoredCell(r, 0).ToText());
  EXPECT_EQ(found, (std::vector<std::string>{"b1", "c3"}));  // storage order, the filtered-out b1 too
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(moves, 0);
  EXPECT_TRUE(t.StoredCell(3, 0).IsNull());
  EXPECT_TRUE(t.StoredCell(0, 5).IsNull());
  EXPECT_FALSE(t.StoredRowMatches(-1, match));
}

}  // namespace
}  // namespace pt
