#include "designer/TemplateEditor.h"

#include <algorithm>
#include <limits>

#include "common/ModuleError.h"
#include "report_engine/ReportEngine.h"

namespace pt::designer {

namespace {

constexpr size_t kNotInHistory = std::numeric_limits<size_t>::max();
constexpr double kPasteOffset = 2;  // mm, each paste of the same objects a little further

std::string SelectionKey(const std::vector<ObjectRef>& sel) {
  std::string key;
  for (const ObjectRef& r : sel) key += "|" + std::to_string(r.band) + ":" + std::to_string(r.index);
  return key;
}

bool HasKind(const std::vector<ObjectKind>& kinds, ObjectKind k) {
  return kinds.empty() || std::find(kinds.begin(), kinds.end(), k) != kinds.end();
}

void SetPath(Json& object, const std::vector<std::string>& path, const Json& value) {
  Json* at = &object;
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    Json& next = (*at)[path[i]];
    if (!next.is_object()) {
      if (value.is_null()) return;  // nothing to remove
      next = Json::object();
    }
    at = &next;
  }
  if (value.is_null()) at->erase(path.back());
  else (*at)[path.back()] = value;
}

}  // namespace

TemplateEditor::TemplateEditor(TemplateDocument doc) { Reset(std::move(doc)); }

void TemplateEditor::Reset(TemplateDocument doc) {
  doc_ = std::move(doc);
  selection_.clear();
  history_.clear();
  history_.push_back(Step{"", "", doc_.Root(), {}});
  index_ = 0;
  saved_ = 0;
  lastPaste_.clear();
  pasteCount_ = 0;
  mergeable_ = false;
  ++revision_;
}

void TemplateEditor::Select(std::vector<ObjectRef> refs) {
  std::sort(refs.begin(), refs.end());
  refs.erase(std::unique(refs.begin(), refs.end()), refs.end());
  refs.erase(std::remove_if(refs.begin(), refs.end(), [&](const ObjectRef& r) { return !doc_.Valid(r); }), refs.end());
  if (refs == selection_) return;
  selection_ = std::move(refs);
  ++revision_;
}

void TemplateEditor::SelectAll() { Select(doc_.Objects()); }

bool TemplateEditor::Apply(const std::string& label, const Change& change, const std::string& mergeKey) {
  TemplateDocument next = doc_;
  std::vector<ObjectRef> selection = selection_;
  change(next, selection);
  if (next == doc_) {
    Select(std::move(selection));
    return false;
  }
  // The engine's own reading: what it refuses never becomes the document.
  report::ReportEngine().LoadTemplate(next.Serialize());
  doc_ = std::move(next);
  selection_.clear();
  Select(std::move(selection));

  history_.resize(index_ + 1);
  if (saved_ != kNotInHistory && saved_ > index_) saved_ = kNotInHistory;
  const std::string key = mergeKey.empty() ? std::string() : mergeKey + SelectionKey(selection_);
  if (!key.empty() && mergeable_ && index_ > 0 && history_[index_].mergeKey == key && saved_ != index_) {
    history_[index_].doc = doc_.Root();
    history_[index_].selection = selection_;
  } else {
    history_.push_back(Step{label, key, doc_.Root(), selection_});
    ++index_;
    if (history_.size() > kHistoryLimit) {
      history_.erase(history_.begin());
      --index_;
      saved_ = saved_ == 0 || saved_ == kNotInHistory ? kNotInHistory : saved_ - 1;
    }
  }
  mergeable_ = true;
  ++revision_;
  return true;
}

bool TemplateEditor::MoveSelection(double dx, double dy, const std::string& mergeKey) {
  if (selection_.empty() || (dx == 0 && dy == 0)) return false;
  return Apply("移动", [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    for (const ObjectRef& r : sel) {
      RectF b = d.Box(r);
      b.x += dx;
      b.y += dy;
      d.SetBox(r, b);
    }
  }, mergeKey);
}

bool TemplateEditor::SetBoxes(const std::vector<std::pair<ObjectRef, RectF>>& boxes, const std::string& label,
                              const std::string& mergeKey) {
  return Apply(label, [&](TemplateDocument& d, std::vector<ObjectRef>&) {
    for (const auto& [ref, box] : boxes) d.SetBox(ref, box);
  }, mergeKey);
}

bool TemplateEditor::SetProperty(const std::vector<std::string>& path, const Json& value,
                                 const std::vector<ObjectKind>& kinds, const std::string& label,
                                 const std::string& mergeKey) {
  return Apply(label, [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    for (const ObjectRef& r : sel)
      if (HasKind(kinds, d.Kind(r))) SetPath(d.MutableObject(r), path, value);
  }, mergeKey);
}

bool TemplateEditor::SetProperties(const std::vector<std::pair<std::vector<std::string>, Json>>& values,
                                   const std::vector<ObjectKind>& kinds, const std::string& label) {
  return Apply(label, [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    for (const ObjectRef& r : sel)
      if (HasKind(kinds, d.Kind(r)))
        for (const auto& [path, value] : values) SetPath(d.MutableObject(r), path, value);
  });
}

bool TemplateEditor::AlignSelection(Align how) {
  if (selection_.empty()) return false;
  std::vector<RectF> boxes;
  for (const ObjectRef& r : selection_) boxes.push_back(doc_.Box(r));
  const RectF reference = selection_.size() == 1 ? doc_.BandArea(selection_[0].band) : Bounds(boxes);
  const std::vector<RectF> aligned = AlignBoxes(boxes, how, reference);
  std::vector<std::pair<ObjectRef, RectF>> changes;
  for (size_t i = 0; i < selection_.size(); ++i) changes.emplace_back(selection_[i], aligned[i]);
  return SetBoxes(changes, "对齐");
}

