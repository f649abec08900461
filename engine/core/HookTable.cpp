/** @file
  Hook lookup and the callers that run a hook's members or its default.

  The lookup is a linear walk: the table holds a few hundred words and is read on
  every key press and every control drawn, which a walk serves well enough that no
  index is kept.
**/
#include <engine/core/HookTable.h>
#include <engine/core/HookMembers.h>

CONST UINT64  *gHookTable = NULL;

UINT8  gControlColorTable[HOOK_MAX_ARGS] = {
  0x08, 0x70, 0x01, 0x70, 0x0F, 0x70, 0x01, 0x70,
  0x70, 0x0F, 0x01, 0x10, 0x0F, 0x0F, 0x10
};

static BOOLEAN
IsMarker (
  IN UINT64  Word
  )
{
  return (BOOLEAN)((Word & 0xFFFF0000ULL) == HOOK_MARKER_MASK && (Word >> 32) == 0);
}

static CONST UINT64 *
ActiveTable (
  VOID
  )
{
  if (gHookTable == NULL) {
    gHookTable = GetProductionHookTable ();
  }

  return gHookTable;
}

UINT64
FindHookList (
  IN  UINT64  Id,
  OUT UINTN   *First,
  OUT UINTN   *Last
  )
{
  CONST UINT64  *Table;
  UINTN         Index;
  UINTN         End;

  Table  = ActiveTable ();
  *First = 0;
  *Last  = 0;

  //
  // Only marker words are compared, and the terminator row (id 0) is not a hook
  // row: an id outside the table's rows is absent and its caller's default runs.
  //
  if (!IsMarker (Id) || (Id & 0xFFFF) == 0) {
    return 0;
  }

  for (Index = 0; Table[Index] != 0; Index++) {
    if (Table[Index] == Id) {
      break;
    }
  }

  if (Table[Index] == 0) {
    return 0;
  }

  *First = Index + 2;
  if (Table[Index + 1] == 0) {
    // A marker with no wrapper word ends the table; its list is empty.
    *First = Index + 1;
    *Last  = Index;
    return *First;
  }

  for (End = *First; Table[End] != 0 && !IsMarker (Table[End]); End++) {
  }

  *Last = End - 1;
  return *First;
}

static HOOK_FUNCTION
MemberAt (
  IN UINTN  Index
  )
{
  return (HOOK_FUNCTION)(UINTN)ActiveTable ()[Index];
}

//
// Runs every member of the id with the same arguments, or the default when the id
// is absent, and returns the last result. No member can stop the others.
//
static UINT64
RunHook (
  IN UINT64           Id,
  IN HOOK_FUNCTION    Default,
  IN CONST HOOK_ARGS  *Args
  )
{
  UINTN   First;
  UINTN   Last;
  UINTN   Index;
  UINT64  Result;

  if (FindHookList (Id, &First, &Last) == 0) {
    return Default (Args);
  }

  Result = 0;
  for (Index = First; Index <= Last; Index++) {
    Result = MemberAt (Index)(Args);
  }

  return Result;
}

UINT64
CallHookList (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default
  )
{
  HOOK_ARGS  Args = { 0, { 0 } };

  return RunHook (Id, Default, &Args);
}

UINT64
CallHookListWithArg (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg
  )
{
  HOOK_ARGS  Args = { 1, { Arg } };

  return RunHook (Id, Default, &Args);
}

UINT64
CallHookListWithTwoArgs (
  IN UINT64         Id,
  IN HOOK_FUNCTION  Default,
  IN UINT64         Arg1,
  IN UINT64         Arg2
  )
{
  HOOK_ARGS  Args = { 2, { Arg1, Arg2 } };

  return RunHook (Id, Default, &Args);
}

// ---------------------------------------------------------------------------
// Wrappers with loops of their own
// ---------------------------------------------------------------------------

BOOLEAN
HookPostPasswordCheck (
  VOID
  )
{
  HOOK_ARGS  Args = { 0, { 0 } };
  UINTN      First;
  UINTN      Last;
  UINTN      Index;
  BOOLEAN    Result;

  if (FindHookList (HOOK_ID_POST_PASSWORD_CHECK, &First, &Last) == 0) {
    return (BOOLEAN)(CheckPostPassword (&Args) & 0xFF);
  }

  Result = FALSE;
  for (Index = First; Index <= Last; Index++) {
    Result = (BOOLEAN)(Result | (UINT8)MemberAt (Index)(&Args));
  }

  return Result;
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

UINT64
HookSetControlColors (
  IN UINT8 *P0,  IN UINT8 *P1,  IN UINT8 *P2,  IN UINT8 *P3,  IN UINT8 *P4,
  IN UINT8 *P5,  IN UINT8 *P6,  IN UINT8 *P7,  IN UINT8 *P8,  IN UINT8 *P9,
  IN UINT8 *P10, IN UINT8 *P11, IN UINT8 *P12, IN UINT8 *P13, IN UINT8 *P14
  )
{
  UINT8      *Pointers[HOOK_MAX_ARGS] = { P0, P1, P2, P3, P4, P5, P6, P7, P8, P9, P10, P11, P12, P13, P14 };
  HOOK_ARGS  Args;
  UINTN      Index;

  Args.Count = HOOK_MAX_ARGS;
  for (Index = 0; Index < HOOK_MAX_ARGS; Index++) {
    Args.Arg[Index] = (UINT64)(UINTN)Pointers[Index];
  }

  return RunHook (HOOK_ID_SET_CONTROL_COLORS, GetDefaultColors, &Args);
}

UINT32
HookMapPointerAction (
  IN UINT64  Event
  )
{
  return (UINT32)CallHookListWithArg (HOOK_ID_MAP_POINTER_ACTION, MapPointerToAction, Event);
}

UINT64
GetDefaultColors (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINTN  Index;
  UINTN  Source;
  UINT8  *Target;

  for (Index = 0; Index < Args->Count && Index < HOOK_MAX_ARGS; Index++) {
    Target = (UINT8 *)(UINTN)Args->Arg[Index];
    if (Target == NULL) {
      continue;
    }

    // The first eight attributes are kept in the table as swapped pairs.
    Source  = (Index < 8) ? (Index ^ 1) : Index;
    *Target = gControlColorTable[Source];
  }

  return 0;
}
