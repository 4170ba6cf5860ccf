#include "hostapp/SqlDialect.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>

namespace pt::hostapp {

namespace {

enum class Tok { Space, Comment, String, Ident, Number, Word, Punct };

struct Token {
  Tok kind;
  std::string text;
  std::string before;  // text inserted in front of this token when rendering
  std::string lower;   // lower-case text of words
};

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80; }
bool IsWordChar(unsigned char c) { return IsWordStart(c) || std::isdigit(c) || c == '$'; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0, n = s.size();
  auto push = [&](Tok k, size_t from, size_t to) {
    Token t{k, std::string(s.substr(from, to - from)), {}, {}};
    if (k == Tok::Word) t.lower = Lower(t.text);
    out.push_back(std::move(t));
  };
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t start = i;
    // SQLite ends a statement at a NUL byte: what follows would be dropped without a word.
    if (c == 0) throw DialectError("The statement holds a NUL character at byte " + std::to_string(i + 1) + ".");
    if (std::isspace(c)) {
      while (i < n && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
      push(Tok::Space, start, i);
    } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      push(Tok::Comment, start, i);
    } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      if (end == std::string_view::npos) throw DialectError("Missing end comment mark '*/'.");
      i = end + 2;
      push(Tok::Comment, start, i);
    } else if (c == '\'' || ((c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'' &&
                             (out.empty() || out.back().kind != Tok::Word))) {
      // A national text N'...' is an ordinary text here: everything is UTF-8 already.
      size_t q = (c == '\'') ? i : i + 1;
      size_t j = q + 1;
      for (;;) {
        if (j >= n) throw DialectError("Unclosed quotation mark after the character string '" +
                                       std::string(s.substr(q + 1)) + "'.");
        if (s[j] == '\'') {
          if (j + 1 < n && s[j + 1] == '\'') { j += 2; continue; }
          break;
        }
        ++j;
      }
      i = j + 1;
      push(Tok::String, q, i);
    } else if (c == '"' || c == '[') {
      char close = c == '"' ? '"' : ']';
      size_t j = i + 1;
      for (;;) {
        if (j >= n) throw DialectError("Unclosed quoted identifier " + std::string(s.substr(i)));
        if (s[j] == close) {
          if (j + 1 < n && s[j + 1] == close) { j += 2; continue; }
          break;
        }
        ++j;
      }
      i = j + 1;
      push(Tok::Ident, start, i);
    } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) {
        if ((s[i] == 'e' || s[i] == 'E') && i + 1 < n && (s[i + 1] == '+' || s[i + 1] == '-')) ++i;
        ++i;
      }
      push(Tok::Number, start, i);
    } else if (IsWordStart(c)) {
      while (i < n && IsWordChar(static_cast<unsigned char>(s[i]))) ++i;
      push(Tok::Word, start, i);
    } else {
      static const char* kTwo[] = {"<=", ">=", "<>", "!=", "!<", "!>", "||", "=="};
      size_t len = 1;
      for (const char* op : kTwo)
        if (i + 1 < n && s[i] == op[0] && s[i + 1] == op[1]) len = 2;
      i += len;
      push(Tok::Punct, start, i);
      // SQL Server's !< and !> are >= and <=.
      if (out.back().text == "!<") out.back().text = ">=";
      if (out.back().text == "!>") out.back().text = "<=";
    }
  }
  return out;
}

bool Significant(const Token& t) { return t.kind != Tok::Space && t.kind != Tok::Comment; }
bool IsPunct(const Token& t, char c) { return t.kind == Tok::Punct && t.text.size() == 1 && t.text[0] == c; }
bool IsWord(const Token& t, std::string_view lower) { return t.kind == Tok::Word && t.lower == lower; }

bool IsComparison(const Token& t) {
  if (t.kind != Tok::Punct) return false;
  return t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" || t.text == ">" || t.text == "<=" ||
         t.text == ">=";
}

bool IsTextType(const std::string& lower);

class Rewriter {
 public:
  // Comments mean nothing to the statement and go: a line comment at the end would otherwise
  // swallow what the rewriting appends ("select top 5 * from t --" would lose its limit).
  explicit Rewriter(std::vector<Token> toks, Dialect dialect = Dialect::Sqlite) : t_(std::move(toks)), d_(dialect) {
    for (Token& t : t_)
      if (t.kind == Tok::Comment) {
        t.kind = Tok::Space;
        t.text = " ";
      }
  }

  std::string Run() {
    HideAliases();
    if (d_ == Dialect::Sqlite) {
      // SQLite answers these where the server refuses or answers otherwise: refuse them, or
      // route them through functions that give the server's answer.
      CheckGrouping();
      ScalarSubqueries();
      PlusRewrites();
      NumberComparisons();
    }
    LocalRewrites();
    if (d_ == Dialect::Sqlite) InSubqueryRewrites();
    else PostgresRewrites();
    TopRewrites();
    return Render(0, t_.size());
  }

  // ---- SQLite: the server's strictness --------------------------------------------------------

