#pragma once
// GBK (code page 936) at the outer edges; UTF-8 inside. Every conversion goes through here.
#include <string>
#include <string_view>

namespace pt {

// UTF-8 -> GBK. Characters GBK lacks become "?" (and *lossless is set false when given).
std::string Utf8ToGbk(std::string_view utf8, bool* lossless = nullptr);
// GBK -> UTF-8. Bytes that are not valid GBK become U+FFFD (and *valid is set false).
std::string GbkToUtf8(std::string_view gbk, bool* valid = nullptr);
// True when the bytes are well-formed UTF-8: no overlong forms, no encoded UTF-16 surrogates,
// nothing beyond U+10FFFF, no stray or missing continuation bytes.
bool IsValidUtf8(std::string_view bytes);

// Length of a UTF-8 text in GBK bytes: 1 per ASCII character, 2 per other character.
size_t GbkLength(std::string_view utf8);
// The longest prefix of a UTF-8 text whose GBK form fits in maxBytes, cut at a character
// boundary (a double-byte character is never split).
std::string_view TruncateToGbkBytes(std::string_view utf8, size_t maxBytes);

// A file's text as UTF-8: a UTF-8 byte-order mark is dropped and the rest taken as UTF-8;
// anything else is taken as GBK.
std::string DecodeTextFile(std::string_view bytes);

}  // namespace pt

namespace pt {
// A byte string that orders texts as the suite's ANSI comparisons do: GBK byte order (which
// puts the common Chinese characters in pinyin order), ASCII letters folded to lower case when
// caseInsensitive is set. Cheap for ASCII texts.
std::string GbkSortKey(std::string_view utf8, bool caseInsensitive);
}  // namespace pt
