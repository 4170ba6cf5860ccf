#include "report_engine/Expression.h"

#include <cctype>
#include <cmath>

#include "common/MemTable.h"
#include "common/ModuleError.h"

namespace pt::report {

// ------------------------------------------------------------------ variables

void VariableList::Set(std::string_view name, std::string_view value) {
  for (auto& item : items_)
    if (SameName(item.first, name)) {
      item.second = std::string(value);
      return;
    }
  items_.emplace_back(std::string(name), std::string(value));
}

const std::string* VariableList::Find(std::string_view name) const {
  for (const auto& item : items_)
    if (SameName(item.first, name)) return &item.second;
  return nullptr;
}

// ------------------------------------------------------------------ parser

namespace {

using Node = Expression::Node;
using Kind = Node::Kind;

enum class Tok { End, Number, Text, Quoted, Ident, Op };

struct Token {
  Tok type = Tok::End;
  std::string text;
  double number = 0;
};

bool IdentStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IdentChar(unsigned char c) { return IdentStart(c) || std::isdigit(c) || c == '#'; }

[[noreturn]] void SyntaxError(std::string_view source, const std::string& why) {
  throw ModuleError("报表模板有误：表达式“" + std::string(source) + "”" + why);
}

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) { Advance(); }
  const Token& Peek() const { return tok_; }
  Token Take() {
    Token t = tok_;
    Advance();
    return t;
  }
  bool TakeOp(std::string_view op) {
    if (tok_.type == Tok::Op && tok_.text == op) {
      Advance();
      return true;
    }
    return false;
  }
  bool TakeKeyword(std::string_view word) {
    if (tok_.type == Tok::Ident && SameName(tok_.text, word)) {
      Advance();
      return true;
    }
    return false;
  }

