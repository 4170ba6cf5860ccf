#include "hostapp/SeedData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "hostapp/HostSchema.h"

#ifndef PRICETAG_TEMPLATE_DIR
#define PRICETAG_TEMPLATE_DIR "report_engine/templates"
#endif

namespace pt::hostapp {

namespace {

// splitmix64: the same numbers on every platform and library (std distributions are not).
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E5ull) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Int(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }  // [lo, hi]
  bool Chance(double p) { return static_cast<double>(Next() >> 11) / 9007199254740992.0 < p; }
  template <class T>
  const T& Pick(const std::vector<T>& v) { return v[Next() % v.size()]; }

 private:
  uint64_t s_;
};

double Money(double v) { return std::round(v * 10.0) / 10.0; }        // to 0.1
double Cents(double v) { return std::round(v * 100.0) / 100.0; }

struct Item {
  const char* name;
  const char* spec;
  const char* unit;
  double low, high;  // price range
  int shelfLife;     // days, 0: none
};

struct Group {
  const char* classCode;  // category row of the product master
  const char* className;
  const char* dept;
  std::vector<const char*> brands;
  std::vector<Item> items;
  std::vector<const char*> variants;
};

const std::vector<Group>& Groups() {
  static const std::vector<Group> groups = {
      {"10", "食品饮料", "010",
       {"康师傅", "统一", "娃哈哈", "农夫山泉", "伊利", "蒙牛", "旺旺", "达利园", "三只松鼠", "良品铺子", "海天", "李锦记",
        "金龙鱼", "福临门", "百草味", "光明"},
       {{"矿泉水", "550ml", "瓶", 1.5, 3, 365},   {"纯牛奶", "250ml*12", "箱", 39, 69, 180},
        {"方便面", "120g", "袋", 3, 6, 180},       {"绿茶", "500ml", "瓶", 2.5, 4.5, 365},
        {"夹心饼干", "200g", "袋", 5, 12, 270},    {"生抽酱油", "500ml", "瓶", 6, 15, 540},
        {"食用调和油", "5L", "桶", 49, 89, 540},   {"东北大米", "10kg", "袋", 45, 79, 365},
        {"薯片", "70g", "袋", 5, 9, 270},          {"坚果礼盒", "750g", "盒", 88, 168, 240},
        {"酸奶", "200g", "杯", 3.5, 7, 21},        {"橙汁", "1L", "瓶", 8, 16, 270},
        {"黑巧克力", "100g", "块", 12, 25, 365},   {"龙须挂面", "1kg", "包", 6, 12, 365}},
       {"", "", "原味", "香辣味", "清爽型", "家庭装", "经典款", "低糖"}},
      {"11", "日用洗化", "011",
       {"舒肤佳", "海飞丝", "飘柔", "高露洁", "佳洁士", "蓝月亮", "立白", "心相印", "维达", "清风", "威露士", "六神"},
       {{"沐浴露", "750ml", "瓶", 29, 59, 1095},   {"去屑洗发水", "400ml", "瓶", 35, 69, 1095},
        {"美白牙膏", "120g", "支", 9, 19, 1095},    {"洗衣液", "2kg", "瓶", 29, 49, 1095},
        {"抽纸", "3层130抽*6", "提", 15, 29, 0},    {"卷纸", "10卷", "提", 19, 39, 0},
        {"香皂", "115g", "块", 4, 9, 1095},         {"洗洁精", "1.5kg", "瓶", 9, 19, 1095},
        {"软毛牙刷", "2支装", "盒", 9, 25, 0}},
       {"", "", "清香型", "薄荷", "柠檬", "玫瑰", "草本"}},
      {"12", "蔬菜水果", "012",
       {"", "", "佳沃", "都乐", "百果园"},
       {{"红富士苹果", "一级", "千克", 8, 16, 15}, {"香蕉", "一级", "千克", 5, 9, 5},
        {"西红柿", "散装", "千克", 4, 9, 7},       {"黄瓜", "散装", "千克", 3, 7, 5},
        {"土豆", "散装", "千克", 2, 4, 30},        {"脐橙", "一级", "千克", 7, 14, 20},
        {"葡萄", "精品", "盒", 15, 35, 7}},
       {"", "", "精选", "有机"}},
      {"13", "肉禽蛋品", "013",
       {"", "双汇", "雨润", "正大", "圣农"},
       {{"猪肉五花", "冷鲜", "千克", 28, 45, 3},   {"鸡胸肉", "500g", "盒", 12, 22, 5},
        {"牛腩", "500g", "盒", 39, 69, 5},          {"鲜鸡蛋", "30枚", "盒", 22, 39, 30},
        {"火腿肠", "240g", "袋", 8, 15, 180}},
       {"", "", "精品", "优选"}},
      {"14", "超市杂品", "019",
       {"", "妙洁", "南孚", "天堂"},
       {{"购物袋", "大号", "个", 0.3, 1, 0},       {"保鲜膜", "30m", "卷", 9, 19, 0},
        {"碱性电池", "5号4粒", "板", 12, 25, 0},   {"三折雨伞", "晴雨两用", "把", 29, 69, 0}},
       {"", ""}},
      {"20", "服装鞋袜", "020",
       {"恒源祥", "南极人", "海澜之家", "七匹狼", "李宁", "安踏"},
       {{"纯棉T恤", "L", "件", 39, 129, 0},        {"保暖内衣", "XL", "套", 99, 299, 0},
        {"运动袜", "均码", "双", 9, 29, 0},         {"休闲裤", "32", "条", 99, 259, 0}},
       {"", "男款", "女款", "经典款"}},
      {"21", "小家电", "021",
       {"美的", "格力", "海尔", "苏泊尔", "九阳", "小米", "飞利浦"},
       {{"电饭煲", "4L", "台", 199, 599, 0},       {"电水壶", "1.7L", "台", 69, 199, 0},
        {"豆浆机", "1.2L", "台", 199, 499, 0},     {"电风扇", "16寸", "台", 99, 299, 0},
        {"吹风机", "2000W", "个", 79, 299, 0}},
       {"", "", "智能款", "升级款"}},
      {"29", "百货杂品", "029",
       {"", "茶花", "富光"},
       {{"保温杯", "500ml", "个", 39, 129, 0},     {"收纳箱", "大号", "个", 29, 69, 0},
        {"衣架", "10只装", "包", 9, 19, 0}},
       {"", ""}},
  };
  return groups;
}

