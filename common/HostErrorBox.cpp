#include "common/HostErrorBox.h"

#include "common/HostErrors.h"
#include "common/UiSeam.h"

namespace pt {

std::string ShowHostErrors(QWidget* owner, const Variant& errorList, const std::string& prefix) {
  std::string text;
  try {
    text = ComposeHostErrors(errorList, prefix);
  } catch (...) {
    text = prefix.empty() ? std::string("未知错误！") : prefix + "\r\n未知错误！";
  }
  if (owner) {
    try {
      ui::ShowMessage(owner, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                      QString::fromUtf8("错误"), ui::Icon::Error, ui::Buttons::Ok);
    } catch (...) {
      // The text still reaches the caller.
    }
  }
  return text;
}

}  // namespace pt
