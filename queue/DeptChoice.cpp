#include "queue/DeptChoice.h"

#include <algorithm>
#include <array>
#include <set>
#include <tuple>
#include <utility>

#include "common/GbkCodec.h"
#include "common/ModuleError.h"
#include "common/TextRoutines.h"
#include "queue/ProductQuery.h"

namespace pt::queue {

using dept::DeptTree;
using NodeId = DeptTree::NodeId;

namespace {

constexpr int kMaxLevel = 12;

// The rules on or off for a while: off for the program's own ticking while it builds or
// restores the tree, on for ticking done as a clerk would.
class Rules {
 public:
  Rules(DeptTree& t, bool active) : t_(t), was_(t.RulesActive()) { t_.SetRulesActive(active); }
  ~Rules() { t_.SetRulesActive(was_); }
  Rules(const Rules&) = delete;
  Rules& operator=(const Rules&) = delete;

 private:
  DeptTree& t_;
  bool was_;
};

std::string NodeText(const std::string& code, const std::string& name) { return code + " " + name; }

// The category a chosen node is remembered under: its own code for a category, else its
// parent's code, or the parent's whole text when that has none (the group node "其它").
std::string CategoryOf(const DeptTree& tree, NodeId node) {
  if (tree.Image(node) == dept::kImageCategory) return FirstWord(tree.Text(node));
  const std::string& parentText = tree.Text(tree.Parent(node));
  std::string category = FirstWord(parentText);
  return category.empty() ? parentText : category;
}

}  // namespace

std::string DeptTreeArgument(const std::string& operatorCode) { return "0\t" + operatorCode; }

void BuildDeptTree(MemTable& rows, DeptTree& tree) {
  Rules off(tree, false);
  tree.Clear();
  try {
    const int fQt = rows.FieldIndexOrThrow("f_qt");
    const int fFlbm = rows.FieldIndexOrThrow("f_bmflbm");
    const int fFlmc = rows.FieldIndexOrThrow("f_bmflmc");
    const int fJb = rows.FieldIndexOrThrow("f_jb");
    const int fMj = rows.FieldIndexOrThrow("f_mj");
    const int fBmbm = rows.FieldIndexOrThrow("f_bmbm");
    const int fBmmc = rows.FieldIndexOrThrow("f_bmmc");
    const int fBmlx = rows.FieldIndexOrThrow("f_bmlx");
    auto text = [&](int r, int f) { return rows.CellAt(r, f).ToText(); };
    auto number = [&](int r, int f) { return rows.CellAt(r, f).ToInt(); };
    auto image = [&](int r) {
      const int64_t kind = number(r, fBmlx);
      if (kind != dept::kImageCategory && kind != dept::kImageDepartment)
        throw ModuleError("第" + std::to_string(r + 1) + "行的节点类别“" + std::to_string(kind) + "”不是 0 或 1");
      return static_cast<int>(kind);
    };

    const NodeId root = tree.AddRoot();
    // The last category made at each level; a new category forgets the deeper ones, so a later
    // row can only hang under the categories it follows.
    std::array<NodeId, kMaxLevel + 1> levels;
    levels.fill(DeptTree::kNoNode);
    levels[0] = root;
    std::string current;
    bool haveCurrent = false;
    int currentLevel = 0;
    const int count = rows.RecordCount();
    for (int r = 0; r < count; ++r) {
      if (number(r, fQt) != 0) continue;
      const std::string code = text(r, fFlbm);
      if (!haveCurrent || code != current) {
        if (code.empty()) throw ModuleError("第" + std::to_string(r + 1) + "行没有定价部门分类编码");
        const int64_t level = number(r, fJb);
        if (level < 1 || level > kMaxLevel)
          throw ModuleError("定价部门分类“" + code + "”的级别" + std::to_string(level) + "不在 1 到 " +
                            std::to_string(kMaxLevel) + " 之间");
        const int L = static_cast<int>(level);
        // A category whose parent grade is missing hangs under the nearest grade above it.
        int p = L - 1;
        while (levels[static_cast<size_t>(p)] == DeptTree::kNoNode) --p;
        const NodeId node = tree.AddChild(levels[static_cast<size_t>(p)], NodeText(code, text(r, fFlmc)), image(r));
        levels[static_cast<size_t>(L)] = node;
        for (int deeper = L + 1; deeper <= kMaxLevel; ++deeper) levels[static_cast<size_t>(deeper)] = DeptTree::kNoNode;
        if (number(r, fMj) == 1 && L > 1) tree.SetChildCheckType(tree.Parent(node), dept::CheckType::CheckBox);
        current = code;
        haveCurrent = true;
        currentLevel = L;
      } else {
        const std::string deptCode = text(r, fBmbm);
        if (deptCode.empty()) continue;  // the category row once more: nothing to add
        const NodeId parent = levels[static_cast<size_t>(currentLevel)];
        tree.AddChild(parent, NodeText(deptCode, text(r, fBmmc)), image(r));
        tree.SetChildCheckType(parent, dept::CheckType::CheckBox);
      }
    }

    const std::vector<NodeId> tops = tree.TopCategories();
    for (NodeId top : tops) {
      const std::string code = FirstWord(tree.Text(top));
      NodeId group = DeptTree::kNoNode;
      for (int r = 0; r < count; ++r) {
        // A row without a department code names no department (as under a category).
        if (number(r, fQt) != 1 || text(r, fFlbm) != code || text(r, fBmbm).empty()) continue;
        if (group == DeptTree::kNoNode) {
          group = tree.AddChild(top, dept::kGroupText, dept::kImageGroup);
          tree.SetChildCheckType(group, dept::CheckType::CheckBox);
        }
        tree.AddChild(group, NodeText(text(r, fBmbm), text(r, fBmmc)), dept::kImageDepartment);
      }
    }
    if (!tops.empty()) tree.SetTicked(tops.front(), true);
  } catch (...) {
    tree.Clear();
    throw;
  }
}

void DefineChoiceFields(MemTable& cdsbm) {
  cdsbm.AddField("f_bmbm", FieldType::Text, 20);
  cdsbm.AddField("f_bmmc", FieldType::Text, 20);
  cdsbm.AddField("f_plxh", FieldType::Integer);
  cdsbm.AddField("f_bmlx", FieldType::Integer);
  cdsbm.AddField("f_flbm", FieldType::Text, 20);
}

void PrepareChoiceTable(MemTable& cdsbm) {
  cdsbm.AddIndex(kChoiceIndex, kChoiceIndexFields);
  cdsbm.SetIndexName(kChoiceIndex);
}

void PreTickFromChoice(DeptTree& tree, MemTable& cdsbm) {
  if (tree.Empty()) return;
  const std::vector<NodeId> tops = tree.TopCategories();
  if (tops.empty()) return;
  Rules off(tree, false);

  // (code, kind, category): a department that stands in two categories is ticked again in the
  // one it was chosen in.
  std::set<std::tuple<std::string, int64_t, std::string>> chosen;
  int64_t firstPosition = -1;
  std::string firstCode, firstCategoryCode;
  int64_t firstKind = -1;
  bool haveCategory = false;
  if (cdsbm.Active()) {
    const int fCode = cdsbm.FieldIndexOrThrow("f_bmbm");
    const int fKind = cdsbm.FieldIndexOrThrow("f_bmlx");
    const int fPos = cdsbm.FieldIndexOrThrow("f_plxh");
    const int fCategory = cdsbm.FieldIndexOrThrow("f_flbm");
    for (int r = 0; r < cdsbm.RecordCount(); ++r) {
      const std::string code = cdsbm.CellAt(r, fCode).ToText();
      const int64_t kind = cdsbm.CellAt(r, fKind).ToInt();
      chosen.emplace(code, kind, cdsbm.CellAt(r, fCategory).ToText());
      if (r == 0) {
        firstPosition = cdsbm.CellAt(r, fPos).ToInt();
        firstCode = code;
        firstKind = kind;
      }
      if (kind == dept::kImageCategory && !haveCategory) {
        firstCategoryCode = code;
        haveCategory = true;
      }
    }
  }

  // The top category of the remembered choice: the one holding the node the first row was taken
  // from (the tree does not change while the window is open), else the first one whose code
  // begins the first chosen category's code, else the first one.
  NodeId top = DeptTree::kNoNode;
  if (firstPosition > 0 && firstPosition < tree.Count()) {
    const NodeId node = tree.NodeAt(static_cast<int>(firstPosition));
    if (tree.Image(node) == firstKind && FirstWord(tree.Text(node)) == firstCode) top = tree.TopCategoryOf(node);
  }
  if (top == DeptTree::kNoNode && haveCategory) {
    for (NodeId t : tops) {
      const std::string code = FirstWord(tree.Text(t));
      if (firstCategoryCode.compare(0, code.size(), code) == 0) {
        top = t;
        break;
      }
    }
  }
  if (top == DeptTree::kNoNode) top = tops.front();
  tree.SetTicked(top, true);

  for (NodeId node : tree.Descendants(top)) {
    const std::string code = FirstWord(tree.Text(node));
    if (code.empty()) continue;
    if (chosen.count({code, tree.Image(node), CategoryOf(tree, node)})) {
      tree.SetExpanded(tree.Parent(node), true);
      tree.SetTicked(node, true);
    } else {
      tree.SetTicked(node, false);
    }
  }
}

std::vector<std::string> CollectTickedDepts(const DeptTree& tree) {
  std::vector<std::string> list;
  if (tree.Empty()) return list;
  const NodeId top = tree.TickedTopCategory();
  if (top == DeptTree::kNoNode) return list;
  list.push_back(std::to_string(tree.AbsoluteIndex(top)));
  for (NodeId node : tree.Descendants(top))
    if (tree.Ticked(node)) list.push_back(std::to_string(tree.AbsoluteIndex(node)));
  return list;
}

std::string DeptRestrictionSql(const std::vector<std::string>& departmentCodes,
                               const std::vector<std::string>& categoryCodes, const std::string& topCode) {
  auto quotedList = [](const std::vector<std::string>& codes) {
    std::string list;
    for (const auto& c : codes) list += ",'" + QuoteSql(c) + "'";
    return list.substr(1);
  };
  std::string sql;
  if (!departmentCodes.empty()) sql = "select f_bmbm,f_bmmc from tbbmda where f_bmbm in (" + quotedList(departmentCodes) + ")";
  if (!categoryCodes.empty()) {
    if (!sql.empty()) sql += " union ";
    sql += "select f_dzbm f_bmbm,f_bmmc from tbdjbmfldz z,tbbmda b where z.f_dzbm=b.f_bmbm and ";
    sql += " left(f_bmflbm," + std::to_string(GbkLength(topCode)) + ")='" + QuoteSql(topCode) + "' and f_bmflbm in (" +
           quotedList(categoryCodes) + ")";
  }
  return sql;
}

DeptChoice ComposeDeptChoice(const DeptTree& tree, const std::vector<std::string>& chosen) {
  auto nodeAt = [&](const std::string& item) {
    int64_t position = -1;
    if (!TextToInt(item, position) || position < 0 || position >= tree.Count())
      throw ModuleError("部门树中没有位置为“" + item + "”的节点");
    return tree.NodeAt(static_cast<int>(position));
  };
  DeptChoice choice;
  if (chosen.empty()) return choice;
  const std::string topCode = FirstWord(tree.Text(nodeAt(chosen.front())));
  std::vector<std::string> departments, categories;
  for (size_t i = 1; i < chosen.size(); ++i) {
    const NodeId node = nodeAt(chosen[i]);
    ChosenDept row;
    row.kind = tree.Image(node);
    row.code = FirstWord(tree.Text(node));
    row.category = CategoryOf(tree, node);
    row.name = dept::NodeName(tree.Text(node));
    row.position = tree.AbsoluteIndex(node);
    (row.kind == dept::kImageDepartment ? departments : categories).push_back(row.code);
    choice.rows.push_back(std::move(row));
  }
  choice.restriction = DeptRestrictionSql(departments, categories, topCode);
  return choice;
}

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : "、") + item;
  return out;
}