const std::vector<const char*> kOrigins = {"杭州", "上海", "广州", "成都", "青岛", "哈尔滨", "呼和浩特", "深圳",
                                           "宁波", "昆明", "乌鲁木齐", "济南", "武汉", "福州"};
const std::vector<const char*> kRemarks = {"", "", "", "", "热销", "新品上市", "产地直供", "季节商品", "进口"};
const std::vector<const char*> kOrdering = {"统配", "统配", "直送", "越库"};

struct Product {
  std::string code;
  std::string dept;
  double price = 0;
  double member = 0;
  double caseQty = 12;
  bool weighed = false;
};

struct Promo {
  std::string spbm;
  std::string qsrq, jsrq;
  int tjlx = 0;
};

class Seeder {
 public:
  Seeder(HostDatabase& db, const SeedOptions& o) : db_(db), o_(o), rng_(o.seed), d_(o.serverDate), month_(d_.substr(0, 6)) {}

  SeedSummary Run() {
    CreateSchema(db_);
    for (int back = 3; back >= 0; --back) CreateMonthTables(db_, AddMonths(month_, -back));
    db_.Begin();
    try {
      Reference();
      Products();
      Promotions();
      RulePromotions();
      Stock();
      PriceChanges();
      PricingBills();
      Sales();
      RfRequests();
      Parameters();
      Templates();
      Info();
      Flush();
      db_.Commit();
    } catch (...) {
      db_.Rollback();
      throw;
    }
    db_.ExecNative("ANALYZE");
    return sum_;
  }

 private:
  // Rows go in bulk (COPY on PostgreSQL), one writer per "INSERT INTO table(columns) VALUES(...)".
  BulkWriter& Writer(const std::string& sql) {
    auto it = writers_.find(sql);
    if (it != writers_.end()) return *it->second;
    size_t into = sql.find("INTO ") + 5, open = sql.find('(', into), close = sql.find(')', open);
    std::string table = sql.substr(into, open - into);
    std::vector<std::string> columns;
    for (size_t from = open + 1; from < close;) {
      size_t comma = std::min(sql.find(',', from), close);
      columns.push_back(sql.substr(from, comma - from));
      from = comma + 1;
    }
    return *writers_.emplace(sql, db_.Bulk(table, columns)).first->second;
  }
  // Every row added so far is in its table (before the seed reads what it wrote).
  void Flush() {
    for (auto& [sql, w] : writers_) w->Finish();
  }

  template <class... A>
  void Exec(const std::string& sql, const A&... args) {
    Writer(sql).Add({Value(args)...});
  }
  static Variant Value(const std::string& v) { return Variant(v); }
  static Variant Value(const char* v) { return v ? Variant(std::string(v)) : Variant(); }
  static Variant Value(int v) { return Variant(static_cast<long long>(v)); }
  static Variant Value(int64_t v) { return Variant(static_cast<long long>(v)); }
  static Variant Value(double v) { return Variant(v); }
  static Variant Value(std::nullptr_t) { return Variant(); }

  std::string Day(int offset) const { return AddDays(d_, offset); }

  void Reference() {
    const char* depts[][2] = {{"010", "食品部"}, {"011", "日化部"}, {"012", "果蔬部"}, {"013", "肉禽部"},
                              {"019", "超市综合部"}, {"020", "服装部"}, {"021", "家电部"}, {"029", "百货综合部"}};
    for (auto& d : depts) Exec("INSERT INTO tbbmda(f_bmbm,f_bmmc) VALUES(?,?)", d[0], d[1]);
    struct Cat { const char* code; const char* name; int level; int leaf; };
    const Cat cats[] = {{"01", "超市事业部", 1, 0},   {"0101", "食品类", 2, 1}, {"0102", "日化类", 2, 1},
                        {"0103", "生鲜类", 2, 0},     {"010301", "果蔬", 3, 1}, {"010302", "肉禽", 3, 1},
                        {"02", "百货事业部", 1, 0},   {"0201", "服装类", 2, 1}, {"0202", "家电类", 2, 1}};
    for (const Cat& c : cats)
      Exec("INSERT INTO tbdjbmfl(f_bmflbm,f_bmflmc,f_jb,f_mj) VALUES(?,?,?,?)", c.code, c.name, c.level, c.leaf);
    // 012 stands for two categories, so a department SELECT over both lists it twice.
    const char* map[][2] = {{"0101", "010"}, {"0102", "011"}, {"010301", "012"}, {"010302", "013"}, {"010302", "012"},
                            {"01", "019"},   {"0201", "020"}, {"0202", "021"},   {"02", "029"}};
    for (auto& m : map) Exec("INSERT INTO tbdjbmfldz(f_bmflbm,f_dzbm) VALUES(?,?)", m[0], m[1]);
    const char* staff[][2] = {{"0001", "张伟"}, {"0002", "王芳"}, {"0003", "李娜"}, {"0004", "刘洋"}, {"0005", "陈静"}};
    for (auto& s : staff) Exec("INSERT INTO tbZyda(f_Zybm,f_Zymc) VALUES(?,?)", s[0], s[1]);
    // 0001 prices for both divisions, 0002 for the supermarket, 0003 for nothing.
    const char* charge[][2] = {{"0001", "01"}, {"0001", "02"}, {"0002", "01"}};
    for (auto& c : charge) Exec("INSERT INTO tbzyfgbm(f_zybm,f_bmflbm) VALUES(?,?)", c[0], c[1]);
    const char* status[][3] = {{"01", "正常", "1"}, {"02", "暂停销售", "0"}, {"03", "淘汰", "0"}, {"04", "新品", "1"}};
    for (auto& s : status) Exec("INSERT INTO tbspjyztda(f_jyztbm,f_jyztmc,f_yxxs) VALUES(?,?,?)", s[0], s[1], std::atoi(s[2]));
    const char* types[][2] = {{"01", "周末特价"}, {"02", "会员日"}, {"03", "店庆促销"},
                              {"04", "清仓特卖"}, {"05", "限时抢购"}, {"06", "节日促销"}};
    for (auto& t : types) Exec("INSERT INTO tbtjlxda(f_lxbm,f_lxmc) VALUES(?,?)", t[0], t[1]);
    const char* suppliers[] = {"杭州鑫达食品有限公司", "上海百润贸易有限公司", "广州美洁日化有限公司", "山东绿源农业合作社",
                               "浙江恒通商贸有限公司", "宁波佳和电器有限公司", "成都天府食品有限公司", "青岛海润水产有限公司"};
    for (int i = 0; i < 8; ++i) {
      char code[8];
      std::snprintf(code, sizeof code, "G%03d", i + 1);
      Exec("INSERT INTO tbcsda(f_csbm,f_csmc) VALUES(?,?)", std::string(code), suppliers[i]);
    }
  }

