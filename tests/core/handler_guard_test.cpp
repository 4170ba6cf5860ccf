// No exception may leave a Qt event handler: an exception unwinding through Qt's event loop ends
// the host process. Every handler of the module is therefore written in one of two checkable
// forms (common/ErrorGuard.h):
//   - connect(sender, signal, receiver, Guarded(owner, fn)); a pointer to a Qt class's own
//     member (&QWidget::update, qOverload<>(&QWidget::update)) may be connected as it is;
//   - an event override (...Event, event, eventFilter) whose whole body is one Guard(...) call;
//   - a dialog's reject() or accept() (Qt calls them from its own Esc key and close button) that
//     is one Guard(...) call too, or calls nothing but done().
// This suite reads every source file of the module and names each handler in neither form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The text with comments, string and character literals blanked out (line breaks kept, so
// offsets and line numbers stay those of the file).
std::string Code(const std::string& src) {
  std::string out = src;
  const size_t n = src.size();
  size_t i = 0;
  auto blank = [&](size_t from, size_t to) {
    for (size_t k = from; k < to && k < n; ++k)
      if (out[k] != '\n') out[k] = ' ';
  };
  while (i < n) {
    if (src.compare(i, 2, "//") == 0) {
      size_t e = src.find('\n', i);
      e = e == std::string::npos ? n : e;
      blank(i, e);
      i = e;
    } else if (src.compare(i, 2, "/*") == 0) {
      size_t e = src.find("*/", i + 2);
      e = e == std::string::npos ? n : e + 2;
      blank(i, e);
      i = e;
    } else if (src[i] == 'R' && i + 1 < n && src[i + 1] == '"' && (i == 0 || !(isalnum(static_cast<unsigned char>(src[i - 1])) || src[i - 1] == '_'))) {
      size_t open = src.find('(', i);
      if (open == std::string::npos) break;
      std::string close = ")" + src.substr(i + 2, open - i - 2) + "\"";
      size_t e = src.find(close, open);
      e = e == std::string::npos ? n : e + close.size();
      blank(i + 2, e - 1);
      i = e;
    } else if (src[i] == '"' || (src[i] == '\'' && !(i > 0 && isxdigit(static_cast<unsigned char>(src[i - 1]))))) {
      const char q = src[i];
      size_t k = i + 1;
      while (k < n && src[k] != q && src[k] != '\n') k += src[k] == '\\' ? 2 : 1;
      blank(i + 1, k);
      i = k + 1;
    } else {
      ++i;
    }
  }
  return out;
}

// From just after an opening bracket to its partner; npos when unbalanced.
size_t Closing(const std::string& code, size_t from, char open, char close) {
  int depth = 1;
  for (size_t i = from; i < code.size(); ++i) {
    if (code[i] == open) ++depth;
    else if (code[i] == close && --depth == 0) return i;
  }
  return std::string::npos;
}

// The top-level arguments of a call whose "(" ends just before `from`.
std::vector<std::string> Arguments(const std::string& code, size_t from, size_t end) {
  std::vector<std::string> args;
  int depth = 0;
  size_t start = from;
  for (size_t i = from; i < end; ++i) {
    const char c = code[i];
    if (code.compare(i, 10, "qOverload<") == 0) {
      i = code.find('>', i);  // its types hold commas of their own
      if (i == std::string::npos || i >= end) break;
    } else if (c == '(' || c == '[' || c == '{') {
      ++depth;
    } else if (c == ')' || c == ']' || c == '}') {
      --depth;
    } else if (c == ',' && depth == 0) {
      args.push_back(code.substr(start, i - start));
      start = i + 1;
    }
  }
  args.push_back(code.substr(start, end - start));
  for (auto& a : args) {
    a.erase(0, a.find_first_not_of(" \t\r\n"));
    a.erase(a.find_last_not_of(" \t\r\n") + 1);
  }
  return args;
}

