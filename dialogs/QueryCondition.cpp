#include "dialogs/QueryCondition.h"

#include <algorithm>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "common/TextRoutines.h"

namespace pt {

namespace {

const char* const kOperatorSql[] = {" = ", " > ", " >= ", " < ", " <= ", " <> "};
constexpr const char* kPlaceholder = "<>'temp@temp@temp'";

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Optional blanks, sign, digits, optional point and digits: what both the server and the
// filter language read as a number.
bool IsPlainNumber(std::string_view v) {
  std::string t = Trim(v);
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
  if (digits == 0) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    size_t frac = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++frac;
    if (frac == 0) return false;
  }
  return i == t.size();
}

// The value is the name of a field of the builder's own list (a clerk comparing two columns):
// a name the statement or the filter already knows, so it cannot splice anything into either.
bool NamesAField(const std::vector<ConditionField>& fields, std::string_view v) {
  const std::string name = LowerAscii(Trim(v));
  for (const auto& f : fields)
    if (LowerAscii(f.name) == name) return true;
  return false;
}

const ConditionField& FindField(const std::vector<ConditionField>& fields, const std::string& displayName) {
  for (const auto& f : fields)
    if (f.displayName == displayName) return f;
  return fields.front();
}

}  // namespace

const std::vector<std::string>& ConditionOperatorWords() {
  static const std::vector<std::string> words = {"等于",     "大于",     "大于等于", "小于",  "小于等于",
                                                 "不等于",   "部分等于", "部分不等于", "左等于"};
  return words;
}

int OperatorIndex(std::string_view word) {
  const auto& w = ConditionOperatorWords();
  for (size_t i = 0; i < w.size(); ++i)
    if (w[i] == word) return static_cast<int>(i);
  return -1;
}

std::vector<ConditionField> ConditionFieldsOf(const MemTable& table) {
  std::vector<ConditionField> out;
  out.reserve(static_cast<size_t>(table.FieldCount()));
  for (int i = 0; i < table.FieldCount(); ++i) {
    const FieldDef& f = table.Field(i);
    out.push_back({f.name, f.label.empty() ? f.name : f.label, f.tag, f.type == FieldType::Text});
  }
  return out;
}

