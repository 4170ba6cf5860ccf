#include "report_engine/DisplayList.h"

namespace pt::report {

uint32_t PreparedReport::AddFont(const FontSpec& font) {
  for (size_t i = 0; i < fonts.size(); ++i)
    if (fonts[i] == font) return static_cast<uint32_t>(i);
  fonts.push_back(font);
  return static_cast<uint32_t>(fonts.size() - 1);
}

}  // namespace pt::report