  void Products() {
    for (const Group& g : Groups())
      Exec("INSERT INTO tbSpda(f_Spbm,f_Spmc,f_bmbm,f_Mj) VALUES(?,?,?,?)", g.classCode, g.className, g.dept, 0);
    const int n = std::max(0, o_.products);
    // Shares of the groups: food and daily goods dominate a supermarket's range.
    const int weights[] = {34, 18, 8, 6, 6, 12, 8, 8};
    int total = 0;
    for (int w : weights) total += w;
    for (int i = 0; i < n; ++i) {
      int pick = rng_.Int(0, total - 1), gi = 0;
      while (pick >= weights[gi]) pick -= weights[gi++];
      const Group& g = Groups()[static_cast<size_t>(gi)];
      const Item& it = g.items[rng_.Next() % g.items.size()];
      std::string brand = g.brands[rng_.Next() % g.brands.size()];
      std::string variant = g.variants[rng_.Next() % g.variants.size()];
      Product p;
      p.code = std::to_string(100001 + i);
      p.dept = g.dept;
      p.weighed = std::string(it.unit) == "千克";
      double raw = it.low + (it.high - it.low) * static_cast<double>(rng_.Int(0, 1000)) / 1000.0;
      p.price = raw >= 10 ? std::round(raw) - (rng_.Chance(0.4) ? 0.1 : 0.0) : Money(raw);
      if (p.price < 0.3) p.price = 0.3;
      p.member = rng_.Chance(0.7) ? Money(p.price * 0.95) : p.price;
      const int cases[] = {6, 12, 24, 12, 20};
      p.caseQty = p.weighed ? 1 : cases[rng_.Int(0, 4)];
      double middle = p.caseQty >= 12 && rng_.Chance(0.3) ? p.caseQty / 2 : 1;
      std::string name = brand + variant + it.name;
      std::string entered;
      int r = rng_.Int(0, 99);
      if (r < 3) entered = Day(-rng_.Int(0, 10));        // new products of the last days
      else entered = Day(-rng_.Int(30, 1100));
      std::string changed = rng_.Chance(0.5) ? Day(-rng_.Int(0, 60)) : entered;
      if (changed < entered) changed = entered;
      const char* origin = rng_.Pick(kOrigins);
      const char* remark = rng_.Pick(kRemarks);
      const char* ordering = rng_.Pick(kOrdering);
      Exec("INSERT INTO tbSpda(f_Spbm,f_Spmc,f_Sphh,f_Spcd,f_Ggxh,f_sppp,f_Jldw,f_spbz,f_bzq,f_Xsdj,f_hyj,f_Jdrq,"
           "f_ydrq,f_zDwbl,f_zjbz,f_dhfs,f_bmbm,f_Mj) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
           p.code, name, "H" + std::to_string(300001 + i), origin, it.spec, brand, it.unit, remark, it.shelfLife, p.price,
           p.member, entered, changed, middle, p.caseQty, ordering, p.dept, 1);
      // Barcodes: the main one, sometimes a second of the same unit, a middle pack and a case.
      auto barcode = [&](uint64_t slot) {
        uint64_t body = ((static_cast<uint64_t>(i) + slot * 2500000000ull) * 7919ull + 1234567ull) % 10000000000ull;
        char twelve[16];
        std::snprintf(twelve, sizeof twelve, "69%010llu", static_cast<unsigned long long>(body));
        return Ean13(twelve);
      };
      auto addCode = [&](uint64_t slot, double ratio, int main) {
        Exec("INSERT INTO tbSptm(f_Sptm,f_Spbm,f_dwbl,f_xh) VALUES(?,?,?,?)", barcode(slot), p.code, ratio, main);
        ++sum_.barcodes;
      };
      if (!p.weighed || rng_.Chance(0.5)) {
        addCode(0, 1, 1);
        if (rng_.Chance(0.08)) addCode(1, 1, 0);
        if (middle > 1) addCode(3, middle, 0);
        if (!p.weighed && rng_.Chance(0.12)) addCode(2, p.caseQty, 0);
      }
      int s = rng_.Int(0, 99);
      const char* statusCode = s < 92 ? "01" : s < 95 ? "02" : s < 97 ? "03" : "04";
      if (entered >= Day(-10)) statusCode = "04";
      Exec("INSERT INTO tblsdkz(f_spbm,f_jyztbm) VALUES(?,?)", p.code, statusCode);
      char sup[8];
      std::snprintf(sup, sizeof sup, "G%03d", rng_.Int(1, 8));
      Exec("INSERT INTO tbgysdz(f_gysbm,f_spbm) VALUES(?,?)", std::string(sup), p.code);
      products_.push_back(p);
      ++sum_.products;
    }
  }