  static bool IsBoundaryWord(const std::string& w) {
    static const char* kWords[] = {"select", "from",  "where", "and",   "or",    "not",   "on",      "when",
                                   "then",   "else",  "set",   "by",    "having", "between", "like", "in",
                                   "is",     "as",    "distinct", "all", "top",  "union", "except", "intersect",
                                   "join",   "order", "group", "case",  "exists", "escape", "values", "into"};
    for (const char* k : kWords)
      if (w == k) return true;
    return false;
  }
  bool IsOperandBoundary(const Token& t) const {
    if (t.kind == Tok::Punct)
      return t.text == "," || t.text == "(" || t.text == ";" || IsComparison(t) || t.text == "||";
    return t.kind == Tok::Word && IsBoundaryWord(t.lower);
  }
  // The index of the "case" that the "end" at `end` closes (scanning back), or npos.
  size_t CaseOf(size_t end) const {
    int depth = 0;
    for (size_t j = end; j-- > 0;) {
      if (IsWord(t_[j], "end")) ++depth;
      else if (IsWord(t_[j], "case")) {
        if (depth == 0) return j;
        --depth;
      }
    }
    return t_.size();
  }
  size_t EndOf(size_t caseAt) const {
    int depth = 0;
    for (size_t j = caseAt + 1; j < t_.size(); ++j) {
      if (IsWord(t_[j], "case")) ++depth;
      else if (IsWord(t_[j], "end")) {
        if (depth == 0) return j;
        --depth;
      }
    }
    return t_.size();
  }
  // Where the operand left of the operator at `op` starts (left-associative: earlier + and -
  // belong to it).
  size_t LeftOperand(size_t op) const {
    size_t start = op;
    for (size_t j = Prev(op); j < t_.size(); j = Prev(j)) {
      const Token& t = t_[j];
      if (IsPunct(t, ')')) {
        int depth = 0;
        size_t k = j;
        for (; k < t_.size(); --k) {
          if (IsPunct(t_[k], ')')) ++depth;
          else if (IsPunct(t_[k], '(') && --depth == 0) break;
          if (k == 0) break;
        }
        start = k;
        j = k;
        // a function call: its name belongs to the operand
        size_t name = Prev(k);
        if (name < t_.size() && t_[name].kind == Tok::Word && !IsBoundaryWord(t_[name].lower)) start = j = name;
        continue;
      }
      if (IsWord(t, "end")) {
        size_t c = CaseOf(j);
        if (c >= t_.size()) break;
        start = j = c;
        continue;
      }
      if (IsOperandBoundary(t)) break;
      start = j;
    }
    return start;
  }
  // Where the operand right of the operator at `op` ends (the next + or - ends it).
  size_t RightOperand(size_t op) const {
    size_t last = op;
    size_t j = Next(op);
    if (j < t_.size() && t_[j].kind == Tok::Punct && (t_[j].text == "-" || t_[j].text == "+")) last = j, j = Next(j);
    for (; j < t_.size(); j = Next(j)) {
      const Token& t = t_[j];
      if (IsPunct(t, '(')) {
        last = j = Match(j);
        continue;
      }
      if (IsWord(t, "case")) {
        size_t e = EndOf(j);
        if (e >= t_.size()) break;
        last = j = e;
        continue;
      }
      if (IsPunct(t, ')') || IsOperandBoundary(t) || (t.kind == Tok::Punct && (t.text == "+" || t.text == "-"))) break;
      if (t.kind == Tok::Word && IsBoundaryWord(t.lower)) break;
      // a word right after a complete operand is an alias (or a keyword): the operand ended
      if (t.kind == Tok::Word && last != op && (t_[last].kind == Tok::Word || t_[last].kind == Tok::Number ||
                                                t_[last].kind == Tok::String || IsPunct(t_[last], ')')) &&
          !IsPunct(t_[Next(last) < t_.size() ? Next(last) : last], '.') && !(last > 0 && IsPunct(t_[last], '.')))
        break;
      last = j;
    }
    return last;
  }

  // The clause keyword that governs the token at `i`: the nearest one at its depth ("" inside
  // parentheses of their own).
  std::string ClauseAt(size_t i) const {
    int depth = 0;
    for (size_t j = i; j-- > 0;) {
      if (IsPunct(t_[j], ')')) ++depth;
      else if (IsPunct(t_[j], '(')) {
        if (depth == 0) return {};
        --depth;
      } else if (depth == 0 && t_[j].kind == Tok::Word) {
        static const char* kClauses[] = {"select", "from", "join", "where", "by", "on", "having", "values", "set", "when"};
        for (const char* c : kClauses)
          if (t_[j].lower == c) return c;
      }
    }
    return {};
  }
  bool InSelectList(size_t i) const { return ClauseAt(i) == "select"; }
  bool InSetClause(size_t i) const { return ClauseAt(i) == "set"; }