 private:
  void Advance() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    tok_ = Token();
    if (pos_ >= s_.size()) return;
    unsigned char c = static_cast<unsigned char>(s_[pos_]);
    if (std::isdigit(c) || (c == '.' && pos_ + 1 < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_ + 1])))) {
      size_t start = pos_;
      while (pos_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.')) ++pos_;
      tok_.type = Tok::Number;
      tok_.text = std::string(s_.substr(start, pos_ - start));
      if (!TextToFloat(tok_.text, tok_.number)) SyntaxError(s_, "中的数字“" + tok_.text + "”无法识别");
      return;
    }
    if (c == '\'' || c == '"') {
      char quote = static_cast<char>(c);
      ++pos_;
      std::string text;
      for (;;) {
        if (pos_ >= s_.size()) SyntaxError(s_, "中的引号没有结束");
        if (s_[pos_] == quote) {
          if (pos_ + 1 < s_.size() && s_[pos_ + 1] == quote) {  // doubled quote
            text.push_back(quote);
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        text.push_back(s_[pos_++]);
      }
      tok_.type = quote == '\'' ? Tok::Text : Tok::Quoted;
      tok_.text = std::move(text);
      return;
    }
    if (IdentStart(c)) {
      size_t start = pos_;
      while (pos_ < s_.size() && IdentChar(static_cast<unsigned char>(s_[pos_]))) ++pos_;
      tok_.type = Tok::Ident;
      tok_.text = std::string(s_.substr(start, pos_ - start));
      return;
    }
    static const char* kOps[] = {"<>", "<=", ">=", "=", "<", ">", "+", "-", "*", "/", "(", ")", "[", "]", "."};
    for (const char* op : kOps) {
      std::string_view o(op);
      if (s_.substr(pos_, o.size()) == o) {
        tok_.type = Tok::Op;
        tok_.text = std::string(o);
        pos_ += o.size();
        return;
      }
    }
    SyntaxError(s_, "中有无法识别的字符“" + std::string(1, static_cast<char>(c)) + "”");
  }

  std::string_view s_;
  size_t pos_ = 0;
  Token tok_;
};

class Parser {
 public:
  Parser(std::string_view source, std::vector<Node>& nodes) : source_(source), lex_(source), nodes_(nodes) {}

  int ParseAll() {
    if (lex_.Peek().type == Tok::End) SyntaxError(source_, "为空");
    int root = Or();
    if (lex_.Peek().type != Tok::End) SyntaxError(source_, "在“" + lex_.Peek().text + "”处多出内容");
    return root;
  }

 private:
  int Add(Node n) {
    nodes_.push_back(std::move(n));
    return static_cast<int>(nodes_.size()) - 1;
  }
  int Binary(Kind k, int l, int r) {
    Node n;
    n.kind = k;
    n.left = l;
    n.right = r;
    return Add(std::move(n));
  }
  int Or() {
    int l = And();
    while (lex_.TakeKeyword("or")) l = Binary(Kind::Or, l, And());
    return l;
  }
  int And() {
    int l = Not();
    while (lex_.TakeKeyword("and")) l = Binary(Kind::And, l, Not());
    return l;
  }
  int Not() {
    if (++depth_ > kMaxDepth) SyntaxError(source_, "嵌套过深");
    int e = lex_.TakeKeyword("not") ? Binary(Kind::Not, Not(), -1) : Compare();
    --depth_;
    return e;
  }
  int Compare() {
    int l = Sum();
    static const std::pair<const char*, Kind> kCmp[] = {{"=", Kind::Eq}, {"<>", Kind::Ne}, {"<=", Kind::Le},
                                                        {">=", Kind::Ge}, {"<", Kind::Lt}, {">", Kind::Gt}};
    for (const auto& [op, kind] : kCmp)
      if (lex_.TakeOp(op)) return Binary(kind, l, Sum());
    return l;
  }
  int Sum() {
    int l = Product();
    for (;;) {
      if (lex_.TakeOp("+")) l = Binary(Kind::Add, l, Product());
      else if (lex_.TakeOp("-")) l = Binary(Kind::Sub, l, Product());
      else return l;
    }
  }
  int Product() {
    int l = Unary();
    for (;;) {
      if (lex_.TakeOp("*")) l = Binary(Kind::Mul, l, Unary());
      else if (lex_.TakeOp("/")) l = Binary(Kind::Div, l, Unary());
      else return l;
    }
  }
  int Unary() {
    // Nesting is bounded so that no template can exhaust the stack.
    if (++depth_ > kMaxDepth) SyntaxError(source_, "嵌套过深");
    int e = lex_.TakeOp("-") ? Binary(Kind::Neg, Unary(), -1) : Primary();
    --depth_;
    return e;
  }
  int Primary() {
    if (lex_.TakeOp("(")) {
      int e = Or();
      if (!lex_.TakeOp(")")) SyntaxError(source_, "缺少“)”");
      return e;
    }
    if (lex_.TakeOp("[")) {
      int e = Or();
      if (!lex_.TakeOp("]")) SyntaxError(source_, "缺少“]”");
      return e;
    }
    Token t = lex_.Take();
    Node n;
    switch (t.type) {
      case Tok::Number:
        n.value = Variant(t.number);
        return Add(std::move(n));
      case Tok::Text:
        n.value = Variant(t.text);
        return Add(std::move(n));
      case Tok::Ident:
        if (lex_.TakeOp(".")) {
          Token f = lex_.Take();
          if (f.type != Tok::Ident && f.type != Tok::Quoted)
            SyntaxError(source_, "中“" + t.text + ".”后缺少字段名");
          n.kind = Kind::Field;
          n.dataset = t.text;
          n.name = f.text;
          return Add(std::move(n));
        }
        if (SameName(t.text, "Page#")) n.kind = Kind::PageNo;
        else if (SameName(t.text, "TotalPages#")) n.kind = Kind::TotalPages;
        else if (SameName(t.text, "Line#")) n.kind = Kind::LineNo;
        else {
          n.kind = Kind::Variable;
          n.name = t.text;
        }
        return Add(std::move(n));
      case Tok::End:
        SyntaxError(source_, "不完整");
      default:
        SyntaxError(source_, "在“" + t.text + "”处无法识别");
    }
  }

  static constexpr int kMaxDepth = 200;
  std::string_view source_;
  Lexer lex_;
  std::vector<Node>& nodes_;
  int depth_ = 0;
};

// Numbers for arithmetic and comparison: a text that reads as a number counts as one.
bool AsNumber(const Variant& v, double& out) {
  switch (v.kind()) {
    case Variant::Kind::Null: out = 0; return true;
    case Variant::Kind::Bool: out = v.AsBool() ? 1 : 0; return true;
    case Variant::Kind::Int: out = static_cast<double>(v.AsInt()); return true;
    case Variant::Kind::Float: out = v.AsFloat(); return true;
    case Variant::Kind::Text: return TextToFloat(v.AsText(), out);
    default: return false;
  }
}

std::string AsText(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Text: return v.AsText();
    case Variant::Kind::Null: return {};
    case Variant::Kind::Float: return FloatToText(v.AsFloat());
    case Variant::Kind::Int: return std::to_string(v.AsInt());
    case Variant::Kind::Bool: return v.AsBool() ? "1" : "0";
    default: return {};
  }
}

}  // namespace

