#include "dialogs/DeptTree.h"

#include <unordered_set>

#include "common/ModuleError.h"
#include "common/TextRoutines.h"

namespace pt::dept {

std::string NodeCode(std::string_view text) {
  const size_t blank = text.find(' ');
  return std::string(blank == std::string_view::npos ? text : text.substr(0, blank));
}

std::string NodeName(std::string_view text) {
  const size_t blank = text.find(' ');
  return std::string(blank == std::string_view::npos ? text : text.substr(blank + 1));
}

// ---------------------------------------------------------------- building

void DeptTree::Clear() {
  nodes_.clear();
  Invalidate();
}

DeptTree::NodeId DeptTree::AddRoot(std::string text) {
  if (!nodes_.empty()) throw ModuleError("部门树已有根节点");
  Node n;
  n.text = std::move(text);
  n.image = kImageRoot;
  n.childCheck = CheckType::Radio;
  nodes_.push_back(std::move(n));
  Invalidate();
  return 0;
}

DeptTree::NodeId DeptTree::AddChild(NodeId parent, std::string text, int image) {
  N(parent);  // checks the id
  Node n;
  n.text = std::move(text);
  n.image = image;
  n.level = nodes_[static_cast<size_t>(parent)].level + 1;
  n.parent = parent;
  const NodeId id = static_cast<NodeId>(nodes_.size());
  nodes_.push_back(std::move(n));
  nodes_[static_cast<size_t>(parent)].children.push_back(id);
  Invalidate();
  return id;
}

void DeptTree::SetChildCheckType(NodeId node, CheckType type) {
  // The top categories stay one of many whatever the host's rows look like: a category that
  // hangs under the root for want of its parent grade must not turn them into check boxes.
  if (node == Root()) return;
  M(node).childCheck = type;
}

// ---------------------------------------------------------------- reading

const DeptTree::Node& DeptTree::N(NodeId id) const {
  if (id < 0 || id >= Count()) throw ModuleError("部门树中没有节点 " + std::to_string(id));
  return nodes_[static_cast<size_t>(id)];
}

DeptTree::Node& DeptTree::M(NodeId id) { return const_cast<Node&>(N(id)); }

void DeptTree::Invalidate() { orderValid_ = false; }

const std::vector<DeptTree::NodeId>& DeptTree::TreeOrder() const {
  if (orderValid_) return order_;
  order_.clear();
  position_.assign(nodes_.size(), -1);
  tops_.clear();
  if (!nodes_.empty()) {
    std::vector<NodeId> stack{0};
    while (!stack.empty()) {
      const NodeId id = stack.back();
      stack.pop_back();
      position_[static_cast<size_t>(id)] = static_cast<int>(order_.size());
      order_.push_back(id);
      const auto& children = nodes_[static_cast<size_t>(id)].children;
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    tops_ = nodes_[0].children;
  }
  orderValid_ = true;
  return order_;
}

DeptTree::NodeId DeptTree::NodeAt(int absoluteIndex) const {
  const auto& order = TreeOrder();
  if (absoluteIndex < 0 || absoluteIndex >= static_cast<int>(order.size())) return kNoNode;
  return order[static_cast<size_t>(absoluteIndex)];
}

int DeptTree::AbsoluteIndex(NodeId id) const {
  N(id);
  TreeOrder();
  return position_[static_cast<size_t>(id)];
}

CheckType DeptTree::CheckTypeOf(NodeId id) const {
  const Node& n = N(id);
  return n.parent == kNoNode ? CheckType::None : N(n.parent).childCheck;
}

DeptTree::NodeId DeptTree::TopCategoryOf(NodeId id) const {
  if (N(id).level == 0) return kNoNode;
  while (N(id).level > 1) id = N(id).parent;
  return id;
}

const std::vector<DeptTree::NodeId>& DeptTree::TopCategories() const {
  TreeOrder();
  return tops_;
}

DeptTree::NodeId DeptTree::TickedTopCategory() const {
  for (NodeId top : TopCategories())
    if (N(top).ticked) return top;
  return kNoNode;
}

std::vector<DeptTree::NodeId> DeptTree::Descendants(NodeId id) const {
  std::vector<NodeId> out;
  const auto& order = TreeOrder();
  const int start = AbsoluteIndex(id);
  const int level = N(id).level;
  for (size_t i = static_cast<size_t>(start) + 1; i < order.size() && N(order[i]).level > level; ++i)
    out.push_back(order[i]);
  return out;
}

std::string DeptTree::SelectionKey(NodeId id) const {
  return std::to_string(N(id).image) + " " + NodeCode(N(id).text);
}

// ---------------------------------------------------------------- ticking

bool DeptTree::Allowed(NodeId id, TickReport& report) const {
  const Node& n = N(id);
  bool allowed = true;
  if (n.text == kGroupText) allowed = false;  // rule 1
  if (n.level >= 2) {
    if (!N(TopCategoryOf(id)).ticked && !n.ticked) allowed = false;  // rule 2
    if (!n.children.empty() && N(n.children.front()).image != kImageDepartment) allowed = false;  // rule 3
  }
  // Rule 4: the category stands for all its departments; taking one out would leave a choice
  // that says "the whole category" and "not this department" at once.
  if (n.image == kImageDepartment && n.level >= 3 && N(n.parent).ticked && n.ticked) {
    allowed = false;
    report.categoryChosen = true;
  }
  return allowed;
}

TickOutcome DeptTree::Change(NodeId id, bool ticked, TickReport& report) {
  if (N(id).ticked == ticked) return TickOutcome::Unchanged;
  const CheckType type = CheckTypeOf(id);
  if (type == CheckType::None) return TickOutcome::Refused;
  // A radio mark goes only when another one is set.
  if (type == CheckType::Radio && !ticked) return TickOutcome::Refused;
  if (rulesActive_ && !Allowed(id, report)) return TickOutcome::Refused;
  M(id).ticked = ticked;
  ++report.changes;
  if (type == CheckType::Radio) {
    for (NodeId sibling : N(N(id).parent).children) {
      if (sibling == id || !N(sibling).ticked) continue;
      M(sibling).ticked = false;
      ++report.changes;
    }
  }
  AfterChange(id, report);
  return TickOutcome::Changed;
}

void DeptTree::AfterChange(NodeId id, TickReport& report) {
  const Node& n = N(id);
  if (n.level == 1) {
    for (NodeId top : TopCategories()) {
      if (N(top).ticked) continue;
      for (NodeId d : Descendants(top))
        if (N(d).ticked) Change(d, false, report);
    }
  }
  if (n.level >= 2 && n.image == kImageCategory) {
    const bool ticked = n.ticked;
    const std::vector<NodeId> children = n.children;
    for (NodeId c : children)
      if (N(c).image == kImageDepartment) Change(c, ticked, report);
  }
}

TickReport DeptTree::SetTicked(NodeId id, bool ticked) {
  TickReport report;
  report.outcome = Change(id, ticked, report);
  return report;
}

TickReport DeptTree::SetChildrenTicked(NodeId id, bool ticked) {
  TickReport report;
  if (id == kNoNode || id == Root()) return report;
  const std::vector<NodeId> children = N(id).children;
  for (NodeId c : children) Change(c, ticked, report);
  return report;
}

// ---------------------------------------------------------------- commands

TickCount DeptTree::CountTicked() const {
  TickCount count;
  for (NodeId id : TreeOrder()) {
    const Node& n = N(id);
    if (n.level < 2 || !n.ticked) continue;
    ++count.total;
    if (n.image == kImageCategory) ++count.categories;
    if (n.image == kImageDepartment) ++count.departments;
  }
  return count;
}

std::vector<std::string> DeptTree::SelectionLines() const {
  std::vector<std::string> lines;
  for (NodeId id : TreeOrder())
    if (N(id).ticked) lines.push_back(SelectionKey(id));
  return lines;
}

TickReport DeptTree::ApplySelectionLines(const std::vector<std::string>& lines) {
  TickReport report;
  std::vector<std::string> kept;
  for (const auto& line : lines) {
    std::string t = Trim(line);
    if (!t.empty()) kept.push_back(std::move(t));
  }
  if (kept.empty()) return report;
  // Keys compare without regard to letter case (codes are ASCII; other characters stay as they are).
  std::unordered_set<std::string> listed;
  for (size_t i = 1; i < kept.size(); ++i) listed.insert(AsciiLower(kept[i]));
  // The top category stays the one already ticked, whatever the file names further down: a
  // hand-made file, or a code that a top category shares with a node below, must not switch
  // the division under the clerk's choice.
  const std::vector<NodeId> order = TreeOrder();
  for (size_t i = 1; i < order.size(); ++i) {
    if (N(order[i]).level == 1) continue;
    Change(order[i], listed.count(AsciiLower(SelectionKey(order[i]))) > 0, report);
  }
  return report;
}

}  // namespace pt::dept
