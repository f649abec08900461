/** @file
  Matching a key's shift state against the pattern of a hotkey or key-table row.
**/
#ifndef SHIFT_STATE_H_
#define SHIFT_STATE_H_

#include <Uefi.h>

/**
  Whether a key's shift state matches a pattern. Bit 31 (state valid) is ignored;
  for each modifier pair (shift 0x3, control 0xC, alt 0x30, logo 0xC0) with both
  bits in the pattern, either key of the pair matches; the other bits must be equal.
**/
BOOLEAN
MatchShiftState (
  IN UINT32  Actual,
  IN UINT32  Pattern
  );

#endif