int LineOf(const std::string& code, size_t offset) {
  return 1 + static_cast<int>(std::count(code.begin(), code.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// "name:line what" for every handler of `src` that is in neither guarded form.
std::vector<std::string> UnguardedHandlers(const std::string& name, const std::string& src) {
  const std::string code = Code(src);
  std::vector<std::string> found;
  auto report = [&](size_t at, const std::string& what) {
    found.push_back(name + ":" + std::to_string(LineOf(code, at)) + " " + what);
  };
  static const std::regex guardedHandler(R"(^(pt::)?Guarded\s*\()");
  static const std::regex qtMember(R"(^(qOverload\s*<[^>]*>\s*\(\s*)?&Q[A-Z]\w*::\w+)");
  static const std::regex call(R"(\b(connect|QTimer::singleShot|callOnTimeout)\s*\()");
  for (auto it = std::sregex_iterator(code.begin(), code.end(), call); it != std::sregex_iterator(); ++it) {
    const size_t open = static_cast<size_t>(it->position() + it->length());
    const size_t close = Closing(code, open, '(', ')');
    if (close == std::string::npos) continue;
    std::vector<std::string> args = Arguments(code, open, close);
    if ((*it)[1] == "connect" && args.size() < 3) continue;  // not QObject::connect
    std::string handler = args.back();
    if (handler.rfind("Qt::", 0) == 0 && args.size() > 1) handler = args[args.size() - 2];
    if (std::regex_search(handler, guardedHandler) || std::regex_search(handler, qtMember)) continue;
    std::string shown = handler.substr(0, handler.find('\n'));
    report(static_cast<size_t>(it->position()), std::string((*it)[1]) + " without Guarded: " + shown.substr(0, 60));
  }
  // A definition (with a body) of an event override, or of a dialog's reject() or accept().
  static const std::regex override(R"(\b(?:bool|void)\s+(?:\w+::)?(\w*Event|event|eventFilter|reject|accept)\s*\([^;{}()]*\)\s*(?:const\s*)?(?:override\s*)?\{)");
  static const std::regex doneCall(R"(\bdone\s*\([^()]*\))");
  static const std::regex guardCall(R"(^\s*(return\s+)?(pt::)?Guard\s*\()");
  for (auto it = std::sregex_iterator(code.begin(), code.end(), override); it != std::sregex_iterator(); ++it) {
    const size_t bodyBegin = static_cast<size_t>(it->position() + it->length());
    const size_t bodyEnd = Closing(code, bodyBegin, '{', '}');
    if (bodyEnd == std::string::npos) continue;
    const std::string body = code.substr(bodyBegin, bodyEnd - bodyBegin);
    const bool closes = (*it)[1] == "reject" || (*it)[1] == "accept";
    if (closes && std::regex_replace(body, doneCall, "").find('(') == std::string::npos) continue;
    std::smatch m;
    bool whole = false;
    if (std::regex_search(body, m, guardCall)) {
      const size_t callOpen = static_cast<size_t>(m.position() + m.length());
      const size_t callClose = Closing(body, callOpen, '(', ')');
      whole = callClose != std::string::npos &&
              body.find_first_not_of(" \t\r\n", callClose + 1) != std::string::npos &&
              body[body.find_first_not_of(" \t\r\n", callClose + 1)] == ';' &&
              body.find_first_not_of(" \t\r\n;", callClose + 1) == std::string::npos;
    }
    if (!whole) report(static_cast<size_t>(it->position()), std::string((*it)[1]) + " whose body is not one Guard call");
  }
  return found;
}

TEST(HandlerGuardTest, TheScanTellsGuardedHandlersFromBareOnes) {
  struct Case {
    const char* what;
    const char* source;
    size_t unguarded;
  };
  const Case cases[] = {
      {"a bare lambda", "connect(btnOK, &QPushButton::clicked, this, [this] { done(1); });", 1},
      {"a member of our own class", "connect(btnOK, &QPushButton::clicked, this, &TfmDysz::btnOKClick);", 1},
      {"guarded, over two lines",
       "connect(tnbm, &QTreeWidget::itemChanged, this,\n  Guarded(this, [this](QTreeWidgetItem* i, int c) { f(i, c); }));", 0},
      {"guarded with a connection type", "QObject::connect(a, &A::s, b, pt::Guarded(b, [] {}), Qt::QueuedConnection);", 0},
      {"a bare lambda with a connection type", "connect(a, &A::s, b, [] {}, Qt::QueuedConnection);", 1},
      {"Qt's own slots", "connect(t, &QTimer::timeout, this, qOverload<>(&QWidget::update));\n"
                         "connect(s, &QScrollBar::valueChanged, o, &QScrollBar::setValue);", 0},
      {"a signal forwarded to our own signal", "connect(a, &A::s, this, &TAdvDBGridEh::changed);", 1},
      {"a timer's bare lambda", "QTimer::singleShot(0, this, [this] { close(); });", 1},
      {"calls inside comments and texts", "// connect(a, &A::s, this, [] {});\nauto t = \"connect(a, b, c, [] {})\";", 0},
      {"an override that is one Guard call", "void TX::paintEvent(QPaintEvent* e) {\n  Guard(this, [&] { Paint(e); });\n}", 0},
      {"an answering override", "bool TX::eventFilter(QObject* o, QEvent* e) { return pt::Guard(this, true, [&] { return F(o, e); }); }", 0},
      {"work outside the Guard call", "void TX::closeEvent(QCloseEvent* e) {\n  Guard(this, [] {});\n  e->accept();\n}", 1},
      {"an override without Guard", "void TX::showEvent(QShowEvent* e) { QDialog::showEvent(e); Centre(); }", 1},
      {"a declaration", "void showEvent(QShowEvent* event) override;\nbool eventFilter(QObject*, QEvent*) override;", 0},
      {"an inline override", "  bool event(QEvent* e) override {\n    return QWidget::event(e);\n  }", 1},
      {"a reject() that only closes", "void reject() override { done(2); }\nvoid TD::reject() {\n  ok_ = false;\n  done(2);\n}", 0},
      {"a reject() that does work first", "void TD::reject() {\n  CancelRowEdit();\n  done(2);\n}", 1},
      {"a guarded accept()", "void TD::accept() {\n  Guard(this, [&] { Store(); done(1); });\n}", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(UnguardedHandlers("x.cpp", c.source).size(), c.unguarded) << c.what;
}

TEST(HandlerGuardTest, EveryHandlerOfTheModuleIsGuarded) {
  // The module's own folders: everything that ends up in libdllmorvex.so.
  // The checkout: two folders above the test data (set by CTest), else above this file (whose
  // name a compiler cache may have made relative to the build folder).
  const char* data = std::getenv("PRICETAG_TEST_DATA");
  const fs::path root = data && *data ? fs::path(data).parent_path().parent_path()
                                      : fs::path(__FILE__).parent_path().parent_path().parent_path();
  const char* folders[] = {"common", "controls", "dialogs", "host", "module", "printing", "queue", "report_engine", "reports"};
  std::vector<std::string> unguarded;
  int files = 0;
  for (const char* folder : folders) {
    ASSERT_TRUE(fs::is_directory(root / folder)) << (root / folder);
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string src((std::istreambuf_iterator<char>(in)), {});
      ++files;
      for (auto& u : UnguardedHandlers(fs::relative(entry.path(), root).string(), src)) unguarded.push_back(u);
    }
  }
  EXPECT_GT(files, 50);
  std::string list;
  for (const auto& u : unguarded) list += "\n  " + u;
  EXPECT_TRUE(unguarded.empty()) << "handlers an exception could leave:" << list;
}

}  // namespace
