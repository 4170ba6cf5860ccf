#pragma once
// The text of a failed host call's report: the prefix line, then the host's messages one a line.
// The Qt layer shows it under the caption "错误"; composing it never fails.
#include <string>

#include "common/Variant.h"

namespace pt {

// Lines joined with "\r\n", no final line break. A list that is not an array, or holds an element
// that is not text-like, reads "未知错误！" from the point where it stops being readable (the
// messages before that point are kept).
std::string ComposeHostErrors(const Variant& errorList, const std::string& prefix);

}  // namespace pt
