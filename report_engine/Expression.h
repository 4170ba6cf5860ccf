#pragma once
// Expressions of templates: field references such as cdsPrint."f_Spbm" (dataset and field names
// matched without regard to letter case), report variables such as dj, the page values Page#,
// TotalPages# and Line#, numbers, 'quoted texts', + - * /, comparisons (= <> < > <= >=), and,
// or, not, parentheses and square brackets as grouping. Text objects hold literal text with
// expressions in square brackets: "等级:[dj]".
//
// Parsing happens when a template is loaded (a syntax error is a template error); binding
// happens when a report is prepared: field names are resolved once against the data source and
// variables take the value they hold at that moment.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Variant.h"
#include "report_engine/ReportDataSource.h"

namespace pt::report {

// Report variables: set by name, added when missing, replaced when present, kept until set
// again. Names are matched without regard to letter case.
class VariableList {
 public:
  void Set(std::string_view name, std::string_view value);
  const std::string* Find(std::string_view name) const;  // nullptr when never set
  void Clear() { items_.clear(); }
  const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

// Page values during layout.
struct PageContext {
  int page = 1;        // Page#, from 1
  int totalPages = 1;  // TotalPages#
  int line = 0;        // Line#: the record's number, from 1 (0 outside the data band)
};

class Expression {
 public:
  Expression() = default;
  // Throws ModuleError for a syntax error.
  static Expression Parse(std::string_view text);

  // Resolves fields against the source (throws ModuleError naming an unknown dataset or field)
  // and takes the variables' current values.
  void Bind(const ReportDataSource* source, const VariableList& variables);

  Variant Evaluate(const ReportDataSource* source, const PageContext& page) const;
  // True when the value is present and not zero / not empty: null is false, a number counts
  // when its magnitude exceeds 0.005 (the suite's rule for a price being present), a text when
  // it holds more than blanks.
  bool IsTrue(const ReportDataSource* source, const PageContext& page) const;

  bool Empty() const { return nodes_.empty(); }
  // The bound field index when the whole expression is one field reference, else -1; its
  // display format applies when the object names none.
  int SoleField() const;
  // The field references, as (bound index, name as written), in the order they appear.
  void CollectFields(std::vector<std::pair<int, std::string>>& out) const;
  const std::string& Source() const { return source_; }

  struct Node;  // public for the parser

 private:
  Variant Eval(int root, const ReportDataSource* source, const PageContext& page) const;
  Variant Apply(const Node& n, const Variant* operands) const;

  std::string source_;
  std::vector<Node> nodes_;
  int root_ = -1;
};

struct Expression::Node {
  enum class Kind : uint8_t {
    Constant, Field, Variable, PageNo, TotalPages, LineNo,
    Neg, Not, And, Or, Add, Sub, Mul, Div, Eq, Ne, Lt, Le, Gt, Ge
  };
  Kind kind = Kind::Constant;
  Variant value;        // Constant
  std::string dataset;  // Field
  std::string name;     // Field, Variable
  int field = -1;       // Field, once bound
  int left = -1, right = -1;
};

// The truth of a value in "visibleIf": present and not zero / not empty. Null is false, a number
// counts when its magnitude exceeds 0.005 (the suite's rule for a price being present), a text
// when it holds more than blanks.
bool IsPresent(const Variant& value);

// Literal text with bracketed expressions.
class TextTemplate {
 public:
  static TextTemplate Parse(std::string_view text);  // throws ModuleError for a syntax error
  void Bind(const ReportDataSource* source, const VariableList& variables);
  // Numbers are written with the object's format, else the field's display format, else in the
  // general form; null gives nothing.
  std::string Render(const ReportDataSource* source, const PageContext& page,
                     const std::string& format) const;
  bool Constant() const;  // no expressions at all
  // The literal text with each expression replaced by what `name` gives for it.
  std::string WithExpressions(const std::function<std::string(const Expression&)>& name) const;
  // Of a text holding exactly one expression: that expression, else nullptr; and, once bound,
  // the display format of the field it names ("" when it names none or the field has none).
  const Expression* SoleExpression() const;
  std::string SoleFieldFormat() const;
  void CollectFields(std::vector<std::pair<int, std::string>>& out) const;  // see Expression

 private:
  struct Part {
    std::string literal;
    Expression expr;  // empty for a literal part
    std::string fieldFormat;
  };
  std::vector<Part> parts_;
};

// A value as text under a display format (see above).
std::string FormatValue(const Variant& value, const std::string& format);

}  // namespace pt::report