bool IsPresent(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null: return false;
    case Variant::Kind::Bool: return v.AsBool();
    case Variant::Kind::Int: return v.AsInt() != 0;
    case Variant::Kind::Float: return std::fabs(v.AsFloat()) > 0.005;
    case Variant::Kind::Text: return v.AsText().find_first_not_of(" \t\r\n") != std::string::npos;
    default: return false;
  }
}

// ------------------------------------------------------------------ expression

Expression Expression::Parse(std::string_view text) {
  Expression e;
  e.source_ = std::string(text);
  e.root_ = Parser(e.source_, e.nodes_).ParseAll();
  return e;
}

void Expression::Bind(const ReportDataSource* source, const VariableList& variables) {
  for (Node& n : nodes_) {
    if (n.kind == Kind::Field) {
      if (!source || !SameName(n.dataset, source->Name()))
        throw ModuleError("报表模板引用了不存在的数据集：" + n.dataset);
      n.field = source->FieldIndex(n.name);
      if (n.field < 0) throw ModuleError("报表模板引用了不存在的字段：" + n.dataset + ".\"" + n.name + "\"");
    } else if (n.kind == Kind::Variable) {
      // A variable nobody set prints as nothing: report windows leave some of theirs unset.
      const std::string* v = variables.Find(n.name);
      n.value = v ? Variant(*v) : Variant();
    }
  }
}

int Expression::SoleField() const {
  if (root_ < 0) return -1;
  const Node& n = nodes_[static_cast<size_t>(root_)];
  return n.kind == Kind::Field ? n.field : -1;
}

void Expression::CollectFields(std::vector<std::pair<int, std::string>>& out) const {
  for (const Node& n : nodes_)
    if (n.kind == Kind::Field) out.emplace_back(n.field, n.name);
}

Variant Expression::Evaluate(const ReportDataSource* source, const PageContext& page) const {
  if (root_ < 0) return Variant();
  return Eval(root_, source, page);
}

bool Expression::IsTrue(const ReportDataSource* source, const PageContext& page) const {
  return root_ >= 0 && IsPresent(Eval(root_, source, page));
}

