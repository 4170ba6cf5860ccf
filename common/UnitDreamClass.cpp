#include "common/UnitDreamClass.h"

#include <limits>
#include <string_view>
#include <variant>

#include "common/ModuleError.h"
#include "common/GbkCodec.h"
#include "common/TextRoutines.h"
#include "host/HostOperations.h"

namespace pt {

// ---------------------------------------------------------------- item set

namespace {

void CheckItem(int item) {
  if (item < 0 || item > SystemParamItems::kMaxItem)
    throw ModuleError("系统参数项目 " + std::to_string(item) + " 超出范围（0-135）");
}

}  // namespace

SystemParamItems::SystemParamItems(std::initializer_list<int> items) {
  for (int i : items) Add(i);
}

SystemParamItems SystemParamItems::FromBytes(const std::array<uint8_t, kBytes>& bytes) {
  SystemParamItems s;
  s.bits_ = bytes;
  return s;
}

SystemParamItems& SystemParamItems::Add(int item) {
  CheckItem(item);
  bits_[static_cast<size_t>(item / 8)] |= static_cast<uint8_t>(1u << (item % 8));
  return *this;
}

SystemParamItems& SystemParamItems::Remove(int item) {
  if (item >= 0 && item <= kMaxItem) bits_[static_cast<size_t>(item / 8)] &= static_cast<uint8_t>(~(1u << (item % 8)));
  return *this;
}

bool SystemParamItems::Contains(int item) const {
  if (item < 0 || item > kMaxItem) return false;
  return (bits_[static_cast<size_t>(item / 8)] >> (item % 8)) & 1u;
}

bool SystemParamItems::Empty() const {
  for (uint8_t b : bits_)
    if (b) return false;
  return true;
}

bool SystemParamItems::OnlyWithin(std::initializer_list<int> allowed) const {
  SystemParamItems rest = *this;
  for (int i : allowed) rest.Remove(i);
  return rest.Empty();
}

// ---------------------------------------------------------------- parameter rules

namespace {

enum class Conv { Text, Int, IntFromText, Flag, Number };

// Readers with a rule of their own (see ReadSpecial).
enum class Special { None, Dwlx, Dybm, Sphsfs, Sljd, Ysqr, Ypthphkz, EmptyIsZero, BlankIsLimit, Mdzd, Tmzbmcqz };

using FieldRef = std::variant<std::string TSystemParams::*, int32_t TSystemParams::*, bool TSystemParams::*,
                              double TSystemParams::*>;

struct Default {
  std::string_view text;
  int32_t integer = 0;
  bool flag = false;
  double number = 0.0;
  static constexpr Default Text(std::string_view t) { return {t, 0, false, 0.0}; }
  static constexpr Default Int(int32_t i) { return {{}, i, false, 0.0}; }
  static constexpr Default Flag(bool b) { return {{}, 0, b, 0.0}; }
  static constexpr Default Number(double d) { return {{}, 0, false, d}; }
};

struct ParamRule {
  int item;
  const char* key;
  Conv conv;
  FieldRef field;
  const char* required;  // message when the key is missing; nullptr: the default is stored
  Default def = {};
  Special special = Special::None;
};

// The parameters read by plain rule: required ones with their message, optional ones with their
// default. Integer parameters marked IntFromText are stored as text on the server and must parse
// as a whole decimal integer; the others take the variant conversion (which also accepts "3.0").
const ParamRule kRules[] = {
  {0, "qyny", Conv::Text, &TSystemParams::qyny, "没有可利用的启用年月！"},
  {5, "dwmc", Conv::Text, &TSystemParams::dwmc, "没有可利用的单位名称！"},
  {6, "sh", Conv::Text, &TSystemParams::sh, "没有可利用的税号！"},
  {7, "dz", Conv::Text, &TSystemParams::dz, "没有可利用的单位地址！"},
  {8, "lxdh", Conv::Text, &TSystemParams::lxdh, "没有可利用的联系电话！"},
  {9, "khh", Conv::Text, &TSystemParams::khh, "没有可利用的开户行！"},
  {10, "zh", Conv::Text, &TSystemParams::zh, "没有可利用的账号！"},
  {15, "lskz", Conv::Flag, &TSystemParams::lskz, "没有可利用的连锁控制！"},
  {16, "jjkz", Conv::Flag, &TSystemParams::jjkz, nullptr, Default::Flag(false)},
  {17, "cskz", Conv::Flag, &TSystemParams::cskz, "没有可利用的厂商控制！"},
  {18, "fgckjb", Conv::Int, &TSystemParams::fgckjb, "没有可利用的分割仓库级别！"},
  {20, "jjcbhsff", Conv::IntFromText, &TSystemParams::jjcbhsff, "没有可利用的进价成本核算方法！"},
  {21, "sjcbhsff", Conv::IntFromText, &TSystemParams::sjcbhsff, "没有可利用的售价成本核算方法！"},
  {23, "cbjzfs", Conv::IntFromText, &TSystemParams::cbjzfs, "没有可利用的成本结转方式！"},
  {25, "zrrkz", Conv::Flag, &TSystemParams::zrrkz, "没有可利用的责任人控制！"},
  {26, "dddyhs", Conv::Int, &TSystemParams::dddyhs, "没有可利用的订货单打印行数！"},
  {27, "brddyhs", Conv::Int, &TSystemParams::brddyhs, "没有可利用的拨入单打印行数！"},
  {28, "brdhscfs", Conv::Text, &TSystemParams::brdhscfs, "没有可利用的拨入单号生成方式！"},
  {29, "bcddyhs", Conv::Int, &TSystemParams::bcddyhs, "没有可利用的拨出单打印行数！"},
  {30, "bcdhscfs", Conv::Text, &TSystemParams::bcdhscfs, "没有可利用的拨出单号生成方式！"},
  {31, "cpzkspyzbkz", Conv::Text, &TSystemParams::cpzkspyzbkz, nullptr, Default::Text("0")},
  {32, "ysxzpssp", Conv::Flag, &TSystemParams::ysxzpssp, nullptr, Default::Flag(false)},
  {33, "dbddyhs", Conv::Int, &TSystemParams::dbddyhs, "没有可利用的调拨单打印行数！"},
  {34, "dbdhscfs", Conv::Text, &TSystemParams::dbdhscfs, "没有可利用的调拨单号生成方式！"},
  {35, "jgddyhs", Conv::Int, &TSystemParams::jgddyhs, "没有可利用的加工单打印行数！"},
  {36, "jgdhscfs", Conv::Text, &TSystemParams::jgdhscfs, "没有可利用的加工单号生成方式！"},
  {37, "sgddyhs", Conv::Int, &TSystemParams::sgddyhs, "没有可利用的上柜（直配）单打印行数！"},
  {38, "sgdhscfs", Conv::Text, &TSystemParams::sgdhscfs, "没有可利用的上柜（直配）单号生成方式！"},
  {39, "rqssj", Conv::Text, &TSystemParams::rqssj, "取得日起始时间时出错！"},
  {40, "jzscltjbc", Conv::Text, &TSystemParams::jzscltjbc, nullptr, Default::Text("0")},
  {41, "jzsclyxjjsxzpzdp", Conv::Text, &TSystemParams::jzsclyxjjsxzpzdp, nullptr, Default::Text("0")},
  {42, "tbddyhs", Conv::Int, &TSystemParams::tbddyhs, "没有可利用的退补单打印行数！"},
  {43, "tbdhscfs", Conv::Text, &TSystemParams::tbdhscfs, "没有可利用的退补单号生成方式！"},
  {44, "ykddyhs", Conv::Int, &TSystemParams::ykddyhs, "没有可利用的移库单打印行数！"},
  {45, "ykdhscfs", Conv::Text, &TSystemParams::ykdhscfs, "没有可利用的移库单号生成方式！"},
  {46, "syddyhs", Conv::Int, &TSystemParams::syddyhs, "没有可利用的损溢单打印行数！"},
  {47, "sydhscfs", Conv::Text, &TSystemParams::sydhscfs, "没有可利用的损溢单号生成方式！"},
  {48, "ysddyhs", Conv::Int, &TSystemParams::ysddyhs, "没有可利用的验收单打印行数！"},
  {49, "ysdhscfs", Conv::Text, &TSystemParams::ysdhscfs, "没有可利用的验收单号生成方式！"},
  {50, "psdahsfg", Conv::Text, &TSystemParams::psdahsfg, nullptr, Default::Text("1")},
  {51, "ysdahsfg", Conv::Text, &TSystemParams::ysdahsfg, nullptr, Default::Text("1")},
  {52, "xsdahsfg", Conv::Text, &TSystemParams::xsdahsfg, nullptr, Default::Text("1")},
  {53, "pdbhscfs", Conv::Text, &TSystemParams::pdbhscfs, "没有可利用的盘点单号生成方式！"},
  {54, "pdbdyhs", Conv::Int, &TSystemParams::pdbdyhs, "没有可利用的盘点单打印行数！"},
  {55, "thddyhs", Conv::Int, &TSystemParams::thddyhs, "没有可利用的提货单打印行数！"},
  {56, "ptfpdyhs", Conv::Int, &TSystemParams::ptfpdyhs, "没有可利用的普通发票打印行数！"},
  {57, "thcpbxxdythqd", Conv::Text, &TSystemParams::thcpbxxdythqd, "没有可利用的退货出票必须先打印退货清单！"},
  {58, "zjdyfs", Conv::Text, &TSystemParams::zjdyfs, "没有可利用的整件打印方式！"},
  {59, "ddysfs", Conv::Text, &TSystemParams::ddysfs, "没有可利用的订单验收方式！"},
  {60, "tjddyhs", Conv::Int, &TSystemParams::tjddyhs, "没有可利用的调价单打印行数！"},
  {61, "jsxtfs", Conv::IntFromText, &TSystemParams::jsxtfs, "没有可利用的结算系统方式！"},
  {62, "pslssj", Conv::Text, &TSystemParams::pslssj, nullptr, Default::Text("0")},
  {63, "hsdwh", Conv::Text, &TSystemParams::hsdwh, "没有可利用的核算单位号！"},
  {64, "dpckbm", Conv::Text, &TSystemParams::dpckbm, "没有可利用的代配仓库编码！"},
  {65, "dpjfs", Conv::Text, &TSystemParams::dpjfs, "没有可利用的代配价方式！"},
  {66, "thjjclfs", Conv::Text, &TSystemParams::thjjclfs, "没有可利用的退货进价处理方式！"},
  {67, "ddyszzfs", Conv::Int, &TSystemParams::ddyszzfs, "没有可利用的订单验收终止方式！"},
  {68, "ddyxrqqy", Conv::Int, &TSystemParams::ddyxrqqy, "没有可利用的订单有效日期启用！"},
  {69, "ysfs", Conv::Int, &TSystemParams::ysfs, "没有可利用的验收方式！"},
  {70, "hykls", Conv::Text, &TSystemParams::hykls, "没有可利用的会员卡连锁！"},
  {71, "sjkbbh", Conv::Text, &TSystemParams::sjkbbh, "没有可利用的数据库版本号！"},
  {72, "psysjscdjd", Conv::Flag, &TSystemParams::psysjscdjd, "没有可利用的配送验收价生成定价单！"},
  {73, "kpyxcfsp", Conv::Flag, &TSystemParams::kpyxcfsp, nullptr, Default::Flag(true)},
  {74, "ysjscdjdbm", Conv::Text, &TSystemParams::ysjscdjdbm, "没有可利用的验收价生成定价单部门！"},
  {76, "djfgfs", Conv::Text, &TSystemParams::djfgfs, nullptr, Default::Text("0")},
  {80, "dddysjj", Conv::Text, &TSystemParams::dddysjj, nullptr, Default::Text("0")},
  {81, "khzqqy", Conv::Text, &TSystemParams::khzqqy, "没有可利用的客户账期启用！"},
  {82, "zkhwlqy", Conv::Text, &TSystemParams::zkhwlqy, "没有可利用的总客户往来启用！"},
  {84, "xsfkz", Conv::IntFromText, &TSystemParams::xsfkz, "没有可利用的小数分控制！"},
  {85, "kckz", Conv::Text, &TSystemParams::kckz, nullptr, Default::Text("1")},
  {86, "hyklwms", Conv::Text, &TSystemParams::hyklwms, "没有可利用的会员卡联网模式！"},
  {87, "yckqzj", Conv::Text, &TSystemParams::yckqzj, "没有可利用的远程卡前置机！"},
  {90, "dchy", Conv::Flag, &TSystemParams::dchy, nullptr, Default::Flag(false)},
  {91, "xstbqyrq", Conv::Text, &TSystemParams::xstbqyrq, nullptr, Default::Text("")},
  {92, "ddbrkz", Conv::Flag, &TSystemParams::ddbrkz, nullptr, Default::Flag(false)},
  {93, "ypphqy", Conv::Text, &TSystemParams::ypphqy, nullptr, Default::Text("0")},
  {94, "zmqy", Conv::Text, &TSystemParams::zmqy, nullptr, Default::Text("0")},
  {95, "djphmrz", Conv::Text, &TSystemParams::djphmrz, nullptr, Default::Text("0")},
  {96, "ypphchsclfs", Conv::Text, &TSystemParams::ypphchsclfs, nullptr, Default::Text("0")},
  {97, "sxcycbft", Conv::Text, &TSystemParams::sxcycbft, nullptr, Default::Text("0")},
  {98, "sxqmpkc", Conv::Text, &TSystemParams::sxqmpkc, nullptr, Default::Text("0")},
  {99, "xpdjmrsl", Conv::Number, &TSystemParams::xpdjmrsl, nullptr, Default::Number(17)},
  {100, "zbbm", Conv::Text, &TSystemParams::zbbm, nullptr, Default::Text("")},
  {101, "dztqy", Conv::Flag, &TSystemParams::dztqy, nullptr, Default::Flag(false)},
  {102, "ddzxqy", Conv::Flag, &TSystemParams::ddzxqy, nullptr, Default::Flag(false)},
  {103, "psfpbdyhs", Conv::Int, &TSystemParams::psfpbdyhs, nullptr, Default::Int(25)},
  {104, "jjbkzzxzbjj", Conv::Flag, &TSystemParams::jjbkzzxzbjj, nullptr, Default::Flag(false)},
  {105, "fmlspyjzdsy", Conv::Flag, &TSystemParams::fmlspyjzdsy, nullptr, Default::Flag(false)},
  {106, "sxpdsyflfs", Conv::Int, &TSystemParams::sxpdsyflfs, nullptr, Default::Int(0)},
  {107, "sxpdsyfzfl", Conv::Int, &TSystemParams::sxpdsyfzfl, nullptr, Default::Int(0)},
  {108, "ddzxyslxsl", Conv::Text, &TSystemParams::ddzxyslxsl, nullptr, Default::Text("0")},
  {109, "ddsczb", Conv::Flag, &TSystemParams::ddsczb, nullptr, Default::Flag(false)},
  {110, "pdyxcfsp", Conv::Flag, &TSystemParams::pdyxcfsp, nullptr, Default::Flag(true)},
  {111, "jekzsptj", Conv::Flag, &TSystemParams::jekzsptj, nullptr, Default::Flag(false)},
  {112, "mdqyrjxstb", Conv::Flag, &TSystemParams::mdqyrjxstb, nullptr, Default::Flag(false)},
  {113, "jzsjzdtj", Conv::Flag, &TSystemParams::jzsjzdtj, nullptr, Default::Flag(false)},
  {114, "tyspddcsf", Conv::Text, &TSystemParams::tyspddcsf, nullptr, Default::Text("0")},
  {115, "jhddyhs", Conv::Int, &TSystemParams::jhddyhs, "没有可利用的拣货单打印行数！"},
  {116, "ycspl", Conv::Text, &TSystemParams::ycspl, nullptr, Default::Text("")},
  {117, "hykcszt", Conv::Text, &TSystemParams::hykcszt, nullptr, Default::Text("0")},
  {118, "ddzxsqdtqhb", Conv::Text, &TSystemParams::ddzxsqdtqhb, nullptr, Default::Text("1")},
  {119, "typdrfbmjz", Conv::Text, &TSystemParams::typdrfbmjz, nullptr, Default::Text("0")},
  {121, "hykkhxe", Conv::Int, &TSystemParams::hykkhxe, nullptr, Default::Int(0)},
  {122, "dcjdbzrck", Conv::Text, &TSystemParams::dcjdbzrck, nullptr, Default::Text("")},
  {123, "Psdjzycts", Conv::Int, &TSystemParams::Psdjzycts, nullptr, Default::Int(0)},
  {124, "bbcszbsz", Conv::Flag, &TSystemParams::bbcszbsz, nullptr, Default::Flag(false)},
  {125, "djbzkz", Conv::Text, &TSystemParams::djbzkz, nullptr, Default::Text("0")},
  {126, "zysqzlyx", Conv::Flag, &TSystemParams::zysqzlyx, nullptr, Default::Flag(true)},
  {127, "dddxsj", Conv::Text, &TSystemParams::dddxsj, nullptr, Default::Text("0")},
  {129, "cgthsqsh", Conv::Flag, &TSystemParams::cgthsqsh, nullptr, Default::Flag(false)},
  {130, "jzspzbz", Conv::Flag, &TSystemParams::jzspzbz, nullptr, Default::Flag(false)},
  // Rows of their own.
  {13, "dybm", Conv::Text, &TSystemParams::dybm, "没有可利用的连锁编码及前台销售柜组编码！", {}, Special::Dybm},
  {19, "sphsfs", Conv::IntFromText, &TSystemParams::sphsfs, "没有可利用的商品核算方式！", {}, Special::Sphsfs},
  {14, "sljd", Conv::Int, &TSystemParams::sljd, "没有可利用的数量精度！", {}, Special::Sljd},
  {11, "ysqr", Conv::Text, &TSystemParams::ysqr, "没有可利用的验收确认！", {}, Special::Ysqr},
  {22, "ypthphkz", Conv::Text, &TSystemParams::ypthphkz, nullptr, Default::Text("1"), Special::Ypthphkz},
  {75, "spfzflx", Conv::IntFromText, &TSystemParams::spfzflx, nullptr, Default::Int(0), Special::EmptyIsZero},
  {83, "hykxc", Conv::IntFromText, &TSystemParams::hykxc, nullptr, Default::Int(0), Special::EmptyIsZero},
  {77, "psxzsl", Conv::IntFromText, &TSystemParams::psxzsl, nullptr, Default::Int(100000), Special::BlankIsLimit},
  {78, "xsxzsl", Conv::IntFromText, &TSystemParams::xsxzsl, nullptr, Default::Int(100000), Special::BlankIsLimit},
  {79, "jhxzsl", Conv::IntFromText, &TSystemParams::jhxzsl, nullptr, Default::Int(100000), Special::BlankIsLimit},
  {89, "mdzdysj", Conv::Flag, &TSystemParams::mdzdysj, nullptr, Default::Flag(false), Special::Mdzd},
  {128, "tmzbmcqz", Conv::Text, &TSystemParams::tmzbmcqz, nullptr, Default::Text("2"), Special::Tmzbmcqz},
};

const ParamRule kUnitTypeRule = {-1, "dwlx", Conv::Text, &TSystemParams::dwlx, "没有可利用的单位类型！", {},
                                 Special::Dwlx};

// The order in which requested parameter items are read; the first missing required one stops
// the read, so this order decides which message a clerk sees.
constexpr int kReadOrder[] = {
    0,   39,  13,  5,   74,  71,  70,  76,  11,  22,  6,   7,   18,  19,  61,  62,  20,  21,  77,  78,  79,
    23,  8,   9,   10,  14,  16,  15,  73,  31,  40,  41,  72,  17,  25,  26,  75,  27,  28,  80,  50,  51,
    52,  29,  60,  30,  37,  38,  44,  45,  33,  34,  35,  36,  42,  43,  46,  47,  48,  49,  54,  53,  55,
    56,  57,  58,  59,  63,  64,  65,  66,  67,  68,  69,  81,  82,  83,  84,  85,  86,  87,  89,  90,  91,
    92,  93,  94,  95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 32,  111,
    112, 113, 114, 115, 116, 117, 118, 119, 121, 122, 123, 124, 125, 126, 129, 130, 127, 128};

const ParamRule* RuleOfItem(int item) {
  static const auto table = [] {
    std::array<const ParamRule*, SystemParamItems::kMaxItem + 1> t{};
    for (const auto& r : kRules) t[static_cast<size_t>(r.item)] = &r;
    return t;
  }();
  return table[static_cast<size_t>(item)];
}

// A display format with a fraction of this many digits is already far beyond what a float
// holds; a larger precision on the server is a damaged value, not a format to build.
constexpr int kMaxQuantityPrecision = 255;

int32_t ToInt32(int64_t v, const std::string& text) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throw ModuleError("'" + text + "' 超出整数范围");
  return static_cast<int32_t>(v);
}

// The value as text, converted as a whole decimal integer (surrounding blanks allowed, as
// padded server columns deliver them).
int32_t IntFromText(const std::string& text) {
  int64_t v = 0;
  std::string t = Trim(text);
  if (!IsIntegerText(t) || !TextToInt(t, v)) throw ModuleError("'" + text + "' 不是有效的整数");
  return ToInt32(v, text);
}

int32_t IntFromVariant(const Variant& v) {
  int64_t i = v.ToInt();
  return ToInt32(i, v.IsText() ? v.AsText() : std::to_string(i));
}

class ParamReader {
 public:
  ParamReader(MemTable& table, TSystemParams& rec) : table_(table), rec_(rec) {}

