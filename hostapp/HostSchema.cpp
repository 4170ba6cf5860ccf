#include "hostapp/HostSchema.h"

#include <regex>
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
  f_dqbm varchar(20) COLLATE CI%ROWID%
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
  f_dqbm varchar(20) COLLATE CI%ROWID%
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
  f_jsrq varchar(8) COLLATE CI%ROWID%
);
CREATE INDEX IF NOT EXISTS ix_tbPlzj_spbm ON tbPlzj(f_spbm);
CREATE INDEX IF NOT EXISTS ix_tbPlzj_qsrq ON tbPlzj(f_qsrq);

-- Employee codes are fixed-width on the server: stored and returned with trailing blanks.
CREATE TABLE IF NOT EXISTS tbZyda (
  f_Zybm char(8) COLLATE CI NOT NULL PRIMARY KEY,
  f_Zymc varchar(8) COLLATE CI
);

-- The handhelds' requests: employee and product codes are fixed-width, as the terminals write them.
CREATE TABLE IF NOT EXISTS tbRFBjq (
  f_Zybm char(8) COLLATE CI NOT NULL,
  f_Sj varchar(14) COLLATE CI NOT NULL,
  f_Spbm char(15) COLLATE CI NOT NULL
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
     "f_yxsdj float, f_xsdj float%ROWID%",
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
     "f_spbm varchar(15) COLLATE CI NOT NULL, f_xssl %MONEY% NOT NULL DEFAULT 0, f_xsdj float, "
     "f_ssje %MONEY% NOT NULL DEFAULT 0, f_sssj %MONEY% NOT NULL DEFAULT 0",
     "CREATE INDEX IF NOT EXISTS ix%T_spbm ON %T(f_spbm); CREATE INDEX IF NOT EXISTS ix%T_djh ON %T(f_bmbm, f_djh)"},
};

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size())) s.replace(p, from.size(), to);
  return s;
}

// The one schema in the text of a back end. Amounts (%MONEY%) are exact decimals on a server;
// SQLite keeps them as floating point (its ceiling allows for that, see HostDatabase). Tables
// whose rows the host orders by insertion carry pt_rowid on PostgreSQL (SQLite has its rowid).
// On SQLite every sized text column checks its length, as the server refuses a text longer than
// its column, and fixed-width columns are padded with blanks, as the server stores them.
std::string ForBackend(const std::string& ddl, Backend b) {
  std::string s = ReplaceAll(ddl, "%MONEY%", b == Backend::Postgres ? "numeric(19,4)" : "float");
  s = ReplaceAll(s, "%ROWID%", b == Backend::Postgres ? ", pt_rowid bigserial NOT NULL" : "");
  if (b == Backend::Postgres) return s;
  static const std::regex column(R"(\b(\w+) ((?:var)?char)\((\d+)\))");
  static const std::regex table(R"(CREATE TABLE IF NOT EXISTS (\w+) \()");
  std::string out, triggers;
  auto begin = std::sregex_iterator(s.begin(), s.end(), table);
  size_t at = 0;
  std::vector<std::pair<size_t, std::string>> tables;
  for (auto it = begin; it != std::sregex_iterator(); ++it) tables.emplace_back(static_cast<size_t>(it->position()), (*it)[1]);
  for (size_t ti = 0; ti < tables.size(); ++ti) {
    size_t from = tables[ti].first, to = ti + 1 < tables.size() ? tables[ti + 1].first : s.size();
    out += s.substr(at, from - at);
    std::string body = s.substr(from, to - from);
    std::string pads;
    std::string checked;
    size_t last = 0;
    for (auto c = std::sregex_iterator(body.begin(), body.end(), column); c != std::sregex_iterator(); ++c) {
      std::string name = (*c)[1], kind = (*c)[2], n = (*c)[3];
      size_t end = static_cast<size_t>(c->position() + c->length());
      checked += body.substr(last, end - last) + " CHECK (pt_fits(" + name + ", " + n + "))";
      last = end;
      if (kind == "char") pads += std::string(pads.empty() ? "" : ", ") + name + " = pt_pad(" + name + ", " + n + ")";
    }
    checked += body.substr(last);
    out += checked;
    if (!pads.empty()) {
      const std::string& t = tables[ti].second;
      triggers += "CREATE TRIGGER IF NOT EXISTS pt_pad_" + t + " AFTER INSERT ON " + t + " BEGIN UPDATE " + t + " SET " +
                  pads + " WHERE rowid = NEW.rowid; END;\n";
    }
    at = to;
  }
  out += s.substr(at);
  return out + triggers;
}

}  // namespace

void CreateSchema(HostDatabase& db) { db.ExecNative(ForBackend(kSchema, db.kind())); }

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
  db.ExecNative(ForBackend(sql, db.kind()));
}

}  // namespace pt::hostapp
