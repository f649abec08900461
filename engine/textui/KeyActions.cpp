/** @file
  The defaults of hooks 0xFFFF0007 and 0xFFFF001F: a key record or a pointer click
  becomes one of the engine's action codes.

  The key table is searched in order with the shift state matched as a pattern, so
  a row with pattern 0 takes only a key without modifiers (Shift+Tab reaches its own
  row, never plain Tab's).
**/
#include <engine/textui/Hotkeys.h>
#include <engine/core/ShiftState.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Protocol/KeyCode.h>
#include <Protocol/SimpleTextIn.h>

#define SHIFT_TAB_PATTERN  0x80000003

static CONST KEY_ACTION_ENTRY  mKeyActionTable[KEY_ACTION_TABLE_ROWS] = {
  { ACTION_SELECT,    CHAR_CARRIAGE_RETURN, SCAN_NULL,      0 },
  { ACTION_NEXT,      CHAR_TAB,             SCAN_NULL,      0 },
  { ACTION_PREVIOUS,  CHAR_TAB,             SCAN_NULL,      SHIFT_TAB_PATTERN },
  { ACTION_BACKSPACE, CHAR_BACKSPACE,       SCAN_NULL,      0 },
  { ACTION_DECREMENT, u'-',                 SCAN_NULL,      0 },
  { ACTION_SPACE,     u' ',                 SCAN_NULL,      0 },
  { ACTION_INCREMENT, u'+',                 SCAN_NULL,      0 },
  { ACTION_LEFT,      0,                    SCAN_LEFT,      0 },
  { ACTION_RIGHT,     0,                    SCAN_RIGHT,     0 },
  { ACTION_UP,        0,                    SCAN_UP,        0 },
  { ACTION_DOWN,      0,                    SCAN_DOWN,      0 },
  { ACTION_ABORT,     0,                    SCAN_ESC,       0 },
  { ACTION_PAGE_UP,   0,                    SCAN_PAGE_UP,   0 },
  { ACTION_PAGE_DOWN, 0,                    SCAN_PAGE_DOWN, 0 },
  { ACTION_KEY_K,     u'k',                 SCAN_NULL,      0 },
  { ACTION_KEY_M,     u'm',                 SCAN_NULL,      0 },
  { ACTION_HOME,      0,                    SCAN_HOME,      0 },
  { ACTION_END,       0,                    SCAN_END,       0 },
};

UINT64
MapKeyToAction (
  IN CONST HOOK_ARGS  *Args
  )
{
  KEY_CODE_DATA  Key;
  CHAR16         Char;

  if ((Args == NULL) || (Args->Count < 1) || (Args->Arg[0] == 0)) {
    return ACTION_NONE;
  }

  CopyMem (&Key, (CONST VOID *)(UINTN)Args->Arg[0], sizeof (Key));
  for (UINTN Row = 0; Row < KEY_ACTION_TABLE_ROWS; Row++) {
    if (MatchShiftState (Key.KeyState.KeyShiftState, mKeyActionTable[Row].ShiftState) &&
        (mKeyActionTable[Row].UnicodeChar == Key.Key.UnicodeChar) &&
        (mKeyActionTable[Row].ScanCode == Key.Key.ScanCode))
    {
      return (UINT8)mKeyActionTable[Row].Action;
    }
  }

  Char = Key.Key.UnicodeChar;
  if (((Char >= u'A') && (Char <= u'Z')) || ((Char >= u'a') && (Char <= u'z'))) {
    return ACTION_ALPHA;
  }

  return ((Char >= u'0') && (Char <= u'9')) ? ACTION_NUMERIC : ACTION_NONE;
}

UINT64
MapPointerToAction (
  IN CONST HOOK_ARGS  *Args
  )
{
  POINTER_ACTION_EVENT  Event;

  if ((Args == NULL) || (Args->Count < 1) || (Args->Arg[0] == 0)) {
    return ACTION_NONE;
  }

  CopyMem (&Event, (CONST VOID *)(UINTN)Args->Arg[0], sizeof (Event));
  switch (Event.ClickKind) {
    case 1:
      return ACTION_ABORT;
    case 2:
      return ACTION_POINTER_20;
    case 4:
      return ACTION_SELECT;
    case 6:
      return ACTION_POINTER_21;
    case 9:
      return ACTION_POINTER_22;
    default:
      return ACTION_NONE;
  }
}

//
// Each member, and the default, reads its own copy of the key record: a member
// that edits the record cannot change what the caller or the next member sees.
//
static UINT64
CallWithKeyCopy (
  IN HOOK_FUNCTION  Function,
  IN CONST VOID     *KeyRecord
  )
{
  UINT8      Copy[HOOK_KEY_RECORD_SIZE];
  HOOK_ARGS  Args = { 1, { (UINT64)(UINTN)Copy } };
  UINTN      Index;

  for (Index = 0; Index < HOOK_KEY_RECORD_SIZE; Index++) {
    Copy[Index] = ((CONST UINT8 *)KeyRecord)[Index];
  }

  return Function (&Args);
}


UINT32
HookMapSetupKey (
  IN CONST VOID  *KeyRecord
  )
{
  UINTN   First;
  UINTN   Last;
  UINTN   Index;
  UINT64  Result;

  if (FindHookList (HOOK_ID_MAP_SETUP_KEY, &First, &Last) == 0) {
    return (UINT32)CallWithKeyCopy (MapKeyToAction, KeyRecord);
  }

  Result = 0;
  for (Index = First; Index <= Last; Index++) {
    Result = CallWithKeyCopy (MemberAt (Index), KeyRecord);
  }

  return (UINT32)Result;
}


UINT32
HookMapPointerAction (
  IN UINT64  Event
  )
{
  return (UINT32)CallHookListWithArg (HOOK_ID_MAP_POINTER_ACTION, MapPointerToAction, Event);
}

