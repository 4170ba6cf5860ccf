#pragma once
// The server clock of the stand-in host and the calendar arithmetic its SQL functions and the
// seed share. The module takes every business date from here, so pinning the date makes a demo
// or a test repeatable: the seeded promotions, sales and bills are laid out around that date.
#include <cstdint>
#include <string>
#include <string_view>

namespace pt::hostapp {

struct CivilDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int year, int month, int day);
CivilDate CivilFromDays(int64_t days);
bool IsValidDate(int year, int month, int day);

// Eight-digit date texts YYYYMMDD.
bool ParseYmd(std::string_view text, CivilDate& out);
std::string FormatYmd(const CivilDate& d);
std::string AddDays(std::string_view ymd, int days);  // ymd must be valid
// Six-digit month texts YYYYMM.
std::string AddMonths(std::string_view ym, int months);

class ServerClock {
 public:
  // A clock that follows the workstation's local time.
  ServerClock() = default;
  // A clock whose date is pinned; the time of day is pinned too when given (HHNNSS), else it
  // follows the workstation. Throws std::invalid_argument on a malformed date or time.
  static ServerClock Pinned(std::string_view ymd, std::string_view hhnnss = {});

  bool pinned() const { return !date_.empty(); }
  std::string Date() const;      // YYYYMMDD
  std::string Month() const;     // YYYYMM
  std::string Time() const;      // HHNNSS
  std::string DateTime() const;  // YYYYMMDDHHNNSS

 private:
  std::string date_;
  std::string time_;
};

}  // namespace pt::hostapp
