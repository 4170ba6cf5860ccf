#include "common/FilterExpression.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace pt {

namespace {

// ---------------------------------------------------------------- text helpers

inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string FoldAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  return out;
}

bool HasAsciiLetter(std::string_view s) {
  for (unsigned char c : s)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return false;
}

inline size_t Utf8Len(unsigned char c) { return c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4; }

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Sort key of one non-ASCII character in GBK byte order; characters GBK lacks sort after all
// that it has, by code point.
uint32_t GbkCharKey(std::string_view ch) {
  thread_local iconv_t cd = iconv_open("GBK", "UTF-8");
  uint32_t cp = 0;
  unsigned char c0 = static_cast<unsigned char>(ch[0]);
  cp = ch.size() == 2 ? (c0 & 0x1F) : ch.size() == 3 ? (c0 & 0x0F) : (c0 & 0x07);
  for (size_t i = 1; i < ch.size(); ++i) cp = (cp << 6) | (static_cast<unsigned char>(ch[i]) & 0x3F);
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    char out[8];
    char* inp = const_cast<char*>(ch.data());
    size_t inLeft = ch.size();
    char* outp = out;
    size_t outLeft = sizeof out;
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t n = sizeof out - outLeft;
    if (r != static_cast<size_t>(-1) && inLeft == 0 && (n == 1 || n == 2)) {
      uint32_t b0 = static_cast<unsigned char>(out[0]);
      uint32_t b1 = n == 2 ? static_cast<unsigned char>(out[1]) : 0;
      return (b0 << 8) | b1;
    }
  }
  return 0x10000u + cp;
}