// One operator applied to its operands' values (operand 0 is the left one).
Variant Expression::Apply(const Node& n, const Variant* operands) const {
  if (n.kind == Kind::Not) return Variant(!IsPresent(operands[0]));
  if (n.kind == Kind::Neg) {
    double a;
    if (!AsNumber(operands[0], a))
      throw ModuleError("表达式“" + source_ + "”中的“" + AsText(operands[0]) + "”不是数字");
    return Variant(-a);
  }
  const Variant& l = operands[0];
  const Variant& r = operands[1];
  double a = 0, b = 0;
  bool numeric = AsNumber(l, a) && AsNumber(r, b);
  // Blank texts are not numbers, but compared with a number they stand for nothing (0).
  if (n.kind >= Kind::Eq) {
    if (numeric && !(l.IsText() && r.IsText())) {
      // Prices equal when within 0.005, as everywhere in the suite.
      double d = a - b;
      switch (n.kind) {
        case Kind::Eq: return Variant(std::fabs(d) <= 0.005);
        case Kind::Ne: return Variant(std::fabs(d) > 0.005);
        case Kind::Lt: return Variant(d < -0.005);
        case Kind::Le: return Variant(d <= 0.005);
        case Kind::Gt: return Variant(d > 0.005);
        case Kind::Ge: return Variant(d >= -0.005);
        default: break;
      }
    }
    int c = AsText(l).compare(AsText(r));
    switch (n.kind) {
      case Kind::Eq: return Variant(c == 0);
      case Kind::Ne: return Variant(c != 0);
      case Kind::Lt: return Variant(c < 0);
      case Kind::Le: return Variant(c <= 0);
      case Kind::Gt: return Variant(c > 0);
      case Kind::Ge: return Variant(c >= 0);
      default: break;
    }
  }
  if (n.kind == Kind::Add && !numeric) return Variant(AsText(l) + AsText(r));
  if (n.kind == Kind::Add && (l.IsText() && r.IsText())) return Variant(AsText(l) + AsText(r));
  if (!numeric) {
    const Variant& bad = AsNumber(l, a) ? r : l;
    throw ModuleError("表达式“" + source_ + "”中的“" + AsText(bad) + "”不是数字");
  }
  switch (n.kind) {
    case Kind::Add: return Variant(a + b);
    case Kind::Sub: return Variant(a - b);
    case Kind::Mul: return Variant(a * b);
    case Kind::Div:
      if (b == 0) return Variant();  // nothing to show rather than a failed print
      return Variant(a / b);
    default: return Variant();
  }
}

// Walks the tree with a stack of its own rather than the call stack: a chain such as 1+1+...+1
// or a and b and ... is as deep as it is long, and a template may hold tens of thousands of
// terms. Operands are evaluated left to right; "and" and "or" skip their right side when the
// left one decides, so an error there is not raised.
Variant Expression::Eval(int root, const ReportDataSource* source, const PageContext& page) const {
  struct Frame {
    int node;
    int done;  // operands evaluated so far
  };
  std::vector<Frame> frames{{root, 0}};
  std::vector<Variant> values;
  while (!frames.empty()) {
    const int index = frames.back().node;
    const int done = frames.back().done;
    const Node& n = nodes_[static_cast<size_t>(index)];
    switch (n.kind) {
      case Kind::Constant:
      case Kind::Variable:
        values.push_back(n.value);
        frames.pop_back();
        continue;
      case Kind::Field:
        values.push_back(n.field < 0 || !source ? Variant() : source->Value(n.field));
        frames.pop_back();
        continue;
      case Kind::PageNo: values.emplace_back(page.page); frames.pop_back(); continue;
      case Kind::TotalPages: values.emplace_back(page.totalPages); frames.pop_back(); continue;
      case Kind::LineNo: values.emplace_back(page.line); frames.pop_back(); continue;
      case Kind::And:
      case Kind::Or:
        if (done == 1) {
          const bool left = IsPresent(values.back());
          if (left == (n.kind == Kind::Or)) {
            values.back() = Variant(left);
            frames.pop_back();
            continue;
          }
          values.pop_back();  // the right side alone decides now
        } else if (done == 2) {
          values.back() = Variant(IsPresent(values.back()));
          frames.pop_back();
          continue;
        }
        break;
      default:
        break;
    }
    const int operands = n.right >= 0 ? 2 : 1;
    if (done < operands) {
      frames.back().done = done + 1;
      frames.push_back(Frame{done == 0 ? n.left : n.right, 0});
      continue;
    }
    const size_t first = values.size() - static_cast<size_t>(operands);
    Variant result = Apply(n, &values[first]);
    values.resize(first);
    values.push_back(std::move(result));
    frames.pop_back();
  }
  return std::move(values.back());
}

