#pragma once
// Label templates in the host database: the rows of tbbbmb in the category the module asks for
// ("标价签"), stored as the module reads them (two hexadecimal digits per byte, ended by "#").
// Every write touches exactly one row, chosen by name, inside a transaction; names compare as
// the module compares them (letter case ignored, trailing blanks ignored).
#include <string>
#include <string_view>
#include <vector>

#include "hostapp/HostDatabase.h"

namespace pt::hostapp {

inline constexpr const char* kLabelTemplateCategory = "标价签";
inline constexpr size_t kTemplateNameBytes = 60;  // f_Reportname varchar(60), counted in GBK bytes

struct TemplateRow {
  std::string name;
  int order = 0;          // f_xh: the template list is ordered by it, then by name
  size_t storedChars = 0;
};

class TemplateStore {
 public:
  // Throws ModuleError when the database has no template table; nothing is created then.
  explicit TemplateStore(HostDatabase& db, std::string category = kLabelTemplateCategory);

  // In the order of the module's template list.
  std::vector<TemplateRow> List();
  // The name as stored, or empty when there is no such row.
  std::string Find(std::string_view name);
  // The template's bytes. Throws ModuleError when there is no such row or it holds no template
  // data (the damaged JSON itself is left to whoever reads the bytes).
  std::string Load(std::string_view name);

  // Inserts the row, or replaces the template (and the name's spelling) of the row of that
  // name, keeping its place in the list; a new row comes last. The template must be one the
  // report engine reads: a broken one is refused with the engine's message and nothing is written.
  // Returns true when a row was replaced.
  bool Save(std::string_view name, std::string_view templateBytes);
  // False when there was no such row.
  bool Remove(std::string_view name);

 private:
  HostDatabase& db_;
  std::string category_;
};

// Checks a template name for the table: not blank, at most kTemplateNameBytes GBK bytes.
// Returns the trimmed name; throws ModuleError with the reason.
std::string CheckTemplateName(std::string_view name);

}  // namespace pt::hostapp
