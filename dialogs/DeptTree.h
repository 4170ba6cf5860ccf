#pragma once
// The node model behind the department selector's tree: texts, images, levels, tick marks and
// tree order, and the rules that decide whether a tick may change. The selector window is a view
// over it; the main window builds and reads it (queue/DeptChoice.h).
//
// Shape the rules rely on:
//   level 0   the root "所有部门及分类" (image 3), no tick of its own; its children are the top
//             categories and carry radio-style ticks (ticking one clears the others; a ticked
//             one cannot be unticked directly)
//   level 1+  categories (image 0, "code name"), nested by grade; the categories that directly
//             hold departments give their children check boxes
//             departments (image 1, "code name") under those categories
//             a group node "其它" (image 2) under a top category, holding the departments
//             attached to the top category itself
//
// Ticking rules, applied only while the window is showing (SetRulesActive); every rule that
// applies refuses the change:
//   1. "其它" never changes.
//   2. Below the top level a node can be ticked only while its top category is ticked.
//   3. Below the top level a node whose first child is not a department never changes.
//   4. A department at level 3 or deeper cannot be unticked while its category is ticked; the
//      caller tells the clerk "分类已选,具体部门无需再选！".
// Ticking or unticking a category carries its departments along (each through the rules), which
// is what makes rule 4 the only case it has to handle: a ticked category already stands for all
// of its departments. After a top category changes, every unticked top category loses the ticks
// below it, so all ticks stay inside the one ticked top category.
#include <string>
#include <string_view>
#include <vector>

namespace pt::dept {

// The image index of a node is also its kind.
inline constexpr int kImageCategory = 0;
inline constexpr int kImageDepartment = 1;
inline constexpr int kImageGroup = 2;
inline constexpr int kImageRoot = 3;

inline constexpr const char* kRootText = "所有部门及分类";
inline constexpr const char* kGroupText = "其它";
inline constexpr const char* kCategoryChosenMessage = "分类已选,具体部门无需再选！";

enum class CheckType { None, CheckBox, Radio };

enum class TickOutcome {
  Changed,    // the tick changed
  Unchanged,  // it already was as asked
  Refused,    // a rule or the node's check type refused the change
};

// What one command did to the tree.
struct TickReport {
  TickOutcome outcome = TickOutcome::Unchanged;  // of the node asked for (bulk commands: unset)
  int changes = 0;                               // ticks changed, carried-along ones included
  bool categoryChosen = false;                   // rule 4 refused a change: tell the clerk
};

struct TickCount {
  int total = 0;
  int categories = 0;
  int departments = 0;
};

// A node's code: its text up to the first blank, the whole text when it has none.
std::string NodeCode(std::string_view text);
// A node's name: its text after the first blank, the whole text when it has none.
std::string NodeName(std::string_view text);

class DeptTree {
 public:
  using NodeId = int;
  static constexpr NodeId kNoNode = -1;

  // ---- building
  void Clear();  // the rules' on/off state is kept
  NodeId AddRoot(std::string text = kRootText);  // image 3; children radio-style
  NodeId AddChild(NodeId parent, std::string text, int image);  // as the last child
  // The check mark the node's children carry. The root's children keep their radio marks.
  void SetChildCheckType(NodeId node, CheckType type);

  // ---- reading
  int Count() const { return static_cast<int>(nodes_.size()); }
  bool Empty() const { return nodes_.empty(); }
  NodeId Root() const { return nodes_.empty() ? kNoNode : 0; }
  // Tree order (depth first, children in order); the absolute index is the position in it.
  const std::vector<NodeId>& TreeOrder() const;
  NodeId NodeAt(int absoluteIndex) const;  // kNoNode when out of range
  int AbsoluteIndex(NodeId id) const;
  const std::string& Text(NodeId id) const { return N(id).text; }
  int Image(NodeId id) const { return N(id).image; }
  int Level(NodeId id) const { return N(id).level; }
  bool Ticked(NodeId id) const { return N(id).ticked; }
  NodeId Parent(NodeId id) const { return N(id).parent; }
  const std::vector<NodeId>& Children(NodeId id) const { return N(id).children; }
  CheckType CheckTypeOf(NodeId id) const;  // decided by the parent
  bool Expanded(NodeId id) const { return N(id).expanded; }
  void SetExpanded(NodeId id, bool expanded) { M(id).expanded = expanded; }
  // The level-1 ancestor of a node (the node itself at level 1); kNoNode for the root.
  NodeId TopCategoryOf(NodeId id) const;
  const std::vector<NodeId>& TopCategories() const;
  NodeId TickedTopCategory() const;  // the first ticked one, kNoNode when none is
  std::vector<NodeId> Descendants(NodeId id) const;  // in tree order
  // "image code", the key of a node in the selection file.
  std::string SelectionKey(NodeId id) const;

  // ---- ticking
  void SetRulesActive(bool active) { rulesActive_ = active; }
  bool RulesActive() const { return rulesActive_; }
  // Asks for a tick change as a click or the program makes it: through the rules when they are
  // active, then the steps that follow every change.
  TickReport SetTicked(NodeId id, bool ticked);
  // Select all / none: every direct child of a selected node that is not the root.
  TickReport SetChildrenTicked(NodeId id, bool ticked);

  // ---- commands of the selector
  // Ticked nodes below the top level: all of them, the categories and the departments.
  TickCount CountTicked() const;
  // One "image code" line per ticked node, in tree order.
  std::vector<std::string> SelectionLines() const;
  // Applies the lines of a selection file (trimmed, empty ones dropped): every node below the
  // top level whose key appears at the second line or later is ticked, every other one unticked,
  // each through the rules. The first line names the top category of the saved choice; it never
  // applies, and no line switches the top category: it stays the one already ticked.
  TickReport ApplySelectionLines(const std::vector<std::string>& lines);

 private:
  struct Node {
    std::string text;
    int image = 0;
    int level = 0;
    NodeId parent = kNoNode;
    std::vector<NodeId> children;
    CheckType childCheck = CheckType::None;
    bool ticked = false;
    bool expanded = false;
  };

  const Node& N(NodeId id) const;
  Node& M(NodeId id);
  void Invalidate();
  // The change as asked, with the rules; adds what happened to the report.
  TickOutcome Change(NodeId id, bool ticked, TickReport& report);
  bool Allowed(NodeId id, TickReport& report) const;
  void AfterChange(NodeId id, TickReport& report);

  std::vector<Node> nodes_;
  bool rulesActive_ = false;
  mutable bool orderValid_ = false;
  mutable std::vector<NodeId> order_;
  mutable std::vector<int> position_;
  mutable std::vector<NodeId> tops_;
};

}  // namespace pt::dept
