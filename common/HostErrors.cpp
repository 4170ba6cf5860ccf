#include "common/HostErrors.h"

#include "common/ModuleError.h"

namespace pt {

std::string ComposeHostErrors(const Variant& errorList, const std::string& prefix) {
  std::string text = prefix.empty() ? std::string() : prefix + "\r\n";
  bool readable = errorList.IsArray();
  if (readable) {
    for (const Variant& item : errorList.AsArray()) {
      try {
        text += item.ToText();
        text += "\r\n";
      } catch (const ModuleError&) {
        readable = false;
        break;
      }
    }
  }
  if (!readable) text += "未知错误！\r\n";
  if (text.size() >= 2) text.resize(text.size() - 2);
  return text;
}

}  // namespace pt
