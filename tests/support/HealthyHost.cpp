#include "tests/support/HealthyHost.h"

#include "common/DataPacket.h"
#include "common/MemTable.h"
#include "host/HostService.h"
#include "queue/QueueRecord.h"

namespace pt::test {

namespace {
constexpr int kText = static_cast<int>(FieldType::Text);
constexpr int kFloat = static_cast<int>(FieldType::Float);

// A small real label template (one label per page with the product code), as stored text.
std::string StoredTestTemplate() {
  const std::string json =
      R"({"format":"pricetag-report","version":1,"name":"t","page":{"width":60,"height":40},)"
      R"("bands":[{"type":"masterData","height":40,"objects":[)"
      R"({"type":"text","x":1,"y":1,"width":50,"height":8,"text":"[cdsPrint.\"f_Spbm\"]"}]}]})";
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : json) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out + "#";
}
}  // namespace

std::string QueuePacket(const std::vector<std::vector<std::pair<std::string, Variant>>>& rows) {
  MemTable queue;
  queue::DefineQueueFields(queue);
  queue.CreateDataSet();
  for (const auto& row : rows) {
    queue.Append();
    for (const auto& [field, value] : row) queue.Set(field, value);
    queue.Post();
  }
  return queue.ToPacket();
}

std::string HistoryPacket(const std::vector<std::vector<Variant>>& rows) {
  return MakePacket({{"f_Qsrq", kText}, {"f_jsrq", kText}, {"f_Xsdj", kFloat}, {"f_q7yxsdj", kFloat}}, rows);
}

void ScriptHealthyHost(RecordingHost& host, const HealthyHostOptions& o) {
  host.Handle(disp::GetDatabaseType, [](std::vector<Variant>&) { return Variant("SQLSERVER"); });
  host.Succeed(disp::GetServerMonth, Variant(o.yearMonth));
  host.Succeed(disp::GetServerDate, Variant(o.date + " 10:00:00"));
  host.Succeed(disp::GetServerDateTime, Variant(o.date + "100000"));
  host.Succeed(disp::LookupRows, Variant::MakePacket(MakePacket({{"f_zymc", kText}}, {{Variant("张三")}})));
  host.Succeed(disp::GetSystemParameters,
               Variant::MakePacket(MakePacket({{"f_Csmc", kText}, {"f_csz", kText}},
                                              {{Variant("dwlx"), Variant(o.unitType)},
                                               {Variant("qyny"), Variant("202201")},
                                               {Variant("dwmc"), Variant("测试门店")},
                                               {Variant("dybm"), Variant("010")},
                                               {Variant("dchy"), Variant(o.dchy ? "1" : "0")}})));
  std::vector<std::vector<Variant>> templates;
  for (const auto& name : o.templateNames) templates.push_back({Variant(name), Variant(StoredTestTemplate())});
  host.Succeed(disp::GetReportTemplates,
               Variant::MakePacket(MakePacket({{"f_Reportname", kText}, {"f_ReportInfo", kText}}, templates)));
  // The pricing-department tree asked for at headquarters: one division with one category and
  // its department, and a department attached to the division itself.
  const std::vector<std::pair<std::string, int>> deptFields = {
      {"f_qt", static_cast<int>(FieldType::Integer)}, {"f_bmflbm", kText}, {"f_bmflmc", kText},
      {"f_jb", static_cast<int>(FieldType::Integer)}, {"f_mj", static_cast<int>(FieldType::Integer)},
      {"f_bmbm", kText}, {"f_bmmc", kText}, {"f_bmlx", static_cast<int>(FieldType::Integer)}};
  host.Succeed(disp::QueryRows,
               Variant::MakePacket(MakePacket(
                   deptFields, {{Variant(0), Variant("01"), Variant("超市事业部"), Variant(1), Variant(0), Variant(""), Variant(""), Variant(0)},
                                {Variant(0), Variant("0101"), Variant("食品类"), Variant(2), Variant(1), Variant(""), Variant(""), Variant(0)},
                                {Variant(0), Variant("0101"), Variant("食品类"), Variant(2), Variant(1), Variant("010"), Variant("食品部"), Variant(1)},
                                {Variant(1), Variant("01"), Variant("超市事业部"), Variant(1), Variant(0), Variant("019"), Variant("超市综合部"), Variant(1)}})));
  host.Handle(disp::QueryProducts, [](std::vector<Variant>& args) {
    const int64_t mode = args[0].ToInt();
    args[1] = Variant::MakePacket(mode == 5 || mode == 6 ? HistoryPacket({}) : QueuePacket({}));
    return Variant(true);
  });
}

}  // namespace pt::test
