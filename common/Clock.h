#pragma once
// The workstation clock: only the print date and time on report printouts come from here.
// Business dates come from the server (common/UnitDreamClass.h), never from this clock.
#include <functional>

namespace pt {

struct LocalDateTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
  bool operator==(const LocalDateTime&) const = default;
};

// The workstation's local date and time, or what a test installed.
LocalDateTime WorkstationNow();

// Tests: make WorkstationNow() answer from the given source; an empty function restores the
// real clock.
void SetWorkstationClockForTesting(std::function<LocalDateTime()> source);

}  // namespace pt