  // "+" joins texts on the server and adds numbers: pt_add() does what the operands ask for.
  void PlusRewrites() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!(t_[i].kind == Tok::Punct && t_[i].text == "+")) continue;
      size_t p = Prev(i);
      if (p >= t_.size() || IsOperandBoundary(t_[p]) || (t_[p].kind == Tok::Punct && !IsPunct(t_[p], ')')) ||
          (t_[p].kind == Tok::Word && IsBoundaryWord(t_[p].lower)))
        continue;  // a sign, not an addition
      size_t left = LeftOperand(i), right = RightOperand(i);
      if (left == i || right == i) continue;
      t_[left].before = "pt_add(" + t_[left].before;
      t_[i].text = ",";
      t_[i].kind = Tok::Ident;  // opaque: part of the operand for a "+" further right
      t_[right].text += ")";
    }
  }

  // A text compared with a number is converted to a number on the server (and a text that is
  // no number fails the statement); SQLite would compare it as a text.
  void NumberComparisons() {
    auto column = [&](size_t j, size_t& first, size_t& last) {
      if (j >= t_.size() || t_[j].kind != Tok::Word || IsBoundaryWord(t_[j].lower) || t_[j].lower == "null") return false;
      first = last = j;
      size_t p = Prev(j);
      if (p < t_.size() && IsPunct(t_[p], '.')) {
        size_t a = Prev(p);
        if (a >= t_.size() || t_[a].kind != Tok::Word) return false;
        first = a;
      }
      size_t n = Next(j);
      if (n < t_.size() && (IsPunct(t_[n], '(') || IsPunct(t_[n], '.'))) return false;  // a call or a qualifier
      return true;
    };
    auto number = [&](size_t j) {
      if (j < t_.size() && t_[j].kind == Tok::Punct && t_[j].text == "-") j = Next(j);
      return j < t_.size() && t_[j].kind == Tok::Number;
    };
    std::vector<std::pair<size_t, size_t>> wrap;
    for (size_t i = 0; i < t_.size(); ++i) {
      size_t first, last;
      if (IsComparison(t_[i])) {
        if (t_[i].text == "=" && InSetClause(i)) continue;  // an assignment, not a comparison
        size_t l = Prev(i), r = Next(i);
        if (number(r) && column(l, first, last)) wrap.emplace_back(first, last);
        else if (number(l) && column(r, first, last)) wrap.emplace_back(first, last);
      } else if (IsWord(t_[i], "in") || IsWord(t_[i], "between")) {
        size_t l = Prev(i);
        if (l < t_.size() && IsWord(t_[l], "not")) l = Prev(l);
        size_t r = Next(i);
        bool numbers = IsWord(t_[i], "between") ? number(r) : (r < t_.size() && IsPunct(t_[r], '(') && number(Next(r)));
        if (numbers && column(l, first, last)) wrap.emplace_back(first, last);
      }
    }
    for (auto [first, last] : wrap) {
      t_[first].before += "pt_num(";
      t_[last].text += ")";
    }
  }

  // A column of the select list that is neither grouped nor inside an aggregate is refused, as
  // the server refuses it (SQLite would take it from any row of the group).
  void CheckGrouping() {
    static const char* kAggregates[] = {"count", "sum", "min", "max", "avg", "count_big", "stdev", "var"};
    auto aggregate = [](const std::string& w) {
      for (const char* a : kAggregates)
        if (w == a) return true;
      return false;
    };
    for (size_t s = 0; s < t_.size(); ++s) {
      if (!IsWord(t_[s], "select")) continue;
      // The select list, the GROUP BY list, at this select's own depth.
      int depth = 0;
      size_t from = t_.size(), group = t_.size(), groupEnd = t_.size();
      for (size_t j = s + 1; j < t_.size(); ++j) {
        if (IsPunct(t_[j], '(')) ++depth;
        else if (IsPunct(t_[j], ')')) {
          if (--depth < 0) {
            if (group < t_.size() && groupEnd == t_.size()) groupEnd = j;
            break;
          }
        } else if (depth == 0 && t_[j].kind == Tok::Word) {
          const std::string& w = t_[j].lower;
          if (w == "from" && from == t_.size()) from = j;
          else if (w == "group" && Next(j) < t_.size() && IsWord(t_[Next(j)], "by")) group = Next(j);
          else if (group < t_.size() && groupEnd == t_.size() &&
                   (w == "having" || w == "order" || w == "union" || w == "except" || w == "intersect"))
            groupEnd = j;
          else if (w == "union" || w == "except" || w == "intersect") break;
        } else if (depth == 0 && IsPunct(t_[j], ';')) {
          if (group < t_.size() && groupEnd == t_.size()) groupEnd = j;
          break;
        }
      }
      size_t listEnd = from;
      std::vector<std::string> bare;
      bool aggregated = false;
      for (size_t j = s + 1; j < listEnd && j < t_.size(); ++j) {
        const Token& t = t_[j];
        if (IsPunct(t, '(') && Next(j) < t_.size() && IsWord(t_[Next(j)], "select")) {
          j = Match(j);  // a subquery is checked on its own
          continue;
        }
        if (t.kind != Tok::Word) continue;
        size_t n = Next(j);
        if (n < t_.size() && IsPunct(t_[n], '(')) {
          if (aggregate(t.lower)) aggregated = true;
          if (aggregate(t.lower) || (Next(n) < t_.size() && IsWord(t_[Next(n)], "select"))) j = Match(n);  // not bare inside
          continue;
        }
        if (IsBoundaryWord(t.lower) || t.lower == "null" || t.lower == "end" || t.lower == "case") continue;
        size_t p = Prev(j);
        if (p < t_.size() && IsWord(t_[p], "as")) continue;  // an alias or a cast's type
        if (n < t_.size() && IsPunct(t_[n], '.')) continue;   // a qualifier: the column follows
        if (p < t_.size() &&
            ((t_[p].kind == Tok::Word && !IsBoundaryWord(t_[p].lower)) || t_[p].kind == Tok::Number ||
             t_[p].kind == Tok::String || IsPunct(t_[p], ')')))
          continue;  // an alias after its expression
        std::string name = t.lower;
        if (p < t_.size() && IsPunct(t_[p], '.') && Prev(p) < t_.size()) name = t_[Prev(p)].lower + "." + name;
        bare.push_back(name);
      }
      if (bare.empty()) continue;
      if (group == t_.size() && !aggregated) continue;
      std::vector<std::string> grouped;
      if (group < t_.size())
        for (size_t j = Next(group); j < groupEnd && j < t_.size(); ++j)
          if (t_[j].kind == Tok::Word) {
            size_t p = Prev(j);
            std::string name = t_[j].lower;
            if (p < t_.size() && IsPunct(t_[p], '.') && Prev(p) < t_.size()) name = t_[Prev(p)].lower + "." + name;
            grouped.push_back(name);
          }
      // A grouped name that is only an alias of the list fails first, as on the server
      // (HideAliases renamed the alias, so the database reports it).
      bool aliasGrouped = false;
      for (size_t j = s + 1; j < listEnd && j < t_.size(); ++j)
        if (t_[j].text.size() > 2 && t_[j].text[t_[j].text.size() - 2] == kAliasMark)
          for (const std::string& g : grouped)
            if (g == Lower(t_[j].text.substr(1, t_[j].text.size() - 3))) aliasGrouped = true;
      if (aliasGrouped) continue;
      auto tail = [](const std::string& n) { return n.substr(n.find('.') == std::string::npos ? 0 : n.find('.') + 1); };
      for (const std::string& b : bare) {
        bool ok = false;
        for (const std::string& g : grouped)
          if (g == b || tail(g) == b || tail(b) == g) ok = true;
        if (!ok)
          throw DialectError("Column '" + b +
                             "' is invalid in the select list because it is not contained in either an aggregate "
                             "function or the GROUP BY clause.");
      }
    }
  }

  // Select-list aliases are known to ORDER BY alone on the server; SQLite resolves them in
  // WHERE, GROUP BY, HAVING and ON too, PostgreSQL in GROUP BY, where the server finds no such
  // column (or the table's column of that name). Each alias is renamed to its name with kAliasMark appended, and an
  // ORDER BY term naming it with it, so SQLite resolves every other use as the server does:
  // to a column of the tables, or "no such column". The back end gives the name back without
  // the mark. Derived tables and CTEs keep their names: their columns are named from outside.
  void HideAliases() {
    size_t first = 0;
    while (first < t_.size() && !Significant(t_[first])) ++first;
    if (first < t_.size() && IsWord(t_[first], "create")) return;  // a view's columns keep their names
    // The "(" enclosing each token (t_.size() at the top).
    std::vector<size_t> scope(t_.size(), t_.size());
    {
      std::vector<size_t> open;
      for (size_t i = 0; i < t_.size(); ++i) {
        if (IsPunct(t_[i], ')') && !open.empty()) open.pop_back();
        scope[i] = open.empty() ? t_.size() : open.back();
        if (IsPunct(t_[i], '(')) open.push_back(i);
      }
    }
    auto nameOf = [](const Token& t) {
      if (t.kind == Tok::Word) return t.text;
      std::string inner = t.text.substr(1, t.text.size() - 2), out;
      for (size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if ((inner[i] == '\'' || inner[i] == '"' || inner[i] == ']') && i + 1 < inner.size() && inner[i + 1] == inner[i]) ++i;
      }
      return out;
    };
    std::map<size_t, std::map<std::string, std::string>> renamed;  // scope -> alias -> new text
    auto endsExpression = [](const Token& b) {
      return (b.kind == Tok::Word && !IsBoundaryWord(b.lower)) || b.kind == Tok::Number || b.kind == Tok::String ||
             b.kind == Tok::Ident || IsPunct(b, ')');
    };
    auto item = [&](size_t from, size_t end, size_t sc) {  // one item of a select list: [from, end)
      size_t last = Prev(end);
      if (last >= t_.size() || last <= from) return;
      const Token& a = t_[last];
      bool named = (a.kind == Tok::Word && !IsBoundaryWord(a.lower) && a.lower != "end" && a.lower != "null") ||
                   a.kind == Tok::Ident || a.kind == Tok::String;
      size_t p = Prev(last);
      if (!named || p >= t_.size() || p < from || !(IsWord(t_[p], "as") || endsExpression(t_[p]))) return;
      std::string name = nameOf(a), quoted = "\"";
      for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      quoted += std::string(1, kAliasMark) + "\"";
      renamed[sc][Lower(name)] = quoted;
      t_[last].text = quoted;
    };
    for (size_t s = 0; s < t_.size(); ++s) {
      if (!IsWord(t_[s], "select")) continue;
      size_t sc = scope[s];
      if (sc < t_.size() && Next(sc) < t_.size() && IsWord(t_[Next(sc)], "select")) {
        std::string clause = ClauseAt(sc);
        size_t before = Prev(sc);
        if (clause == "from" || clause == "join" || (before < t_.size() && IsWord(t_[before], "as"))) continue;
      }
      // The items of the select list, after DISTINCT / ALL / TOP n.
      size_t j = Next(s);
      if (j < t_.size() && (IsWord(t_[j], "distinct") || IsWord(t_[j], "all"))) j = Next(j);
      if (j < t_.size() && IsWord(t_[j], "top")) {
        j = Next(j);
        if (j < t_.size() && IsPunct(t_[j], '(')) j = Match(j);
        j = Next(j);
      }
      size_t itemStart = j, k = j;
      for (; k < t_.size(); k = Next(k)) {
        const Token& t = t_[k];
        if (IsPunct(t, '(')) {
          k = Match(k);
          continue;
        }
        bool end = IsPunct(t, ')') || IsPunct(t, ';') ||
                   (t.kind == Tok::Word && (t.lower == "from" || t.lower == "where" || t.lower == "group" ||
                                            t.lower == "order" || t.lower == "having" || t.lower == "union" ||
                                            t.lower == "except" || t.lower == "intersect" || t.lower == "into"));
        if (end || IsPunct(t, ',')) {
          item(itemStart, k, sc);
          itemStart = Next(k);
          if (end) break;
        }
      }
      if (k >= t_.size()) item(itemStart, t_.size(), sc);
    }
    // ORDER BY terms that name an alias of their own scope.
    for (size_t o = 0; o < t_.size(); ++o) {
      size_t by = Next(o);
      if (!IsWord(t_[o], "order") || by >= t_.size() || !IsWord(t_[by], "by")) continue;
      auto names = renamed.find(scope[o]);
      if (names == renamed.end()) continue;
      bool termStart = true;
      for (size_t k = Next(by); k < t_.size(); k = Next(k)) {
        const Token& t = t_[k];
        if (IsPunct(t, ')') || IsPunct(t, ';')) break;
        if (IsPunct(t, ',')) {
          termStart = true;
          continue;
        }
        if (termStart && (t.kind == Tok::Word || t.kind == Tok::Ident)) {
          size_t n = Next(k);
          bool whole = n >= t_.size() || IsPunct(t_[n], ',') || IsPunct(t_[n], ')') || IsPunct(t_[n], ';') ||
                       IsWord(t_[n], "asc") || IsWord(t_[n], "desc") || IsWord(t_[n], "collate");
          auto hit = names->second.find(Lower(nameOf(t)));
          if (whole && hit != names->second.end()) t_[k].text = hit->second;
        }
        if (IsPunct(t, '(')) k = Match(k);
        termStart = false;
      }
    }
  }

  // A subquery used as a value must give at most one row on the server; SQLite would take the
  // first. A plain one (no aggregate, no top) is made an aggregate over pt_single(), which fails
  // on a second row.
  void ScalarSubqueries() {
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!IsPunct(t_[i], '(')) continue;
      size_t sel = Next(i);
      if (sel >= t_.size() || !IsWord(t_[sel], "select")) continue;
      size_t p = Prev(i);
      bool value = p < t_.size() && (IsComparison(t_[p]) || IsWord(t_[p], "then") || IsWord(t_[p], "else") ||
                                     (IsPunct(t_[p], '(') && Prev(p) < t_.size() && t_[Prev(p)].kind == Tok::Word &&
                                      !IsBoundaryWord(t_[Prev(p)].lower)) ||
                                     ((IsWord(t_[p], "select") || IsPunct(t_[p], ',')) && InSelectList(i)));
      if (!value) continue;
      size_t close = Match(i);
      size_t first = Next(sel);
      if (first >= close || IsWord(t_[first], "top") || IsWord(t_[first], "distinct") || IsPunct(t_[first], '*')) continue;
      int depth = 0;
      size_t listEnd = close;
      bool plain = true;
      for (size_t j = first; j < close; ++j) {
        if (IsPunct(t_[j], '(')) ++depth;
        else if (IsPunct(t_[j], ')')) --depth;
        else if (t_[j].kind == Tok::Word) {
          const std::string& w = t_[j].lower;
          if (depth == 0 && w == "from") {
            listEnd = j;
            break;
          }
          if (w == "count" || w == "sum" || w == "min" || w == "max" || w == "avg" || w == "select") plain = false;
        } else if (depth == 0 && IsPunct(t_[j], ',')) plain = false;
      }
      for (size_t j = listEnd; j < close && plain; ++j)
        if (t_[j].kind == Tok::Word && (t_[j].lower == "group" || t_[j].lower == "union" || t_[j].lower == "top"))
          plain = false;
      if (!plain || listEnd == close) continue;
      size_t lastItem = Prev(listEnd);
      t_[first].before += "pt_single(";
      t_[lastItem].text += ")";
    }
  }

  // LIKE without case under the byte collation; quoted texts compared or listed in IN (...)
  // without their trailing blanks.
  void PostgresRewrites() {
    for (size_t i = 0; i < t_.size(); ++i) {
      Token& w = t_[i];
      if (IsWord(w, "like")) {
        size_t before = Prev(i);
        size_t at = before < t_.size() && IsWord(t_[before], "not") ? before : i;
        t_[at].before += " COLLATE \"C\" ";
        w.text = "ILIKE";
        continue;
      }
      if (w.kind != Tok::String) continue;
      size_t p = Prev(i), n = Next(i);
      bool compared = (p < t_.size() && IsComparison(t_[p])) || (n < t_.size() && IsComparison(t_[n]));
      if (!compared && p < t_.size() && (IsPunct(t_[p], ',') || IsPunct(t_[p], '('))) {
        // a member of an IN (...) list of texts
        size_t k = i;
        int depth = 0;
        while (k-- > 0) {
          if (IsPunct(t_[k], ')')) ++depth;
          else if (IsPunct(t_[k], '(')) {
            if (depth == 0) break;
            --depth;
          }
        }
        size_t in = k < t_.size() ? Prev(k) : t_.size();
        compared = in < t_.size() && IsWord(t_[in], "in");
      }
      if (!compared) continue;
      size_t end = w.text.size() - 1;  // the closing quote
      size_t keep = end;
      while (keep > 1 && w.text[keep - 1] == ' ') --keep;
      if (keep != end) w.text = w.text.substr(0, keep) + "'";
    }
  }

  std::vector<Token>& tokens() { return t_; }

  std::string Render(size_t from, size_t to) const {
    std::string out;
    for (size_t i = from; i < to && i < t_.size(); ++i) {
      out += t_[i].before;
      out += t_[i].text;
    }
    if (to >= t_.size()) out += tail_;
    return out;
  }

  void LocalRewrites() {
    for (size_t i = 0; i < t_.size(); ++i) {
      Token& w = t_[i];
      if (w.kind != Tok::Word) continue;
      size_t open = Next(i);
      if (open >= t_.size() || !IsPunct(t_[open], '(')) continue;
      if (w.lower == "datediff" || w.lower == "dateadd" || w.lower == "datepart" || w.lower == "datename") {
        size_t part = Next(open);
        if (part < t_.size() && t_[part].kind == Tok::Word) {
          t_[part].text = "'" + DatePart(t_[part].lower) + "'";
          t_[part].kind = Tok::String;
        }
        if (d_ == Dialect::Postgres) ReadDateArguments(open, w.lower == "datediff" ? 2 : w.lower == "dateadd" ? 3 : 2);
        w.text = "pt_" + w.lower;
        // Days between two dates, the common case, as a function the planner folds into the
        // statement: no function call for each row.
        if (d_ == Dialect::Postgres && w.lower == "datediff" && part < t_.size() && t_[part].text == "'day'") {
          w.text = "pt_datediff_day";
          t_[part].text.clear();
          size_t comma = Next(part);
          if (comma < t_.size() && IsPunct(t_[comma], ',')) t_[comma].text.clear();
        }
      } else if (w.lower == "left" || w.lower == "right") {
        if (d_ == Dialect::Sqlite) w.text = "pt_" + w.lower;
      } else if (w.lower == "isnull") {
        w.text = d_ == Dialect::Sqlite ? "ifnull" : "coalesce";
      } else if (w.lower == "replace" && d_ == Dialect::Postgres) {
        w.text = "pt_replace";
      } else if (w.lower == "cast") {
        RewriteCast(i, open);
      } else if (w.lower == "convert") {
        RewriteConvert(i, open);
      }
    }
  }

  // alias.col IN (SELECT c FROM ... [WHERE w]) -> the same three-valued answer through a
  // correlated EXISTS. SQLite builds the whole list of a non-correlated IN before the first
  // row; a server looks each value up instead, and the module's sale clause ("every product
  // whose business status allows sale") would otherwise cost a pass over the product range
  // for every single code typed. Inner subqueries are rewritten first (right to left).
  void InSubqueryRewrites() {
    for (size_t i = t_.size(); i-- > 0;) {
      if (!IsWord(t_[i], "in")) continue;
      size_t col = Prev(i);
      if (col >= t_.size() || t_[col].kind != Tok::Word || t_[col].lower == "not") continue;
      size_t dot = Prev(col);
      if (dot >= t_.size() || !IsPunct(t_[dot], '.')) continue;
      size_t alias = Prev(dot);
      if (alias >= t_.size() || t_[alias].kind != Tok::Word) continue;
      size_t before = Prev(alias);
      if (before < t_.size() && IsPunct(t_[before], '.')) continue;  // three-part names stay as they are
      size_t open = Next(i);
      if (open >= t_.size() || !IsPunct(t_[open], '(')) continue;
      size_t sel = Next(open);
      if (sel >= t_.size() || !IsWord(t_[sel], "select")) continue;
      size_t close = Match(open);
      size_t from = 0, where = 0, order = 0;
      bool plain = true;
      int depth = 0;
      for (size_t j = sel + 1; j < close && plain; ++j) {
        if (IsPunct(t_[j], '(')) { ++depth; continue; }
        if (IsPunct(t_[j], ')')) { --depth; continue; }
        if (t_[j].kind == Tok::Word && t_[j].lower == t_[alias].lower) plain = false;  // the alias is used inside
        if (IsWord(t_[j], "top")) plain = false;  // at any depth: the top rewriting must still see it
        if (depth != 0 || t_[j].kind != Tok::Word) continue;
        const std::string& w = t_[j].lower;
        if (w == "from" && !from) from = j;
        else if (w == "where" && from && !where) where = j;
        else if (w == "order" && from && !order) order = j;
        else if (w == "group" || w == "having" || w == "union" || w == "except" || w == "intersect" || w == "limit" ||
                 w == "top")
          plain = false;
      }
      if (!plain || !from) continue;
      // The select list: one column, plainly named.
      std::vector<size_t> list;
      for (size_t j = sel + 1; j < from; ++j)
        if (Significant(t_[j])) list.push_back(j);
      if (!list.empty() && (IsWord(t_[list[0]], "distinct") || IsWord(t_[list[0]], "all"))) list.erase(list.begin());
      bool column = (list.size() == 1 && t_[list[0]].kind == Tok::Word) ||
                    (list.size() == 3 && t_[list[0]].kind == Tok::Word && IsPunct(t_[list[1]], '.') &&
                     t_[list[2]].kind == Tok::Word);
      if (!column) continue;
      std::string c = Render(list.front(), list.back() + 1);
      std::string x = Render(alias, col + 1);
      size_t fromEnd = where ? where : (order ? order : close);
      std::string tables = Render(from + 1, fromEnd);
      std::string cond = where ? "(" + Render(where + 1, order ? order : close) + ") AND " : std::string();
      std::string text = "(CASE WHEN " + x + " IS NULL THEN NULL WHEN EXISTS (SELECT 1 FROM " + tables + " WHERE " + cond +
                         x + " = " + c + ") THEN 1 WHEN EXISTS (SELECT 1 FROM " + tables + " WHERE " + cond + c +
                         " IS NULL) THEN NULL ELSE 0 END)";
      std::string lead = t_[alias].before;
      for (size_t k = alias; k <= close; ++k) {
        Blank(k);
        t_[k].before.clear();
      }
      t_[alias].before = lead;
      t_[alias].text = text;
      t_[alias].kind = Tok::Ident;  // opaque from here on
    }
  }

  // PostgreSQL: the date arguments of a date function, from the `first`-th on (1-based), are
  // read through pt_datetime(), which takes texts, dates and numbers as the server does.
  void ReadDateArguments(size_t open, int first) {
    size_t close = Match(open);
    std::vector<size_t> starts{open + 1};
    int depth = 0;
    for (size_t j = open + 1; j < close; ++j) {
      if (IsPunct(t_[j], '(')) ++depth;
      else if (IsPunct(t_[j], ')')) --depth;
      else if (depth == 0 && IsPunct(t_[j], ',')) starts.push_back(j + 1);
    }
    for (size_t a = static_cast<size_t>(first - 1); a < starts.size(); ++a) {
      size_t end = a + 1 < starts.size() ? starts[a + 1] - 1 : close;
      t_[starts[a]].before += "pt_datetime(";
      t_[end].before = ")" + t_[end].before;
    }
  }

  size_t Prev(size_t i) const {
    for (size_t j = i; j-- > 0;)
      if (Significant(t_[j])) return j;
    return t_.size();
  }

  // Right to left, so that a select inside another one's count is rewritten before that count
  // is taken as the limit.
  void TopRewrites() {
    // top is a reserved word of the server: anywhere but right after select (distinct / all) it
    // is a syntax error there, and here it could come out as a new top of a rewritten select.
    for (size_t i = 0; i < t_.size(); ++i) {
      if (!IsWord(t_[i], "top")) continue;
      size_t before = Prev(i);
      if (before < t_.size() && (IsWord(t_[before], "distinct") || IsWord(t_[before], "all"))) before = Prev(before);
      if (before >= t_.size() || !IsWord(t_[before], "select")) throw DialectError("Incorrect syntax near 'top'.");
    }
    for (size_t i = t_.size(); i-- > 0;) {
      if (!IsWord(t_[i], "select")) continue;
      size_t top = Next(i);
      if (top < t_.size() && (IsWord(t_[top], "distinct") || IsWord(t_[top], "all"))) top = Next(top);
      if (top >= t_.size() || !IsWord(t_[top], "top")) continue;
      size_t count = Next(top);
      std::string limit;
      size_t last = count;
      if (count < t_.size() && IsPunct(t_[count], '(')) {
        // The parentheses stay: "top (select ...)" is a limit of "(select ...)".
        last = Match(count);
        limit = Render(count, last + 1);
      } else if (count < t_.size() && t_[count].kind == Tok::Number) {
        limit = t_[count].text;
      } else {
        throw DialectError("Incorrect syntax near 'top'.");
      }
      size_t after = Next(last);
      if (after < t_.size() && (IsWord(t_[after], "percent") || IsWord(t_[after], "with")))
        throw DialectError("top ... percent / with ties is not supported");
      // top is a reserved word: the server refuses a select list that starts with it, and the
      // rewriting would leave it behind as a new top of the select.
      if (after < t_.size() && IsWord(t_[after], "top")) throw DialectError("Incorrect syntax near 'top'.");
      for (size_t k = top; k <= last; ++k) {
        Blank(k);
        if (k >= count) t_[k].before.clear();  // already part of the limit
      }
      // The select's own end: its closing parenthesis, the end of the statement, or the next
      // member of a compound select (where SQLite allows no LIMIT of a single member).
      int depth = 0;
      size_t end = t_.size();
      bool compound = false, ordered = false;
      for (size_t j = last + 1; j < t_.size(); ++j) {
        if (IsPunct(t_[j], '(')) ++depth;
        else if (IsPunct(t_[j], ')')) {
          if (depth == 0) { end = j; break; }
          --depth;
        } else if (depth == 0 && (IsPunct(t_[j], ';') ||
                                  (t_[j].kind == Tok::Word && (t_[j].lower == "union" || t_[j].lower == "except" ||
                                                               t_[j].lower == "intersect")))) {
          end = j;
          compound = !IsPunct(t_[j], ';');
          break;
        } else if (depth == 0 && IsWord(t_[j], "order")) {
          ordered = true;
        }
      }
      // The last member of a compound select: SQLite would apply its LIMIT to the whole
      // compound, so it is wrapped like the others; an ORDER BY there sorts the whole compound
      // on the server and cannot stay inside the wrapping.
      if (!compound) {
        size_t before = Prev(i);
        if (before < t_.size() && IsWord(t_[before], "all")) before = Prev(before);
        if (before < t_.size() && (IsWord(t_[before], "union") || IsWord(t_[before], "except") ||
                                   IsWord(t_[before], "intersect"))) {
          if (ordered) throw DialectError("top in the last select of a union followed by order by is not supported");
          compound = true;
        }
      }
      std::string limitText = " LIMIT " + limit + " ";
      if (compound) {
        t_[i].before += "SELECT * FROM (";
        limitText += ") pt_top ";
      }
      if (end < t_.size()) t_[end].before = limitText + t_[end].before;
      else tail_ = limitText + tail_;
    }
  }

  size_t Next(size_t i) const {
    for (size_t j = i + 1; j < t_.size(); ++j)
      if (Significant(t_[j])) return j;
    return t_.size();
  }

  // Index of the parenthesis closing the one at `open`.
  size_t Match(size_t open) const {
    int depth = 0;
    for (size_t j = open; j < t_.size(); ++j) {
      if (IsPunct(t_[j], '(')) ++depth;
      else if (IsPunct(t_[j], ')') && --depth == 0) return j;
    }
    throw DialectError("Incorrect syntax: a parenthesis is not closed.");
  }

  void Blank(size_t k) {
    t_[k].text.clear();
    t_[k].kind = Tok::Space;
  }

 private:
  static std::string DatePart(const std::string& p) {
    if (p == "dd" || p == "d" || p == "day" || p == "dy" || p == "y" || p == "dayofyear") return p == "dy" || p == "y" || p == "dayofyear" ? "dayofyear" : "day";
    if (p == "mm" || p == "m" || p == "month") return "month";
    if (p == "yy" || p == "yyyy" || p == "year") return "year";
    if (p == "hh" || p == "hour") return "hour";
    if (p == "mi" || p == "n" || p == "minute") return "minute";
    if (p == "ss" || p == "s" || p == "second") return "second";
    if (p == "wk" || p == "ww" || p == "week") return "week";
    if (p == "qq" || p == "q" || p == "quarter") return "quarter";
    if (p == "dw" || p == "w" || p == "weekday") return "weekday";
    return p;
  }

  static bool IsDateType(const std::string& lower) {
    return lower == "datetime" || lower == "smalldatetime" || lower == "date" || lower == "datetime2";
  }

  // The length of a text type written from `type` up to `end` ("varchar(8)" 8, "varchar" 30).
  int TextLength(size_t type, size_t end) const {
    size_t open = Next(type);
    if (open < end && IsPunct(t_[open], '(')) {
      size_t n = Next(open);
      if (n < end && t_[n].kind == Tok::Number) return std::atoi(t_[n].text.c_str());
      if (n < end && IsWord(t_[n], "max")) return 0;  // no limit
    }
    return 30;  // a text type without a length is 30 long in CAST and CONVERT
  }

  // cast(x as datetime) -> pt_datetime(x); cast(x as varchar(n)) -> pt_convert(x, n, 0), which
  // cuts to n characters and writes a date as the server does; other casts run as they are.
  void RewriteCast(size_t castAt, size_t open) {
    size_t close = Match(open);
    int depth = 0;
    for (size_t j = open + 1; j < close; ++j) {
      if (IsPunct(t_[j], '(')) ++depth;
      else if (IsPunct(t_[j], ')')) --depth;
      else if (depth == 0 && IsWord(t_[j], "as")) {
        size_t type = Next(j);
        if (type < close && t_[type].kind == Tok::Word && IsDateType(t_[type].lower)) {
          t_[castAt].text = t_[type].lower == "date" ? "pt_date" : "pt_datetime";
          for (size_t k = j; k < close; ++k) Blank(k);
        } else if (type < close && t_[type].kind == Tok::Word && IsTextType(t_[type].lower) &&
                   t_[type].lower != "text" && t_[type].lower != "ntext") {
          int n = TextLength(type, close);
          t_[castAt].text = "pt_convert";
          for (size_t k = j; k < close; ++k) Blank(k);
          t_[close].before = ", " + std::to_string(n) + ", 0" + t_[close].before;
        }
        return;
      }
    }
  }

  // convert(type, x [, style]) -> pt_datetime(x) for date types, pt_convert(x, n, style) for
  // text types (the style writes a date; a text is only cut), cast(x as type) for the others.
  void RewriteConvert(size_t at, size_t open) {
    size_t close = Match(open);
    std::vector<size_t> commas;
    int depth = 0;
    for (size_t j = open + 1; j < close; ++j) {
      if (IsPunct(t_[j], '(')) ++depth;
      else if (IsPunct(t_[j], ')')) --depth;
      else if (depth == 0 && IsPunct(t_[j], ',')) commas.push_back(j);
    }
    if (commas.empty()) return;
    size_t type = Next(open);
    bool date = t_[type].kind == Tok::Word && IsDateType(t_[type].lower);
    if (t_[type].kind == Tok::Word && IsTextType(t_[type].lower) && t_[type].lower != "text" && t_[type].lower != "ntext") {
      int n = TextLength(type, commas[0]);
      std::string style = commas.size() > 1 ? Render(commas[1] + 1, close) : std::string("0");
      for (size_t k = open + 1; k <= commas[0]; ++k) Blank(k);
      size_t valueEnd = commas.size() > 1 ? commas[1] : close;
      for (size_t k = valueEnd; k < close; ++k) Blank(k);
      t_[at].text = "pt_convert";
      t_[close].before = ", " + std::to_string(n) + ", " + style + t_[close].before;
      return;
    }
    std::string typeText = Render(open + 1, commas[0]);
    for (size_t k = open + 1; k <= commas[0]; ++k) Blank(k);
    size_t valueEnd = commas.size() > 1 ? commas[1] : close;
    for (size_t k = valueEnd; k < close; ++k) Blank(k);
    if (date) {
      t_[at].text = Lower(typeText).find("date") != std::string::npos && Lower(typeText).find("time") == std::string::npos
                        ? "pt_date" : "pt_datetime";
    } else {
      t_[at].text = "cast";
      t_[close].before = " as " + typeText + t_[close].before;
    }
  }

  std::vector<Token> t_;
  Dialect d_;
  std::string tail_;
};