// Three-way comparison of two UTF-8 texts: ASCII letters folded, GBK byte order.
int CompareTexts(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  while (i < n && Fold(static_cast<unsigned char>(a[i])) == Fold(static_cast<unsigned char>(b[i]))) ++i;
  if (i == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  unsigned char ca = static_cast<unsigned char>(a[i]);
  unsigned char cb = static_cast<unsigned char>(b[i]);
  if (ca < 0x80 && cb < 0x80) return Fold(ca) < Fold(cb) ? -1 : 1;
  // The texts differ inside or at a multi-byte character: back up to its first byte (the bytes
  // before i are equal, so both texts have a character boundary at the same place).
  while (i > 0 && (static_cast<unsigned char>(a[i]) & 0xC0) == 0x80) --i;
  ca = static_cast<unsigned char>(a[i]);
  cb = static_cast<unsigned char>(b[i]);
  if (ca < 0x80) return -1;  // a single-byte character sorts before any double-byte one
  if (cb < 0x80) return 1;
  size_t la = Utf8Len(ca), lb = Utf8Len(cb);
  if (i + la > a.size()) la = a.size() - i;
  if (i + lb > b.size()) lb = b.size() - i;
  uint32_t ka = GbkCharKey(a.substr(i, la));
  uint32_t kb = GbkCharKey(b.substr(i, lb));
  if (ka != kb) return ka < kb ? -1 : 1;
  // Same key for different bytes (malformed input): fall back to byte order.
  int r = a.substr(i).compare(b.substr(i));
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// ---------------------------------------------------------------- LIKE patterns

struct LikePattern {
  enum class Shape { Exact, Prefix, Suffix, Contains, General };
  Shape shape = Shape::General;
  std::string folded;     // the pattern with ASCII letters folded
  std::string literal;    // Exact/Prefix/Suffix/Contains: the text without the '%' marks
  bool literalHasLetters = false;

  static LikePattern Make(std::string_view pattern) {
    LikePattern p;
    p.folded = FoldAscii(pattern);
    std::string_view f = p.folded;
    bool hasUnderscore = f.find('_') != std::string_view::npos;
    if (!hasUnderscore) {
      bool lead = !f.empty() && f.front() == '%';
      bool trail = f.size() > (lead ? 1u : 0u) && f.back() == '%';
      std::string_view inner = f.substr(lead ? 1 : 0, f.size() - (lead ? 1 : 0) - (trail ? 1 : 0));
      if (inner.find('%') == std::string_view::npos) {
        p.literal = std::string(inner);
        p.literalHasLetters = HasAsciiLetter(inner);
        p.shape = lead && trail ? Shape::Contains : lead ? Shape::Suffix : trail ? Shape::Prefix : Shape::Exact;
      }
    }
    return p;
  }

  static bool StartsFolded(std::string_view text, std::string_view lit, size_t at) {
    if (at + lit.size() > text.size()) return false;
    for (size_t k = 0; k < lit.size(); ++k)
      if (Fold(static_cast<unsigned char>(text[at + k])) != static_cast<unsigned char>(lit[k])) return false;
    return true;
  }

  bool ContainsLiteral(std::string_view text) const {
    if (literal.empty()) return true;
    // Without letters in the pattern, folding cannot change which bytes match.
    if (!literalHasLetters) return text.find(literal) != std::string_view::npos;
    if (literal.size() > text.size()) return false;
    for (size_t at = 0; at + literal.size() <= text.size(); ++at)
      if (StartsFolded(text, literal, at)) return true;
    return false;
  }

  // '%' any run, '_' one character; the classic single-backtrack scan, stepping whole UTF-8
  // characters so a '_' never lands inside one.
  bool MatchGeneral(std::string_view t) const {
    std::string_view p = folded;
    size_t ti = 0, pi = 0;
    size_t starP = std::string_view::npos, starT = 0;
    while (ti < t.size()) {
      if (pi < p.size() && p[pi] == '%') {
        starP = ++pi;
        starT = ti;
        continue;
      }
      if (pi < p.size() && p[pi] == '_') {
        ti += Utf8Len(static_cast<unsigned char>(t[ti]));
        ++pi;
        continue;
      }
      if (pi < p.size() && Fold(static_cast<unsigned char>(t[ti])) == static_cast<unsigned char>(p[pi])) {
        ++ti;
        ++pi;
        continue;
      }
      if (starP == std::string_view::npos) return false;
      starT += Utf8Len(static_cast<unsigned char>(t[starT]));
      ti = starT;
      pi = starP;
    }
    if (ti > t.size()) return false;  // a '_' ran over a truncated character
    while (pi < p.size() && p[pi] == '%') ++pi;
    return pi == p.size();
  }

  bool Match(std::string_view t) const {
    switch (shape) {
      case Shape::Exact: return EqualFolded(t, literal);
      case Shape::Prefix: return StartsFolded(t, literal, 0);
      case Shape::Suffix: return t.size() >= literal.size() && StartsFolded(t, literal, t.size() - literal.size());
      case Shape::Contains: return ContainsLiteral(t);
      case Shape::General: return MatchGeneral(t);
    }
    return false;
  }
};

// ---------------------------------------------------------------- values

// One side of a comparison as evaluation sees it. Text views point into the row or the program.
struct Val {
  enum class K : uint8_t { Null, Num, Text, Bool };
  K k = K::Null;
  bool b = false;
  bool numKnown = false;  // Text: numeric reading already tried
  bool numOk = false;
  double num = 0;
  std::string_view text;

  bool Number(double& out) {
    if (k == K::Num) { out = num; return true; }
    if (k != K::Text) return false;
    if (!numKnown) {
      numKnown = true;
      numOk = TextToFloat(text, num);
    }
    out = num;
    return numOk;
  }
};

inline Val FromCell(const Variant& v) {
  Val r;
  switch (v.kind()) {
    case Variant::Kind::Int: r.k = Val::K::Num; r.num = static_cast<double>(v.AsInt()); break;
    case Variant::Kind::Float: r.k = Val::K::Num; r.num = v.AsFloat(); break;
    case Variant::Kind::Text: r.k = Val::K::Text; r.text = v.AsText(); break;
    case Variant::Kind::Bool: r.k = Val::K::Bool; r.b = v.AsBool(); break;
    default: break;  // null, and kinds a cell never holds, take part in nothing
  }
  return r;
}

bool BoolOfText(std::string_view t, bool& out) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
  if (EqualFolded(t, "true")) { out = true; return true; }
  if (EqualFolded(t, "false")) { out = false; return true; }
  double d = 0;
  if (TextToFloat(t, d)) { out = d != 0; return true; }
  return false;
}

// Numbers that read the same in 15 significant digits are equal: a value the exclusion step wrote
// out as text ("f_Xsdj<>'0.3'") must find its own row again. Anything further apart than one
// step of that grid is told apart exactly (a 13-digit barcode differs from its neighbour).
int CompareNumbers(double a, double b) {
  if (a == b) return 0;
  double scale = std::fabs(a) > std::fabs(b) ? std::fabs(a) : std::fabs(b);
  if (std::fabs(a - b) <= scale * 1e-14) {
    char x[40], y[40];
    std::snprintf(x, sizeof x, "%.15g", a);
    std::snprintf(y, sizeof y, "%.15g", b);
    if (std::strcmp(x, y) == 0) return 0;
  }
  return a < b ? -1 : 1;
}

constexpr int kIncomparable = 2;

// -1, 0, 1, or kIncomparable when the two values have no order (null, a text that is not a
// number against a number, ...).
int Compare(Val& a, Val& b) {
  using K = Val::K;
  if (a.k == K::Null || b.k == K::Null) return kIncomparable;
  if (a.k == K::Text && b.k == K::Text) return CompareTexts(a.text, b.text);
  if (a.k == K::Bool || b.k == K::Bool) {
    bool x = false, y = false;
    Val& o = a.k == K::Bool ? b : a;
    bool ob = false;
    if (o.k == K::Bool) ob = o.b;
    else if (o.k == K::Num) ob = o.num != 0;
    else if (!BoolOfText(o.text, ob)) return kIncomparable;
    x = a.k == K::Bool ? a.b : ob;
    y = b.k == K::Bool ? b.b : ob;
    return x == y ? 0 : (!x ? -1 : 1);
  }
  double x = 0, y = 0;
  if (!a.Number(x) || !b.Number(y)) return kIncomparable;
  return CompareNumbers(x, y);
}

// Text form of a value for LIKE; false for null.
bool TextForm(const Val& v, std::string_view& out, std::string& buffer) {
  switch (v.k) {
    case Val::K::Null: return false;
    case Val::K::Text: out = v.text; return true;
    case Val::K::Bool: out = v.b ? "True" : "False"; return true;
    case Val::K::Num: buffer = FloatToText(v.num); out = buffer; return true;
  }
  return false;
}

// ---------------------------------------------------------------- tokens

enum class Tok { End, Ident, Text, Number, LParen, RParen, Cmp };
enum class CmpOp : uint8_t { Eq, Ne, Lt, Le, Gt, Ge };

struct Token {
  Tok kind = Tok::End;
  size_t pos = 0;       // byte offsets in the source
  size_t end = 0;
  std::string text;     // identifier as written, text literal unquoted, number as written
  CmpOp cmp = CmpOp::Eq;
};

std::string CharPosition(std::string_view src, size_t bytePos) {
  size_t n = 1;
  for (size_t i = 0; i < bytePos && i < src.size(); ++i)
    if ((static_cast<unsigned char>(src[i]) & 0xC0) != 0x80) ++n;
  return std::to_string(n);
}

[[noreturn]] void Fail(std::string_view src, size_t pos, const std::string& expected, const std::string& found) {
  throw FilterError("过滤条件有误（第 " + CharPosition(src, pos) + " 个字符）：应为" + expected + "，实为" + found);
}

inline bool IsIdentStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
inline bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    Token t;
    t.pos = i;
    if (i >= s.size()) {
      out.push_back(std::move(t));
      return out;
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '(') { t.kind = Tok::LParen; ++i; }
    else if (c == ')') { t.kind = Tok::RParen; ++i; }
    else if (c == '=') { t.kind = Tok::Cmp; t.cmp = CmpOp::Eq; ++i; }
    else if (c == '<') {
      t.kind = Tok::Cmp;
      ++i;
      if (i < s.size() && s[i] == '>') { t.cmp = CmpOp::Ne; ++i; }
      else if (i < s.size() && s[i] == '=') { t.cmp = CmpOp::Le; ++i; }
      else t.cmp = CmpOp::Lt;
    } else if (c == '>') {
      t.kind = Tok::Cmp;
      ++i;
      if (i < s.size() && s[i] == '=') { t.cmp = CmpOp::Ge; ++i; }
      else t.cmp = CmpOp::Gt;
    } else if (c == '\'') {
      t.kind = Tok::Text;
      ++i;
      while (true) {
        if (i >= s.size()) Fail(s, t.pos, "结束文本的单引号", "条件结尾");
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') { t.text += '\''; i += 2; continue; }
          ++i;
          break;
        }
        t.text += s[i++];
      }
    } else if (IsDigit(c) || ((c == '-' || c == '+' || c == '.') && i + 1 < s.size() &&
                              (IsDigit(static_cast<unsigned char>(s[i + 1])) ||
                               (c != '.' && s[i + 1] == '.' && i + 2 < s.size() && IsDigit(static_cast<unsigned char>(s[i + 2])))))) {
      t.kind = Tok::Number;
      size_t start = i;
      if (s[i] == '-' || s[i] == '+') ++i;
      while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      t.text = std::string(s.substr(start, i - start));
      if (i < s.size() && IsIdentChar(static_cast<unsigned char>(s[i]))) {
        size_t j = i;
        while (j < s.size() && IsIdentChar(static_cast<unsigned char>(s[j]))) ++j;
        Fail(s, start, "数字", "“" + std::string(s.substr(start, j - start)) + "”");
      }
    } else if (IsIdentStart(c)) {
      t.kind = Tok::Ident;
      size_t start = i;
      while (i < s.size() && IsIdentChar(static_cast<unsigned char>(s[i]))) ++i;
      t.text = std::string(s.substr(start, i - start));
    } else {
      size_t len = Utf8Len(c);
      Fail(s, i, "字段名、文本、数字或运算符", "“" + std::string(s.substr(i, len)) + "”");
    }
    t.end = i;
    out.push_back(std::move(t));
  }
}

