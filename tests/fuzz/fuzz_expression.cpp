// Report expressions. Any text either fails to parse with a ModuleError or parses; what parses
// evaluates to a value or a ModuleError, and means the same in parentheses, in brackets and
// inside a text template. Nothing else may escape, and no text may exhaust the stack.
#include <cmath>

#include "common/ModuleError.h"
#include "report_engine/Expression.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;
using namespace pt::report;

namespace {

RowsDataSource& Record() {
  static RowsDataSource s = [] {
    RowsDataSource r("cdsPrint", {{"f_Spbm"}, {"f_Spmc"}, {"f_Xsdj", "0.00"}, {"f_Tjjg"}, {"f_q7yxsdj", "0.00"},
                                  {"f_Qsrq"}, {"f_Jsrq"}, {"f_Bzq"}, {"xsxl.f_qsrq"}, {"f_cf"}});
    r.AddRow({"000101", "可口可乐 500ml", 3.5, Variant(), 0.0, "20240301", "20240331", 365, "20240515", "   "});
    r.MoveTo(0);
    return r;
  }();
  return s;
}

VariableList& Variables() {
  static VariableList v = [] {
    VariableList l;
    l.Set("dj", "合格");
    l.Set("bz", "");
    l.Set("Jjyy", "酬宾");
    l.Set("CurDate", "20240515");
    return l;
  }();
  return v;
}

struct Outcome {
  bool parsed = false, failed = false, truth = false;
  bool soleField = false;  // one field reference: a template prints it with the field's format
  Variant value;
};

Outcome Run(std::string_view text, const PageContext& page) {
  Outcome o;
  Expression e;
  try {
    e = Expression::Parse(text);
  } catch (const ModuleError&) {
    return o;
  }
  o.parsed = true;
  try {
    e.Bind(&Record(), Variables());
    o.soleField = e.SoleField() >= 0;
    o.value = e.Evaluate(&Record(), page);
    o.truth = e.IsTrue(&Record(), page);
  } catch (const ModuleError&) {
    o.failed = true;
  }
  return o;
}

bool Same(const Variant& a, const Variant& b) {
  if (a.kind() == Variant::Kind::Float && b.kind() == Variant::Kind::Float && std::isnan(a.AsFloat()))
    return std::isnan(b.AsFloat());
  return a == b;
}

bool TooDeep(std::string_view text) {
  try {
    Expression::Parse(text);
  } catch (const ModuleError& e) {
    return std::string_view(e.what()).find("嵌套过深") != std::string_view::npos;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(fuzz::Bytes(data, size));
  const PageContext page{2, 3, 1};
  const Outcome plain = Run(text, page);
  if (!plain.parsed) return 0;
  // "not not" turns any value into its truth.
  if (const Outcome n = Run("not not (" + text + ")", page); n.parsed) {
    FUZZ_CHECK(n.failed == plain.failed);
    if (!plain.failed) FUZZ_CHECK(n.truth == plain.truth && n.value == Variant(plain.truth));
  }
  for (const std::string& wrapped : {"(" + text + ")", "[" + text + "]"}) {
    const Outcome w = Run(wrapped, page);
    if (!w.parsed) {
      FUZZ_CHECK(TooDeep(wrapped));  // one more level may pass the nesting bound, nothing else
      continue;
    }
    FUZZ_CHECK(w.failed == plain.failed);
    if (!plain.failed) FUZZ_CHECK(Same(w.value, plain.value));
  }
  // In a text template the expression prints as its value under the general format.
  if (!plain.failed && !plain.soleField && text.find_first_of("[]") == std::string::npos) {
    try {
      TextTemplate t = TextTemplate::Parse("<[" + text + "]>");
      t.Bind(&Record(), Variables());
      FUZZ_CHECK(t.Render(&Record(), page, "") == "<" + FormatValue(plain.value, "") + ">");
    } catch (const ModuleError&) {
      // quotes holding brackets are cut differently by the template; nothing to compare
    }
  }
  return 0;
}