// Statement boundaries of a token list: ";" outside parentheses.
std::vector<std::pair<size_t, size_t>> SplitStatements(const std::vector<Token>& t) {
  std::vector<std::pair<size_t, size_t>> out;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (IsPunct(t[i], '(')) ++depth;
    else if (IsPunct(t[i], ')')) {
      if (--depth < 0) throw DialectError("Incorrect syntax near ')'.");
    } else if (depth == 0 && IsPunct(t[i], ';')) {
      out.emplace_back(start, i);
      start = i + 1;
    }
  }
  if (depth != 0) throw DialectError("Incorrect syntax: a parenthesis is not closed.");
  out.emplace_back(start, t.size());
  return out;
}

std::string RenderPlain(const std::vector<Token>& t, size_t from, size_t to) {
  std::string out;
  for (size_t i = from; i < to; ++i) out += t[i].text;
  return out;
}

std::string Trim(std::string s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::vector<Token> Slice(const std::vector<Token>& t, size_t from, size_t to) {
  return std::vector<Token>(t.begin() + static_cast<std::ptrdiff_t>(from), t.begin() + static_cast<std::ptrdiff_t>(to));
}

bool StartsStatement(const Token& t) {
  static const char* kWords[] = {"alter", "update", "insert", "delete", "select", "create", "drop",
                                 "exec", "execute", "set", "print", "truncate", "begin", "with"};
  if (t.kind != Tok::Word) return false;
  for (const char* w : kWords)
    if (t.lower == w) return true;
  return false;
}

bool IsTextType(const std::string& lower) {
  return lower == "varchar" || lower == "char" || lower == "nvarchar" || lower == "nchar" || lower == "text" ||
         lower == "ntext";
}

// alter table T add c1 def[, c2 def ...]: one SQLite ALTER per column; text columns get the
// schema's collation (a SQL Server collation name is mapped: *_CI_* to CI, others to BINARY).
std::vector<std::string> AlterTableAdd(const std::vector<Token>& t, size_t addAt, Dialect dialect) {
  Rewriter head(Slice(t, 0, addAt), dialect);
  std::string prefix = Trim(head.Run()) + " ADD COLUMN ";
  std::vector<std::string> out;
  std::vector<Token> rest = Slice(t, addAt + 1, t.size());
  int depth = 0;
  size_t start = 0;
  auto flush = [&](size_t end) {
    std::vector<Token> col = Slice(rest, start, end);
    // Leading "column" is SQLite's own optional word; SQL Server never writes it.
    bool text = false, collated = false;
    std::string name, length;
    size_t sig = 0;
    for (size_t k = 0; k < col.size(); ++k) {
      if (!Significant(col[k])) continue;
      ++sig;
      if (sig == 1) name = col[k].text;
      if (sig == 2 && col[k].kind == Tok::Word && IsTextType(col[k].lower)) text = true;
      if (sig == 4 && text && col[k].kind == Tok::Number) length = col[k].text;
      if (col[k].kind == Tok::Word && col[k].lower == "collate") {
        collated = true;
        for (size_t m = k + 1; m < col.size(); ++m) {
          if (!Significant(col[m])) continue;
          col[m].text = col[m].lower.find("_ci") != std::string::npos ? "CI"
                        : dialect == Dialect::Sqlite                  ? "BINARY"
                                                                      : "\"C\"";
          break;
        }
      }
    }
    Rewriter r(std::move(col), dialect);
    std::string def = Trim(r.Run());
    if (def.empty()) throw DialectError("Incorrect syntax near 'add'.");
    if (text && !collated) def += " COLLATE CI";
    // SQLite keeps any length: the server refuses a text longer than its column.
    if (dialect == Dialect::Sqlite && !length.empty()) def += " CHECK (pt_fits(" + name + ", " + length + "))";
    out.push_back(prefix + def);
  };
  for (size_t i = 0; i < rest.size(); ++i) {
    if (IsPunct(rest[i], '(')) ++depth;
    else if (IsPunct(rest[i], ')')) --depth;
    else if (depth == 0 && IsPunct(rest[i], ',')) {
      flush(i);
      start = i + 1;
    }
  }
  flush(rest.size());
  return out;
}

// create table T (c1 def, c2 def, primary key (...)): text columns get the schema's collation,
// as columns added by alter table do; a SQL Server collation name is mapped the same way.
void CollateCreatedColumns(std::vector<Token>& t, size_t from, Dialect dialect) {
  size_t open = from;
  while (open < t.size() && !IsPunct(t[open], '(')) ++open;
  if (open == t.size()) return;
  std::vector<size_t> def;  // significant tokens of the column definition being read
  auto finish = [&] {
    if (def.size() < 2 || t[def[0]].kind == Tok::Punct) return;
    static const char* kConstraints[] = {"primary", "unique", "constraint", "foreign", "check", "index"};
    for (const char* w : kConstraints)
      if (IsWord(t[def[0]], w)) return;
    if (t[def[1]].kind != Tok::Word || !IsTextType(t[def[1]].lower)) return;
    for (size_t k = 2; k < def.size(); ++k)
      if (IsWord(t[def[k]], "collate")) {
        if (k + 1 < def.size())
          t[def[k + 1]].text = t[def[k + 1]].lower.find("_ci") != std::string::npos || t[def[k + 1]].lower == "ci"
                                   ? "CI"
                               : dialect == Dialect::Sqlite ? "BINARY"
                                                            : "\"C\"";
        return;
      }
    t[def.back()].text += " COLLATE CI";
  };
  int depth = 0;
  for (size_t i = open + 1; i < t.size(); ++i) {
    if (!Significant(t[i])) continue;
    if (IsPunct(t[i], '(')) ++depth;
    if (IsPunct(t[i], ')') && depth-- == 0) {
      finish();
      return;
    }
    if (depth == 0 && IsPunct(t[i], ',')) {
      finish();
      def.clear();
      continue;
    }
    def.push_back(i);
  }
}

std::vector<std::string> TranslateSimple(std::vector<Token> t, Dialect dialect) {
  std::vector<size_t> sig;
  for (size_t i = 0; i < t.size(); ++i)
    if (Significant(t[i])) sig.push_back(i);
  if (sig.size() >= 3 && IsWord(t[sig[0]], "create") && IsWord(t[sig[1]], "table")) CollateCreatedColumns(t, sig[2], dialect);
  if (sig.size() >= 3 && IsWord(t[sig[0]], "alter") && IsWord(t[sig[1]], "table")) {
    for (size_t k = 2; k < sig.size(); ++k)
      if (IsWord(t[sig[k]], "add")) {
        if (k + 1 < sig.size() && IsWord(t[sig[k + 1]], "column")) break;  // already SQLite form
        if (k + 1 < sig.size() && IsWord(t[sig[k + 1]], "constraint"))
          throw DialectError("alter table ... add constraint is not supported");
        return AlterTableAdd(t, sig[k], dialect);
      }
  }
  if (sig.size() >= 2 && IsWord(t[sig[0]], "delete") && !IsWord(t[sig[1]], "from")) t[sig[0]].text += " from";
  Rewriter r(std::move(t), dialect);
  return {Trim(r.Run())};
}

}  // namespace