bool IsKeyword(const Token& t, std::string_view word) { return t.kind == Tok::Ident && EqualFolded(t.text, word); }

}  // namespace

// ---------------------------------------------------------------- program

struct Operand {
  bool isField = false;
  int index = 0;
  Val lit;              // literal value; its text is litText, attached when evaluated
  std::string litText;  // text literal unquoted, number as written
};

struct CompiledFilter::Program {
  enum class Op : uint8_t { Const, And, Or, Not, Cmp, Like, Between, NotInTexts };
  struct Node {
    Op op = Op::Const;
    bool value = false;  // Const
    bool negate = false;  // Like / Between: the NOT form
    CmpOp cmp = CmpOp::Eq;
    std::vector<int> kids;  // And / Or / Not
    Operand a, b, c;
    int pattern = -1;  // Like with a literal pattern: index into patterns
    int textSet = -1;  // NotInTexts: index into textSets; kids hold the original terms
  };
  std::vector<Node> nodes;
  std::vector<LikePattern> patterns;
  std::vector<std::unordered_set<std::string>> textSets;  // ASCII-folded texts
  int root = 0;

  static Val Get(const Operand& o, const Variant* row) {
    if (o.isField) return FromCell(row[o.index]);
    Val v = o.lit;
    v.text = o.litText;
    return v;
  }