  std::string Period(const std::string& start) const { return "DQ" + start.substr(0, 6) + (start.substr(6, 2) < "16" ? "A" : "B"); }

  void Promotion(const Product& p, int tjlx, const std::string& qsrq, const std::string& jsrq, bool deptOnly) {
    double factor = 0.70 + 0.05 * rng_.Int(0, 5);
    double price = std::max(0.1, Money(p.price * factor));
    char type[4];
    std::snprintf(type, sizeof type, "%02d", tjlx == 1 ? 2 : rng_.Int(1, 6));
    Exec("INSERT INTO tbsptj(f_djh,f_spbm,f_bmbm,f_tjlx,f_qsrq,f_jsrq,f_xsdj,f_jgfs,f_lxbm,f_dqbm) VALUES(?,?,?,?,?,?,?,?,?,?)",
         "TJ" + qsrq + "01", p.code, deptOnly ? p.dept : std::string(), tjlx, qsrq, jsrq, price, 0, std::string(type),
         Period(qsrq));
    if (jsrq >= d_) open_.push_back(Promo{p.code, qsrq, jsrq, tjlx});
    ++sum_.promotions;
  }

  void Promotions() {
    for (const Product& p : products_) {
      // Ordinary promotions: in force, coming, and the history of ended ones.
      if (rng_.Chance(0.20)) {
        std::string start = Day(-rng_.Int(0, 10));
        std::string end = Day(rng_.Int(0, 14));
        bool deptOnly = rng_.Chance(0.1);
        Promotion(p, 0, start, end, deptOnly);
      }
      if (rng_.Chance(0.08)) {
        std::string start = Day(rng_.Int(1, 20));
        std::string end = AddDays(start, rng_.Int(3, 14));
        Promotion(p, 0, start, end, false);
      }
      int past = rng_.Chance(0.25) ? rng_.Int(1, 3) : 0;
      for (int k = 0; k < past; ++k) {
        std::string start = Day(-rng_.Int(20, 100));
        std::string end = AddDays(start, rng_.Int(3, 10));
        Promotion(p, 0, start, end, false);
      }
      // Member promotions.
      if (rng_.Chance(0.06)) {
        std::string start = Day(-rng_.Int(0, 7));
        std::string end = Day(rng_.Int(0, 10));
        bool deptOnly = rng_.Chance(0.2);
        Promotion(p, 1, start, end, deptOnly);
      }
      if (rng_.Chance(0.04)) {
        std::string start = Day(rng_.Int(1, 15));
        std::string end = AddDays(start, rng_.Int(2, 7));
        Promotion(p, 1, start, end, false);
      }
      if (rng_.Chance(0.08)) {
        std::string start = Day(-rng_.Int(20, 90));
        std::string end = AddDays(start, rng_.Int(1, 5));
        Promotion(p, 1, start, end, false);
      }
      // Time-limited sales: flash price (kind 0), member price (1), and a kind of their own (2).
      bool timedNow = rng_.Chance(0.05), timedNext = !timedNow && rng_.Chance(0.02);
      if (timedNow || timedNext) {
        int kind = rng_.Int(0, 99) < 50 ? 0 : rng_.Int(0, 99) < 70 ? 1 : 2;
        std::string start = timedNow ? Day(-rng_.Int(0, 5)) : Day(rng_.Int(1, 10));
        std::string end = AddDays(start, rng_.Int(0, 7));
        if (timedNow && end < d_) end = d_;
        double price = rng_.Chance(0.1) ? 0.0 : std::max(0.1, Money(p.price * (0.5 + 0.05 * rng_.Int(0, 6))));
        bool evening = rng_.Chance(0.5);
        int priceMode = rng_.Chance(0.8) ? 0 : 1;
        double limit = static_cast<double>(rng_.Int(1, 4) * 50), perSale = static_cast<double>(rng_.Int(1, 5));
        Exec("INSERT INTO tbxsxl(f_djh,f_spbm,f_bmbm,f_jgfs,f_qsrq,f_jsrq,f_qssj,f_jssj,f_xlsl,f_sdxl,f_xdsl,f_xsdj,f_xc,"
             "f_lxbm,f_dqbm) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
             "XS" + start + "01", p.code, std::string(), priceMode, start, end, evening ? "1800" : "0800",
             evening ? "2100" : "1000", limit, 20.0, perSale, price, kind, "05", Period(start));
        if (end >= d_) open_.push_back(Promo{p.code, start, end, 9});
        ++sum_.timedSales;
      }
      // Quantity pricing.
      if (rng_.Chance(0.04)) {
        std::string start = Day(-rng_.Int(0, 5));
        int qty = rng_.Pick(std::vector<int>{3, 5, 10, 12});
        const char* whole = rng_.Chance(0.3) ? "1" : "0";
        std::string end = Day(rng_.Int(5, 30));
        Exec("INSERT INTO tbPlzj(f_djh,f_spbm,f_bmbm,f_xsdj,f_zpl,f_plsl,f_jgfs,f_qsrq,f_jsrq) VALUES(?,?,?,?,?,?,?,?,?)",
             "PL" + start + "01", p.code, std::string(), Money(p.price * 0.9), whole, qty, 0, start, end);
        ++sum_.quantityPrices;
      }
    }
  }

  // Rows that exercise the price rules at any size: two ordinary promotions of one product in
  // force at once (the later start wins), and a department's promotion beside a general one
  // (a query for the department takes the department's).
  void RulePromotions() {
    if (products_.size() < 3) return;
    const Product& twice = products_[1];
    Promotion(twice, 0, Day(-6), Day(5), false);
    Promotion(twice, 0, Day(-2), Day(3), false);
    const Product& dept = products_[2];
    Promotion(dept, 0, Day(-5), Day(5), false);
    Promotion(dept, 0, Day(-3), Day(4), true);
  }

