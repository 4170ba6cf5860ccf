#pragma once
// The report engine as the print pass uses it: load a template (from its stored text), set
// report variables, prepare pages from a data source. Preparing is pure layout: the result is
// display lists that the Qt layer previews, prints and exports (report_engine/ReportView.h).
#include <memory>
#include <string>
#include <string_view>

#include "report_engine/DisplayList.h"
#include "report_engine/Expression.h"
#include "report_engine/PageLayout.h"
#include "report_engine/ReportDataSource.h"
#include "report_engine/ReportTemplate.h"
#include "report_engine/TextMeasure.h"

namespace pt::report {

// Choices of one layout run beyond the template.
struct LayoutOptions {
  // Label positions left empty before the first label on the first page of a sheet, in the
  // sheet's own order (a partly used sheet). Ignored for roll labels (one position a page);
  // at most one position less than a sheet holds.
  int skipSlots = 0;
};

// Takes pages as the layout finishes them, so that a long report never needs all its pages at
// once. `shared` holds what pages refer to (fonts, images) and the warnings so far; it grows as
// pages are made and stays valid until the layout returns. Its own page list stays empty.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // Before the first page: how many pages the run makes.
  virtual void Begin(const PreparedReport& shared, int pageCount) {}
  virtual void TakePage(const PreparedReport& shared, Page&& page) = 0;
};

class ReportEngine {
 public:
  ReportEngine();
  ~ReportEngine();
  ReportEngine(ReportEngine&&) noexcept;
  ReportEngine& operator=(ReportEngine&&) noexcept;

  // Decodes the stored hexadecimal text and loads it, replacing the template loaded before.
  // A damaged or unknown template throws ModuleError and leaves the previous one in place.
  void LoadStoredTemplate(const std::string& hexText);
  void LoadTemplate(std::string_view bytes);
  void SetTemplate(ReportTemplate t);
  bool HasTemplate() const { return static_cast<bool>(template_); }
  const ReportTemplate& Template() const;  // throws ModuleError when none is loaded
  // The name the prepared pages carry (and print jobs with them), such as the name the template
  // is stored under; throws ModuleError when none is loaded.
  void SetTemplateName(std::string name);

  // Added when missing, replaced when present; kept until set again.
  void SetVariable(std::string_view name, std::string_view value) { variables_.Set(name, value); }
  const VariableList& Variables() const { return variables_; }

  // The master data band once per record, in order, in the label grid of the template. Throws
  // ModuleError for what stops the whole report (no template, a field the source lacks, labels
  // that do not fit the paper); refused barcode data only marks its label.
  PreparedReport Prepare(ReportDataSource& source) const;
  PreparedReport Prepare(ReportDataSource& source, TextMeasurer& measurer, const LayoutOptions& options = {}) const;
  // The same layout, page by page into the sink (an exception from the sink ends the run). The
  // result holds the title, fonts, images and warnings; its pages went to the sink.
  PreparedReport Stream(ReportDataSource& source, TextMeasurer& measurer, const LayoutOptions& options,
                        PageSink& sink) const;
  // Throws what Prepare would throw before making a page (no template, a field the source
  // lacks), without laying anything out.
  void CheckSource(ReportDataSource& source) const;

 private:
  std::unique_ptr<ReportTemplate> template_;
  VariableList variables_;
};

// The grid of a template's master data band on its page; throws ModuleError when it does not fit.
LabelGrid TemplateGrid(const ReportTemplate& t);

}  // namespace pt::report
