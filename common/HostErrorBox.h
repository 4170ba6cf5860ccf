#pragma once
// Report of a failed host call: the host's error list under an optional prefix line.
#include <QWidget>
#include <string>

#include "common/Variant.h"

namespace pt {

// Composes the text (see ComposeHostErrors) and, when an owner is given, shows it through the UI
// seam owned by that window: caption "错误", error icon, OK. Returns the text either way; never
// throws.
std::string ShowHostErrors(QWidget* owner, const Variant& errorList, const std::string& prefix);

}  // namespace pt