  void Stock() {
    const std::string table = "tb" + month_ + "_Yhj";
    const std::string sql = "INSERT INTO " + table +
                            "(f_bmbm,f_Spbm,f_Qcsl,f_Jhsl,f_Brsl,f_Sysl,f_Pssl,f_Xssl,f_Bcsl,f_Shsl,f_Phsl) "
                            "VALUES(?,?,?,?,?,?,?,?,?,?,?)";
    for (const Product& p : products_) {
      auto qty = [&](int hi) { return p.weighed ? Cents(rng_.Int(0, hi * 100) / 100.0) : static_cast<double>(rng_.Int(0, hi)); };
      double opening = qty(200), in = qty(120), transferIn = rng_.Chance(0.1) ? qty(20) : 0, surplus = rng_.Chance(0.05) ? 1 : 0;
      double sold = qty(150);
      double loss = rng_.Chance(0.05) ? 1.0 : 0.0;
      Exec(sql, p.dept, p.code, opening, in, transferIn, surplus, 0.0, sold, 0.0, loss, 0.0);
      if (rng_.Chance(0.05)) {
        double extra = qty(30), extraSold = qty(10);
        Exec(sql, std::string("019"), p.code, extra, 0.0, 0.0, 0.0, 0.0, extraSold, 0.0, 0.0, 0.0);
      }
    }
  }

  void PriceChanges() {
    // Price-change bills of the server date and the day before, with their log; older log
    // entries give the previous sale price of more products.
    for (int b = 1; b <= 3; ++b) {
      char bill[24];
      std::snprintf(bill, sizeof bill, "TJ%s%03d", d_.c_str(), b);
      BillLines(bill, d_, 0.02, b == 3);
    }
    char yesterday[24];
    std::snprintf(yesterday, sizeof yesterday, "TJ%s%03d", Day(-1).c_str(), 1);
    BillLines(yesterday, Day(-1), 0.01, false);
    for (const Product& p : products_) {
      if (!rng_.Chance(0.10)) continue;
      std::string when = Day(-rng_.Int(2, 100));
      std::string m = when.substr(0, 6);
      if (m < AddMonths(month_, -3)) continue;
      Exec("INSERT INTO tb" + m + "_tjrz(f_djh,f_Spbm,f_Tjrq,f_yxsdj,f_xsdj) VALUES(?,?,?,?,?)", "TJ" + when + "001", p.code,
           when, Money(p.price * 1.1), p.price);
    }
    // The change list: products changed on the day before and on the server date.
    for (const Product& p : products_) {
      int r = rng_.Int(0, 99);
      if (r >= 5) continue;
      std::string when = r < 3 ? Day(-1) : d_;
      int kind = rng_.Int(1, 4);
      if (when.substr(0, 6) < AddMonths(month_, -3)) continue;
      Exec("INSERT INTO tb" + when.substr(0, 6) + "_spyd(f_spbm,F_Ydrq,f_ydlx,f_djh) VALUES(?,?,?,?)", p.code, when, kind,
           "YD" + when + "001");
    }
  }

  void BillLines(const std::string& bill, const std::string& day, double share, bool zeroStock) {
    const std::string m = day.substr(0, 6);
    for (const Product& p : products_) {
      if (!rng_.Chance(share)) continue;
      double old = Money(p.price * (rng_.Chance(0.7) ? 1.12 : 0.9));
      double qty = zeroStock || rng_.Chance(0.2) ? 0.0 : static_cast<double>(rng_.Int(1, 80));
      Exec("INSERT INTO tb" + m + "_sptj(f_djh,f_Rzrq,f_spbm,f_bmbm,f_yxsdj,f_xsdj,f_tjsl) VALUES(?,?,?,?,?,?,?)", bill, day,
           p.code, p.dept, old, p.price, qty);
      Exec("INSERT INTO tb" + m + "_tjrz(f_djh,f_Spbm,f_Tjrq,f_yxsdj,f_xsdj) VALUES(?,?,?,?,?)", bill, p.code, day, old,
           p.price);
    }
  }

