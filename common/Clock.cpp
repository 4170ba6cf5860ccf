#include "common/Clock.h"

#include <ctime>
#include <utility>

namespace pt {

namespace {
std::function<LocalDateTime()>& Override() {
  static std::function<LocalDateTime()> source;
  return source;
}
}  // namespace

LocalDateTime WorkstationNow() {
  if (Override()) return Override()();
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  LocalDateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  return t;
}

void SetWorkstationClockForTesting(std::function<LocalDateTime()> source) { Override() = std::move(source); }

}  // namespace pt
