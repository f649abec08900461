/** @file
  The default boot, driver and legacy orders: the orders saved as defaults in NVRAM,
  with each default legacy group matched to the current group it stands in for.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

static CONST EFI_GUID  mLegacyOrderGuid   = LEGACY_DEV_ORDER_VARIABLE_GUID;
static CONST EFI_GUID  mDefaultLegacyGuid = SETUP_DEFAULT_LEGACY_ORDER_GUID;
static CONST EFI_GUID  mDefaultOrderGuid = SETUP_DEFAULT_ORDER_GUID;
#define NO_LEGACY_GROUP           ((UINT64)~(UINT64)0)
#define BBS_TYPE_HARD_DISK        2

static VOID
EmptyEntry (
  IN VARIABLE_CACHE_ENTRY  *Cache,
  IN UINTN                 Index
  )
{
  if (Index < CacheCount (Cache)) {
    SetEntry (&Cache[Index], NULL, 0);
  }
}

static VOID
TakeDefaultOrder (
  IN CONST CHAR16  *Name,
  IN UINTN         Index
  )
{
  UINTN   Size;
  UINT32  Attributes;
  VOID    *Data;

  if (Index >= gDefaultCacheCount) {
    return;
  }

  Data = ReadVariableAlloc (Name, &mDefaultOrderGuid, &Attributes, &Size);
  if (Data != NULL) {
    SetEntry (&gVariableCacheStdDefaults[Index], Data, Size);
  }
}

// The first default group that stands in for the current group, or NO_LEGACY_GROUP.
static UINT64
FindDefaultLegacyGroup (
  IN CONST UINT8      *Current,
  IN UINT16           CurrentLength,
  IN CONST UINT8      *Default,
  IN UINT64           Size,
  IN CONST BBS_TABLE  *Bbs,
  IN UINT16           BbsCount
  )
{
  UINT32        Type = ReadUnaligned32 (Current);
  LEGACY_GROUP  Group;

  for (UINTN Offset = 0; ReadLegacyGroup (Default, (UINTN)Size, Offset, &Group); Offset = LEGACY_GROUP_NEXT (&Group)) {
    if ((Group.DeviceType == Type) &&
        ((Type != BBS_TYPE_HARD_DISK) ||
         (IsUsbLegacyGroup (Current, CurrentLength, Bbs, BbsCount) ==
          IsUsbLegacyGroup (Default + Offset, Group.Length, Bbs, BbsCount))))
    {
      return Offset;
    }
  }

  return NO_LEGACY_GROUP;
}

//
// The default groups in the current variable's group order; null when a current
// group has no default counterpart, and then there is no default legacy order.
//
static VOID *
MatchDefaultLegacyOrder (
  IN  CONST UINT8      *Current,
  IN  CONST UINT8      *Default,
  IN  UINT64           Size,
  IN  CONST BBS_TABLE  *Bbs,
  IN  UINT16           BbsCount,
  OUT UINTN            *ResultSize
  )
{
  UINT8         *Result = (UINT8 *)AllocateZeroPool ((UINTN)Size);
  UINT64        Out     = 0;
  UINT64        Match;
  LEGACY_GROUP  Group;
  LEGACY_GROUP  Matched;

  for (UINTN Offset = 0; (Result != NULL) && ReadLegacyGroup (Current, (UINTN)Size, Offset, &Group);
       Offset = LEGACY_GROUP_NEXT (&Group))
  {
    Match = FindDefaultLegacyGroup (Current + Offset, Group.Length, Default, Size, Bbs, BbsCount);
    if ((Match == NO_LEGACY_GROUP) || !ReadLegacyGroup (Default, (UINTN)Size, (UINTN)Match, &Matched) ||
        (Out + LEGACY_GROUP_LENGTH_AT + Matched.Length > Size))
    {
      FreeAndNull (Result);
      break;
    }

    CopyMem (Result + Out, Default + Match, LEGACY_GROUP_LENGTH_AT + Matched.Length);
    Out += LEGACY_GROUP_LENGTH_AT + Matched.Length;
  }

  if ((Result != NULL) && (Out == 0)) {
    FreeAndNull (Result);
  }

  *ResultSize = (UINTN)Out;
  return Result;
}

static VOID
TakeDefaultLegacyOrder (
  VOID
  )
{
  UINT32                    Attributes;
  UINTN                     DefaultSize;
  UINTN                     CurrentSize;
  UINTN                     ResultSize;
  EFI_LEGACY_BIOS_PROTOCOL  *LegacyBios;
  UINT16                    HddCount;
  HDD_INFO                  *HddInfo;
  UINT16                    BbsCount = 0;
  BBS_TABLE                 *Bbs     = NULL;
  VOID                      *Result  = NULL;
  UINT8                     *Default;
  UINT8                     *Current;

  if (gDefaultCacheCount <= SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    return;
  }

  Default = (UINT8 *)ReadVariableAlloc (u"DefaultLegacyDevOrder", &mDefaultLegacyGuid, &Attributes, &DefaultSize);
  Current = (UINT8 *)ReadVariableAlloc (u"LegacyDevOrder", &mLegacyOrderGuid, &Attributes, &CurrentSize);
  if ((Default != NULL) && (Current != NULL) && (DefaultSize == CurrentSize) &&
      !EFI_ERROR (gBS->LocateProtocol (&gEfiLegacyBiosProtocolGuid, NULL, (VOID **)&LegacyBios)) && (LegacyBios != NULL) &&
      !EFI_ERROR (LegacyBios->GetBbsInfo (LegacyBios, &HddCount, &HddInfo, &BbsCount, &Bbs)) && (Bbs != NULL))
  {
    Result = MatchDefaultLegacyOrder (Current, Default, CurrentSize, Bbs, BbsCount, &ResultSize);
  }

  if (Result != NULL) {
    SetEntry (&gVariableCacheStdDefaults[SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER], Result, ResultSize);
  }

  FreePool (Default);
  FreePool (Current);
}

VOID
TakeDefaultOrders (
  VOID
  )
{
  static CONST UINTN  OrderIndexes[] = { SETUP_VARIABLE_INDEX_BOOT_ORDER, SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, SETUP_VARIABLE_INDEX_DRIVER_ORDER };

  for (UINTN Index : OrderIndexes) {
    EmptyEntry (gVariableCacheStdDefaults, Index);
    EmptyEntry (gVariableCacheMfgDefaults, Index);
  }

  TakeDefaultOrder (u"DefaultBootOrder", SETUP_VARIABLE_INDEX_BOOT_ORDER);
  TakeDefaultOrder (u"DefaultDriverOrder", SETUP_VARIABLE_INDEX_DRIVER_ORDER);
  TakeDefaultLegacyOrder ();
  HookDefaultOrdersLoaded ();
}