  bool Eval(int id, const Variant* row) const {
    const Node& n = nodes[static_cast<size_t>(id)];
    switch (n.op) {
      case Op::Const: return n.value;
      case Op::And:
        for (int k : n.kids) if (!Eval(k, row)) return false;
        return true;
      case Op::Or:
        for (int k : n.kids) if (Eval(k, row)) return true;
        return false;
      case Op::Not: return !Eval(n.kids[0], row);
      case Op::Cmp: {
        Val a = Get(n.a, row), b = Get(n.b, row);
        int r = Compare(a, b);
        switch (n.cmp) {
          case CmpOp::Eq: return r == 0;
          case CmpOp::Ne: return r != 0;
          case CmpOp::Lt: return r == -1;
          case CmpOp::Le: return r == -1 || r == 0;
          case CmpOp::Gt: return r == 1;
          case CmpOp::Ge: return r == 1 || r == 0;
        }
        return false;
      }
      case Op::Like: {
        Val a = Get(n.a, row);
        std::string buf, pbuf;
        std::string_view text;
        bool hit = false;
        if (TextForm(a, text, buf)) {
          if (n.pattern >= 0) {
            hit = patterns[static_cast<size_t>(n.pattern)].Match(text);
          } else {
            std::string_view ptext;
            Val p = Get(n.b, row);
            if (TextForm(p, ptext, pbuf)) hit = LikePattern::Make(ptext).Match(text);
          }
        }
        return hit != n.negate;
      }
      case Op::NotInTexts: {
        // A run of "field <> 'text'" terms joined by And, as the grid's exclusion step writes
        // them: one lookup for a text cell, the terms one by one for any other kind of cell.
        const Variant& cell = row[n.a.index];
        if (cell.IsNull()) return true;
        if (cell.IsText()) {
          thread_local std::string folded;
          folded.assign(cell.AsText());
          for (char& ch : folded) ch = static_cast<char>(Fold(static_cast<unsigned char>(ch)));
          return textSets[static_cast<size_t>(n.textSet)].count(folded) == 0;
        }
        for (int k : n.kids) if (!Eval(k, row)) return false;
        return true;
      }
      case Op::Between: {
        Val a = Get(n.a, row), lo = Get(n.b, row), hi = Get(n.c, row);
        int r1 = Compare(a, lo);
        bool in = (r1 == 0 || r1 == 1);
        if (in) {
          int r2 = Compare(a, hi);
          in = (r2 == 0 || r2 == -1);
        }
        return in != n.negate;
      }
    }
    return false;
  }
};

