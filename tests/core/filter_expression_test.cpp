#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/FilterExpression.h"

namespace pt {
namespace {

// A small queue: code, name, price, stock, promotion start, boolean flag, barcode.
class FilterTest : public ::testing::Test {
 protected:
  FilterTest() {
    const std::pair<const char*, FieldType> fields[] = {
        {"f_Spbm", FieldType::Text},     {"f_Spmc", FieldType::Text},     {"f_Xsdj", FieldType::Float},
        {"f_Kc", FieldType::Integer},    {"xsxl.f_qsrq", FieldType::Text}, {"f_Sfzp", FieldType::Boolean},
        {"f_Sptm", FieldType::Text}};
    int i = 0;
    for (auto& [name, type] : fields) fields_[Lower(name)] = {i++, type};
    rows_ = {
        {"001", "红富士苹果", 5.5, 10, "20240101", true, "6901234567890"},
        {"002", "Apple Juice", 3.0, 0, "20240315", false, "6901234567891"},
        {"A-03", "香蕉", 12.0, Variant(), Variant(), Variant(), Variant()},
        {"b04", "苹果汁", Variant(), -2, "20231231", true, "O'Brien"},
    };
  }

  static std::string Lower(std::string s) {
    for (char& c : s) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
  }

  FilterFieldResolver Resolver() const {
    return [this](std::string_view name) -> std::optional<FilterFieldInfo> {
      auto it = fields_.find(Lower(std::string(name)));
      if (it == fields_.end()) return std::nullopt;
      return it->second;
    };
  }

  std::vector<int> Which(const std::string& text) const {
    CompiledFilter f = CompiledFilter::Compile(text, Resolver());
    std::vector<int> hits;
    for (size_t r = 0; r < rows_.size(); ++r)
      if (f.Matches(rows_[r].data())) hits.push_back(static_cast<int>(r));
    return hits;
  }

  std::string ErrorOf(const std::string& text) const {
    try {
      CompiledFilter::Compile(text, Resolver());
    } catch (const FilterError& e) {
      return e.what();
    }
    return "<compiled>";
  }