  void PricingBills() {
    const std::string zb = "tb" + month_ + "_spdj_zb";
    std::string first = month_ + "01";
    auto dayInMonth = [&](int offset) {
      std::string d = Day(offset);
      return d < first ? first : d;
    };
    struct Bill { int type; int offset; int executed; const char* table; };
    const Bill bills[] = {{0, 0, 1, "lsdjg"}, {1, -2, 1, "sptj"}, {3, -1, 1, "xsxl"},
                          {4, -3, 1, "plzj"}, {0, -1, 1, "lsdjg"}, {0, 0, 0, "lsdjg"}};
    int seq = 0;
    for (const Bill& b : bills) {
      char bill[24];
      std::snprintf(bill, sizeof bill, "DJ%s%03d", month_.c_str(), ++seq);
      std::string made = dayInMonth(b.offset - 1), done = dayInMonth(b.offset);
      Exec("INSERT INTO " + zb + "(f_djh,f_djlx,f_zdrq,f_zdrbm,f_zdrmc,f_zxbz,f_zxrq,f_bz) VALUES(?,?,?,?,?,?,?,?)",
           std::string(bill), b.type, made, "0001", "张伟", b.executed, b.executed ? done : std::string(),
           b.executed ? "" : "待审核");
      int lines = 0;
      if (seq == 1 && !products_.empty()) {
        // A line priced for another unit's department (011): the pricing-bill source of unit 010
        // must leave it out.
        const Product& p = products_[0];
        Exec("INSERT INTO tb" + month_ + "_spdj_lsdjg(f_djh,f_spbm,f_bmlx,f_bmbm,f_yxsdj,f_xsdj,f_hyj) VALUES(?,?,?,?,?,?,?)",
             std::string(bill), p.code, 1, std::string("011"), Money(p.price * 1.2), p.price, p.member);
      }
      for (const Product& p : products_) {
        if (lines >= 40 || !rng_.Chance(0.04)) continue;
        ++lines;
        // Half the lines price one department, half a category mapped to departments.
        bool byDept = rng_.Chance(0.5);
        std::string target = byDept ? p.dept : CategoryOf(p.dept);
        int bmlx = byDept ? 1 : 0;
        std::string table = "tb" + month_ + "_spdj_" + b.table;
        if (b.type == 0) {
          double old = rng_.Chance(0.85) ? Money(p.price * 1.1) : p.price;  // some lines change nothing
          Exec("INSERT INTO " + table + "(f_djh,f_spbm,f_bmlx,f_bmbm,f_yxsdj,f_xsdj,f_hyj) VALUES(?,?,?,?,?,?,?)",
               std::string(bill), p.code, bmlx, target, old, p.price, p.member);
        } else if (b.type == 1) {
          Exec("INSERT INTO " + table + "(f_djh,f_spbm,f_bmlx,f_bmbm,f_tjlx,f_qsrq,f_jsrq,f_xsdj,f_lxbm,f_dqbm) "
               "VALUES(?,?,?,?,?,?,?,?,?,?)",
               std::string(bill), p.code, bmlx, target, 0, done, Day(7), Money(p.price * 0.85), "01", Period(done));
        } else if (b.type == 3) {
          Exec("INSERT INTO " + table + "(f_djh,f_spbm,f_bmlx,f_bmbm,f_qsrq,f_jsrq,f_qssj,f_jssj,f_xsdj,f_xc,f_xlsl,f_xdsl) "
               "VALUES(?,?,?,?,?,?,?,?,?,?,?,?)",
               std::string(bill), p.code, bmlx, target, done, Day(3), "0800", "1000", Money(p.price * 0.6), 0, 100.0, 2.0);
        } else {
          Exec("INSERT INTO " + table + "(f_djh,f_spbm,f_bmlx,f_bmbm,f_xsdj,f_plsl,f_zpl,f_jgfs,f_qsrq,f_jsrq) "
               "VALUES(?,?,?,?,?,?,?,?,?,?)",
               std::string(bill), p.code, bmlx, target, Money(p.price * 0.9), 5, "0", 0, done, Day(20));
        }
      }
    }
  }

  static std::string CategoryOf(const std::string& dept) {
    if (dept == "010") return "0101";
    if (dept == "011") return "0102";
    if (dept == "012") return "010301";
    if (dept == "013") return "010302";
    if (dept == "020") return "0201";
    if (dept == "021") return "0202";
    return dept == "029" ? "02" : "01";
  }

  // Four months of sales up to the day before the server date. Every open promotion gets sales
  // in the week before its start and in the three months before that, so the reference prices
  // have something to find; the rest of the lines fall on random days and products.
  void Sales() {
    const std::string firstDay = AddMonths(month_, -3) + "01";
    const std::string lastDay = Day(-1);
    if (lastDay < firstDay || products_.empty()) return;
    CivilDate f, l;
    ParseYmd(firstDay, f);
    ParseYmd(lastDay, l);
    const int64_t first = DaysFromCivil(f.year, f.month, f.day), last = DaysFromCivil(l.year, l.month, l.day);
    int64_t budget = o_.salesLines >= 0 ? o_.salesLines : static_cast<int64_t>(products_.size()) * 10;
    std::map<std::string, const Product*> byCode;
    for (const Product& p : products_) byCode[p.code] = &p;

    auto sell = [&](const Product& p, int64_t day) {
      std::string date = FormatYmd(CivilFromDays(day));
      std::string m = date.substr(0, 6);
      auto& seq = billSeq_[m + p.dept];
      ++seq;
      char bill[32];
      std::snprintf(bill, sizeof bill, "XS%s%05d", date.c_str(), seq);
      int hh = rng_.Int(8, 21), mm = rng_.Int(0, 59), ss = rng_.Int(0, 59);
      char time[16];
      std::snprintf(time, sizeof time, "%02d%02d%02d", hh, mm, ss);
      const char* cashier = rng_.Chance(0.5) ? "0002" : "0003";
      Exec("INSERT INTO tb" + m + "_Xsmxzb(f_bmbm,f_djh,f_rzrq,f_sj,f_syybm) VALUES(?,?,?,?,?)", p.dept, std::string(bill), date,
           std::string(time), cashier);
      double qty = p.weighed ? Cents(rng_.Int(20, 300) / 100.0) : static_cast<double>(rng_.Int(1, 3));
      if (rng_.Chance(0.005)) qty = 0;  // a gift line: no quantity, never a price
      double paid = Cents(qty * p.price * (rng_.Chance(0.2) ? 0.9 : 1.0));
      double net = Cents(paid / 1.13);
      Exec("INSERT INTO tb" + m + "_Xsmxcb(f_bmbm,f_djh,f_xh,f_spbm,f_xssl,f_xsdj,f_ssje,f_sssj) VALUES(?,?,?,?,?,?,?,?)", p.dept,
           std::string(bill), 1, p.code, qty, p.price, net, Cents(paid - net));
      ++sum_.salesLines;
      --budget;
    };
    auto within = [&](int64_t day) { return day >= first && day <= last; };
    for (const Promo& pr : open_) {
      CivilDate s;
      if (!ParseYmd(pr.qsrq, s)) continue;
      int64_t start = DaysFromCivil(s.year, s.month, s.day);
      const Product& p = *byCode[pr.spbm];
      for (int k = 0; k < 2 && budget > 0; ++k) {
        int64_t week = start - rng_.Int(1, 7), earlier = start - rng_.Int(8, 90);
        if (within(week)) sell(p, week);
        if (within(earlier) && budget > 0) sell(p, earlier);
      }
    }
    while (budget > 0) {
      const Product& p = products_[rng_.Next() % products_.size()];
      int64_t day = first + static_cast<int64_t>(rng_.Next() % static_cast<uint64_t>(last - first + 1));
      sell(p, day);
    }
  }

