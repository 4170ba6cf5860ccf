#include "HostFixture.h"

#include "hostapp/HostSchema.h"
#include "hostapp/SeedData.h"

namespace pt::hostapp::testing {

std::string E(int n) {
  static const char* twelve[] = {"", "690123456789", "690123456790", "690123456791", "690123456792",
                                 "690000000001", "200000000001", "690000000002"};
  return Ean13(twelve[n]);
}

HostFixture::HostFixture() {
  CreateSchema(db);
  for (const char* m : {"202402", "202403", "202404", "202405"}) CreateMonthTables(db, m);
  std::string sql = R"SQL(
INSERT INTO tbbmda VALUES ('010','食品部'),('011','日化部'),('012','果蔬部');
INSERT INTO tbdjbmfl VALUES ('01','超市事业部',1,0),('0101','食品类',2,1),('0102','日化类',2,1),
                            ('02','百货事业部',1,0),('0201','服装类',2,1);
INSERT INTO tbdjbmfldz VALUES ('0101','010'),('0102','011'),('01','012'),('0201','020');
INSERT INTO tbZyda VALUES ('0001','张伟'),('0002','王芳'),('0004','刘洋');
INSERT INTO tbzyfgbm VALUES ('0001','01');
INSERT INTO tbspjyztda VALUES ('01','正常',1),('02','暂停销售',0);
INSERT INTO tbtjlxda VALUES ('01','周末特价'),('02','会员日'),('05','限时抢购');
INSERT INTO tbcsda VALUES ('G001','杭州鑫达食品有限公司');
INSERT INTO tbgysdz VALUES ('G001','000101'),('G001','000102');
INSERT INTO tbSpda(f_Spbm,f_Spmc,f_bmbm,f_Mj) VALUES ('10','食品饮料','010',0);
INSERT INTO tbSpda VALUES
 ('000101','可口可乐','KL500','上海','500ml','可口可乐','瓶','热销',365,3.0,2.8,'20230101','20240515',6,12,'统配','010',1),
 ('000102','康师傅红烧牛肉面','KSF120','天津','120g','康师傅','袋','',180,4.5,4.3,'20240514','20240514',1,24,'统配','010',1),
 ('000103','停售饼干','BG200','广州','200g','','袋','',270,6.0,6.0,'20230301','20230301',1,20,'直送','010',1),
 ('000201','舒肤佳沐浴露','SFJ750','广州','750ml','舒肤佳','瓶','',1095,39.9,37.9,'20220610','20240515',1,12,'统配','011',1),
 ('A0301','红富士苹果','PG01','烟台','一级','','千克','',15,12.8,12.8,'20240301','20240420',1,1,'直送','012',1);
INSERT INTO tbSptm VALUES ('@E1','000101',1,1),('@E2','000101',1,0),('@E3','000101',12,0),('@E4','000101',12,0),
                          ('@E5','000102',1,1),('@E6','A0301',1,1),('@E7','000103',1,1);
INSERT INTO tblsdkz VALUES ('000101','01'),('000102','01'),('000103','02'),('000201','01'),('A0301','01');
INSERT INTO tbsptj(f_djh,f_spbm,f_bmbm,f_tjlx,f_qsrq,f_jsrq,f_xsdj,f_jgfs,f_lxbm,f_dqbm) VALUES
 ('TJ1','000101','',   0,'20240510','20240520',2.5,0,'01','DQ202405A'),
 ('TJ2','000101','010',0,'20240514','20240516',2.4,1,'01','DQ202405B'),
 ('TJ3','000101','',   1,'20240512','20240518',2.3,0,'02','DQ202405A'),
 ('TJ4','000101','',   0,'20240601','20240607',2.6,0,'01','DQ202406A'),
 ('TJ5','000101','',   0,'20240301','20240307',2.7,0,'01','DQ202403A'),
 ('TJ6','000102','',   0,'20240501','20240531',4.0,0,'01','DQ202405A'),
 ('TJ7','000102','',   1,'20240610','20240612',3.9,0,'02','DQ202406A'),
 ('TJ8','000201','',   0,'20240502','20240515',35.0,0,'01','DQ202405A');
INSERT INTO tbxsxl(f_djh,f_spbm,f_bmbm,f_jgfs,f_qsrq,f_jsrq,f_qssj,f_jssj,f_xlsl,f_sdxl,f_xdsl,f_xsdj,f_xc,f_lxbm,f_dqbm) VALUES
 ('XS1','000101','',0,'20240515','20240515','0800','1000',100,20,2,1.99,0,'05','DQ202405B'),
 ('XS2','000102','',0,'20240510','20240520','1800','2100',50,10,1,3.5,2,'05','DQ202405A'),
 ('XS3','000201','',1,'20240513','20240525','0900','2100',0,0,1,0,1,'05','DQ202405A');
INSERT INTO tbPlzj VALUES ('PL1','000101','',2.7,'1',6,0,'20240515','20240531');
INSERT INTO tb202405_Yhj VALUES ('010','000101',100,20,0,0,0,30,0,0,0),('012','000101',5,0,0,0,0,0,0,0,0),
                                ('010','000102',50,0,0,0,0,10,0,0,0);
INSERT INTO tb202405_sptj VALUES ('TJ20240515001','20240515','000101','010',3.2,3.0,24),
                                 ('TJ20240515001','20240515','000102','010',4.8,4.5,0),
                                 ('TJ20240515002','20240515','000201','011',42.0,39.9,3),
                                 ('TJ20240514001','20240514','000102','010',5.0,4.8,10);
INSERT INTO tb202405_tjrz VALUES ('TJ20240515001','000101','20240515',3.2,3.0),
                                 ('TJ20240515001','000102','20240515',4.8,4.5),
                                 ('TJ20240515002','000201','20240515',42.0,39.9),
                                 ('TJ20240514001','000102','20240514',5.0,4.8),
                                 ('TJ20240520001','000101','20240520',9.9,9.0);
INSERT INTO tb202404_tjrz VALUES ('TJ20240420001','A0301','20240420',13.5,12.8);
INSERT INTO tb202405_spyd VALUES ('000101','20240514',1,'YD1'),('000201','20240514',2,'YD1'),('000102','20240515',1,'YD2');
INSERT INTO tb202405_spdj_zb VALUES
 ('DJ202405001',0,'20240514','0001','张伟',1,'20240515',''),
 ('DJ202405002',1,'20240510','0001','张伟',1,'20240511',''),
 ('DJ202405003',0,'20240515','0001','张伟',0,'','待审核'),
 ('DJ202405004',2,'20240512','0001','张伟',1,'20240513','');
INSERT INTO tb202405_spdj_lsdjg VALUES ('DJ202405001','000101',1,'010',3.2,3.0,2.8),
                                       ('DJ202405001','000102',0,'0101',4.5,4.5,4.3),
                                       ('DJ202405001','000201',0,'0102',42.0,39.9,37.9),
                                       ('DJ202405001','A0301',0,'0101',13.5,12.8,12.8),
                                       ('DJ202405003','000102',1,'010',4.8,4.5,4.3);
INSERT INTO tb202405_spdj_sptj VALUES ('DJ202405002','000101',1,'010',0,'20240511','20240520',2.5,'01','DQ202405A'),
                                      ('DJ202405002','000201',0,'0102',0,'20240511','20240520',35.0,'01','DQ202405A');
-- Sales: product 000101 before its promotions of 10 and 14 May and its flash sale of 15 May.
INSERT INTO tb202405_Xsmxzb VALUES ('010','XS001','20240505','101500','0002'),('010','XS002','20240508','111000','0002'),
                                   ('010','XS003','20240502','090000','0003'),('010','XS006','20240514','180000','0003'),
                                   ('010','XS005','20240514','181000','0003');
INSERT INTO tb202405_Xsmxcb VALUES ('010','XS001',1,'000101',3,3.0,10.00,0.00),
                                   ('010','XS002',1,'000101',1,3.0,2.65,0.35),
                                   ('010','XS002',2,'000101',0,3.0,0,0),
                                   ('010','XS003',1,'000101',1,3.0,2.57,0.33),
                                   ('010','XS006',1,'000101',2,3.0,5.0,0.6),
                                   ('010','XS005',1,'000102',2,4.5,8.0,1.0);
INSERT INTO tb202404_Xsmxzb VALUES ('010','XS101','20240430','100000','0002'),('010','XS102','20240428','100000','0002'),
                                   ('010','XS103','20240420','100000','0002');
INSERT INTO tb202404_Xsmxcb VALUES ('010','XS101',1,'000101',2,3.0,4.4,0.6),
                                   ('010','XS102',1,'000102',1,4.5,4.0,0.5),
                                   ('010','XS103',1,'000101',1,3.0,2.7,0.3);
INSERT INTO tb202403_Xsmxzb VALUES ('010','XS201','20240320','100000','0002');
INSERT INTO tb202403_Xsmxcb VALUES ('010','XS201',1,'000101',1,3.0,2.3,0.3);
INSERT INTO tb202402_Xsmxzb VALUES ('010','XS301','20240229','100000','0002');
INSERT INTO tb202402_Xsmxcb VALUES ('010','XS301',1,'000101',1,3.0,0.9,0.1);
INSERT INTO tbRFBjq VALUES ('0004','20240515091500','000101'),('0004','20240515091500','000102'),
                           ('0004','20240515091500','000201'),('0004','20240515091500','000201'),
                           ('0004','20240515091500','A0301'),('0099','20240515100000','000201'),
                           ('0004','20240514160000','000101');
INSERT INTO tbxtcs VALUES ('dwlx','00',''),('dybm','010',''),('dchy','0',''),('qyny','202301','');
INSERT INTO tbbbmb VALUES ('标价签','普通标价签','7B7D#',1),('标价签','促销标价签','7B2278223A317D#',2),
                          ('调价单','调价单模板','7B7D#',1);
)SQL";
  for (int n = 1; n <= 7; ++n) {
    std::string tag = "@E" + std::to_string(n);
    for (size_t p = sql.find(tag); p != std::string::npos; p = sql.find(tag)) sql.replace(p, tag.size(), E(n));
  }
  db.ExecNative(sql);
}

