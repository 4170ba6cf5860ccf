#pragma once
// The parts of a label print pass that need no window: the template chosen by its name, the
// label texts the report variables carry, the print records made on demand, the plan of a run
// (which rows, how many labels each, what a template requires of them), the start position on a
// partly used sheet and the printer calibration kept in the settings file. The pass itself
// (printing/LabelPrintPass.h) runs them in order for the main window, the print command and
// tests.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/MemTable.h"
#include "printing/PrintRecord.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/ReportEngine.h"

namespace pt::printing {

inline constexpr const char* kNoTemplateChosen = "未选择打印模板！";
inline constexpr const char* kTemplateMissing = "打印模板不存在！";  // follows the name

// The template list `CdsTemplate` from the host's packet: "f_Reportname" and "f_ReportInfo" held
// whole, whatever sizes the host declares.
void LoadTemplateList(MemTable& list, std::string_view packet);

// The row of the template list whose "f_Reportname" equals the selector's text, trimmed of
// blanks, without regard to letter case; the first such row.
struct TemplateChoice {
  std::string name;     // the trimmed text
  int row = -1;         // 0-based; -1 when there is none
  std::string message;  // when there is none: kNoTemplateChosen, or the name + kTemplateMissing
  bool Found() const { return row >= 0; }
};
TemplateChoice ChooseTemplate(const MemTable& templates, const std::string& selectorText);

// Decodes the chosen row's "f_ReportInfo" into the engine (a damaged template throws
// ModuleError and leaves the engine's previous template).
void LoadChosenTemplate(report::ReportEngine& engine, const MemTable& templates, const TemplateChoice& choice);

// What the labels print beside the records: the report variables "dj", "bz", "Jjyy", "CurDate".
struct LabelTexts {
  std::string grade;            // LabelGrade
  std::string remark;           // LabelRemark
  std::string reductionReason;  // ReductionReason
  std::string currentDate;      // the server date, yyyymmdd
};
void SetLabelVariables(report::ReportEngine& engine, const LabelTexts& texts);

// ---------------------------------------------------------------- print records on demand

// The print record set as the engine reads it while printing: the record of a queue row is made
// when the layout moves to it, with the same rules as FillPrintRecords, and only that record is
// held. Records are the queue's visible rows in their order. Named "cdsPrint", as templates
// address it.
class QueueRecordSource : public report::ReportDataSource {
 public:
  QueueRecordSource(const MemTable& queue, const std::string& periodChoice);
  std::string Name() const override { return "cdsPrint"; }
  int RecordCount() const override { return queue_.RecordCount(); }
  // Makes the record; throws what making it throws (the record is then dropped).
  void MoveTo(int record) override;
  int FieldIndex(std::string_view name) const override { return record_.FieldIndex(name); }
  const Variant& Value(int field) const override;
  std::string DisplayFormat(int field) const override;
  // The record made last (its one row current), for whoever wants it whole.
  const MemTable& Record() const { return record_; }

 private:
  const MemTable& queue_;
  MemTable record_{"cdsPrint"};
  std::optional<PrintRecordFiller> filler_;
  int current_ = -1;
};

// ---------------------------------------------------------------- the plan of a run

// The fields a template requires: per object marked "required", its visibility condition and the
// fields its text (or barcode data) refers to, bound to a record source.
class RequiredValues {
 public:
  // Binds against the source and the variables as they stand (throws what binding throws).
  RequiredValues(const report::ReportTemplate& t, const report::ReportDataSource& source,
                 const report::VariableList& variables);
  bool Empty() const { return objects_.empty(); }
  // The required fields, by the names the template writes, that the source's current record
  // lacks where their object is shown. A value counts as held by the rule of "visibleIf": not
  // missing, not zero (within 0.005), not blank.
  std::vector<std::string> Missing(const report::ReportDataSource& source) const;