std::string QuoteText(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '\'';
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string AliasForTag(const std::string& aliasList, int tag) {
  int t = ((tag % 256) + 256) % 256;
  bool hasComma = aliasList.find(',') != std::string::npos;
  if (t == 0) {
    // Item 0 is the list's first character: the blank the usual list " da,tm,..." starts with,
    // kept in the text as it always was. A Tag 0 field carries its own alias (csda.f_csbm), so
    // any other first character, or a one-alias list, never qualifies it.
    std::string first = GetField(aliasList, ',', 0);
    return Trim(first).empty() ? first : std::string();
  }
  std::string a = GetField(aliasList, ',', t);
  if (Trim(a).empty() && !Trim(aliasList).empty() && !hasComma) a = aliasList;
  return a;
}

std::vector<std::string> ParseSubstitutions(std::string_view text) {
  std::vector<std::string> pieces;
  if (Trim(text).empty()) return pieces;
  SplitText(";", text, pieces);
  pieces.erase(std::remove(pieces.begin(), pieces.end(), std::string()), pieces.end());
  return pieces;
}

ConditionResult BuildCondition(const ExpressionList& rows, const std::vector<ConditionField>& fields,
                               const ConditionOptions& options) {
  ConditionResult r;
  std::string& c = r.text;
  for (const ExpressionRow& row : rows) {
    if (row.IsLogic()) {
      bool isAnd = row.logic == kLogicAnd;
      c += isAnd ? " And " : " OR ";
      if (!isAnd) r.hasOr = true;
      continue;
    }
    if (fields.empty()) throw ModuleError("没有可供查询的字段");
    const ConditionField& f = FindField(fields, row.field);
    std::string name = f.name;
    std::string lowerName = LowerAscii(name);
    for (const std::string& entry : options.substitutions) {
      size_t eq = entry.find('=');
      if (eq == std::string::npos) continue;
      if (LowerAscii(entry.substr(0, eq)).find(lowerName) != std::string::npos) {
        name = LowerAscii(entry.substr(eq + 1));
        break;
      }
    }
    std::string alias = AliasForTag(options.aliasList, f.tag);
    std::string k = alias + (Trim(alias).empty() ? "" : ".") + name;
    const std::string& v = row.value;

    if (v.find(';') == std::string::npos && v.find('|') == std::string::npos) {
      int op = OperatorIndex(row.op);
      if (op < 0) throw ModuleError("无法识别的条件“" + row.op + "”");
      c += "( ";
      if (op <= 5) {
        c += k + kOperatorSql[op] + (f.isText || !(IsPlainNumber(v) || NamesAField(fields, v)) ? QuoteText(v) : v);
      } else if (op == 6) {
        c += k + " LIKE " + QuoteText("%" + v + "%");
      } else if (op == 7 && !options.filterMode) {
        c += k + " NOT LIKE " + QuoteText("%" + v + "%");
      } else if (op == 7) {
        FilterExclusion ex;
        ex.pattern = k + " LIKE " + QuoteText("%" + v + "%");
        ex.field = k;
        ex.placeholderOffset = c.size();
        c += k + kPlaceholder;
        ex.placeholderLength = c.size() - ex.placeholderOffset;
        r.excludePattern = ex.pattern;
        r.excludeField = ex.field;
        r.exclusions.push_back(std::move(ex));
      } else {
        c += k + " LIKE " + QuoteText(v + "%");
      }
      c += " )";
      continue;
    }

    std::string group = "( 1=1 ";
    std::vector<std::string> plain;
    size_t start = 0;
    while (true) {
      size_t comma = v.find(',', start);
      std::string e = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      size_t bar = e.find('|');
      if (bar != std::string::npos) {
        std::string lo = e.substr(0, bar);
        size_t bar2 = e.find('|', bar + 1);
        std::string hi = e.substr(bar + 1, bar2 == std::string::npos ? std::string::npos : bar2 - bar - 1);
        group += " And " + k + " Between " + QuoteText(lo) + " And " + QuoteText(hi);
      } else if (!e.empty()) {
        plain.push_back(std::move(e));
      }
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    if (!plain.empty()) {
      group += " And ( ";
      for (size_t i = 0; i < plain.size(); ++i) {
        if (i > 0) group += " Or ";
        group += k + " = " + QuoteText(plain[i]);
      }
      group += " )";
    }
    c += group + " )";
  }
  return r;
}

std::string ComposeFilterWithExclusions(const ConditionResult& condition,
                                        const std::vector<std::vector<std::string>>& values) {
  auto terms = [&](size_t i) {
    std::string t;
    const FilterExclusion& ex = condition.exclusions[i];
    for (const std::string& v : values[i]) {
      if (!t.empty()) t += " and ";
      t += ex.field + "<>" + QuoteText(v);
    }
    return t;
  };
  size_t n = std::min(condition.exclusions.size(), values.size());
  if (!condition.hasOr) {
    std::string out = Trim(condition.text);
    for (size_t i = 0; i < n; ++i)
      if (!values[i].empty()) out += " and (" + terms(i) + ")";
    return out;
  }
  // With OR in the list an appended group would bind to the last expression only; put each group
  // beside its own placeholder, from the last one back so the offsets stay valid.
  std::string out = condition.text;
  for (size_t i = n; i-- > 0;) {
    if (values[i].empty()) continue;
    const FilterExclusion& ex = condition.exclusions[i];
    out.insert(ex.placeholderOffset + ex.placeholderLength, " and (" + terms(i) + ")");
  }
  return Trim(out);
}

int FindDuplicateExpression(const ExpressionList& rows, const ExpressionRow& candidate) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const ExpressionRow& r = rows[i];
    if (!r.IsLogic() && r.field == candidate.field && r.op == candidate.op && r.value == candidate.value)
      return static_cast<int>(i);
  }
  return -1;
}

std::vector<int> RowsRemovedByDelete(const ExpressionList& rows, int selected) {
  int n = static_cast<int>(rows.size());
  if (selected < 0 || selected >= n) return {};
  std::vector<int> out{selected};
  if (rows[static_cast<size_t>(selected)].IsLogic()) {
    if (selected + 1 < n) out.push_back(selected + 1);
  } else if (selected > 0) {
    out.push_back(selected - 1);
  } else if (n > 1) {
    out.push_back(1);
  }
  return out;
}

void DeleteExpression(ExpressionList& rows, int selected) {
  std::vector<int> gone = RowsRemovedByDelete(rows, selected);
  std::sort(gone.rbegin(), gone.rend());
  for (int i : gone) rows.erase(rows.begin() + i);
}

std::vector<std::string> LogicChoices(bool lastLogicIsOr) {
  if (lastLogicIsOr) return {kLogicOr, kLogicAnd};
  return {kLogicAnd, kLogicOr};
}

}  // namespace pt