DecodedPacket HostFixture::Open(const std::string& sql) {
  Variant ref;
  bool ok = host::OpenQuery(host, sql, ref);
  EXPECT_TRUE(ok) << sql << "\n" << (ok ? "" : Errors(ref).front());
  if (!ok || !ref.IsPacket()) return {};
  return DecodePacket(ref.AsPacket());
}

void HostFixture::Exec(const std::string& sql) {
  Variant ref(sql);
  bool ok = host::ExecuteSql(host, ref);
  EXPECT_TRUE(ok) << sql << "\n" << (ok ? "" : Errors(ref).front());
}

Variant HostFixture::Condition(const std::string& tj, const std::string& yxsdj, const std::string& dept) {
  PacketWriter w({{"f_Tj", FieldType::Text, 20000}, {"f_Yxsdj", FieldType::Text, 1}, {"f_DeptSql", FieldType::Text, 20000}});
  w.AddRow({tj, yxsdj, dept});
  return Variant::MakePacket(w.Finish());
}

DecodedPacket HostFixture::Products(int mode, const std::string& tj, const std::string& dept, const std::string& yxsdj) {
  Variant ref = Condition(tj, yxsdj, dept);
  bool ok = host::QueryProducts(host, mode, ref);
  EXPECT_TRUE(ok) << tj << "\n" << (ok ? "" : Errors(ref).front());
  if (!ok) return {};
  return DecodePacket(ref.AsPacket());
}