std::string TranslateFragment(std::string_view text, Dialect dialect) {
  Rewriter r(Tokenize(text), dialect);
  return r.Run();
}

std::vector<SqlStep> TranslateBatch(std::string_view text, Dialect dialect) {
  std::vector<Token> toks = Tokenize(text);
  std::vector<SqlStep> steps;
  for (auto [from, to] : SplitStatements(toks)) {
    std::vector<Token> st = Slice(toks, from, to);
    size_t first = 0;
    while (first < st.size() && !Significant(st[first])) ++first;
    if (first == st.size()) continue;  // an empty statement (a trailing ";")
    SqlStep step;
    step.original = Trim(RenderPlain(st, 0, st.size()));
    if (IsWord(st[first], "if")) {
      int depth = 0;
      size_t body = st.size();
      for (size_t j = first + 1; j < st.size(); ++j) {
        if (IsPunct(st[j], '(')) ++depth;
        else if (IsPunct(st[j], ')')) --depth;
        else if (depth == 0 && StartsStatement(st[j])) { body = j; break; }
      }
      if (body == st.size() || body == first + 1) throw DialectError("Incorrect syntax near 'if'.");
      if (IsWord(st[body], "begin")) throw DialectError("IF ... BEGIN ... END blocks are not supported");
      for (size_t j = body; j < st.size(); ++j)
        if (IsWord(st[j], "else")) throw DialectError("IF ... ELSE is not supported");
      Rewriter cond(Slice(st, first + 1, body), dialect);
      step.condition = "SELECT CASE WHEN " + Trim(cond.Run()) + " THEN 1 ELSE 0 END";
      step.sql = TranslateSimple(Slice(st, body, st.size()), dialect);
    } else {
      step.sql = TranslateSimple(std::move(st), dialect);
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace pt::hostapp
