/** @file
  Key scripts: the text form and one-key-per-wait release.
**/
#include <Emulator/KeyScript.h>
#include <Emulator/RunEnded.h>

#include <cstdlib>
#include <map>
#include <stdexcept>

namespace Emu {

struct NAMED_KEY {
  UINT16  Scan;
  CHAR16  Char;
};

static const std::map<std::string, NAMED_KEY> &
KeyNames ()
{
  static const std::map<std::string, NAMED_KEY>  Names = {
    { "F1", { SCAN_F1, 0 } }, { "F2", { SCAN_F2, 0 } }, { "F3", { SCAN_F3, 0 } }, { "F4", { SCAN_F4, 0 } },
    { "F5", { SCAN_F5, 0 } }, { "F6", { SCAN_F6, 0 } }, { "F7", { SCAN_F7, 0 } }, { "F8", { SCAN_F8, 0 } },
    { "F9", { SCAN_F9, 0 } }, { "F10", { SCAN_F10, 0 } }, { "F11", { SCAN_F11, 0 } }, { "F12", { SCAN_F12, 0 } },
    { "Esc", { SCAN_ESC, 0 } }, { "Up", { SCAN_UP, 0 } }, { "Down", { SCAN_DOWN, 0 } },
    { "Left", { SCAN_LEFT, 0 } }, { "Right", { SCAN_RIGHT, 0 } }, { "Home", { SCAN_HOME, 0 } },
    { "End", { SCAN_END, 0 } }, { "PgUp", { SCAN_PAGE_UP, 0 } }, { "PgDn", { SCAN_PAGE_DOWN, 0 } },
    { "Ins", { SCAN_INSERT, 0 } }, { "Del", { SCAN_DELETE, 0 } }, { "Pause", { SCAN_PAUSE, 0 } },
    { "Enter", { SCAN_NULL, CHAR_CARRIAGE_RETURN } }, { "Tab", { SCAN_NULL, CHAR_TAB } },
    { "Backspace", { SCAN_NULL, CHAR_BACKSPACE } }, { "Space", { SCAN_NULL, u' ' } },
    { "Comma", { SCAN_NULL, u',' } },
  };
  return Names;
}

static const std::map<std::string, UINT32> &
ModifierNames ()
{
  static const std::map<std::string, UINT32>  Names = {
    { "Ctrl", EFI_LEFT_CONTROL_PRESSED }, { "Shift", EFI_LEFT_SHIFT_PRESSED }, { "Alt", EFI_LEFT_ALT_PRESSED },
  };
  return Names;
}

static std::string
Trim (const std::string &Text)
{
  size_t  First = Text.find_first_not_of (" \t\r\n");
  size_t  Last  = Text.find_last_not_of (" \t\r\n");

  return (First == std::string::npos) ? std::string () : Text.substr (First, Last - First + 1);
}

[[noreturn]] static void
Bad (const std::string &Entry, const std::string &Why)
{
  throw std::invalid_argument ("key script entry \"" + Entry + "\": " + Why);
}

// Splits "Name#N@S" into its parts.
static void
SplitSuffixes (const std::string &Entry, std::string *Body, SCRIPTED_KEY *Key)
{
  std::string  Text = Entry;
  size_t       At   = Text.find ('@', 1);

  if (At != std::string::npos) {
    char    *End   = nullptr;
    double  Seconds = std::strtod (Text.c_str () + At + 1, &End);
    if ((End == Text.c_str () + At + 1) || (*End != 0) || (Seconds < 0)) {
      Bad (Entry, "bad time after @");
    }
    Key->At = (UINT64)(Seconds * (double)kTicksPerSecond);
    Text.resize (At);
  }
  size_t  Hash = Text.find ('#', 1);
  if (Hash != std::string::npos) {
    char           *End = nullptr;
    unsigned long  Code = std::strtoul (Text.c_str () + Hash + 1, &End, 0);
    if ((End == Text.c_str () + Hash + 1) || (*End != 0) || (Code > 0xFFFFFFFFul)) {
      Bad (Entry, "bad EFI key code after #");
    }
    Key->Record.EfiKey        = (UINT32)Code;
    Key->Record.EfiKeyIsValid = 1;
    Text.resize (Hash);
  }
  *Body = Text;
}

static NAMED_KEY
ParseKeyName (const std::string &Entry, const std::string &Name)
{
  auto  Found = KeyNames ().find (Name);

  if (Found != KeyNames ().end ()) {
    return Found->second;
  }
  if ((Name.size () == 6) && (Name.compare (0, 2, "U+") == 0)) {
    char           *End = nullptr;
    unsigned long  Code = std::strtoul (Name.c_str () + 2, &End, 16);
    if (*End == 0) {
      return NAMED_KEY { SCAN_NULL, (CHAR16)Code };
    }
  }
  if ((Name.size () == 1) && ((unsigned char)Name[0] >= 0x20) && ((unsigned char)Name[0] < 0x7F)) {
    return NAMED_KEY { SCAN_NULL, (CHAR16)Name[0] };
  }
  Bad (Entry, "unknown key name");
}

static SCRIPTED_KEY
ParseEntry (const std::string &Entry)
{
  SCRIPTED_KEY  Key {};
  std::string   Body;

  Key.Name = Entry;
  SplitSuffixes (Entry, &Body, &Key);
  UINT32  Shift = 0;
  size_t  Plus;
  while (((Plus = Body.find ('+')) != std::string::npos) && (Plus + 1 < Body.size ()) && (Body.compare (0, 2, "U+") != 0)) {
    auto  Modifier = ModifierNames ().find (Body.substr (0, Plus));
    if (Modifier == ModifierNames ().end ()) {
      Bad (Entry, "unknown modifier");
    }
    Shift |= Modifier->second;
    Body   = Body.substr (Plus + 1);
  }
  Key.Record.KeyState.KeyToggleState = EFI_TOGGLE_STATE_VALID;
  auto  Alone = ModifierNames ().find (Body);
  if (Alone != ModifierNames ().end ()) {
    Shift |= Alone->second;
    Key.Record.KeyState.KeyToggleState |= EFI_KEY_STATE_EXPOSED;
  } else {
    NAMED_KEY  Named = ParseKeyName (Entry, Body);
    Key.Record.Key.ScanCode    = Named.Scan;
    Key.Record.Key.UnicodeChar = Named.Char;
  }
  Key.Record.KeyState.KeyShiftState = EFI_SHIFT_STATE_VALID | Shift;
  return Key;
}

std::vector<SCRIPTED_KEY>
ParseKeyScript (const std::string &Text)
{
  std::vector<SCRIPTED_KEY>  Keys;
  size_t                     Start = 0;

  while (Start <= Text.size ()) {
    size_t       Comma = Text.find (',', Start);
    std::string  Entry = Trim (Text.substr (Start, (Comma == std::string::npos) ? std::string::npos : Comma - Start));
    if (!Entry.empty ()) {
      Keys.push_back (ParseEntry (Entry));
    }
    if (Comma == std::string::npos) {
      break;
    }
    Start = Comma + 1;
  }
  return Keys;
}

KeyScript::KeyScript (EventSystem &Events)
  : mEvents (Events)
{
}

void
KeyScript::Append (const std::string &Text)
{
  for (const SCRIPTED_KEY &Key : ParseKeyScript (Text)) {
    Append (Key);
  }
}

void
KeyScript::OnWait ()
{
  mWaits++;
  if (mWaitHook) {
    mWaitHook ();
  }
  if (mPending) {
    return;
  }
  if (mNext < mKeys.size ()) {
    const SCRIPTED_KEY  &Key = mKeys[mNext];
    if (Key.At && (*Key.At > mEvents.Now ())) {
      return;  // WaitForEvent jumps the clock to it through NextWakeTime
    }
    mPending = Key.Record;
    mNext++;
    mStarvedSince.reset ();
    return;
  }
  if (!mStarvedSince) {
    mStarvedSince = mEvents.Now ();
  } else if (mEvents.Now () - *mStarvedSince >= mStarveLimit) {
    throw KeyScriptExhausted ("the program keeps waiting for keys and the key script has none left");
  }
}

std::string
KeyScript::RemainingText () const
{
  std::string  Text;

  for (size_t At = mNext; At < mKeys.size (); At++) {
    Text += (Text.empty () ? "" : ",") + mKeys[At].Name;
  }
  return Text;
}

void
KeyScript::ReleaseDue ()
{
  if (!mPending && (mNext < mKeys.size ()) && mKeys[mNext].At && (*mKeys[mNext].At <= mEvents.Now ())) {
    mPending = mKeys[mNext].Record;
    mNext++;
    mStarvedSince.reset ();
  }
}

bool
KeyScript::Take (KEY_CODE_DATA *Record)
{
  if (!mPending) {
    return false;
  }
  *Record = *mPending;
  mPending.reset ();
  return true;
}

std::optional<UINT64>
KeyScript::NextWakeTime () const
{
  if (!mPending && (mNext < mKeys.size ()) && mKeys[mNext].At) {
    return mKeys[mNext].At;
  }
  return std::nullopt;
}

bool
KeyScript::Exhausted () const
{
  return !mPending && (mNext >= mKeys.size ());
}

}  // namespace Emu