Rows Texts(const DecodedPacket& p) {
  Rows out;
  for (const auto& r : p.rows) {
    std::vector<std::string> row;
    for (const Variant& v : r) row.push_back(v.IsNull() ? "<null>" : v.ToText());
    out.push_back(std::move(row));
  }
  return out;
}

std::vector<std::string> Column(const DecodedPacket& p, const std::string& name) {
  std::vector<std::string> out;
  for (size_t r = 0; r < p.rows.size(); ++r) out.push_back(Cell(p, r, name));
  return out;
}

std::string Cell(const DecodedPacket& p, size_t row, const std::string& name) {
  for (size_t f = 0; f < p.fields.size(); ++f)
    if (AsciiLower(p.fields[f].name) == AsciiLower(name)) {
      const Variant& v = p.rows.at(row)[f];
      return v.IsNull() ? "<null>" : v.ToText();
    }
  ADD_FAILURE() << "no field " << name;
  return {};
}

std::vector<std::string> Errors(const Variant& ref) {
  std::vector<std::string> out;
  if (!ref.IsArray()) return {"(no error list)"};
  for (const Variant& v : ref.AsArray()) out.push_back(v.ToText());
  if (out.empty()) out.push_back("(empty error list)");
  return out;
}

}  // namespace pt::hostapp::testing
