#pragma once
// The dialog colour scheme: section "ColorOption" of Tallmerpos.ini (beside the host's
// executable), four decimal Windows colour values:
//   colorstyle  "0"         0 leaves every dialog in its design colours; anything else applies:
//   backcolor   "15528176"  the form, its list views, labels and flat buttons
//   linecolor   "12349763"  shape outlines, flat-button borders and highlights
//   titlecolor  "12349763"  the text of labels designed in green
//
// How our widgets carry the design colours the scheme looks at (dialogs/FlatControls.h):
//   shapes        TShape::PenColor           -> line colour (fills are left alone)
//   list views    QListWidget / QTreeWidget  -> back colour (palette Base; property "Color")
//   labels        TLabel::Color              -> back colour, unless it is the button face or
//                                               14084846; TLabel::FontColor green (32768) -> title
//   flat buttons  TFlatButton::Color         -> back colour; BorderColor green (32768) -> border
//                                               and ColorHighlight take the line colour and
//                                               ColorFocused becomes white
// Other widgets (combo boxes, edits, group boxes, grids) keep their colours.
#include <QWidget>
#include <cstdint>

namespace pt {

struct ColorSchemeSettings {
  int64_t style = 0;
  int64_t back = 15528176;
  int64_t line = 12349763;
  int64_t title = 12349763;
};

// Throws ModuleError naming the key when a value is not an integer.
ColorSchemeSettings ReadColorScheme();

// Reads the settings and, unless the style is 0, recolours the form and the widgets in it.
void ApplyColorScheme(QWidget* form);
void ApplyColorScheme(QWidget* form, const ColorSchemeSettings& settings);

}  // namespace pt