// ------------------------------------------------------------------ text templates

std::string FormatValue(const Variant& value, const std::string& format) {
  switch (value.kind()) {
    case Variant::Kind::Null: return {};
    case Variant::Kind::Int:
    case Variant::Kind::Float:
      if (!format.empty()) return FormatFloat(format, value.ToFloat());
      return AsText(value);
    default:
      return AsText(value);
  }
}

TextTemplate TextTemplate::Parse(std::string_view text) {
  TextTemplate t;
  std::string literal;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '[') {
      literal.push_back(c);
      ++i;
      continue;
    }
    // Find the matching "]", skipping quoted parts and nested brackets.
    size_t j = i + 1;
    int depth = 1;
    char quote = 0;
    for (; j < text.size(); ++j) {
      char d = text[j];
      if (quote) {
        if (d == quote) quote = 0;
      } else if (d == '\'' || d == '"') {
        quote = d;
      } else if (d == '[') {
        ++depth;
      } else if (d == ']' && --depth == 0) {
        break;
      }
    }
    if (j >= text.size())
      throw ModuleError("报表模板有误：文本“" + std::string(text) + "”中的“[”没有对应的“]”");
    if (!literal.empty()) {
      t.parts_.push_back(Part{std::move(literal), {}, {}});
      literal.clear();
    }
    t.parts_.push_back(Part{{}, Expression::Parse(text.substr(i + 1, j - i - 1)), {}});
    i = j + 1;
  }
  if (!literal.empty()) t.parts_.push_back(Part{std::move(literal), {}, {}});
  return t;
}

void TextTemplate::Bind(const ReportDataSource* source, const VariableList& variables) {
  for (Part& p : parts_) {
    if (p.expr.Empty()) continue;
    p.expr.Bind(source, variables);
    int f = p.expr.SoleField();
    p.fieldFormat = f >= 0 && source ? source->DisplayFormat(f) : std::string();
  }
}

std::string TextTemplate::Render(const ReportDataSource* source, const PageContext& page,
                                 const std::string& format) const {
  if (parts_.size() == 1 && parts_[0].expr.Empty()) return parts_[0].literal;
  std::string out;
  for (const Part& p : parts_) {
    if (p.expr.Empty()) {
      out += p.literal;
      continue;
    }
    out += FormatValue(p.expr.Evaluate(source, page), format.empty() ? p.fieldFormat : format);
  }
  return out;
}

std::string TextTemplate::WithExpressions(const std::function<std::string(const Expression&)>& name) const {
  std::string out;
  for (const Part& p : parts_) out += p.expr.Empty() ? p.literal : name(p.expr);
  return out;
}

const Expression* TextTemplate::SoleExpression() const {
  const Expression* found = nullptr;
  for (const Part& p : parts_) {
    if (p.expr.Empty()) continue;
    if (found) return nullptr;
    found = &p.expr;
  }
  return found;
}

std::string TextTemplate::SoleFieldFormat() const {
  for (const Part& p : parts_)
    if (!p.expr.Empty()) return p.fieldFormat;
  return {};
}

void TextTemplate::CollectFields(std::vector<std::pair<int, std::string>>& out) const {
  for (const Part& p : parts_) p.expr.CollectFields(out);
}

bool TextTemplate::Constant() const {
  for (const Part& p : parts_)
    if (!p.expr.Empty()) return false;
  return true;
}

}  // namespace pt::report
