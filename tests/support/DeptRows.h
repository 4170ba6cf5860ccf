#pragma once
// The host's department rows as the department dialog receives them: an empty table of their
// fields, for tests, benchmarks and fuzz targets to fill.
#include "common/MemTable.h"

namespace pt::test {

inline void DefineDeptRows(MemTable& t) {
  t.AddField("f_qt", FieldType::Integer);
  t.AddField("f_bmflbm", FieldType::Text, 20);
  t.AddField("f_bmflmc", FieldType::Text, 40);
  t.AddField("f_jb", FieldType::Integer);
  t.AddField("f_mj", FieldType::Integer);
  t.AddField("f_bmbm", FieldType::Text, 20);
  t.AddField("f_bmmc", FieldType::Text, 20);
  t.AddField("f_bmlx", FieldType::Integer);
  t.CreateDataSet();
}

}  // namespace pt::test