  // The value of the row whose key matches, or nullptr when there is none.
  const Variant* Find(std::string_view key, bool exactCase) {
    if (!table_.Locate("f_Csmc", Variant(key), !exactCase)) return nullptr;
    return &table_.Get("f_csz");
  }

  // Reads one rule; false with message set when a required key is missing.
  bool Read(const ParamRule& r, std::string& message) {
    if (r.special != Special::None) return ReadSpecial(r, message);
    const Variant* v = Find(r.key, false);
    if (v) {
      Store(r, *v);
      return true;
    }
    if (r.required) {
      message = r.required;
      return false;
    }
    StoreDefault(r);
    return true;
  }

 private:
  static bool IsUnitWithChainCode(const std::string& dwlx) { return dwlx == "02" || dwlx == "01" || dwlx == "11"; }

  void Store(const ParamRule& r, const Variant& v) {
    std::visit(
        [&](auto member) {
          using T = std::remove_reference_t<decltype(rec_.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            rec_.*member = v.ToText();
          } else if constexpr (std::is_same_v<T, int32_t>) {
            rec_.*member = r.conv == Conv::IntFromText ? IntFromText(v.ToText()) : IntFromVariant(v);
          } else if constexpr (std::is_same_v<T, bool>) {
            rec_.*member = v.ToText() == "1";
          } else {
            rec_.*member = v.ToFloat();
          }
        },
        r.field);
  }

