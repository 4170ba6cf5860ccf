#pragma once
// System parameters and server clock values, gathered through the host in one call.
//
// The module never asks the workstation for a business date: months and dates come from the
// database server. A caller names the values it wants by item number, TDreamClass fills the
// caller's TSystemParams and reports the first value it could not get.
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "common/MemTable.h"
#include "host/HostService.h"

namespace pt {

// The value record. Each parameter field bears its parameter key as its name; the comment gives
// the item number that asks for it. Only the fields of requested items are written (DatabaseType
// on every call, dwlx on every call that reads the parameter table); all others keep whatever
// the caller had in them.
struct TSystemParams {
  std::string qyny;  // [0]
  std::string CurrentYearMonth;  // [1]
  std::string DatabaseType;  // (every call)
  std::string CurrentDateTime;  // [2]
  std::string CurrentDate;  // [3]
  std::string PreparerCode;  // (input: whose name item 4 reads)
  std::string PreparerName;  // [4]
  std::string dwmc;  // [5]
  std::string sh;  // [6]
  std::string dz;  // [7]
  std::string lxdh;  // [8]
  std::string khh;  // [9]
  std::string zh;  // [10]
  std::string dwlx;  // (every call that reads the parameter table)
  std::string dybm;  // [13]
  std::string hykls;  // [70]
  std::string sljd;  // [14]
  bool lskz = false;  // [15]
  bool jjkz = false;  // [16]
  bool cskz = false;  // [17]
  bool zrrkz = false;  // [25]
  int32_t dddyhs = 0;  // [26]
  int32_t sphsfs = 0;  // [19]
  int32_t jjcbhsff = 0;  // [20]
  int32_t sjcbhsff = 0;  // [21]
  int32_t cbjzfs = 0;  // [23]
  int32_t jsxtfs = 0;  // [61]
  std::string rqssj;  // [39]
  int32_t fgckjb = 0;  // [18]
  int32_t brddyhs = 0;  // [27]
  std::string brdhscfs;  // [28]
  int32_t bcddyhs = 0;  // [29]
  std::string bcdhscfs;  // [30]
  int32_t dbddyhs = 0;  // [33]
  std::string dbdhscfs;  // [34]
  int32_t jgddyhs = 0;  // [35]
  std::string jgdhscfs;  // [36]
  int32_t sgddyhs = 0;  // [37]
  std::string sgdhscfs;  // [38]
  int32_t tbddyhs = 0;  // [42]
  std::string tbdhscfs;  // [43]
  int32_t ykddyhs = 0;  // [44]
  std::string ykdhscfs;  // [45]
  int32_t syddyhs = 0;  // [46]
  std::string sydhscfs;  // [47]
  int32_t ysddyhs = 0;  // [48]
  std::string ysdhscfs;  // [49]
  int32_t pdbdyhs = 0;  // [54]
  std::string pdbhscfs;  // [53]
  std::string psdahsfg;  // [50]
  std::string ysdahsfg;  // [51]
  std::string xsdahsfg;  // [52]
  int32_t thddyhs = 0;  // [55]
  int32_t tjddyhs = 0;  // [60]
  int32_t ptfpdyhs = 0;  // [56]
  int32_t spfzflx = 0;  // [75]
  bool kpyxcfsp = false;  // [73]
  std::string djfgfs;  // [76]
  int32_t psxzsl = 0;  // [77]
  int32_t xsxzsl = 0;  // [78]
  int32_t jhxzsl = 0;  // [79]
  std::string thcpbxxdythqd;  // [57]
  std::string zjdyfs;  // [58]
  std::string ddysfs;  // [59]
  std::string hsdwh;  // [63]
  std::string dpckbm;  // [64]
  std::string dpjfs;  // [65]
  std::string pslssj;  // [62]
  std::string thjjclfs;  // [66]
  std::string sjkbbh;  // [71]
  bool psysjscdjd = false;  // [72]
  std::string ysjscdjdbm;  // [74]
  int32_t ddyszzfs = 0;  // [67]
  int32_t ddyxrqqy = 0;  // [68]
  int32_t ysfs = 0;  // [69]
  std::string dddysjj;  // [80]
  std::string cpzkspyzbkz;  // [31]
  std::string jzscltjbc;  // [40]
  std::string jzsclyxjjsxzpzdp;  // [41]
  std::string ysqr;  // [11]
  std::string khzqqy;  // [81]
  std::string zkhwlqy;  // [82]
  int32_t hykxc = 0;  // [83]
  int32_t xsfkz = 0;  // [84]
  std::string kckz;  // [85]
  std::string hyklwms;  // [86]
  std::string yckqzj;  // [87]
  bool mdzdyjj = false;  // [89]
  bool mdzdysj = false;  // [89]
  bool dchy = false;  // [90]
  std::string xstbqyrq;  // [91]
  bool ddbrkz = false;  // [92]
  std::string ypphqy;  // [93]
  std::string zmqy;  // [94]
  std::string djphmrz;  // [95]
  std::string ypphchsclfs;  // [96]
  std::string ypthphkz;  // [22]
  std::string sxcycbft;  // [97]
  std::string sxqmpkc;  // [98]
  double xpdjmrsl = 0.0;  // [99]
  std::string zbbm;  // [100]
  bool dztqy = false;  // [101]
  bool ddzxqy = false;  // [102]
  int32_t psfpbdyhs = 0;  // [103]
  bool jjbkzzxzbjj = false;  // [104]
  bool fmlspyjzdsy = false;  // [105]
  int32_t sxpdsyflfs = 0;  // [106]
  int32_t sxpdsyfzfl = 0;  // [107]
  std::string ddzxyslxsl;  // [108]
  bool ddsczb = false;  // [109]
  bool pdyxcfsp = false;  // [110]
  bool ysxzpssp = false;  // [32]
  bool jekzsptj = false;  // [111]
  bool mdqyrjxstb = false;  // [112]
  bool jzsjzdtj = false;  // [113]
  std::string tyspddcsf;  // [114]
  int32_t jhddyhs = 0;  // [115]
  std::string ycspl;  // [116]
  std::string hykcszt;  // [117]
  std::string ddzxsqdtqhb;  // [118]
  std::string typdrfbmjz;  // [119]
  int32_t hykkhxe = 0;  // [121]
  std::string dcjdbzrck;  // [122]
  int32_t Psdjzycts = 0;  // [123]
  bool bbcszbsz = false;  // [124]
  std::string djbzkz;  // [125]
  bool zysqzlyx = false;  // [126]
  bool cgthsqsh = false;  // [129]
  std::string dddxsj;  // [127]
  std::string tmzbmcqz;  // [128]
  bool jzspzbz = false;  // [130]

