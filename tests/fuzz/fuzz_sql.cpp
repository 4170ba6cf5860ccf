// The stand-in host's SQL Server dialect translation. Any text is translated or refused with a
// DialectError; comments change nothing about the translation; and no `top` is left behind
// untranslated (it would make SQLite run another statement or fail obscurely).
#include <cctype>

#include "hostapp/SqlDialect.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt::hostapp;

namespace {

// Words (lower-cased) and punctuation outside texts, quoted names and comments; comments become
// blanks in `stripped`. False when a text, name or comment is not closed.
bool Scan(std::string_view s, std::vector<std::string>& words, std::string* stripped) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      size_t end = s.find('\n', i);
      if (end == std::string_view::npos) end = s.size();
      if (stripped) stripped->push_back(' ');
      i = end;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t end = s.find("*/", i + 2);
      if (end == std::string_view::npos) return false;
      if (stripped) stripped->push_back(' ');
      i = end + 2;
      continue;
    }
    if (c == '\'' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : static_cast<char>(c);
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= s.size()) return false;
        if (s[j] == close) {
          if (j + 1 < s.size() && s[j + 1] == close) {
            ++j;
            continue;
          }
          break;
        }
      }
      if (stripped) stripped->append(s.substr(i, j + 1 - i));
      i = j + 1;
      continue;
    }
    if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      // Numbers are read as the translation reads them (1e-5 whole): they hold no words.
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.')) {
        if ((s[j] == 'e' || s[j] == 'E') && j + 1 < s.size() && (s[j + 1] == '+' || s[j + 1] == '-')) ++j;
        ++j;
      }
      if (stripped) stripped->append(s.substr(i, j - i));
      i = j;
      continue;
    }
    if (std::isalpha(c) || c == '_' || c == '@' || c == '#' || c >= 0x80) {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' || s[j] == '@' ||
                              s[j] == '#' || s[j] == '$' || static_cast<unsigned char>(s[j]) >= 0x80))
        ++j;
      std::string w(s.substr(i, j - i));
      for (char& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      words.push_back(w);
      if (stripped) stripped->append(s.substr(i, j - i));
      i = j;
      continue;
    }
    if (!std::isspace(c)) words.push_back(std::string(1, static_cast<char>(c)));  // punctuation counts as a token
    if (stripped) stripped->push_back(static_cast<char>(c));
    ++i;
  }
  return true;
}

// A `top` right after select (and distinct or all): one the translation must not leave.
bool HasTop(const std::vector<std::string>& words) {
  for (size_t i = 0; i + 1 < words.size(); ++i) {
    if (words[i] != "select") continue;
    size_t k = i + 1;
    if (words[k] == "distinct" || words[k] == "all") ++k;
    if (k < words.size() && words[k] == "top") return true;
  }
  return false;
}

bool Translate(std::string_view text, std::vector<std::vector<std::string>>& out) {
  try {
    for (SqlStep& step : TranslateBatch(text)) {
      out.push_back(step.sql);
      if (!step.condition.empty()) out.back().push_back(step.condition);
    }
  } catch (const DialectError&) {
    return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = pt::fuzz::Bytes(data, size);
  std::vector<std::vector<std::string>> translated;
  const bool ok = Translate(text, translated);
  try {
    TranslateFragment(text);
  } catch (const DialectError&) {
  }
  std::vector<std::string> words;
  std::string stripped;
  if (!Scan(text, words, &stripped)) return 0;
  std::vector<std::vector<std::string>> withoutComments;
  FUZZ_CHECK(Translate(stripped, withoutComments) == ok);
  if (!ok) return 0;
  FUZZ_CHECK(withoutComments == translated);
  for (const auto& statements : translated)
    for (const std::string& sql : statements) {
      std::vector<std::string> out;
      if (Scan(sql, out, nullptr)) FUZZ_CHECK(!HasTop(out));
    }
  return 0;
}
