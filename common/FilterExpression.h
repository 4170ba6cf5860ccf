#pragma once
// The client-side filter language: what the query builder writes in its filter form, what the
// grid's exclusion step appends, and what an in-memory table evaluates per row.
//
// Grammar (keywords in any letter case):
//   filter     := orExpr
//   orExpr     := andExpr { OR andExpr }
//   andExpr    := notExpr { AND notExpr }                 AND binds tighter than OR
//   notExpr    := NOT notExpr | predicate
//   predicate  := '(' orExpr ')'
//               | operand ( '=' | '<>' | '<' | '<=' | '>' | '>=' ) operand
//               | operand [NOT] LIKE operand
//               | operand [NOT] BETWEEN operand AND operand
//   operand    := field | 'text' | number
//   field      := letters, digits, '_' and '.' (xsxl.f_qsrq), starting with a letter or '_';
//                 non-ASCII letters are allowed
//   'text'     := single quotes, '' inside stands for one quote
//   number     := [+|-] digits [ '.' digits ]
// Blanks (any character up to ' ') separate tokens and are otherwise ignored, so " f_Spbm" and
// "( 1=1  And f Between '1' And '9' )" read as written.
//
// Meaning, chosen for what a clerk filtering product codes and Chinese names expects:
//  - Texts compare without regard to the case of ASCII letters (a code typed "ab12" finds
//    "AB12", as the server's query form does) and order as the suite orders texts: GBK byte
//    order, which puts common Chinese characters in pinyin order. Trailing blanks count.
//  - LIKE: '%' stands for any run of characters (also none), '_' for exactly one character (a
//    Chinese character is one character). There is no escape, as in the builder's LIKE terms.
//    LIKE compares the texts case-insensitively like '='; a numeric or boolean cell is matched
//    through its text form ("3.5", "True").
//  - Numbers compare as numbers. A number against a text (a bare number against a text field, or
//    a quoted text against a numeric field, as the exclusion step writes "f_Xsdj<>'3.5'") converts
//    the text; a text that is not a number makes the comparison false. Two numbers are equal when
//    they read the same in 15 significant digits (the form values are written out in), so a
//    value taken from a row as text finds that row again; 13-digit codes stay exact.
//  - Booleans compare with booleans, with 1/0, and with the texts "True"/"False".
//  - Dates are eight-digit texts and compare as texts.
//  - Null: a null cell equals nothing, is neither smaller nor larger than anything, matches no
//    LIKE pattern and lies in no BETWEEN range. Every negative form is the exact negation of
//    its positive one: "<>", NOT LIKE, NOT BETWEEN and NOT are true for a null cell. So the
//    builder's placeholder term f<>'temp@temp@temp' keeps rows whose f is null, and "does not
//    contain x" keeps rows with no text at all.
//  - Both sides may be fields or literals; 1=1 is simply true.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/DataPacket.h"
#include "common/ModuleError.h"
#include "common/Variant.h"

namespace pt {

struct FilterFieldInfo {
  int index;
  FieldType type;
};
using FilterFieldResolver = std::function<std::optional<FilterFieldInfo>(std::string_view name)>;

// A filter text that cannot be compiled. Syntax errors read
//   "过滤条件有误（第 N 个字符）：应为 <what was expected>，实为 <what was found>"
// with N counting characters from 1; an unknown field reads "找不到字段 <name>".
class FilterError : public ModuleError {
 public:
  explicit FilterError(const std::string& message) : ModuleError(message) {}
};

class CompiledFilter {
 public:
  CompiledFilter();  // empty: matches every row
  // Blank text gives the empty filter. Throws FilterError for an unknown field or a syntax error;
  // nothing that fails to parse ever becomes "match all".
  static CompiledFilter Compile(std::string_view text, const FilterFieldResolver& resolve);

  // row: the row's cells, indexed by FilterFieldInfo::index. Never throws.
  bool Matches(const Variant* row) const;
  bool Empty() const { return program_ == nullptr; }

  struct Program;  // the compiled tree; shared by copies, immutable after Compile

 private:
  std::shared_ptr<const Program> program_;
};

}  // namespace pt
