/** @file
  Orders in the cache's form: disabled and hidden options, and legacy groups whose
  devices are disabled, carry the markers the order questions show.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

VOID
NormaliseOptionOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry,
  IN BOOLEAN               DriverOptions,
  IN UINT16                Marker
  )
{
  UINT32  Attributes;
  UINT8   *Data = (UINT8 *)Entry->Data;

  if ((Data == NULL) || ((DriverOptions ? gDriverOptionCount : gBootOptionCount) == 0)) {
    return;
  }

  for (UINTN At = 0; At + 2 <= Entry->Size; At += 2) {
    if ((gVariableCacheNeighbours.FindLoadOptionAttributes != NULL) &&
        gVariableCacheNeighbours.FindLoadOptionAttributes (DriverOptions, ReadUnaligned16 (Data + At), &Attributes) &&
        ((Attributes & (LOAD_OPTION_ACTIVE | LOAD_OPTION_HIDDEN)) == 0))
    {
      WriteUnaligned16 (Data + At, Marker);
    }
  }
}

VOID
NormaliseLegacyOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry
  )
{
  UINT8         *Data = (UINT8 *)Entry->Data;
  LEGACY_GROUP  Group;

  for (UINTN Offset = 0; ReadLegacyGroup (Data, Entry->Size, Offset, &Group); Offset = LEGACY_GROUP_NEXT (&Group)) {
    for (UINTN Position = 0; Position < Group.Count; Position++) {
      UINT8  *At = Data + Offset + LEGACY_GROUP_HEADER_SIZE + Position * sizeof (UINT16);

      if (ReadUnaligned16 (At) > 255) {
        WriteUnaligned16 (At, gBootOrderDisabledMarker);
      }
    }
  }
}

// A refreshed order takes the cache's form (disabled options and devices as the markers), as a whole load gives it.
VOID
NormaliseCachedOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry,
  IN UINTN                 Index
  )
{
  if (Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) {
    NormaliseOptionOrder (Entry, FALSE, gBootOrderDisabledMarker);
  } else if (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER) {
    NormaliseOptionOrder (Entry, TRUE, gDriverOrderDisabledMarker);
  } else if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    NormaliseLegacyOrder (Entry);
  }
}
