#pragma once
// The print pass's recorder that writes the log of printed tags (printing/PrintLog.h) through the
// host. It takes what a job printed when the pass hands it over, and writes it when its caller
// knows the job is complete (a PDF file in its place), so nothing about the log holds or changes
// the labels. A failure is kept for the caller to report once, after the print.
#include <string>
#include <vector>

#include "host/HostService.h"
#include "printing/LabelPrintPass.h"
#include "printing/PrintLog.h"

namespace pt::printing {

// This workstation's name, as the log records it.
std::string WorkstationName();

class PrintLogRecorder : public PrintRecorder {
 public:
  // `job` without the template: the pass names it.
  PrintLogRecorder(HostService& host, PrintJob job) : host_(host), job_(std::move(job)) {}
  // Takes the tags of the run; never throws.
  void Printed(const PrintedLabels& labels) override;
  // Writes what was taken (nothing when the pass printed nothing) and forgets it. "" when
  // recorded, else the message for the clerk.
  std::string Write();
  bool HasJob() const { return taken_; }

 private:
  HostService& host_;
  PrintJob job_;
  std::vector<PrintedTag> tags_;
  bool taken_ = false;
  std::string failure_;
};

}  // namespace pt::printing
