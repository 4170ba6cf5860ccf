#pragma once
// Editing a template: the document, the selection and the undo history. Every change is one
// named step that undo takes back to the exact document (and selection) before it; a change
// that would leave a template the engine cannot read is refused with the engine's message and
// changes nothing. The designer's window only translates clicks and keys into these calls.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "designer/Arrange.h"
#include "designer/TemplateDocument.h"

namespace pt::designer {

class TemplateEditor {
 public:
  using Change = std::function<void(TemplateDocument& doc, std::vector<ObjectRef>& selection)>;

  explicit TemplateEditor(TemplateDocument doc = {});
  // Starts over with another document: a new history, counted as saved.
  void Reset(TemplateDocument doc);

  const TemplateDocument& Document() const { return doc_; }
  const std::vector<ObjectRef>& Selection() const { return selection_; }
  void Select(std::vector<ObjectRef> refs);  // unknown objects are dropped
  void SelectAll();
  // Changes on every edit, undo, redo and selection change: views refresh when it moves.
  uint64_t Revision() const { return revision_; }

  // Runs `change` on a copy of the document and the selection. When the copy differs and the
  // engine reads it, it becomes the document and one undo step named `label` is recorded; a
  // step with the same non-empty mergeKey as the step before, on the same selection, is folded
  // into it (typing a number, holding an arrow key). Returns false when nothing changed.
  // Throws ModuleError, leaving everything as it was, when the engine cannot read the result.
  bool Apply(const std::string& label, const Change& change, const std::string& mergeKey = {});

  bool MoveSelection(double dx, double dy, const std::string& mergeKey = {});
  bool SetBoxes(const std::vector<std::pair<ObjectRef, RectF>>& boxes, const std::string& label,
                const std::string& mergeKey = {});
  // Sets a key (a path into nested objects such as {"font", "size"}) on every selected object
  // of the given kinds; a null value removes the key.
  bool SetProperty(const std::vector<std::string>& path, const Json& value, const std::vector<ObjectKind>& kinds,
                   const std::string& label, const std::string& mergeKey = {});
  // Several keys in one step, e.g. a picture's data and its file name together.
  bool SetProperties(const std::vector<std::pair<std::vector<std::string>, Json>>& values,
                     const std::vector<ObjectKind>& kinds, const std::string& label);
  // Several objects align to their common bounds, a single one to its band.
  bool AlignSelection(Align how);
  bool DistributeSelection(bool horizontal);
  bool BringForward();
  bool SendBackward();
  bool BringToFront();
  bool SendToBack();
  bool DeleteSelection();
  ObjectRef AddObject(int band, Json object, const std::string& label);
  bool SetPage(const PageSetup& page);
  bool SetName(const std::string& name);

  // The clipboard form of the selected objects; empty when nothing is selected.
  std::string CopySelection() const;
  // Pastes objects copied before into the band of the selection (else the label), each paste a
  // little further down and right, and selects them. False when the text holds no objects.
  bool Paste(const std::string& clipboard);

  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ + 1 < history_.size(); }
  std::string UndoLabel() const;
  std::string RedoLabel() const;
  bool Undo();
  bool Redo();

  bool Modified() const { return saved_ != index_; }
  void MarkSaved() {
    saved_ = index_;
    mergeable_ = false;
  }

  static constexpr size_t kHistoryLimit = 500;

 private:
  struct Step {
    std::string label;
    std::string mergeKey;
    Json doc;                         // the document after this step
    std::vector<ObjectRef> selection;  // and the selection
  };
  void Restore(const Step& step);
  bool Reorder(const std::string& label, int direction, bool toEnd);

  TemplateDocument doc_;
  std::vector<ObjectRef> selection_;
  std::vector<Step> history_;  // history_[0] is the document as opened
  size_t index_ = 0;
  size_t saved_ = 0;            // SIZE_MAX when the saved state fell out of the history
  uint64_t revision_ = 0;
  bool mergeable_ = false;      // only a step just made takes the next one of its kind in
  std::string lastPaste_;
  int pasteCount_ = 0;
};

// The clipboard's format marker: objects copied in one designer paste into another.
inline constexpr const char* kClipboardFormat = "pricetag-objects";

}  // namespace pt::designer