 private:
  struct Object {
    std::optional<report::Expression> visibleIf;
    std::vector<std::pair<int, std::string>> fields;
  };
  std::vector<Object> objects_;
};

struct PlannedRow {
  int record = 0;  // 0-based, in the record source (and the queue's visible rows)
  int copies = 1;
};
struct LeftOutRow {
  int record = 0;
  std::string code;                 // f_Spbm of the record
  std::vector<std::string> fields;  // required fields it lacks
};
struct LabelPlan {
  std::vector<PlannedRow> rows;   // in queue order
  int labels = 0;                 // the sum of the copies
  std::string failure;            // a record that could not be made stops the plan there
  std::vector<LeftOutRow> leftOut;  // rows without a required value: not in `rows`
};

// Walks the records in order: each gets the copies of its queue row ("打印份数", 1 when empty),
// and a record lacking a required value is left out with its product code. A record that cannot
// be made ends the walk with `failure`; the rows before it stay planned.
LabelPlan PlanLabels(report::ReportDataSource& records, const MemTable& queue, const RequiredValues* required);

// The question when rows lack required values: which products, which fields, whether to print
// the others. At most `listed` products are named one by one.
std::string LeftOutMessage(const LabelPlan& plan, const std::string& templateName, size_t listed = 20);

// The labels of a plan as the engine lays them out: every planned record as many times as its
// copies, next to each other. Line# counts labels.
class LabelSequence : public report::ReportDataSource {
 public:
  LabelSequence(report::ReportDataSource& records, const LabelPlan& plan);
  std::string Name() const override { return records_.Name(); }
  int RecordCount() const override { return plan_.labels; }
  void MoveTo(int label) override;
  int FieldIndex(std::string_view name) const override { return records_.FieldIndex(name); }
  const Variant& Value(int field) const override { return records_.Value(field); }
  std::string DisplayFormat(int field) const override { return records_.DisplayFormat(field); }

 private:
  report::ReportDataSource& records_;
  const LabelPlan& plan_;
  std::vector<int> firstLabel_;  // per planned row: its first label
  size_t row_ = 0;               // the planned row of the label moved to last
};

// ---------------------------------------------------------------- start position

// "Qswz" in section "SpBjqDy": the position on a partly used sheet where the first label goes,
// from 1 in the sheet's own order. Roll templates (one label a page) ignore it.
inline constexpr const char* kStartPositionKey = "Qswz";

// What the print settings know of the chosen template's paper.
struct LabelSheet {
  std::string templateName;
  int labelsPerSheet = 0;  // 0: not known (no template chosen, or one that cannot be read)
  double paperWidth = 0, paperHeight = 0;  // millimetres
};
LabelSheet SheetOf(const report::ReportTemplate& t);

// The positions to leave empty before the first label; a message when the text is not a whole
// number from 1 to the labels a sheet holds (only sheets are checked).
struct StartPosition {
  int skip = 0;
  std::string message;  // empty when the value is usable
};
StartPosition ReadStartPosition(const std::string& text, int labelsPerSheet);
// The "Qswz" value of the settings file ("1" when missing).
std::string StartPositionSetting();

// ---------------------------------------------------------------- printers

// Section "SpBjqDyjz" of the settings file: one key per printer (its name), value
// "horizontal,vertical,scale" (millimetres, millimetres, factor), e.g. "1.5,-0.8,1.000".
inline constexpr const char* kCalibrationSection = "SpBjqDyjz";
struct Calibration {
  double offsetX = 0, offsetY = 0, scale = 1;
};
inline constexpr double kMaxOffset = 50;                    // millimetres either way
inline constexpr double kMinScale = 0.5, kMaxScale = 1.5;
// Reads a stored value; a message (and nullopt) when it is not three numbers within bounds.
std::optional<Calibration> ParseCalibration(const std::string& text, std::string& message);
std::string CalibrationText(const Calibration& c);
// The printer's calibration from the settings file: none stored gives no shift and scale 1; a
// damaged value throws ModuleError naming the printer.
Calibration LoadCalibration(const std::string& printer);
void StoreCalibration(const std::string& printer, const Calibration& c);

// An object of the template that lands outside the part of the paper a printer can print,
// after calibration, with how far it reaches past each edge (millimetres, 0 where it does not).
struct Overflow {
  std::string object;  // its name, or its place in the template
  double left = 0, top = 0, right = 0, bottom = 0;
};
// The printable area is the paper less the printer's margins (millimetres). Every label
// position of a page is looked at; an object is listed once, with its farthest reach.
std::vector<Overflow> OutsidePrintableArea(const report::ReportTemplate& t, double marginLeft, double marginTop,
                                           double marginRight, double marginBottom, const Calibration& calibration);
std::string OutsideAreaMessage(const std::vector<Overflow>& overflows, const std::string& templateName,
                               const std::string& printer);

// The calibration page: a frame 5 mm inside the paper's edges, millimetre rulers along its top
// and left sides (a long tick every 5 mm, numbered every 10 mm), a cross at the centre, and the
// printer's name with the calibration it prints with.
report::PreparedReport CalibrationPage(const std::string& printer, const Calibration& calibration, double width,
                                       double height);

}  // namespace pt::printing
