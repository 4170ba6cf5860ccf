#pragma once
// Composition of the query builder's condition text from its expression list, without a window.
//
// The builder (dialogs/UnitQuerySet.h) keeps a list that alternates field rows and logic rows:
//   field row: field display name, operator word, value exactly as typed, empty logic word
//   logic row: empty field, operator and value; logic word "并且" (And) or "或者" (OR)
// and turns it into SQL (query form) or into a client-side filter (filter form). Every
// expression reads "( " ... " )"; expressions are not wrapped further, so AND binds tighter than
// OR across the sequence, as the server and the filter language both read it.
//
// Quoting: a value placed between single quotes has its quotes doubled, so O'Brien gives
// 'O''Brien' (valid SQL and a valid filter literal) and a value can never end the literal early.
// A value compared with a non-text field goes in bare only when it is a plain decimal number
// ("5", "-2.50") or the name of a field of the builder's own list ("销售单价 大于 f_Hyj" compares
// two columns; names match without regard to case); anything else is quoted like a text, so it
// cannot splice words into the statement (the server or the filter then compares it as a text
// that is not a number).
//
// List form: a value holding ";" or "|" is cut at "," into elements (the operator is not used):
//   a range "lo|hi" adds " And K Between 'lo' And 'hi'" to a group opened by "( 1=1 ";
//   the plain elements (no "|") together add one " And ( K = 'a' Or K = 'b' )", so a list
//   restricts to the values it names (and to every range it holds); empty elements are skipped.
//
// Aliases: the field's Tag (mod 256) selects an item of the comma-separated alias list
// (item 1 is the text before the first comma). A Tag 0 field carries its own alias (such as
// csda.f_csbm) and is never qualified; it keeps the blank the usual list " da,tm,..." starts
// with ("(  csda.f_csbm = ..."), as the texts always had it. A list without any comma is one
// alias for every field with a Tag of 1 or more.
#include <string>
#include <string_view>
#include <vector>

namespace pt {

class MemTable;

inline constexpr const char* kLogicAnd = "并且";
inline constexpr const char* kLogicOr = "或者";

struct ExpressionRow {
  std::string field;  // display name of the field; empty on a logic row
  std::string op;     // operator word as listed by ConditionOperatorWords()
  std::string value;  // as typed, blanks included
  std::string logic;  // "并且" / "或者" on a logic row; empty on a field row

  bool IsLogic() const { return !logic.empty(); }
  bool operator==(const ExpressionRow&) const = default;

  static ExpressionRow Field(std::string field, std::string op, std::string value) {
    return {std::move(field), std::move(op), std::move(value), {}};
  }
  static ExpressionRow Logic(std::string word) { return {{}, {}, {}, std::move(word)}; }
};
using ExpressionList = std::vector<ExpressionRow>;

// The nine operator words in their fixed order: 等于 大于 大于等于 小于 小于等于 不等于 部分等于
// 部分不等于 左等于. A row's operator is found again by its position in this list.
const std::vector<std::string>& ConditionOperatorWords();
int OperatorIndex(std::string_view word);  // -1 for a word that is not in the list

// What the composition needs to know of a field of the source table.
struct ConditionField {
  std::string name;
  std::string displayName;  // the label, or the name when there is no label
  int tag = 0;
  bool isText = false;
};
// The fields of a table in field order (all of them; the dialog decides which ones to offer).
std::vector<ConditionField> ConditionFieldsOf(const MemTable& table);

struct ConditionOptions {
  std::string aliasList;                   // "" in the filter form
  std::vector<std::string> substitutions;  // "field=expression" entries; empty in the filter form
  bool filterMode = false;
};

// One "does not contain" row of the filter form. The filter language could say NOT LIKE, but the
// filter form keeps the system's way: an always-true placeholder term in the condition, and the
// pattern the grid uses to find the records to leave out by value.
struct FilterExclusion {
  std::string pattern;            // K LIKE '%v%'
  std::string field;              // K
  size_t placeholderOffset = 0;   // where the placeholder term K<>'temp@temp@temp' sits in text
  size_t placeholderLength = 0;
};

struct ConditionResult {
  std::string text;
  // The last "does not contain" row of the filter form (empty when there is none); every such
  // row is also in exclusions, in list order.
  std::string excludePattern;
  std::string excludeField;
  std::vector<FilterExclusion> exclusions;
  bool hasOr = false;  // the list joins some expressions with "或者"
};

// Throws ModuleError when the table offers no field or a row names an unknown operator.
ConditionResult BuildCondition(const ExpressionList& rows, const std::vector<ConditionField>& fields,
                               const ConditionOptions& options);

// Pieces of the composition, for tests and for the grid.
std::string AliasForTag(const std::string& aliasList, int tag);
std::string QuoteText(std::string_view value);  // 'value' with every ' doubled
// The substitution entries of an opener's text: cut at ";" and trimmed.
std::vector<std::string> ParseSubstitutions(std::string_view text);

// The filter the grid applies: the condition plus, per exclusion, the terms K<>'value' for the
// values of the records that match its pattern (values[i] belongs to exclusions[i]; an empty
// list adds nothing). When every expression is joined with And, the groups are appended as
// " and (" terms ")"; when the list uses OR, each group is put beside its own placeholder term
// so that it restricts that expression alone.
std::string ComposeFilterWithExclusions(const ConditionResult& condition,
                                        const std::vector<std::vector<std::string>>& values);

// ---- editing the expression list (the dialog's list view mirrors these rules)

// Index of a field row with the same field, operator and value (exact text), or -1.
int FindDuplicateExpression(const ExpressionList& rows, const ExpressionRow& candidate);
// The rows a delete of row `selected` removes, in the order they are removed: a logic row and the
// field row after it; a field row and the logic row before it, or for the first row the logic row
// after it. Out-of-range selections remove nothing.
std::vector<int> RowsRemovedByDelete(const ExpressionList& rows, int selected);
void DeleteExpression(ExpressionList& rows, int selected);
// The logic words offered when adding, the word chosen last first.
std::vector<std::string> LogicChoices(bool lastLogicIsOr);

}  // namespace pt