// A node asked for: its selection key ("image code", lower-cased) and how the caller named it.
struct Wanted {
  std::string key, named;
};

// Ticks `top`, then the nodes asked for below it as the selector applies a selection file, and
// composes the choice. Every node asked for must be below `top` and end up ticked.
DeptChoice TickAndCompose(DeptTree& tree, NodeId top, const std::vector<Wanted>& wanted) {
  const std::vector<NodeId> below = tree.Descendants(top);
  auto any = [&](const Wanted& w, bool mustBeTicked) {
    return std::any_of(below.begin(), below.end(), [&](NodeId n) {
      return (!mustBeTicked || tree.Ticked(n)) && AsciiLower(tree.SelectionKey(n)) == w.key;
    });
  };
  std::vector<std::string> missing;
  for (const Wanted& w : wanted)
    if (!any(w, false)) missing.push_back("“" + w.named + "”");
  if (!missing.empty())
    throw ModuleError("定价部门分类“" + tree.Text(top) + "”下没有" + Joined(missing));

  Rules on(tree, true);
  tree.SetTicked(top, true);
  std::vector<std::string> lines{tree.SelectionKey(top)};
  for (const Wanted& w : wanted) lines.push_back(w.key);
  tree.ApplySelectionLines(lines);
  std::vector<std::string> refused;
  for (const Wanted& w : wanted)
    if (!any(w, true)) refused.push_back("“" + w.named + "”");
  if (!refused.empty()) throw ModuleError("不能选择" + Joined(refused) + "：请选择其下的分类或部门");
  const std::vector<std::string> chosen = CollectTickedDepts(tree);
  if (chosen.size() < 2) throw ModuleError(kDeptRequired);
  return ComposeDeptChoice(tree, chosen);
}

}  // namespace

