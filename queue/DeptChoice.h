#pragma once
// The headquarters department choice of the main window, without a window: the department tree
// built from the host's rows, the tree ticked again from the remembered choice, the positions of
// the ticked nodes, and the remembered choice (`cdsbm`) with the department SQL
// (`DeptRestriction`) that every product query carries.
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "dialogs/DeptTree.h"

namespace pt::queue {

inline constexpr const char* kDeptTreeErrorPrefix = "获取定价部门分类时出错！";
inline constexpr const char* kNoManagedDepts =
    "没有您分管的定价部门，请先在“职员权限模块”中加入，才能进行定价！";
inline constexpr const char* kDeptRequired = "不能不选定价部门，请先选择部门！";
inline constexpr int kDeptTreeSelector = 7;  // QueryRows selector of the department tree
inline constexpr const char* kChoiceIndex = "idxbm";
inline constexpr const char* kChoiceIndexFields = "f_plxh;f_flbm;f_bmlx;f_bmbm";

// The argument of the department-tree query: "0", a tab and the operator code.
std::string DeptTreeArgument(const std::string& operatorCode);

// Builds the tree from the rows of the department query, in the order returned: the category
// rows (f_qt 0), each followed by the rows of its departments, then the departments attached
// directly to a top category (f_qt 1), which go into a group node "其它" under it. The first top
// category ends up ticked. Rows that cannot be placed raise a ModuleError naming the row; the
// tree is then left empty.
void BuildDeptTree(MemTable& rows, dept::DeptTree& tree);

// The fields of the remembered choice (cdsbm): department code and name, order, kind, category.
void DefineChoiceFields(MemTable& cdsbm);

// Gives the remembered choice its fields' order index (before it is opened).
void PrepareChoiceTable(MemTable& cdsbm);

// Ticks the tree again from the remembered choice: the top category the choice was made in,
// then every node below it whose code, kind and category the choice holds (their parents
// expanded), every other node below it unticked.
void PreTickFromChoice(dept::DeptTree& tree, MemTable& cdsbm);

// The positions (absolute indexes, as decimal texts) of the first ticked top category and of
// every ticked node below it, in tree order. Empty when no top category is ticked.
std::vector<std::string> CollectTickedDepts(const dept::DeptTree& tree);

// One chosen node as the remembered choice keeps it.
struct ChosenDept {
  std::string code;      // f_bmbm
  std::string name;      // f_bmmc
  std::string category;  // f_flbm: its own code for a category, else its parent's code
  int position = 0;      // f_plxh
  int kind = 0;          // f_bmlx: the node's image
};

struct DeptChoice {
  std::vector<ChosenDept> rows;
  std::string restriction;  // DeptRestriction
};

// Turns collected positions (item 0 the top category) into the remembered rows and the SQL
// listing the chosen departments: the departments ticked one by one, and the departments mapped
// to each ticked category of the top category. A position that is not in the tree raises a
// ModuleError.
DeptChoice ComposeDeptChoice(const dept::DeptTree& tree, const std::vector<std::string>& chosen);

// The department SQL from the codes of the ticked departments and of the other ticked nodes
// (categories), under the top category's code; empty when both lists are.
std::string DeptRestrictionSql(const std::vector<std::string>& departmentCodes,
                               const std::vector<std::string>& categoryCodes, const std::string& topCode);

// Replaces the rows of the remembered choice.
void StoreDeptChoice(const DeptChoice& choice, MemTable& cdsbm);

// A choice made without the selector window (the print command), on a tree fresh from
// BuildDeptTree. The nodes asked for are ticked as the selector's "打开" ticks the lines of a
// selection file (its rules on, a category carrying its departments along) under one top
// category, and the choice is composed as the main window composes it. A node that is not under
// that top category, or that the rules refuse, raises a ModuleError naming it; nothing chosen
// below the top category raises kDeptRequired.
//
// By code: department or category codes (letter case aside), every node of a listed code ticked,
// under the first top category that holds all of them; a top category's own code in the list
// only picks it.
DeptChoice ChooseDeptsByCode(dept::DeptTree& tree, const std::vector<std::string>& codes);
// From the lines of a selection file the selector saved: the first names the top category.
DeptChoice ChooseDeptsFromSelection(dept::DeptTree& tree, const std::vector<std::string>& lines);

}  // namespace pt::queue
