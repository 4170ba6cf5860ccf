#pragma once
// Checks of a template before it is saved (and by `pricetag-template check`): fields and
// variables that labels do not have, objects outside their label or band, barcodes whose data
// their symbology cannot encode, fonts that cannot draw the label's text, pictures that cannot
// be read. Each problem names the object it concerns; none of them stops the engine from
// printing, which is why they are questions and not errors.
#include <functional>
#include <string>
#include <vector>

#include "designer/TemplateDocument.h"
#include "report_engine/Expression.h"
#include "report_engine/ReportDataSource.h"

namespace pt::designer {

struct Problem {
  ObjectRef ref{-1, -1};  // band -1: the template as a whole
  std::string object;     // the object's label, as the panels show it
  std::string message;
};

struct CheckContext {
  // Records to try bound barcodes and texts with (the designer's preview records), and the
  // variables they print with; without records only constant data is tried.
  report::ReportDataSource* samples = nullptr;
  const report::VariableList* variables = nullptr;
  int maxSamples = 50;
  // True when the font family draws every character of the text; without it fonts are not
  // checked (the Qt layer answers from the font database).
  std::function<bool(const std::string& family, const std::string& text)> fontDrawsText;
};

std::vector<Problem> CheckTemplate(const TemplateDocument& doc, const CheckContext& context = {});

// One line per problem: "对象：问题".
std::string DescribeProblems(const std::vector<Problem>& problems);

}  // namespace pt::designer
