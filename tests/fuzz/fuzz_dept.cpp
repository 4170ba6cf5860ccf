// The department tree built from the host's rows, ticked by clicks and by a selection file.
// Input: rows (UTF-8, one a line: qt|category code|category name|grade|last grade|department code|
// department name|kind), NUL, clicks (a byte each: node and tick), NUL, selection file bytes.
// Whatever the rows, the tree is built or refused with a ModuleError; the top level stays one of
// many with exactly one top category ticked; every tick lies inside it; the group node "其它"
// never changes; saving and loading a selection ticks the same codes; and a confirmed choice comes
// back when the dialog opens again.
#include <algorithm>
#include <set>
#include <tuple>

#include "common/MemTable.h"
#include "common/ModuleError.h"
#include "common/TextFile.h"
#include "common/TextRoutines.h"
#include "dialogs/DeptTree.h"
#include "queue/DeptChoice.h"
#include "tests/support/DeptRows.h"
#include "tests/fuzz/FuzzSupport.h"

using namespace pt;
using dept::DeptTree;
using NodeId = DeptTree::NodeId;

namespace {

void FillRows(MemTable& t, std::string_view text) {
  static const char* kFields[] = {"f_qt", "f_bmflbm", "f_bmflmc", "f_jb", "f_mj", "f_bmbm", "f_bmmc", "f_bmlx"};
  size_t from = 0;
  while (from < text.size()) {
    const size_t nl = std::min(text.find('\n', from), text.size());
    const std::string line(text.substr(from, nl - from));
    from = nl + 1;
    if (line.empty()) continue;
    t.Append();
    size_t start = 0;
    for (int f = 0; f < 8 && start <= line.size(); ++f) {
      size_t bar = line.find('|', start);
      const std::string cell = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
      int64_t n = 0;
      if (f == 0 || f == 3 || f == 4 || f == 7) {
        if (TextToInt(cell, n)) t.Set(kFields[f], Variant(n));
      } else {
        t.Set(kFields[f], cell);
      }
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    t.Post();
  }
}

// The shape every command must leave.
void CheckShape(const DeptTree& tree) {
  const auto& tops = tree.TopCategories();
  int ticked = 0;
  for (NodeId top : tops) {
    FUZZ_CHECK(tree.CheckTypeOf(top) == dept::CheckType::Radio);
    ticked += tree.Ticked(top) ? 1 : 0;
  }
  FUZZ_CHECK(ticked == (tops.empty() ? 0 : 1));
  const NodeId chosen = tree.TickedTopCategory();
  for (NodeId id : tree.TreeOrder()) {
    if (!tree.Ticked(id) || tree.Level(id) < 2) continue;
    FUZZ_CHECK(tree.TopCategoryOf(id) == chosen);
    FUZZ_CHECK(tree.Text(id) != dept::kGroupText);
  }
}

// The ticked nodes as a selection file names them: kind and code. A department that stands in
// two categories has one key, so loading a file ticks it in both.
std::set<std::string> TickedKeys(const DeptTree& tree) {
  std::set<std::string> out;
  for (NodeId id : tree.TreeOrder())
    if (tree.Ticked(id)) out.insert(tree.SelectionKey(id));
  return out;
}

// What a confirmed choice means: the top category and every chosen (code, kind, category).
std::pair<std::string, std::set<std::tuple<std::string, int, std::string>>> Meaning(const queue::DeptChoice& c,
                                                                                  const std::string& top) {
  std::set<std::tuple<std::string, int, std::string>> rows;
  for (const auto& r : c.rows) rows.emplace(r.code, r.kind, r.category);
  return {top, rows};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = fuzz::Split(fuzz::Bytes(data, size), 3);
  MemTable rows("rows");
  test::DefineDeptRows(rows);
  FillRows(rows, parts[0]);
  DeptTree tree;
  try {
    queue::BuildDeptTree(rows, tree);
  } catch (const ModuleError&) {
    FUZZ_CHECK(tree.Empty());
    return 0;
  }
  CheckShape(tree);
  if (tree.Count() < 2) return 0;

  // The window is showing: clicks go through the ticking rules.
  tree.SetRulesActive(true);
  for (unsigned char click : parts[1]) {
    const NodeId node = tree.NodeAt(1 + (click & 0x7F) % (tree.Count() - 1));
    tree.SetTicked(node, (click & 0x80) == 0);
    CheckShape(tree);
  }

  // Saving and loading the same selection ticks the same departments and categories, unless two
  // categories share a code, or a code ends in a control character that reading a line trims
  // (rows no host sends: the file cannot tell such nodes apart).
  std::set<std::string> categoryKeys;
  bool ambiguous = false;
  for (NodeId id : tree.TreeOrder()) {
    const std::string key = tree.SelectionKey(id);
    if (tree.Image(id) == dept::kImageCategory) ambiguous |= !categoryKeys.insert(key).second;
    ambiguous |= Trim(key) != key;
  }
  const std::set<std::string> beforeLoad = TickedKeys(tree);
  tree.ApplySelectionLines(tree.SelectionLines());
  if (!ambiguous) FUZZ_CHECK(TickedKeys(tree) == beforeLoad);
  CheckShape(tree);
  tree.ApplySelectionLines(TextFileLines(parts[2]));
  CheckShape(tree);

  // Confirm, change the ticks and cancel, open again: the confirmed choice is back. Opening
  // again leaves nodes without a code as they are (the group node "其它" has none), so rows
  // that give a node no code cannot take part.
  const std::vector<std::string> chosen = queue::CollectTickedDepts(tree);
  if (chosen.size() < 2) return 0;  // nothing to confirm: the dialog refuses it
  for (NodeId id : tree.TreeOrder())
    if (tree.Level(id) > 1 && tree.Text(id) != dept::kGroupText && FirstWord(tree.Text(id)).empty()) return 0;
  const queue::DeptChoice choice = queue::ComposeDeptChoice(tree, chosen);
  const std::string top = FirstWord(tree.Text(tree.TickedTopCategory()));
  MemTable cdsbm("cdsbm");
  queue::DefineChoiceFields(cdsbm);
  queue::PrepareChoiceTable(cdsbm);
  cdsbm.CreateDataSet();
  queue::StoreDeptChoice(choice, cdsbm);
  const auto& tops = tree.TopCategories();
  tree.SetTicked(tops.back(), true);
  tree.SetChildrenTicked(tops.back(), true);
  tree.SetRulesActive(false);
  queue::PreTickFromChoice(tree, cdsbm);
  CheckShape(tree);
  const std::vector<std::string> again = queue::CollectTickedDepts(tree);
  FUZZ_CHECK(again.size() >= 2);
  const queue::DeptChoice reopened = queue::ComposeDeptChoice(tree, again);
  FUZZ_CHECK(Meaning(reopened, FirstWord(tree.Text(tree.TickedTopCategory()))) == Meaning(choice, top));
  return 0;
}
