#include "hostapp/ServerClock.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace pt::hostapp {

// Howard Hinnant's civil-date algorithms.
int64_t DaysFromCivil(int year, int month, int day) {
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t z) {
  z += 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return CivilDate{static_cast<int>(y + (m <= 2 ? 1 : 0)), m, d};
}

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = kDays[month - 1];
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) limit = 29;
  return day <= limit;
}

namespace {

bool Digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int Num(std::string_view s) {
  int v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  return v;
}

std::tm LocalNow() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace

bool ParseYmd(std::string_view text, CivilDate& out) {
  if (text.size() != 8 || !Digits(text)) return false;
  CivilDate d{Num(text.substr(0, 4)), Num(text.substr(4, 2)), Num(text.substr(6, 2))};
  if (!IsValidDate(d.year, d.month, d.day)) return false;
  out = d;
  return true;
}

std::string FormatYmd(const CivilDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

std::string AddDays(std::string_view ymd, int days) {
  CivilDate d;
  if (!ParseYmd(ymd, d)) throw std::invalid_argument("不是合法的日期：" + std::string(ymd));
  return FormatYmd(CivilFromDays(DaysFromCivil(d.year, d.month, d.day) + days));
}

std::string AddMonths(std::string_view ym, int months) {
  if (ym.size() != 6 || !Digits(ym)) throw std::invalid_argument("不是合法的年月：" + std::string(ym));
  int index = Num(ym.substr(0, 4)) * 12 + (Num(ym.substr(4, 2)) - 1) + months;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d", index / 12, index % 12 + 1);
  return buf;
}

ServerClock ServerClock::Pinned(std::string_view ymd, std::string_view hhnnss) {
  CivilDate d;
  if (!ParseYmd(ymd, d)) throw std::invalid_argument("服务器日期必须是八位数字 YYYYMMDD：" + std::string(ymd));
  if (!hhnnss.empty()) {
    if (hhnnss.size() != 6 || !Digits(hhnnss) || Num(hhnnss.substr(0, 2)) > 23 ||
        Num(hhnnss.substr(2, 2)) > 59 || Num(hhnnss.substr(4, 2)) > 59)
      throw std::invalid_argument("服务器时间必须是六位数字 HHNNSS：" + std::string(hhnnss));
  }
  ServerClock c;
  c.date_ = std::string(ymd);
  c.time_ = std::string(hhnnss);
  return c;
}

std::string ServerClock::Date() const {
  if (!date_.empty()) return date_;
  std::tm tm = LocalNow();
  return FormatYmd(CivilDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday});
}

std::string ServerClock::Month() const { return Date().substr(0, 6); }

std::string ServerClock::Time() const {
  if (!time_.empty()) return time_;
  std::tm tm = LocalNow();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string ServerClock::DateTime() const { return Date() + Time(); }

}  // namespace pt::hostapp