  void StoreDefault(const ParamRule& r) {
    std::visit(
        [&](auto member) {
          using T = std::remove_reference_t<decltype(rec_.*member)>;
          if constexpr (std::is_same_v<T, std::string>) rec_.*member = std::string(r.def.text);
          else if constexpr (std::is_same_v<T, int32_t>) rec_.*member = r.def.integer;
          else if constexpr (std::is_same_v<T, bool>) rec_.*member = r.def.flag;
          else rec_.*member = r.def.number;
        },
        r.field);
  }

  bool ReadSpecial(const ParamRule& r, std::string& message) {
    switch (r.special) {
      case Special::Dwlx:
      case Special::Ysqr: {
        const Variant* v = Find(r.key, false);
        if (!v) {
          message = r.required;
          return false;
        }
        std::string& field = rec_.*std::get<std::string TSystemParams::*>(r.field);
        field = v->ToText();
        if (r.special == Special::Ysqr && field != "1") field = "0";
        return true;
      }
      case Special::Dybm: {
        // Chain units must name their chain code; other unit types have none.
        const Variant* v = Find(r.key, false);
        if (v) {
          rec_.dybm = v->ToText();
        } else if (IsUnitWithChainCode(rec_.dwlx)) {
          message = r.required;
          return false;
        } else {
          rec_.dybm.clear();
        }
        return true;
      }
      case Special::Sphsfs: {
        const Variant* v = Find(r.key, false);
        if (v) {
          rec_.sphsfs = IntFromText(v->ToText());
        } else if (rec_.dwlx == "00") {
          rec_.sphsfs = 1;
        } else {
          message = r.required;
          return false;
        }
        return true;
      }
      case Special::Sljd: {
        const Variant* v = Find(r.key, false);
        if (!v) {
          message = r.required;
          return false;
        }
        int32_t n = IntFromVariant(*v);
        if (n > kMaxQuantityPrecision) throw ModuleError("数量精度 " + std::to_string(n) + " 超出范围");
        rec_.sljd = "0." + ZeroPadInt(0, n < 0 ? 0 : n, true);
        return true;
      }
      case Special::Ypthphkz: {
        // Matched with case: a differently spelt row is another parameter of the suite.
        const Variant* v = Find(r.key, true);
        rec_.ypthphkz = v ? (v->ToText() == "1" ? "1" : "0") : "1";
        return true;
      }
      case Special::EmptyIsZero: {
        int32_t& field = rec_.*std::get<int32_t TSystemParams::*>(r.field);
        const Variant* v = Find(r.key, false);
        std::string text = v ? v->ToText() : std::string();
        field = text.empty() ? 0 : IntFromText(text);
        return true;
      }
      case Special::BlankIsLimit: {
        int32_t& field = rec_.*std::get<int32_t TSystemParams::*>(r.field);
        const Variant* v = Find(r.key, false);
        std::string text = v ? v->ToText() : std::string();
        field = Trim(text).empty() ? r.def.integer : IntFromText(text);
        return true;
      }
      case Special::Mdzd: {
        // The purchase price rule only counts where the sale price rule is on.
        const Variant* sale = Find("mdzdysj", false);
        rec_.mdzdysj = sale && sale->ToText() == "1";
        rec_.mdzdyjj = false;
        if (rec_.mdzdysj) {
          const Variant* purchase = Find("mdzdyjj", false);
          rec_.mdzdyjj = purchase && purchase->ToText() == "1";
        }
        return true;
      }
      case Special::Tmzbmcqz: {
        rec_.tmzbmcqz.clear();
        if (const Variant* v = Find(r.key, false)) rec_.tmzbmcqz = v->ToText();
        if (Trim(rec_.tmzbmcqz).empty()) rec_.tmzbmcqz = std::string(r.def.text);
        return true;
      }
      case Special::None: break;
    }
    return true;
  }

