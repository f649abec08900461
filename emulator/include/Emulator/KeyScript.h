/** @file
  The scripted key source behind the console-input protocols.

  Keys are released one per wait: the next scripted key becomes readable only when
  the program waits on a key event (WaitForEvent or CheckEvent) with no key pending.
  Code that drains type-ahead before it waits therefore cannot eat the script. An
  entry may also carry a virtual time before which it is not released; a wait then
  jumps the clock there, and once the time has come a plain read finds it too. When the script is used up and the program waits for a key
  that nothing can deliver, the run ends with KeyScriptExhausted.

  Text form (the program's --keys, and tests): comma-separated names.
    F1..F12 Esc Enter Tab Backspace Space Up Down Left Right Home End PgUp PgDn Ins Del
    a single character ("a", "Z", "1"), "Comma" for ",", U+XXXX for any code unit,
    modifiers joined with "+" (Ctrl+F12, Shift+Tab, Alt+x),
    a lone modifier (Ctrl, Shift, Alt) for a modifier-only record that only exposes
    the shift state (toggle bit 0x40),
    "#N" after a key sets its EFI key code (Del#31),
    "@S" after a key holds it until S seconds of virtual time (F2@2.5).
**/
#ifndef EMULATOR_KEY_SCRIPT_H_
#define EMULATOR_KEY_SCRIPT_H_

#include <Uefi.h>
#include <Protocol/KeyCode.h>

#include <Emulator/Events.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Emu {

struct SCRIPTED_KEY {
  KEY_CODE_DATA          Record;
  std::optional<UINT64>  At;  // virtual time before which it stays held
  std::string            Name;
};

// Parses the text form; throws std::invalid_argument naming the bad entry.
std::vector<SCRIPTED_KEY> ParseKeyScript (const std::string &Text);

class KeyScript : public WaitSource {
public:
  explicit KeyScript (EventSystem &Events);

  void Append (const SCRIPTED_KEY &Key) { mKeys.push_back (Key); }
  void Append (const std::string &Text);

  // The device side. OnWait runs in a key event's wait notify.
  void OnWait ();
  bool HasPending () const { return mPending.has_value (); }
  const KEY_CODE_DATA *Pending () const { return mPending ? &*mPending : nullptr; }
  bool Take (KEY_CODE_DATA *Record);
  // A timed key whose time has come arrives without a wait, as typed keys do.
  void ReleaseDue ();
  void Flush () { mPending.reset (); }

  std::optional<UINT64> NextWakeTime () const override;
  bool                  Exhausted () const override;

  // Called on every key wait, before a key is released: a test snapshots the
  // screen exactly when the program sits waiting.
  void   SetWaitHook (std::function<void()> Hook) { mWaitHook = std::move (Hook); }
  // Virtual time a program may keep waiting on keys after the script ran out
  // (while timers still fire) before the run ends; default 300 s.
  void   SetStarveLimit (UINT64 Ticks) { mStarveLimit = Ticks; }
  size_t Released () const { return mNext; }
  size_t Remaining () const { return mKeys.size () - mNext; }
  // The keys not released yet, as a script of the text form (a reset hands them on).
  std::string RemainingText () const;
  UINTN  WaitCount () const { return mWaits; }

private:
  EventSystem                 &mEvents;
  std::vector<SCRIPTED_KEY>   mKeys;
  size_t                      mNext = 0;
  std::optional<KEY_CODE_DATA> mPending;
  std::function<void()>       mWaitHook;
  std::optional<UINT64>       mStarvedSince;
  UINT64                      mStarveLimit = 300 * kTicksPerSecond;
  UINTN                       mWaits = 0;
};

}  // namespace Emu

#endif
