/** @file
  The real-time clock: wall time that runs with the virtual clock, SetTime and the
  wake-up alarm, with the UEFI range checks (year 1900-9999, the days of each month
  with leap years, hour, minute, second, nanosecond, time zone, daylight bits).
**/
#ifndef EMULATOR_REAL_TIME_CLOCK_H_
#define EMULATOR_REAL_TIME_CLOCK_H_

#include <Uefi.h>

namespace Emu {

class EventSystem;

bool TimeIsValid (const EFI_TIME &Time);

class RealTimeClock {
public:
  explicit RealTimeClock (const EventSystem &Events);

  EFI_STATUS GetTime (EFI_TIME *Time, EFI_TIME_CAPABILITIES *Capabilities) const;
  EFI_STATUS SetTime (const EFI_TIME *Time);
  EFI_STATUS GetWakeupTime (BOOLEAN *Enabled, BOOLEAN *Pending, EFI_TIME *Time) const;
  EFI_STATUS SetWakeupTime (BOOLEAN Enable, const EFI_TIME *Time);

  // Test API: the date the clock shows now (no range check), a GetTime failure.
  void       SetNow (const EFI_TIME &Time);
  void       FailGetTime (EFI_STATUS Status) { mGetTimeFault = Status; }
  bool       WakeupEnabled () const { return mWakeupEnabled; }
  const EFI_TIME &WakeupTime () const { return mWakeup; }

private:
  const EventSystem  &mEvents;
  EFI_TIME           mBase;
  UINT64             mBaseTicks;
  EFI_TIME           mWakeup;
  bool               mWakeupEnabled = false;
  EFI_STATUS         mGetTimeFault  = EFI_SUCCESS;
};

}  // namespace Emu

#endif