  MemTable& table_;
  TSystemParams& rec_;
};

}  // namespace

// ---------------------------------------------------------------- TDreamClass

TDreamClass::TDreamClass(HostService& host, intptr_t ownerWindow, WarningBox warningBox)
    : host_(&host), ownerWindow_(ownerWindow), warningBox_(std::move(warningBox)), paramData_("ParamData") {
  try {
    databaseType_ = host::GetDatabaseType(*host_).ToText();
  } catch (const std::exception&) {
    if (warningBox_) warningBox_("获取数据库类型失败!", "警告");
    databaseType_ = "SQLSERVER";
  }
}

TDreamClass::~TDreamClass() = default;

void TDreamClass::LoadInto(const Variant& ref) {
  if (!ref.IsPacket()) throw PacketError("主机没有返回数据包");
  // The dataset takes the structure of each packet it receives (preparer record, parameter table).
  paramData_.ClearFields();
  paramData_.LoadPacket(ref.AsPacket());
}

bool TDreamClass::ReadSystemParams(TSystemParams& rec, const SystemParamItems& items, std::string& message) {
  try {
    return ReadAll(rec, items, message);
  } catch (const std::exception& e) {
    message = e.what();
    return false;
  }
}

bool TDreamClass::ReadAll(TSystemParams& rec, const SystemParamItems& items, std::string& message) {
  auto fail = [&](const char* text) {
    message = text;
    return false;
  };
  rec.DatabaseType = databaseType_;

  if (items.Contains(1)) {
    Variant v;
    if (!host::GetServerMonth(*host_, v)) return fail("取得当前年月时出错！");
    rec.CurrentYearMonth = v.ToText();
  }
  if (items.Contains(2)) {
    Variant v;
    if (!host::GetServerDateTime(*host_, v)) return fail("取得当前日期时间时出错！");
    rec.CurrentDateTime = v.ToText();
  }
  if (items.Contains(3)) {
    Variant v;
    if (!host::GetServerDate(*host_, v)) return fail("取得当前日期时出错！");
    rec.CurrentDate = std::string(TruncateToGbkBytes(v.ToText(), 8));
  }
  if (items.Contains(4) && !rec.PreparerCode.empty()) {
    Variant v(rec.PreparerCode);
    if (!host::LookupRows(*host_, 1, v)) return fail("取得制单人名称时出错！！");
    LoadInto(v);
    rec.PreparerName = paramData_.GetText("f_zymc");
  }
  // The clock and the preparer need no parameter table; spare the host the larger request.
  if (items.OnlyWithin({1, 3, 4})) return true;

  Variant table;
  if (!host::GetSystemParameters(*host_, table)) return fail("取得系统参数时出错！");
  LoadInto(table);

  ParamReader reader(paramData_, rec);
  if (!reader.Read(kUnitTypeRule, message)) return false;
  unitType_ = rec.dwlx;
  for (int item : kReadOrder) {
    const ParamRule* rule = items.Contains(item) ? RuleOfItem(item) : nullptr;
    if (rule && !reader.Read(*rule, message)) return false;
  }
  return true;
}

}  // namespace pt
