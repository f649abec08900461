/** @file
  Wall time on the virtual clock.
**/
#include <Emulator/RealTimeClock.h>
#include <Emulator/Events.h>

namespace Emu {

static bool
IsLeapYear (UINT32 Year)
{
  return ((Year % 4 == 0) && (Year % 100 != 0)) || (Year % 400 == 0);
}

static UINT32
DaysInMonth (UINT32 Year, UINT32 Month)
{
  static const UINT8  Days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };

  return (Month == 2 && IsLeapYear (Year)) ? 29 : Days[Month - 1];
}

bool
TimeIsValid (const EFI_TIME &Time)
{
  if ((Time.Year < 1900) || (Time.Year > 9999) || (Time.Month < 1) || (Time.Month > 12)) {
    return false;
  }
  if ((Time.Day < 1) || (Time.Day > DaysInMonth (Time.Year, Time.Month))) {
    return false;
  }
  if ((Time.Hour > 23) || (Time.Minute > 59) || (Time.Second > 59) || (Time.Nanosecond > 999999999)) {
    return false;
  }
  if (((Time.TimeZone < -1440) || (Time.TimeZone > 1440)) && (Time.TimeZone != EFI_UNSPECIFIED_TIMEZONE)) {
    return false;
  }
  return (Time.Daylight & ~(EFI_TIME_ADJUST_DAYLIGHT | EFI_TIME_IN_DAYLIGHT)) == 0;
}

// Days from 1900-01-01 to the given date, and back; plain civil-calendar counting.
static UINT64
DaysFromDate (UINT32 Year, UINT32 Month, UINT32 Day)
{
  UINT64  Days = 0;

  for (UINT32 Y = 1900; Y < Year; Y++) {
    Days += IsLeapYear (Y) ? 366 : 365;
  }
  for (UINT32 M = 1; M < Month; M++) {
    Days += DaysInMonth (Year, M);
  }
  return Days + Day - 1;
}

static void
DateFromDays (UINT64 Days, EFI_TIME *Time)
{
  UINT32  Year = 1900;
  UINT32  Month = 1;

  while (Days >= (IsLeapYear (Year) ? 366u : 365u)) {
    Days -= IsLeapYear (Year) ? 366 : 365;
    Year++;
  }
  while (Days >= DaysInMonth (Year, Month)) {
    Days -= DaysInMonth (Year, Month);
    Month++;
  }
  Time->Year  = (UINT16)Year;
  Time->Month = (UINT8)Month;
  Time->Day   = (UINT8)(Days + 1);
}

RealTimeClock::RealTimeClock (const EventSystem &Events)
  : mEvents (Events), mBase {}, mBaseTicks (0), mWakeup {}
{
  mBase = EFI_TIME { 2026, 1, 1, 0, 0, 0, 0, 0, EFI_UNSPECIFIED_TIMEZONE, 0, 0 };
  mWakeup = mBase;
}

void
RealTimeClock::SetNow (const EFI_TIME &Time)
{
  mBase      = Time;
  mBaseTicks = mEvents.Now ();
}

EFI_STATUS
RealTimeClock::GetTime (EFI_TIME *Time, EFI_TIME_CAPABILITIES *Capabilities) const
{
  if (Time == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (EFI_ERROR (mGetTimeFault)) {
    return mGetTimeFault;
  }
  UINT64  Elapsed = (mEvents.Now () - mBaseTicks) * 100 + mBase.Nanosecond;  // in ns
  UINT64  Seconds = (UINT64)mBase.Hour * 3600 + mBase.Minute * 60 + mBase.Second + Elapsed / 1000000000;
  UINT64  Days    = DaysFromDate (mBase.Year, mBase.Month, mBase.Day) + Seconds / 86400;

  *Time = mBase;
  DateFromDays (Days, Time);
  Seconds         %= 86400;
  Time->Hour       = (UINT8)(Seconds / 3600);
  Time->Minute     = (UINT8)((Seconds / 60) % 60);
  Time->Second     = (UINT8)(Seconds % 60);
  Time->Nanosecond = (UINT32)(Elapsed % 1000000000);
  if (Capabilities != nullptr) {
    *Capabilities = EFI_TIME_CAPABILITIES { 1, 50000000, FALSE };
  }
  return EFI_SUCCESS;
}

EFI_STATUS
RealTimeClock::SetTime (const EFI_TIME *Time)
{
  if ((Time == nullptr) || !TimeIsValid (*Time)) {
    return EFI_INVALID_PARAMETER;
  }
  SetNow (*Time);
  return EFI_SUCCESS;
}

EFI_STATUS
RealTimeClock::GetWakeupTime (BOOLEAN *Enabled, BOOLEAN *Pending, EFI_TIME *Time) const
{
  if ((Enabled == nullptr) || (Pending == nullptr) || (Time == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Enabled = mWakeupEnabled ? TRUE : FALSE;
  *Pending = FALSE;  // the machine never sleeps, so the alarm never goes off
  *Time    = mWakeup;
  return EFI_SUCCESS;
}

EFI_STATUS
RealTimeClock::SetWakeupTime (BOOLEAN Enable, const EFI_TIME *Time)
{
  if (Enable) {
    if ((Time == nullptr) || !TimeIsValid (*Time)) {
      return EFI_INVALID_PARAMETER;
    }
    mWakeup = *Time;
  }
  mWakeupEnabled = Enable != FALSE;
  return EFI_SUCCESS;
}

}  // namespace Emu