DeptChoice ChooseDeptsByCode(DeptTree& tree, const std::vector<std::string>& codes) {
  std::vector<std::string> asked;  // lower-cased, each once
  for (const std::string& code : codes) {
    const std::string c = AsciiLower(Trim(code));
    if (!c.empty() && std::find(asked.begin(), asked.end(), c) == asked.end()) asked.push_back(c);
  }
  if (asked.empty()) throw ModuleError(kDeptRequired);
  auto codeOf = [&](NodeId n) { return AsciiLower(dept::NodeCode(tree.Text(n))); };
  auto isAsked = [&](const std::string& c) { return std::find(asked.begin(), asked.end(), c) != asked.end(); };

  // The first top category that holds every code, itself or below it.
  std::set<std::string> anywhere;
  for (NodeId top : tree.TopCategories()) {
    std::set<std::string> here{codeOf(top)};
    for (NodeId n : tree.Descendants(top)) here.insert(codeOf(n));
    anywhere.insert(here.begin(), here.end());
    if (!std::all_of(asked.begin(), asked.end(), [&](const std::string& c) { return here.count(c) > 0; })) continue;
    std::vector<Wanted> wanted;
    for (NodeId n : tree.Descendants(top)) {
      Wanted w{AsciiLower(tree.SelectionKey(n)), dept::NodeCode(tree.Text(n))};
      if (isAsked(codeOf(n)) &&
          std::none_of(wanted.begin(), wanted.end(), [&](const Wanted& o) { return o.key == w.key; }))
        wanted.push_back(std::move(w));
    }
    return TickAndCompose(tree, top, wanted);
  }
  std::vector<std::string> unknown;
  for (const std::string& c : asked)
    if (!anywhere.count(c)) unknown.push_back("“" + c + "”");
  if (!unknown.empty()) throw ModuleError("没有编码为" + Joined(unknown) + "的定价部门或分类");
  throw ModuleError("定价部门" + Joined(asked) + "不在同一个顶层分类下：一次只能选择一个顶层分类中的部门");
}

