#pragma once
// Scripts a recording host to answer everything the main window asks for at start-up (database
// type, server month and date, the operator's name, the system parameters, the template list)
// and to answer product queries with empty queue and history packets.
#include <string>
#include <vector>

#include "tests/support/RecordingHost.h"

namespace pt::test {

struct HealthyHostOptions {
  std::string unitType = "01";
  std::string yearMonth = "202412";
  std::string date = "20241210";
  bool dchy = false;
  std::vector<std::string> templateNames = {"普通标价签"};
};

void ScriptHealthyHost(RecordingHost& host, const HealthyHostOptions& options = {});

// A packet of queue rows with the host's queue fields; `rows` gives (field, value) pairs per row,
// every other field null.
std::string QueuePacket(const std::vector<std::vector<std::pair<std::string, Variant>>>& rows);
// A packet of promotion history rows (f_Qsrq, f_jsrq, f_Xsdj, f_q7yxsdj).
std::string HistoryPacket(const std::vector<std::vector<Variant>>& rows);

}  // namespace pt::test