  bool operator==(const TSystemParams&) const = default;
};

// A set of item numbers 0 to 135, stored as the suite stores it: 17 bytes, item n in bit n mod 8
// of byte n div 8.
class SystemParamItems {
 public:
  static constexpr int kMaxItem = 135;
  static constexpr size_t kBytes = 17;

  SystemParamItems() = default;
  SystemParamItems(std::initializer_list<int> items);  // throws ModuleError for a number out of range
  static SystemParamItems FromBytes(const std::array<uint8_t, kBytes>& bytes);

  SystemParamItems& Add(int item);     // throws ModuleError for a number out of range
  SystemParamItems& Remove(int item);  // a number out of range is ignored
  bool Contains(int item) const;       // false for a number out of range
  bool Empty() const;
  // True when no item outside the given ones is in the set.
  bool OnlyWithin(std::initializer_list<int> allowed) const;
  const std::array<uint8_t, kBytes>& Bytes() const { return bits_; }

  bool operator==(const SystemParamItems&) const = default;

 private:
  std::array<uint8_t, kBytes> bits_{};
};

// Reads the database type once, at construction, and the requested values on every
// ReadSystemParams call (each call asks the host again).
class TDreamClass {
 public:
  // Shows a warning box (warning icon) owned by the owner window; the Qt layer implements it.
  using WarningBox = std::function<void(const std::string& text, const std::string& caption)>;

  // ownerWindow 0 stands for the application's main window; the warning box resolves it.
  // A failure to get the database type shows "获取数据库类型失败!" under "警告" and falls back
  // to "SQLSERVER"; construction goes on.
  TDreamClass(HostService& host, intptr_t ownerWindow, WarningBox warningBox);
  ~TDreamClass();
  TDreamClass(const TDreamClass&) = delete;
  TDreamClass& operator=(const TDreamClass&) = delete;

  // True when every requested value was got. False with message set when one was not: the
  // values read before it stay in rec and nothing after it is read. Never throws.
  bool ReadSystemParams(TSystemParams& rec, const SystemParamItems& items, std::string& message);

  const std::string& DatabaseType() const { return databaseType_; }
  // The unit type (parameter dwlx) of the last call that read the parameter table.
  const std::string& UnitType() const { return unitType_; }
  intptr_t OwnerWindow() const { return ownerWindow_; }
  // The last packet the class loaded: the preparer record or the parameter table.
  const MemTable& ParameterData() const { return paramData_; }

 private:
  bool ReadAll(TSystemParams& rec, const SystemParamItems& items, std::string& message);
  void LoadInto(const Variant& ref);

  HostRef host_;
  intptr_t ownerWindow_ = 0;
  WarningBox warningBox_;
  MemTable paramData_;
  std::string databaseType_;
  std::string unitType_;
};

}  // namespace pt