  void RfRequests() {
    if (products_.empty()) return;
    struct Batch { const char* who; int dayOffset; const char* time; };
    // 0099 is not in the employee file: its requests are never listed.
    const Batch batches[] = {{"0004", 0, "091500"}, {"0004", 0, "143000"}, {"0005", -1, "164500"}, {"0099", 0, "100000"}};
    std::vector<std::string> promoted, timedCodes, quantityCodes, memberCodes;
    Flush();
    {
      Statement st(db_, "SELECT DISTINCT f_spbm FROM tbsptj WHERE f_jsrq>=?1 ORDER BY f_spbm LIMIT 6");
      st.Bind(1, d_);
      while (st.Step()) promoted.push_back(st.Text(0));
      Statement x(db_, "SELECT f_spbm FROM tbxsxl WHERE f_jsrq>=?1 AND abs(f_xsdj)>0.005 ORDER BY f_xc, f_spbm LIMIT 6");
      x.Bind(1, d_);
      while (x.Step()) timedCodes.push_back(x.Text(0));
      Statement q(db_, "SELECT f_spbm FROM tbPlzj ORDER BY f_spbm LIMIT 4");
      while (q.Step()) quantityCodes.push_back(q.Text(0));
      Statement m(db_, "SELECT f_spbm FROM tbxsxl WHERE f_jsrq>=?1 AND abs(f_xsdj)>0.005 AND f_xc=1 ORDER BY f_spbm LIMIT 4");
      m.Bind(1, d_);
      while (m.Step()) memberCodes.push_back(m.Text(0));
    }
    for (const Batch& b : batches) {
      std::string when = Day(b.dayOffset) + b.time;
      std::vector<std::string> codes;
      int plain = rng_.Int(3, 8);
      for (int k = 0; k < plain; ++k) codes.push_back(products_[rng_.Next() % products_.size()].code);
      if (!promoted.empty()) codes.push_back(rng_.Pick(promoted));
      if (!timedCodes.empty()) codes.push_back(rng_.Pick(timedCodes));
      if (!quantityCodes.empty()) codes.push_back(rng_.Pick(quantityCodes));
      if (!memberCodes.empty()) codes.push_back(rng_.Pick(memberCodes));  // a member-price sale
      codes.push_back(codes.front());  // the same product requested twice
      for (const std::string& c : codes) {
        Exec("INSERT INTO tbRFBjq(f_Zybm,f_Sj,f_Spbm) VALUES(?,?,?)", b.who, when, c);
        ++sum_.rfRequests;
      }
    }
  }

  void Parameters() {
    const std::string dwlx = o_.unitType;
    const std::vector<std::pair<const char*, std::string>> params = {
        {"qyny", AddMonths(month_, -24)}, {"dwlx", dwlx}, {"dwmc", "鑫源连锁超市有限公司"},
        {"sh", "91330100MA28XY1234"}, {"dz", "杭州市西湖区文三路188号"}, {"lxdh", "0571-88012345"},
        {"khh", "中国工商银行杭州文三路支行"}, {"zh", "1202020109900012345"}, {"dybm", "010"}, {"hykls", "1"},
        {"sljd", "3"}, {"lskz", "1"}, {"jjkz", "0"}, {"cskz", "1"}, {"zrrkz", "0"}, {"dddyhs", "20"}, {"sphsfs", "1"},
        {"jjcbhsff", "1"}, {"sjcbhsff", "1"}, {"cbjzfs", "0"}, {"jsxtfs", "0"}, {"rqssj", "00:00"}, {"fgckjb", "2"},
        {"brddyhs", "20"}, {"brdhscfs", "1"}, {"bcddyhs", "20"}, {"bcdhscfs", "1"}, {"dbddyhs", "20"}, {"dbdhscfs", "1"},
        {"jgddyhs", "20"}, {"jgdhscfs", "1"}, {"sgddyhs", "20"}, {"sgdhscfs", "1"}, {"tbddyhs", "20"}, {"tbdhscfs", "1"},
        {"ykddyhs", "20"}, {"ykdhscfs", "1"}, {"syddyhs", "20"}, {"sydhscfs", "1"}, {"ysddyhs", "20"}, {"ysdhscfs", "1"},
        {"pdbdyhs", "30"}, {"pdbhscfs", "1"}, {"psdahsfg", "1"}, {"ysdahsfg", "1"}, {"xsdahsfg", "1"}, {"thddyhs", "20"},
        {"tjddyhs", "25"}, {"ptfpdyhs", "10"}, {"spfzflx", "0"}, {"kpyxcfsp", "1"}, {"djfgfs", "0"}, {"psxzsl", "100000"},
        {"xsxzsl", "100000"}, {"jhxzsl", "100000"}, {"thcpbxxdythqd", "0"}, {"zjdyfs", "0"}, {"ddysfs", "1"},
        {"hsdwh", "01"}, {"dpckbm", "001"}, {"dpjfs", "0"}, {"pslssj", "0"}, {"thjjclfs", "0"}, {"sjkbbh", "8.6.2"},
        {"psysjscdjd", "0"}, {"ysjscdjdbm", "010"}, {"ddyszzfs", "0"}, {"ddyxrqqy", "0"}, {"ysfs", "0"}, {"dddysjj", "0"},
        {"cpzkspyzbkz", "0"}, {"jzscltjbc", "0"}, {"jzsclyxjjsxzpzdp", "0"}, {"ysqr", "1"}, {"khzqqy", "0"},
        {"zkhwlqy", "0"}, {"hykxc", "0"}, {"xsfkz", "2"}, {"kckz", "1"}, {"hyklwms", "0"}, {"yckqzj", "0"},
        {"mdzdysj", "0"}, {"mdzdyjj", "0"}, {"dchy", "0"}, {"xstbqyrq", ""}, {"ddbrkz", "0"}, {"ypphqy", "0"},
        {"zmqy", "0"}, {"djphmrz", "0"}, {"ypphchsclfs", "0"}, {"ypthphkz", "1"}, {"sxcycbft", "0"}, {"sxqmpkc", "0"},
        {"xpdjmrsl", "17"}, {"zbbm", "9001"}, {"dztqy", "0"}, {"ddzxqy", "0"}, {"psfpbdyhs", "25"}, {"jjbkzzxzbjj", "0"},
        {"fmlspyjzdsy", "0"}, {"sxpdsyflfs", "0"}, {"sxpdsyfzfl", "0"}, {"ddzxyslxsl", "0"}, {"ddsczb", "0"},
        {"pdyxcfsp", "1"}, {"ysxzpssp", "0"}, {"jekzsptj", "0"}, {"mdqyrjxstb", "0"}, {"jzsjzdtj", "0"},
        {"tyspddcsf", "0"}, {"jhddyhs", "20"}, {"ycspl", ""}, {"hykcszt", "0"}, {"ddzxsqdtqhb", "1"}, {"typdrfbmjz", "0"},
        {"hykkhxe", "0"}, {"dcjdbzrck", ""}, {"Psdjzycts", "0"}, {"bbcszbsz", "0"}, {"djbzkz", "0"}, {"zysqzlyx", "1"},
        {"cgthsqsh", "0"}, {"dddxsj", "0"}, {"tmzbmcqz", "2"}, {"jzspzbz", "0"},
    };
    for (const auto& [key, value] : params) Exec("INSERT INTO tbxtcs(f_Csmc,f_csz,f_Csms) VALUES(?,?,?)", key, value, nullptr);
  }