namespace {

constexpr int kMaxDepth = 200;

class Parser {
 public:
  using Program = CompiledFilter::Program;

  Parser(std::string_view src, const FilterFieldResolver& resolve, Program& prog)
      : src_(src), resolve_(resolve), prog_(prog), toks_(Tokenize(src)) {}

  int ParseAll() {
    int root = ParseOr(0);
    if (Peek().kind != Tok::End) Fail(src_, Peek().pos, "“And”、“OR”或条件结尾", Describe(Peek()));
    return root;
  }

 private:
  const Token& Peek() const { return toks_[pos_]; }
  const Token& Next() { return toks_[pos_ < toks_.size() - 1 ? pos_++ : pos_]; }

  std::string Describe(const Token& t) const {
    if (t.kind == Tok::End) return "条件结尾";
    return "“" + std::string(src_.substr(t.pos, t.end - t.pos)) + "”";
  }

  int Add(Program::Node n) {
    prog_.nodes.push_back(std::move(n));
    return static_cast<int>(prog_.nodes.size() - 1);
  }

  void CheckDepth(int depth, size_t at) {
    if (depth > kMaxDepth)
      throw FilterError("过滤条件有误（第 " + CharPosition(src_, at) + " 个字符）：括号或 NOT 嵌套过深");
  }

