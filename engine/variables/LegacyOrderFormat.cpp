/** @file
  The checked reader of "LegacyDevOrder" groups.
**/
#include <engine/variables/LegacyOrderFormat.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

BOOLEAN
ReadLegacyGroup (
  IN  CONST UINT8   *Order,
  IN  UINTN         Size,
  IN  UINTN         Offset,
  OUT LEGACY_GROUP  *Group
  )
{
  ZeroMem (Group, sizeof (*Group));
  if ((Order == NULL) || (Offset > Size) || (Size - Offset < LEGACY_GROUP_HEADER_SIZE)) {
    return FALSE;
  }

  Group->Offset     = Offset;
  Group->DeviceType = ReadUnaligned32 (Order + Offset);
  Group->Length     = ReadUnaligned16 (Order + Offset + LEGACY_GROUP_LENGTH_AT);
  // An odd length would split an index between this group and the next.
  if ((Group->Length < sizeof (UINT16)) || ((Group->Length & 1) != 0) || (Group->Length >= Size) ||
      (Group->Length > Size - Offset - LEGACY_GROUP_LENGTH_AT))
  {
    return FALSE;
  }

  Group->Count   = Group->Length / sizeof (UINT16) - 1;
  Group->Indexes = Order + Offset + LEGACY_GROUP_HEADER_SIZE;
  return TRUE;
}

UINT16
LegacyGroupIndex (
  IN CONST LEGACY_GROUP  *Group,
  IN UINTN               Position
  )
{
  return ReadUnaligned16 (Group->Indexes + Position * sizeof (UINT16));
}
