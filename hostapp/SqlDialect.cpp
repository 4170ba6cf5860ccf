#include "hostapp/SqlDialect.h"

#include <algorithm>
#include <cctype>
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

class Rewriter {
 public:
  // Comments mean nothing to the statement and go: a line comment at the end would otherwise
  // swallow what the rewriting appends ("select top 5 * from t --" would lose its limit).
  explicit Rewriter(std::vector<Token> toks) : t_(std::move(toks)) {
    for (Token& t : t_)
      if (t.kind == Tok::Comment) {
        t.kind = Tok::Space;
        t.text = " ";
      }
  }

  std::string Run() {
    LocalRewrites();
    InSubqueryRewrites();
    TopRewrites();
    return Render(0, t_.size());
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
        w.text = "pt_" + w.lower;
      } else if (w.lower == "left" || w.lower == "right") {
        w.text = "pt_" + w.lower;
      } else if (w.lower == "isnull") {
        w.text = "ifnull";
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

  size_t Prev(size_t i) const {
    for (size_t j = i; j-- > 0;)
      if (Significant(t_[j])) return j;
    return t_.size();
  }

  // Right to left, so that a select inside another one's count is rewritten before that count
  // is taken as the limit.
  void TopRewrites() {
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
        limitText += ") ";
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

  // cast(x as datetime) -> pt_datetime(x); other casts SQLite runs as they are.
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
        }
        return;
      }
    }
  }

  // convert(type, x [, style]) -> cast(x as type) / pt_datetime(x); the style is dropped.
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
std::vector<std::string> AlterTableAdd(const std::vector<Token>& t, size_t addAt) {
  Rewriter head(Slice(t, 0, addAt));
  std::string prefix = Trim(head.Run()) + " ADD COLUMN ";
  std::vector<std::string> out;
  std::vector<Token> rest = Slice(t, addAt + 1, t.size());
  int depth = 0;
  size_t start = 0;
  auto flush = [&](size_t end) {
    std::vector<Token> col = Slice(rest, start, end);
    // Leading "column" is SQLite's own optional word; SQL Server never writes it.
    bool text = false, collated = false;
    size_t sig = 0;
    for (size_t k = 0; k < col.size(); ++k) {
      if (!Significant(col[k])) continue;
      ++sig;
      if (sig == 2 && col[k].kind == Tok::Word && IsTextType(col[k].lower)) text = true;
      if (col[k].kind == Tok::Word && col[k].lower == "collate") {
        collated = true;
        for (size_t m = k + 1; m < col.size(); ++m) {
          if (!Significant(col[m])) continue;
          col[m].text = col[m].lower.find("_ci") != std::string::npos ? "CI" : "BINARY";
          break;
        }
      }
    }
    Rewriter r(std::move(col));
    std::string def = Trim(r.Run());
    if (def.empty()) throw DialectError("Incorrect syntax near 'add'.");
    if (text && !collated) def += " COLLATE CI";
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

std::vector<std::string> TranslateSimple(std::vector<Token> t) {
  std::vector<size_t> sig;
  for (size_t i = 0; i < t.size(); ++i)
    if (Significant(t[i])) sig.push_back(i);
  if (sig.size() >= 3 && IsWord(t[sig[0]], "alter") && IsWord(t[sig[1]], "table")) {
    for (size_t k = 2; k < sig.size(); ++k)
      if (IsWord(t[sig[k]], "add")) {
        if (k + 1 < sig.size() && IsWord(t[sig[k + 1]], "column")) break;  // already SQLite form
        if (k + 1 < sig.size() && IsWord(t[sig[k + 1]], "constraint"))
          throw DialectError("alter table ... add constraint is not supported");
        return AlterTableAdd(t, sig[k]);
      }
  }
  if (sig.size() >= 2 && IsWord(t[sig[0]], "delete") && !IsWord(t[sig[1]], "from")) t[sig[0]].text += " from";
  Rewriter r(std::move(t));
  return {Trim(r.Run())};
}

}  // namespace

std::string TranslateFragment(std::string_view text) {
  Rewriter r(Tokenize(text));
  return r.Run();
}

std::vector<SqlStep> TranslateBatch(std::string_view text) {
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
      Rewriter cond(Slice(st, first + 1, body));
      step.condition = "SELECT CASE WHEN " + Trim(cond.Run()) + " THEN 1 ELSE 0 END";
      step.sql = TranslateSimple(Slice(st, body, st.size()));
    } else {
      step.sql = TranslateSimple(std::move(st));
    }
    steps.push_back(std::move(step));
  }
  return steps;
}

}  // namespace pt::hostapp