  std::map<std::string, FilterFieldInfo> fields_;
  std::vector<std::vector<Variant>> rows_;
};

using Hits = std::vector<int>;
const Hits kAll{0, 1, 2, 3};

TEST_F(FilterTest, Comparisons) {
  struct Case { const char* filter; Hits expected; };
  const Case cases[] = {
      {"f_Spbm = '001'", {0}},
      {"f_Spbm = 'a-03'", {2}},             // letters compare without regard to case
      {"f_Spbm <> '001'", {1, 2, 3}},
      {"f_Xsdj > 5", {0, 2}},
      {"f_Xsdj >= 5.5", {0, 2}},
      {"f_Xsdj < 5.5", {1}},
      {"f_Xsdj <= 3", {1}},
      {"f_Xsdj <> 3", {0, 2, 3}},            // a null price differs from 3
      {"f_Kc = 0", {1}},
      {"f_Kc < -1", {3}},
      {"f_Kc >= +10", {0}},
      {"f_Xsdj = '5.5'", {0}},               // as the exclusion step quotes every value
      {"f_Xsdj<>'5.5'", {1, 2, 3}},
      {"f_Sptm = 6901234567890", {0}},       // a bare number reads a text field as a number
      {"0.30000000000000004 = '0.3'", kAll},  // equal in the 15 digits values are written in
      {"6901234567890 = 6901234567891", {}},
      {"f_Spbm < 2", {0}},                   // "A-03" and "b04" are no numbers: never smaller
      {"f_Sptm = 'O''Brien'", {3}},
      {"f_Sfzp = 'True'", {0, 3}},
      {"f_Sfzp = 1", {0, 3}},
      {"f_Sfzp = 'false'", {1}},
      {"f_Spmc < '香蕉'", {0, 1, 3}},        // 红 and 苹 come before 香; ASCII before Chinese
      {"f_Spbm = f_Spbm", {0, 1, 2, 3}},     // fields on both sides
      {"xsxl.f_qsrq > '20240101'", {1}},     // dates are texts
      {" f_Spmc<>'temp@temp@temp'", kAll},   // the builder's placeholder keeps every row, null too
  };
  for (const Case& c : cases) EXPECT_EQ(Which(c.filter), c.expected) << c.filter;
}

TEST_F(FilterTest, LikeAndBetween) {
  struct Case { const char* filter; Hits expected; };
  const Case cases[] = {
      {"f_Spmc LIKE '%苹果%'", {0, 3}},
      {"f_Spmc like 'apple%'", {1}},
      {"f_Spmc LIKE '%JUICE'", {1}},
      {"f_Spmc LIKE '香蕉'", {2}},
      {"f_Spmc LIKE '苹果_'", {3}},          // '_' is one character, also a Chinese one
      {"f_Spmc LIKE '_蕉'", {2}},
      {"f_Spmc LIKE '%士_果'", {0}},
      {"f_Spmc LIKE '%富士%果'", {0}},
      {"f_Spmc LIKE '红%果%'", {0}},
      {"f_Spmc LIKE '%'", kAll},
      {"f_Sptm LIKE '%'", {0, 1, 3}},        // null matches no pattern
      {"f_Xsdj LIKE '5%'", {0}},             // numbers match through their text "5.5"
      {"f_Spmc NOT LIKE '%苹果%'", {1, 2}},
      {"f_Sptm NOT LIKE '69%'", {2, 3}},     // ... so NOT LIKE keeps it
      {"xsxl.f_qsrq Between '20240101' And '20241231'", {0, 1}},
      {"xsxl.f_qsrq NOT BETWEEN '20240101' AND '20241231'", {2, 3}},
      {"f_Xsdj Between 3 And 5.5", {0, 1}},
      {"f_Spbm Between 'A' and 'B05'", {2, 3}},
      {"( 1=1  And f_Spbm Between '001' And '002' )", {0, 1}},
      {"( 1=1  And f_Spbm Between '001' And '001' And f_Spbm Between 'b' And 'c' )", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Which(c.filter), c.expected) << c.filter;
}

TEST_F(FilterTest, LogicPrecedenceAndConstants) {
  struct Case { const char* filter; Hits expected; };
  const Case cases[] = {
      // And binds tighter than OR: 001, or (002 with no stock)
      {"f_Spbm = '001' OR f_Spbm = '002' And f_Kc = 0", {0, 1}},
      {"( f_Spbm = '001' OR f_Spbm = '002' ) And f_Kc = 0", {1}},
      {"f_Kc = 0 oR f_Kc = 10 anD f_Xsdj > 1", {0, 1}},
      {"NOT f_Spbm = '001'", {1, 2, 3}},
      {"NOT ( f_Kc = 0 OR f_Kc = 10 )", {2, 3}},
      {"not not f_Kc = 0", {1}},
      {"( ( f_Xsdj > 5 ) ) And ( f_Spmc LIKE '%果%' )", {0}},
      {"( f_Spmc LIKE '%苹果%' ) And ( f_Xsdj > 5 ) OR ( f_Sptm = '6901234567891' )", {0, 1}},
      // the grid's exclusion step appends one term per excluded row
      {"( f_Spmc<>'temp@temp@temp' ) and (f_Spmc<>'红富士苹果' and f_Spmc<>'苹果汁')", {1, 2}},
      {"1=1", kAll},
      {"1=0", {}},
      {"1=0 OR f_Kc = 0", {1}},
      {"'a' = 'A'", kAll},
      {"'a' < 'B'", kAll},
      {"'啊' < '做'", kAll},                 // GBK order, not code point order
      {"'做' < '啊'", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Which(c.filter), c.expected) << c.filter;
}

// Long runs of "<>" terms (the exclusion step writes one per excluded row) are looked up in a
// set; the rows must be exactly those the terms give one by one.
TEST_F(FilterTest, LongExclusionRunsKeepTheirMeaning) {
  auto exclude = [](const std::string& field, std::vector<std::string> values) {
    for (int i = 0; i < 8; ++i) values.push_back("none" + std::to_string(i));
    std::string t = "( " + field + "<>'temp@temp@temp' ) and (";
    for (size_t i = 0; i < values.size(); ++i) t += (i ? " and " : "") + field + "<>'" + values[i] + "'";
    return t + ")";
  };
  EXPECT_EQ(Which(exclude("f_Spbm", {"001", "a-03"})), (Hits{1, 3}));  // case folded as with "="
  EXPECT_EQ(Which(exclude("f_Sptm", {"O''Brien"})), (Hits{0, 1, 2}));   // null cells stay
  EXPECT_EQ(Which(exclude("f_Xsdj", {"5.5", "12"})), (Hits{1, 3}));     // numeric cells compare as numbers
  EXPECT_EQ(Which("f_Kc >= 0 and " + exclude("f_Spbm", {"002"}) + " and f_Spbm <> 'x'"), (Hits{0}));
  EXPECT_EQ(Which(exclude("f_Spbm", {"001"}) + " OR f_Kc = 10"), (Hits{0, 1, 2, 3}));
}

TEST_F(FilterTest, ErrorsNameThePlaceAndWhatWasExpected) {
  struct Case { const char* filter; const char* message; };
  const Case cases[] = {
      {"f_Nope = 1", "找不到字段 f_Nope"},
      {"商品 = 1", "找不到字段 商品"},
      {"f_Xsdj >", "过滤条件有误（第 9 个字符）：应为字段名、文本或数字，实为条件结尾"},
      {"f_Spbm = 'abc", "过滤条件有误（第 10 个字符）：应为结束文本的单引号，实为条件结尾"},
      {"( f_Kc = 1", "过滤条件有误（第 11 个字符）：应为“)”，实为条件结尾"},
      {"f_Kc = 1 f_Kc = 2", "过滤条件有误（第 10 个字符）：应为“And”、“OR”或条件结尾，实为“f_Kc”"},
      {"f_Spmc = '苹果' )", "过滤条件有误（第 15 个字符）：应为“And”、“OR”或条件结尾，实为“)”"},
      {"f_Kc Between 1 Or 2", "过滤条件有误（第 16 个字符）：应为“And”，实为“Or”"},
      {"f_Kc == 1", "过滤条件有误（第 7 个字符）：应为字段名、文本或数字，实为“=”"},
      {"f_Kc = 1abc", "过滤条件有误（第 8 个字符）：应为数字，实为“1abc”"},
      {"f_Kc = \"1\"", "过滤条件有误（第 8 个字符）：应为字段名、文本、数字或运算符，实为“\"”"},
      {"f_Kc", "过滤条件有误（第 5 个字符）：应为比较运算符（= <> < <= > >=）、“LIKE”或“BETWEEN”，实为条件结尾"},
      {"f_Kc NOT = 1", "过滤条件有误（第 10 个字符）：应为“LIKE”或“BETWEEN”，实为“=”"},
      {"And = 1", "过滤条件有误（第 1 个字符）：应为字段名、文本或数字，实为“And”"},
      {"f_Kc = 1 And", "过滤条件有误（第 13 个字符）：应为字段名、文本或数字，实为条件结尾"},
      {"()", "过滤条件有误（第 2 个字符）：应为字段名、文本或数字，实为“)”"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.filter), c.message) << c.filter;
  EXPECT_NE(ErrorOf(std::string(300, '(') + "f_Kc = 1" + std::string(300, ')')).find("嵌套过深"), std::string::npos);
  EXPECT_EQ(ErrorOf(std::string(50, '(') + "f_Kc = 1" + std::string(50, ')')), "<compiled>");
}

TEST_F(FilterTest, BlankFiltersMatchEverythingAndCompiledFiltersStandAlone) {
  EXPECT_TRUE(CompiledFilter().Empty());
  EXPECT_TRUE(CompiledFilter::Compile(" \t\r\n", Resolver()).Empty());
  EXPECT_EQ(Which(""), kAll);

  CompiledFilter kept;
  {
    std::string text = "f_Spmc LIKE '%" + std::string("苹果") + "%' And f_Spbm <> 'b04'";
    CompiledFilter f = CompiledFilter::Compile(text, Resolver());
    text.assign(text.size(), 'x');  // the source text is gone; literals live in the filter
    kept = f;
  }
  EXPECT_FALSE(kept.Empty());
  EXPECT_TRUE(kept.Matches(rows_[0].data()));
  EXPECT_FALSE(kept.Matches(rows_[3].data()));
  EXPECT_FALSE(kept.Matches(rows_[1].data()));
}

}  // namespace
}  // namespace pt