DeptChoice ChooseDeptsFromSelection(DeptTree& tree, const std::vector<std::string>& lines) {
  std::vector<Wanted> wanted;
  for (const std::string& line : lines) {
    const std::string named = Trim(line);
    if (!named.empty()) wanted.push_back({AsciiLower(named), named});
  }
  if (wanted.empty()) throw ModuleError(kDeptRequired);
  for (NodeId top : tree.TopCategories()) {
    if (AsciiLower(tree.SelectionKey(top)) != wanted.front().key) continue;
    wanted.erase(wanted.begin());
    return TickAndCompose(tree, top, wanted);
  }
  throw ModuleError("部门选择的第一行“" + wanted.front().named + "”不是定价部门的顶层分类");
}

void StoreDeptChoice(const DeptChoice& choice, MemTable& cdsbm) {
  if (!cdsbm.Active()) cdsbm.CreateDataSet();
  cdsbm.EmptyDataSet();
  for (const ChosenDept& row : choice.rows) {
    cdsbm.Append();
    cdsbm.Set("f_bmlx", Variant(static_cast<int64_t>(row.kind)));
    cdsbm.Set("f_bmbm", row.code);
    cdsbm.Set("f_flbm", row.category);
    cdsbm.Set("f_bmmc", row.name);
    cdsbm.Set("f_plxh", Variant(static_cast<int64_t>(row.position)));
    cdsbm.Post();
  }
  cdsbm.First();
}

}  // namespace pt::queue
