#pragma once
// The designer's toolbar icons, drawn here so they look the same on every desktop (no icon theme
// is needed).
#include <QIcon>

namespace pt::designer {

// new, open, save, database, database-save, undo, redo, delete, text, barcode, line, rectangle,
// picture, align-left/-hcenter/-right/-top/-vcenter/-bottom, distribute-h/-v, forward,
// backward, front, back, page, check. An unknown name gives an empty icon.
QIcon DesignerIcon(const char* name);

}  // namespace pt::designer