  void Templates() {
    namespace fs = std::filesystem;
    std::string dir = o_.templateDir.empty() ? DefaultTemplateDir() : o_.templateDir;
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(dir, ec))
      for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file() && e.path().extension() == ".json") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    int order = 0;
    std::map<std::string, std::pair<std::string, int>> byName;  // a later file of the same name wins
    for (const fs::path& f : files) {
      std::ifstream in(f, std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      std::string bytes = ss.str();
      std::string name = f.stem().string();
      auto doc = nlohmann::json::parse(bytes, nullptr, false);
      if (doc.is_object() && doc.contains("name") && doc["name"].is_string()) name = doc["name"].get<std::string>();
      byName[name] = {HexTemplate(bytes), ++order};
      ++sum_.templates;
    }
    for (const auto& [name, t] : byName)
      Exec("INSERT INTO tbbbmb(f_lb,f_Reportname,f_ReportInfo,f_xh) VALUES(?,?,?,?)", "标价签", name, t.first, t.second);
    if (files.empty()) {
      // Stands in until the report engine's templates exist; reseeding picks them up.
      std::string bytes = R"({"name":"标准标价签","placeholder":true})";
      Exec("INSERT INTO tbbbmb(f_lb,f_Reportname,f_ReportInfo,f_xh) VALUES(?,?,?,?)", "标价签", "标准标价签",
           HexTemplate(bytes), 1);
      sum_.templates = 1;
      sum_.placeholderTemplate = true;
    }
  }

  void Info() {
    const std::pair<const char*, std::string> info[] = {
        {"seeded", "1"}, {"server_date", d_}, {"products", std::to_string(o_.products)}, {"seed", std::to_string(o_.seed)}};
    for (const auto& [k, v] : info) Exec("INSERT INTO pthost_info(f_key,f_value) VALUES(?,?)", k, v);
  }

  HostDatabase& db_;
  const SeedOptions& o_;
  Rng rng_;
  std::string d_, month_;
  std::vector<Product> products_;
  std::vector<Promo> open_;
  std::map<std::string, int> billSeq_;
  std::map<std::string, std::unique_ptr<BulkWriter>> writers_;
  SeedSummary sum_;
};

}  // namespace

std::string Ean13(const std::string& twelve) {
  if (twelve.size() != 12 || twelve.find_first_not_of("0123456789") != std::string::npos)
    throw std::invalid_argument("EAN-13 needs twelve digits: " + twelve);
  int sum = 0;
  for (size_t i = 0; i < 12; ++i) sum += (twelve[i] - '0') * (i % 2 ? 3 : 1);
  return twelve + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string HexTemplate(const std::string& bytes) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2 + 1);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out + "#";
}

std::string DefaultTemplateDir() { return PRICETAG_TEMPLATE_DIR; }

SeedSummary SeedDatabase(HostDatabase& db, const SeedOptions& options) {
  CivilDate d;
  if (!ParseYmd(options.serverDate, d)) throw std::invalid_argument("服务器日期必须是八位数字 YYYYMMDD：" + options.serverDate);
  if (options.products < 0 || options.products > 899999) throw std::invalid_argument("商品数必须在 0 到 899999 之间");
  if (db.TableExists("tbSpda")) {
    Statement st(db, "SELECT count(*) FROM tbSpda");
    st.Step();
    if (st.Int(0) > 0) throw std::invalid_argument("数据库中已有商品档案，只能向空数据库填充演示数据");
  }
  Seeder s(db, options);
  return s.Run();
}

void DropSeededTables(HostDatabase& db) {
  std::vector<std::string> tables;
  {
    Statement st(db, db.kind() == Backend::Postgres
                         ? "SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"
                         : "SELECT name FROM sqlite_schema WHERE type='table' AND name NOT LIKE 'sqlite_%'");
    while (st.Step()) tables.push_back(st.Text(0));
  }
  for (const std::string& t : tables) db.ExecNative("DROP TABLE IF EXISTS " + t);
}

std::string SeededServerDate(HostDatabase& db) {
  if (!db.TableExists("pthost_info")) return {};
  Statement st(db, "SELECT f_value FROM pthost_info WHERE f_key='server_date'");
  return st.Step() ? st.Text(0) : std::string();
}

}  // namespace pt::hostapp