bool TemplateEditor::DistributeSelection(bool horizontal) {
  if (selection_.size() < 3) return false;
  std::vector<RectF> boxes;
  for (const ObjectRef& r : selection_) boxes.push_back(doc_.Box(r));
  const std::vector<RectF> spread = DistributeBoxes(boxes, horizontal);
  std::vector<std::pair<ObjectRef, RectF>> changes;
  for (size_t i = 0; i < selection_.size(); ++i) changes.emplace_back(selection_[i], spread[i]);
  return SetBoxes(changes, horizontal ? "水平等距" : "垂直等距");
}

bool TemplateEditor::Reorder(const std::string& label, int direction, bool toEnd) {
  if (selection_.empty()) return false;
  return Apply(label, [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    std::vector<ObjectRef> moved;
    for (int band = 0; band < d.BandCount(); ++band) {
      Json& list = d.ObjectList(band);
      const int count = static_cast<int>(list.size());
      std::vector<bool> chosen(static_cast<size_t>(count), false);
      for (const ObjectRef& r : sel)
        if (r.band == band) chosen[static_cast<size_t>(r.index)] = true;
      std::vector<int> order(static_cast<size_t>(count));
      for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
      if (toEnd) {
        // The chosen ones keep their order among themselves, on top or at the bottom.
        std::stable_partition(order.begin(), order.end(),
                              [&](int i) { return direction > 0 ? !chosen[static_cast<size_t>(i)] : chosen[static_cast<size_t>(i)]; });
      } else if (direction > 0) {
        for (int i = count - 2; i >= 0; --i)
          if (chosen[static_cast<size_t>(order[static_cast<size_t>(i)])] &&
              !chosen[static_cast<size_t>(order[static_cast<size_t>(i + 1)])])
            std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i + 1)]);
      } else {
        for (int i = 1; i < count; ++i)
          if (chosen[static_cast<size_t>(order[static_cast<size_t>(i)])] &&
              !chosen[static_cast<size_t>(order[static_cast<size_t>(i - 1)])])
            std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(i - 1)]);
      }
      Json reordered = Json::array();
      for (int i = 0; i < count; ++i) {
        reordered.push_back(list[static_cast<size_t>(order[static_cast<size_t>(i)])]);
        if (chosen[static_cast<size_t>(order[static_cast<size_t>(i)])]) moved.push_back({band, i});
      }
      list = std::move(reordered);
    }
    sel = moved;
  });
}

bool TemplateEditor::BringForward() { return Reorder("上移一层", 1, false); }
bool TemplateEditor::SendBackward() { return Reorder("下移一层", -1, false); }
bool TemplateEditor::BringToFront() { return Reorder("置于顶层", 1, true); }
bool TemplateEditor::SendToBack() { return Reorder("置于底层", -1, true); }

bool TemplateEditor::DeleteSelection() {
  if (selection_.empty()) return false;
  return Apply("删除", [](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    d.Erase(sel);
    sel.clear();
  });
}

ObjectRef TemplateEditor::AddObject(int band, Json object, const std::string& label) {
  ObjectRef added;
  Apply(label, [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    added = d.Insert(band, -1, std::move(object));
    sel = {added};
  });
  return added;
}

bool TemplateEditor::SetPage(const PageSetup& page) {
  return Apply("页面设置", [&](TemplateDocument& d, std::vector<ObjectRef>&) { d.SetPage(page); });
}

bool TemplateEditor::SetName(const std::string& name) {
  return Apply("模板名称", [&](TemplateDocument& d, std::vector<ObjectRef>&) { d.SetName(name); }, "name");
}

std::string TemplateEditor::CopySelection() const {
  if (selection_.empty()) return {};
  Json clip = Json::object();
  clip["format"] = kClipboardFormat;
  clip["objects"] = Json::array();
  for (const ObjectRef& r : selection_) clip["objects"].push_back(doc_.Object(r));
  return clip.dump(2);
}

bool TemplateEditor::Paste(const std::string& clipboard) {
  Json clip = Json::parse(clipboard, nullptr, false);
  if (!clip.is_object() || TextOr(clip, "format") != kClipboardFormat || !clip.contains("objects") ||
      !clip["objects"].is_array() || clip["objects"].empty())
    return false;
  const int band = selection_.empty() ? doc_.MasterBand() : selection_.front().band;
  if (band < 0) return false;
  const int count = clipboard == lastPaste_ ? pasteCount_ + 1 : 1;
  const bool pasted = Apply("粘贴", [&](TemplateDocument& d, std::vector<ObjectRef>& sel) {
    sel.clear();
    for (const Json& o : clip["objects"]) {
      if (!o.is_object()) throw ModuleError("剪贴板中的对象已损坏");
      ObjectRef r = d.Insert(band, -1, o);
      RectF b = d.Box(r);
      b.x += kPasteOffset * count;
      b.y += kPasteOffset * count;
      d.SetBox(r, b);
      sel.push_back(r);
    }
  });
  lastPaste_ = clipboard;
  pasteCount_ = count;
  return pasted;
}

std::string TemplateEditor::UndoLabel() const { return CanUndo() ? history_[index_].label : std::string(); }
std::string TemplateEditor::RedoLabel() const { return CanRedo() ? history_[index_ + 1].label : std::string(); }

void TemplateEditor::Restore(const Step& step) {
  mergeable_ = false;
  doc_ = TemplateDocument(step.doc);
  selection_.clear();
  Select(step.selection);
  ++revision_;
}

bool TemplateEditor::Undo() {
  if (!CanUndo()) return false;
  --index_;
  Restore(history_[index_]);
  return true;
}

bool TemplateEditor::Redo() {
  if (!CanRedo()) return false;
  ++index_;
  Restore(history_[index_]);
  return true;
}

}  // namespace pt::designer