  int ParseOr(int depth) {
    std::vector<int> kids{ParseAnd(depth)};
    while (IsKeyword(Peek(), "or")) {
      Next();
      kids.push_back(ParseAnd(depth));
    }
    return Group(Program::Op::Or, std::move(kids));
  }

  int ParseAnd(int depth) {
    std::vector<int> kids{ParseNot(depth)};
    while (IsKeyword(Peek(), "and")) {
      Next();
      kids.push_back(ParseNot(depth));
    }
    return Group(Program::Op::And, std::move(kids));
  }

  // Flattens nested groups of the same kind and folds constant members, so "( 1=1 And ... )"
  // costs nothing per row.
  int Group(Program::Op op, std::vector<int> kids) {
    if (kids.size() == 1) return kids[0];
    bool absorbing = op == Program::Op::Or;  // true absorbs OR, false absorbs AND
    std::vector<int> flat;
    for (int k : kids) {
      const Program::Node& n = prog_.nodes[static_cast<size_t>(k)];
      if (n.op == Program::Op::Const) {
        if (n.value == absorbing) return k;
        continue;  // the neutral constant drops out
      }
      if (n.op == op) flat.insert(flat.end(), n.kids.begin(), n.kids.end());
      else flat.push_back(k);
    }
    if (op == Program::Op::And) GatherExclusions(flat);
    if (flat.empty()) return Const(!absorbing);
    if (flat.size() == 1) return flat[0];
    Program::Node n;
    n.op = op;
    n.kids = std::move(flat);
    return Add(std::move(n));
  }

  // Replaces runs of "field <> 'text'" members of an And group by one set lookup per field.
  void GatherExclusions(std::vector<int>& members) {
    constexpr size_t kWorthASet = 8;
    std::map<int, std::vector<int>> byField;
    for (int k : members) {
      const Program::Node& n = prog_.nodes[static_cast<size_t>(k)];
      if (n.op != Program::Op::Cmp || n.cmp != CmpOp::Ne) continue;
      if (n.a.isField && !n.b.isField && n.b.lit.k == Val::K::Text) byField[n.a.index].push_back(k);
    }
    for (auto& [field, terms] : byField) {
      if (terms.size() < kWorthASet) continue;
      std::unordered_set<std::string> texts;
      for (int k : terms) texts.insert(FoldAscii(prog_.nodes[static_cast<size_t>(k)].b.litText));
      prog_.textSets.push_back(std::move(texts));
      Program::Node set;
      set.op = Program::Op::NotInTexts;
      set.a.isField = true;
      set.a.index = field;
      set.textSet = static_cast<int>(prog_.textSets.size() - 1);
      set.kids = terms;
      std::vector<int> rest;
      bool placed = false;
      int id = Add(std::move(set));
      for (int k : members) {
        bool inRun = std::find(terms.begin(), terms.end(), k) != terms.end();
        if (!inRun) rest.push_back(k);
        else if (!placed) { rest.push_back(id); placed = true; }
      }
      members = std::move(rest);
    }
  }

  int Const(bool v) {
    Program::Node n;
    n.op = Program::Op::Const;
    n.value = v;
    return Add(std::move(n));
  }

  int ParseNot(int depth) {
    if (IsKeyword(Peek(), "not")) {
      CheckDepth(depth + 1, Peek().pos);
      Next();
      int inner = ParseNot(depth + 1);
      const Program::Node& in = prog_.nodes[static_cast<size_t>(inner)];
      if (in.op == Program::Op::Const) return Const(!in.value);
      Program::Node n;
      n.op = Program::Op::Not;
      n.kids = {inner};
      return Add(std::move(n));
    }
    return ParsePredicate(depth);
  }

