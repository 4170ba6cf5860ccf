#pragma once
// Templates live in the database as text: every byte of the template written as two hexadecimal
// digits, high digit first, the whole ended by "#". Rows written by older tools may carry
// trailing blanks or a line break after the "#", so reading stops at the "#" or at the first
// character that is not a hexadecimal digit; a dangling half byte at that point is dropped.
#include <string>
#include <string_view>

namespace pt::report {

std::string DecodeStoredTemplate(std::string_view text);
std::string EncodeStoredTemplate(std::string_view bytes);

}  // namespace pt::report
