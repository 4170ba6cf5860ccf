#pragma once
// The template being designed, as its JSON document. Keys keep the order they were read in and
// keys this version does not know survive, so a template opened and saved again comes back as
// it went in; the document is always one the report engine reads (the editor refuses a change
// that would break it). Objects are addressed by band and position; the position in a band's
// list is the drawing order, later objects lying on top.
#include <compare>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "report_engine/DisplayList.h"
#include "report_engine/ReportTemplate.h"

namespace pt::designer {

using Json = nlohmann::ordered_json;
using report::RectF;

enum class BandKind { PageHeader, MasterData, PageFooter };
enum class ObjectKind { Text, Barcode, Line, Rectangle, Picture };

struct ObjectRef {
  int band = 0;   // position in "bands"
  int index = 0;  // position in that band's "objects"
  auto operator<=>(const ObjectRef&) const = default;
};

// Paper and label grid: roll labels are pages of the label's size, one label each; sheets carry
// a grid of labels.
struct PageSetup {
  bool roll = true;
  double paperWidth = 210, paperHeight = 297;  // as a portrait sheet; landscape turns it
  bool landscape = false;
  double marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
  double labelWidth = 60, labelHeight = 40;
  int columns = 1;
  int rows = 0;  // 0: as many as fit
  double columnGap = 0, rowGap = 0;
  bool downThenAcross = false;
  bool operator==(const PageSetup&) const = default;
};

// The paper sizes offered by name (portrait, millimetres).
struct PaperSize {
  const char* name;
  double width, height;
};
const std::vector<PaperSize>& PaperSizes();

class TemplateDocument {
 public:
  // A roll label of 60 × 40 mm without objects.
  TemplateDocument();
  static TemplateDocument NewRollLabel(double width, double height, std::string_view name);
  // Reads template bytes. What is not a template the engine reads throws ModuleError with the
  // engine's message; damaged JSON names its line and column.
  static TemplateDocument Parse(std::string_view bytes);
  // Two-space indented JSON ending in a line break.
  std::string Serialize() const;
  // The engine's model of the document (throws ModuleError when it does not read).
  report::ReportTemplate Model() const;

  const Json& Root() const { return root_; }
  bool operator==(const TemplateDocument& other) const { return root_ == other.root_; }

  std::string Name() const;
  void SetName(std::string_view name);

  int BandCount() const;
  BandKind Band(int band) const;
  int FindBand(BandKind kind) const;  // -1 when the template has none
  int MasterBand() const;
  // Where the band's objects live, from the band's own top-left corner: the label for the
  // master data band, the printable width for page header and footer.
  RectF BandArea(int band) const;

  int ObjectCount(int band) const;
  std::vector<ObjectRef> Objects() const;  // every object, bands in order
  const Json& Object(ObjectRef ref) const;
  Json& MutableObject(ObjectRef ref);
  bool Valid(ObjectRef ref) const;
  ObjectKind Kind(ObjectRef ref) const;
  // The object's box; a line's runs from (x, y) to (right, bottom), so its width or height may
  // be negative.
  RectF Box(ObjectRef ref) const;
  void SetBox(ObjectRef ref, const RectF& box);  // written to 0.01 mm
  // What the panels and messages call the object: its name, else its kind and position.
  std::string Label(ObjectRef ref) const;

  ObjectRef Insert(int band, int index, Json object);  // index -1: on top
  void Erase(std::vector<ObjectRef> refs);
  // Moves an object to another position of its band's list.
  ObjectRef Reorder(ObjectRef ref, int toIndex);

  PageSetup Page() const;
  void SetPage(const PageSetup& page);

 private:
  friend class TemplateEditor;  // restores states of its history, which were read before
  explicit TemplateDocument(Json root) : root_(std::move(root)) {}
  const Json& Bands() const;
  Json& MutableBands();
  Json& ObjectList(int band);

  Json root_;
};

// The engine's model of a band of the kind, or nullptr when the template has none.
const report::Band* ModelBand(const report::ReportTemplate& t, BandKind kind);

// A number as the document writes it: rounded to 0.01, whole numbers without a fraction.
Json Number(double value);
// The JSON value of a key as a number, or fallback when it is missing or not a number.
double NumberOr(const Json& object, const char* key, double fallback);
std::string TextOr(const Json& object, const char* key, const std::string& fallback = {});
bool FlagOr(const Json& object, const char* key, bool fallback);

// The place of a JSON syntax error: "第 L 行第 C 列" (columns count characters from 1), or
// empty when the bytes are valid JSON.
std::string JsonSyntaxPlace(std::string_view bytes);

// The page set-up as a template's page and label grid: cell positions on the first page, or
// the engine's message when the labels do not fit.
struct SheetLayout {
  bool ok = false;
  std::string message;
  double pageWidth = 0, pageHeight = 0;  // after orientation
  std::vector<RectF> cells;              // in the order labels are filled
};
SheetLayout LayOutSheet(const PageSetup& page, double headerHeight = 0, double footerHeight = 0);

}  // namespace pt::designer