  int ParsePredicate(int depth) {
    if (Peek().kind == Tok::LParen) {
      CheckDepth(depth + 1, Peek().pos);
      Next();
      int inner = ParseOr(depth + 1);
      if (Peek().kind != Tok::RParen) Fail(src_, Peek().pos, "“)”", Describe(Peek()));
      Next();
      return inner;
    }
    Program::Node n;
    n.a = ParseOperand();
    const Token& t = Peek();
    bool negate = false;
    if (IsKeyword(t, "not")) {
      Next();
      negate = true;
      if (!IsKeyword(Peek(), "like") && !IsKeyword(Peek(), "between"))
        Fail(src_, Peek().pos, "“LIKE”或“BETWEEN”", Describe(Peek()));
    }
    if (Peek().kind == Tok::Cmp && !negate) {
      n.op = Program::Op::Cmp;
      n.cmp = Next().cmp;
      n.b = ParseOperand();
    } else if (IsKeyword(Peek(), "like")) {
      Next();
      n.op = Program::Op::Like;
      n.negate = negate;
      n.b = ParseOperand();
      if (!n.b.isField) {
        prog_.patterns.push_back(LikePattern::Make(n.b.litText));
        n.pattern = static_cast<int>(prog_.patterns.size() - 1);
      }
    } else if (IsKeyword(Peek(), "between")) {
      Next();
      n.op = Program::Op::Between;
      n.negate = negate;
      n.b = ParseOperand();
      if (!IsKeyword(Peek(), "and")) Fail(src_, Peek().pos, "“And”", Describe(Peek()));
      Next();
      n.c = ParseOperand();
    } else {
      Fail(src_, Peek().pos, "比较运算符（= <> < <= > >=）、“LIKE”或“BETWEEN”", Describe(Peek()));
    }
    bool constant = !n.a.isField && !n.b.isField && (n.op != Program::Op::Between || !n.c.isField);
    if (constant) {
      // Literal against literal (the builder's 1=1): decide once.
      Program scratch;
      scratch.patterns = prog_.patterns;
      scratch.nodes.push_back(n);
      return Const(scratch.Eval(0, nullptr));
    }
    return Add(std::move(n));
  }

  Operand ParseOperand() {
    const Token& t = Peek();
    Operand o;
    switch (t.kind) {
      case Tok::Ident: {
        if (IsKeyword(t, "and") || IsKeyword(t, "or") || IsKeyword(t, "not") || IsKeyword(t, "like") ||
            IsKeyword(t, "between"))
          Fail(src_, t.pos, "字段名、文本或数字", Describe(t));
        std::optional<FilterFieldInfo> info = resolve_ ? resolve_(t.text) : std::nullopt;
        if (!info) throw FilterError("找不到字段 " + t.text);
        o.isField = true;
        o.index = info->index;
        Next();
        return o;
      }
      case Tok::Text:
        o.litText = t.text;
        o.lit.k = Val::K::Text;
        o.lit.numKnown = true;  // read once here, not per row
        o.lit.numOk = TextToFloat(o.litText, o.lit.num);
        Next();
        return o;
      case Tok::Number: {
        o.litText = t.text;
        o.lit.k = Val::K::Num;
        if (!TextToFloat(t.text, o.lit.num)) Fail(src_, t.pos, "数字", Describe(t));
        Next();
        return o;
      }
      default: Fail(src_, t.pos, "字段名、文本或数字", Describe(t));
    }
  }

  std::string_view src_;
  const FilterFieldResolver& resolve_;
  Program& prog_;
  std::vector<Token> toks_;
  size_t pos_ = 0;
};

}  // namespace

CompiledFilter::CompiledFilter() = default;

CompiledFilter CompiledFilter::Compile(std::string_view text, const FilterFieldResolver& resolve) {
  bool blank = true;
  for (unsigned char c : text)
    if (c > ' ') { blank = false; break; }
  CompiledFilter f;
  if (blank) return f;
  auto prog = std::make_shared<Program>();
  Parser parser(text, resolve, *prog);
  prog->root = parser.ParseAll();
  f.program_ = std::move(prog);
  return f;
}

bool CompiledFilter::Matches(const Variant* row) const {
  if (!program_) return true;
  return program_->Eval(program_->root, row);
}

}  // namespace pt
