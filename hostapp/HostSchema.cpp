#include "hostapp/HostSchema.h"

#include <stdexcept>

namespace pt::hostapp {

namespace {

// Column names are chosen so that the module's statements, which leave many columns
// unqualified across joins (f_Mj, f_qsrq, f_rzrq, f_xssl, f_dzbm, ...), find exactly one
// table holding each; a column added to the wrong table here would make them ambiguous.
constexpr const char* kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS tbSpda (
  f_Spbm varchar(15) COLLATE CI NOT NULL PRIMARY KEY,
  f_Spmc varchar(60) COLLATE CI,
  f_Sphh varchar(15) COLLATE CI,
  f_Spcd varchar(12) COLLATE CI,
  f_Ggxh varchar(20) COLLATE CI,
  f_sppp varchar(20) COLLATE CI,
  f_Jldw varchar(10) COLLATE CI,
  f_spbz varchar(255) COLLATE CI,
  f_bzq int,
  f_Xsdj float,
  f_hyj float,
  f_Jdrq varchar(8) COLLATE CI,
  f_ydrq varchar(8) COLLATE CI,
  f_zDwbl float,
  f_zjbz float,
  f_dhfs varchar(50) COLLATE CI,
  f_bmbm varchar(20) COLLATE CI,
  f_Mj int NOT NULL DEFAULT 1
);
CREATE INDEX IF NOT EXISTS ix_tbSpda_sphh ON tbSpda(f_Sphh);
CREATE INDEX IF NOT EXISTS ix_tbSpda_jdrq ON tbSpda(f_Jdrq);
CREATE INDEX IF NOT EXISTS ix_tbSpda_bmbm ON tbSpda(f_bmbm);

CREATE TABLE IF NOT EXISTS tbSptm (
  f_Sptm varchar(15) COLLATE CI NOT NULL PRIMARY KEY,
  f_Spbm varchar(15) COLLATE CI NOT NULL,
  f_dwbl float NOT NULL DEFAULT 1,
  f_xh int NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ix_tbSptm_spbm ON tbSptm(f_Spbm);

CREATE TABLE IF NOT EXISTS tbtjlxda (
  f_lxbm varchar(20) COLLATE CI NOT NULL PRIMARY KEY,
  f_lxmc varchar(20) COLLATE CI
);

CREATE TABLE IF NOT EXISTS tbsptj (
  f_djh varchar(20) COLLATE CI,
  f_spbm varchar(15) COLLATE CI NOT NULL,
  f_bmbm varchar(20) COLLATE CI NOT NULL DEFAULT '',
  f_tjlx int NOT NULL DEFAULT 0,
  f_qsrq varchar(8) COLLATE CI,
  f_jsrq varchar(8) COLLATE CI,
  f_xsdj float,
  f_jgfs int DEFAULT 0,
  f_lxbm varchar(20) COLLATE CI,
  f_dqbm varchar(20) COLLATE CI
);
CREATE INDEX IF NOT EXISTS ix_tbsptj_spbm ON tbsptj(f_spbm, f_tjlx);
CREATE INDEX IF NOT EXISTS ix_tbsptj_jsrq ON tbsptj(f_jsrq);

CREATE TABLE IF NOT EXISTS tbxsxl (
  f_djh varchar(20) COLLATE CI,
  f_spbm varchar(15) COLLATE CI NOT NULL,
  f_bmbm varchar(20) COLLATE CI NOT NULL DEFAULT '',
  f_jgfs int DEFAULT 0,
  f_qsrq varchar(8) COLLATE CI,
  f_jsrq varchar(8) COLLATE CI,
  f_qssj varchar(4) COLLATE CI,
  f_jssj varchar(4) COLLATE CI,
  f_xlsl float,
  f_sdxl float,
  f_xdsl float,
  f_xsdj float,
  f_xc int DEFAULT 0,
  f_lxbm varchar(20) COLLATE CI,
  f_dqbm varchar(20) COLLATE CI
);
CREATE INDEX IF NOT EXISTS ix_tbxsxl_spbm ON tbxsxl(f_spbm);
CREATE INDEX IF NOT EXISTS ix_tbxsxl_jsrq ON tbxsxl(f_jsrq);

CREATE TABLE IF NOT EXISTS tbPlzj (
  f_djh varchar(20) COLLATE CI,
  f_spbm varchar(15) COLLATE CI NOT NULL,
  f_bmbm varchar(20) COLLATE CI NOT NULL DEFAULT '',
  f_xsdj float,
  f_zpl varchar(1) COLLATE CI,
  f_plsl int,
  f_jgfs int DEFAULT 0,
  f_qsrq varchar(8) COLLATE CI,
  f_jsrq varchar(8) COLLATE CI
);
CREATE INDEX IF NOT EXISTS ix_tbPlzj_spbm ON tbPlzj(f_spbm);
CREATE INDEX IF NOT EXISTS ix_tbPlzj_qsrq ON tbPlzj(f_qsrq);

CREATE TABLE IF NOT EXISTS tbZyda (
  f_Zybm varchar(8) COLLATE CI NOT NULL PRIMARY KEY,
  f_Zymc varchar(8) COLLATE CI
);

CREATE TABLE IF NOT EXISTS tbRFBjq (
  f_Zybm varchar(8) COLLATE CI NOT NULL,
  f_Sj varchar(14) COLLATE CI NOT NULL,
  f_Spbm varchar(15) COLLATE CI NOT NULL
);
CREATE INDEX IF NOT EXISTS ix_tbRFBjq_batch ON tbRFBjq(f_Zybm, f_Sj);
CREATE INDEX IF NOT EXISTS ix_tbRFBjq_spbm ON tbRFBjq(f_Spbm);

CREATE TABLE IF NOT EXISTS tbbmda (
  f_bmbm varchar(20) COLLATE CI NOT NULL PRIMARY KEY,
  f_bmmc varchar(20) COLLATE CI
);

-- Pricing-department categories: codes grow by two digits a level ("01", "0101", ...).
CREATE TABLE IF NOT EXISTS tbdjbmfl (
  f_bmflbm varchar(20) COLLATE CI NOT NULL PRIMARY KEY,
  f_bmflmc varchar(40) COLLATE CI,
  f_jb int NOT NULL,
  f_mj int NOT NULL DEFAULT 0
);

-- Which departments a category stands for; a department mapped to a top category directly is
-- one of that category's "other" departments.
CREATE TABLE IF NOT EXISTS tbdjbmfldz (
  f_bmflbm varchar(20) COLLATE CI NOT NULL,
  f_dzbm varchar(20) COLLATE CI NOT NULL,
  PRIMARY KEY (f_bmflbm, f_dzbm)
);
CREATE INDEX IF NOT EXISTS ix_tbdjbmfldz_dzbm ON tbdjbmfldz(f_dzbm);

-- The pricing-department categories each operator is in charge of (with everything below them).
CREATE TABLE IF NOT EXISTS tbzyfgbm (
  f_zybm varchar(8) COLLATE CI NOT NULL,
  f_bmflbm varchar(20) COLLATE CI NOT NULL,
  PRIMARY KEY (f_zybm, f_bmflbm)
);

CREATE TABLE IF NOT EXISTS tbspjyztda (
  f_jyztbm varchar(10) COLLATE CI NOT NULL PRIMARY KEY,
  f_jyztmc varchar(50) COLLATE CI,
  f_yxxs int NOT NULL DEFAULT 1
);

CREATE TABLE IF NOT EXISTS tblsdkz (
  f_spbm varchar(15) COLLATE CI NOT NULL PRIMARY KEY,
  f_jyztbm varchar(10) COLLATE CI NOT NULL
);
CREATE INDEX IF NOT EXISTS ix_tblsdkz_jyztbm ON tblsdkz(f_jyztbm);

CREATE TABLE IF NOT EXISTS tbcsda (
  f_csbm varchar(20) COLLATE CI NOT NULL PRIMARY KEY,
  f_csmc varchar(60) COLLATE CI
);

CREATE TABLE IF NOT EXISTS tbgysdz (
  f_gysbm varchar(20) COLLATE CI NOT NULL,
  f_spbm varchar(15) COLLATE CI NOT NULL,
  PRIMARY KEY (f_gysbm, f_spbm)
);
CREATE INDEX IF NOT EXISTS ix_tbgysdz_spbm ON tbgysdz(f_spbm);

CREATE TABLE IF NOT EXISTS tbxtcs (
  f_Csmc varchar(40) COLLATE CI NOT NULL PRIMARY KEY,
  f_csz varchar(255) COLLATE CI,
  f_Csms varchar(100) COLLATE CI
);

CREATE TABLE IF NOT EXISTS tbbbmb (
  f_lb varchar(20) COLLATE CI NOT NULL,
  f_Reportname varchar(60) COLLATE CI NOT NULL,
  f_ReportInfo text,
  f_xh int NOT NULL DEFAULT 0,
  PRIMARY KEY (f_lb, f_Reportname)
);

-- The stand-in host's own settings (the server date a seeded database was laid out around).
CREATE TABLE IF NOT EXISTS pthost_info (
  f_key varchar(40) COLLATE CI NOT NULL PRIMARY KEY,
  f_value text
);
)SQL";

struct MonthTable {
  const char* suffix;
  const char* columns;
  const char* indexes;  // "%T" stands for the table name
};

const MonthTable kMonthTables[] = {
    {"_Yhj",
     "f_bmbm varchar(20) COLLATE CI NOT NULL DEFAULT '', f_Spbm varchar(15) COLLATE CI NOT NULL, "
     "f_Qcsl float NOT NULL DEFAULT 0, f_Jhsl float NOT NULL DEFAULT 0, f_Brsl float NOT NULL DEFAULT 0, "
     "f_Sysl float NOT NULL DEFAULT 0, f_Pssl float NOT NULL DEFAULT 0, f_Xssl float NOT NULL DEFAULT 0, "
     "f_Bcsl float NOT NULL DEFAULT 0, f_Shsl float NOT NULL DEFAULT 0, f_Phsl float NOT NULL DEFAULT 0",
     "CREATE INDEX IF NOT EXISTS ix%T_spbm ON %T(f_Spbm)"},
    {"_sptj",
     "f_djh varchar(20) COLLATE CI NOT NULL, f_Rzrq varchar(8) COLLATE CI, f_spbm varchar(15) COLLATE CI NOT NULL, "
     "f_bmbm varchar(20) COLLATE CI NOT NULL DEFAULT '', f_yxsdj float, f_xsdj float, f_tjsl float NOT NULL DEFAULT 0",
     "CREATE INDEX IF NOT EXISTS ix%T_rzrq ON %T(f_Rzrq); CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_djh)"},
    {"_tjrz",
     "f_djh varchar(20) COLLATE CI, f_Spbm varchar(15) COLLATE CI NOT NULL, f_Tjrq varchar(8) COLLATE CI NOT NULL, "
     "f_yxsdj float, f_xsdj float",
     "CREATE INDEX IF NOT EXISTS ix%T_spbm ON %T(f_Spbm); CREATE INDEX IF NOT EXISTS ix%T_tjrq ON %T(f_Tjrq)"},
    {"_spyd",
     "f_spbm varchar(15) COLLATE CI NOT NULL, F_Ydrq varchar(8) COLLATE CI NOT NULL, f_ydlx int NOT NULL DEFAULT 0, "
     "f_djh varchar(20) COLLATE CI",
     "CREATE INDEX IF NOT EXISTS ix%T_ydrq ON %T(F_Ydrq)"},
    {"_spdj_zb",
     "f_djh varchar(20) COLLATE CI NOT NULL PRIMARY KEY, f_djlx int NOT NULL, f_zdrq varchar(8) COLLATE CI, "
     "f_zdrbm varchar(8) COLLATE CI, f_zdrmc varchar(8) COLLATE CI, f_zxbz int NOT NULL DEFAULT 0, "
     "f_zxrq varchar(8) COLLATE CI, f_bz varchar(100) COLLATE CI",
     "CREATE INDEX IF NOT EXISTS ix%T_zxrq ON %T(f_zxrq)"},
    {"_spdj_lsdjg",
     "f_djh varchar(20) COLLATE CI NOT NULL, f_spbm varchar(15) COLLATE CI NOT NULL, f_bmlx int NOT NULL DEFAULT 1, "
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_yxsdj float, f_xsdj float, f_hyj float",
     "CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_djh)"},
    {"_spdj_sptj",
     "f_djh varchar(20) COLLATE CI NOT NULL, f_spbm varchar(15) COLLATE CI NOT NULL, f_bmlx int NOT NULL DEFAULT 1, "
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_tjlx int NOT NULL DEFAULT 0, f_qsrq varchar(8) COLLATE CI, "
     "f_jsrq varchar(8) COLLATE CI, f_xsdj float, f_lxbm varchar(20) COLLATE CI, f_dqbm varchar(20) COLLATE CI",
     "CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_djh)"},
    {"_spdj_xsxl",
     "f_djh varchar(20) COLLATE CI NOT NULL, f_spbm varchar(15) COLLATE CI NOT NULL, f_bmlx int NOT NULL DEFAULT 1, "
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_qsrq varchar(8) COLLATE CI, f_jsrq varchar(8) COLLATE CI, "
     "f_qssj varchar(4) COLLATE CI, f_jssj varchar(4) COLLATE CI, f_xsdj float, f_xc int DEFAULT 0, f_xlsl float, "
     "f_xdsl float",
     "CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_djh)"},
    {"_spdj_plzj",
     "f_djh varchar(20) COLLATE CI NOT NULL, f_spbm varchar(15) COLLATE CI NOT NULL, f_bmlx int NOT NULL DEFAULT 1, "
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_xsdj float, f_plsl int, f_zpl varchar(1) COLLATE CI, "
     "f_jgfs int DEFAULT 0, f_qsrq varchar(8) COLLATE CI, f_jsrq varchar(8) COLLATE CI",
     "CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_djh)"},
    {"_Xsmxzb",
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_djh varchar(20) COLLATE CI NOT NULL, f_rzrq varchar(8) COLLATE CI NOT NULL, "
     "f_sj varchar(6) COLLATE CI, f_syybm varchar(8) COLLATE CI, PRIMARY KEY (f_bmbm, f_djh)",
     ""},
    {"_Xsmxcb",
     "f_bmbm varchar(20) COLLATE CI NOT NULL, f_djh varchar(20) COLLATE CI NOT NULL, f_xh int NOT NULL, "
     "f_spbm varchar(15) COLLATE CI NOT NULL, f_xssl float NOT NULL DEFAULT 0, f_xsdj float, "
     "f_ssje float NOT NULL DEFAULT 0, f_sssj float NOT NULL DEFAULT 0",
     "CREATE INDEX IF NOT EXISTS ix%T_spbm ON %T(f_spbm); CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_bmbm, f_djh)"},
};

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
  return s;
}

}  // namespace

void CreateSchema(HostDatabase& db) { db.ExecNative(kSchema); }

const std::vector<std::string>& MonthlySuffixes() {
  static const std::vector<std::string> suffixes = [] {
    std::vector<std::string> v;
    for (const MonthTable& t : kMonthTables) v.emplace_back(t.suffix);
    return v;
  }();
  return suffixes;
}

void CreateMonthTables(HostDatabase& db, std::string_view yyyymm) {
  if (yyyymm.size() != 6 || yyyymm.find_first_not_of("0123456789") != std::string_view::npos)
    throw std::invalid_argument("月份必须是六位数字 YYYYMM：" + std::string(yyyymm));
  std::string sql;
  for (const MonthTable& t : kMonthTables) {
    std::string name = "tb" + std::string(yyyymm) + t.suffix;
    sql += "CREATE TABLE IF NOT EXISTS " + name + " (" + t.columns + ");\n";
    if (*t.indexes) sql += ReplaceAll(t.indexes, "%T", name) + ";\n";
  }
  db.ExecNative(sql);
}

}  // namespace pt::hostapp
