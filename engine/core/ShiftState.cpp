/** @file
  Matching a key's shift state against the pattern of a hotkey or key-table row.
**/
#include <engine/core/ShiftState.h>

// Bit 31 only says that the state is valid; it takes no part in the match.
#define SHIFT_STATE_COMPARED_BITS  0x7FFFFFFFu

// Right and left of each modifier: shift, control, alt, logo.
static CONST UINT32  mModifierPairs[] = { 0x03, 0x0C, 0x30, 0xC0 };

BOOLEAN
MatchShiftState (
  IN UINT32  Actual,
  IN UINT32  Pattern
  )
{
  UINT32  Compared = SHIFT_STATE_COMPARED_BITS;

  if (((Actual ^ Pattern) & Compared) == 0) {
    return TRUE;
  }

  // A pattern with both keys of a pair accepts either of them (or both).
  for (UINTN Index = 0; Index < sizeof (mModifierPairs) / sizeof (mModifierPairs[0]); Index++) {
    UINT32  Pair = mModifierPairs[Index];

    if ((Pattern & Pair) == Pair) {
      if ((Actual & Pair) == 0) {
        return FALSE;
      }

      Compared &= ~Pair;
    }
  }

  return ((Actual ^ Pattern) & Compared) == 0;
}
