#pragma once
// The small text routines every window uses when composing SQL and cutting texts apart.
// Texts are UTF-8 inside the program; splitting at one-character ASCII separators gives the same
// pieces as on the GBK bytes the suite stores.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pt {

// Blanks are the characters up to and including ' ' (control characters too), as the suite trims.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

std::string IfThenStr(bool condition, std::string_view whenTrue, std::string_view whenFalse);

// True when the text is not blank and the whole text, untrimmed, is an optional sign followed by
// decimal digits that fit a 64-bit signed integer (" 12" and "12 " are not integers).
bool IsIntegerText(std::string_view text);

// Decimal form of value, left-padded with "0" to width; a longer form stays whole unless
// keepRight is set, which keeps its rightmost width characters (0 to width 0 gives "").
// A negative value keeps its sign in front of the padding ("-05"), never "0-5".
std::string ZeroPadInt(int64_t value, int width, bool keepRight);

// Occurrences of the separator plus 1; an empty text has no fields.
int CountFields(std::string_view text, char separator);

// The index-th field (from 1) of text cut at separator; field n runs from after the (n-1)-th
// separator to the n-th one or the end. A result equal to the whole text (no separator, or not
// enough of them) is "". Index 0 gives the first character (the query builder's alias rule relies
// on it), a negative index "".
std::string GetField(std::string_view text, char separator, int index);

// Clears pieces, cuts text at every occurrence of separator (any length; an empty separator cuts
// nothing), trims each piece and appends it, the last one included. False when a piece is empty.
bool SplitText(std::string_view separator, std::string_view text, std::vector<std::string>& pieces);

// The text before its first blank (' '); "" when it holds none.
std::string FirstWord(std::string_view text);

// Every non-overlapping occurrence of pattern, scanning from the left, replaced; case-sensitive.
// An empty pattern changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

// Lower-cased ASCII letters, every other byte as it is: codes and names compared without regard
// to letter case.
std::string AsciiLower(std::string_view text);

}  // namespace pt
