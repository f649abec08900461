/** @file
  The legacy device order: on a board with a legacy BIOS, a boot option whose
  device path is a BBS node stands for a group of legacy devices of one BBS device
  type. "LegacyDevOrder" holds one group of BBS indexes per device type, in priority
  order (its layout and reader in LegacyOrderFormat.h); an index with a high byte set
  is a disabled device. In the cached copy (variable 8) a
  disabled device stands as the boot order's disabled marker.
**/
#ifndef ENGINE_BOOT_LEGACY_DEV_ORDER_H_
#define ENGINE_BOOT_LEGACY_DEV_ORDER_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/boot/BootOptions.h>
#include <Protocol/LegacyBios.h>
#include <engine/variables/LegacyOrderFormat.h>

#define LEGACY_INDEX_DISABLED      0xFF00
#define LEGACY_DEVICE_NAME_CHARS   (LEGACY_DEVICE_NAME_LENGTH - 1)
// No device: what a marker of the cached order that no device fills leaves.
#define LEGACY_NO_DEVICE           0xFFFF
// The group offset of a legacy group that has no group in the order.
#define LEGACY_NO_GROUP_OFFSET     0xFFFFFFFF

// Vendor GUID of "DisabledDevs" (the same as "BootManager"'s).
#define DISABLED_DEVS_VARIABLE_GUID \
  { 0xB4909CF3, 0x7B93, 0x4751, { 0x9B, 0xD8, 0x5B, 0xA8, 0x22, 0x0B, 0x9B, 0xB2 } }
// Signalled when a changed legacy order is about to reach NVRAM.
#define LEGACY_ORDER_CHANGED_EVENT_GUID \
  { 0x1B6BC809, 0xC986, 0x4937, { 0x93, 0x4F, 0x1E, 0xA5, 0x86, 0x22, 0xFE, 0x50 } }

// The BBS table as the legacy BIOS gives it.
typedef struct {
  UINT16     HddCount;
  HDD_INFO   *HddInfo;
  UINT16     Count;
  BBS_TABLE  *Table;
} BBS_VIEW;

// The legacy BIOS of a compatibility module, located once; null on boards without one.
extern EFI_LEGACY_BIOS_PROTOCOL  *gLegacyBios;

/** The legacy BIOS, located once; EFI_NOT_FOUND on a board without one. */
EFI_STATUS  LocateLegacyBios (VOID);
/** The BBS table of the legacy BIOS; an error when there is none or it cannot be read. */
EFI_STATUS  ReadBbsTable (OUT BBS_VIEW *Bbs);
/** The EFI handle a BBS entry carries (0 when none). */
EFI_HANDLE  BbsEntryHandle (IN CONST BBS_TABLE *Entry);

/** The BBS device type of a legacy group's BBS node; FALSE when the node is too short to hold one. */
BOOLEAN     GetLegacyOptionDeviceType (IN CONST BOOT_OPTION_INFO *Record, OUT UINT16 *DeviceType);

/** Gives legacy groups their stored device order at every POST and writes the orders back. */
VOID        RebuildLegacyDevOrder (VOID);
BOOLEAN     LegacyGroupMatchesOption (IN CONST BOOT_OPTION_INFO *Record, IN CONST LEGACY_GROUP *Group,
              IN EFI_HANDLE Handle);
BOOLEAN     IsLegacyDeviceInDisabledDevs (IN CONST BBS_TABLE *Entry);
/** The display name of a BBS entry into Name (LEGACY_DEVICE_NAME_LENGTH characters). */
VOID        GetLegacyDeviceName (IN CONST BBS_VIEW *Bbs, IN UINT16 BbsIndex, OUT CHAR16 *Name);

CONST CHAR16 *GetLegacyGroupName (IN CONST BOOT_OPTION_INFO *Record);
BOOLEAN     LegacyDeviceDisabledByIndex (IN CONST BOOT_OPTION_INFO *Record, IN UINTN Position, IN BOOLEAN ByOrder);
VOID        AssignAllLegacyPriorities (IN UINT16 First);
/** One group's priorities: the record's devices the group does not list never boot, listed ones count on from *Next. */
VOID        AssignLegacyGroupPriorities (IN CONST BOOT_OPTION_INFO *Record, IN CONST LEGACY_GROUP *Group,
              IN OUT BBS_VIEW *Bbs, IN OUT UINT16 *Next);
VOID        ApplyDefaultLegacyDevOrder (IN OUT VARIABLE_CACHE_ENTRY *Current, IN CONST VARIABLE_CACHE_ENTRY *Default);
/** The value + (TowardFront) or - gives the device question at Offset of the current group; outside it *Value stays. */
VOID        GetLegacyDeviceStepValue (IN UINTN Offset, IN BOOLEAN TowardFront, IN OUT UINT16 *Value);

/** Frees the device lists of every legacy group. */
VOID        ResetLegacyGroups (VOID);

/** Whether Index of the cached legacy order (variable 8) is the marker of a disabled device. */
BOOLEAN     IsLegacyCacheMarker (IN UINT16 Index);
/** A stored legacy order read into the cache: every index above 255 (a disabled device) becomes the marker. */
VOID        NormaliseLegacyOrder (IN OUT VARIABLE_CACHE_ENTRY *Entry);
/**
  The index NVRAM keeps for Position of Group, a cached group of Record: a listed
  device as it is (*LeftOutDevice LEGACY_NO_DEVICE); a marker becomes the next device
  of Record that the group does not list, from *NextLeftOut on, with
  LEGACY_INDEX_DISABLED set, and *LeftOutDevice is that device's BBS index. FALSE for
  a marker that no device is left for.
**/
BOOLEAN     StoredLegacyIndex (IN CONST BOOT_OPTION_INFO *Record, IN CONST LEGACY_GROUP *Group, IN UINTN Position,
              IN OUT UINTN *NextLeftOut, OUT UINT16 *Index, OUT UINT16 *LeftOutDevice);
EFI_STATUS  ReorderLegacyDevOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);

#endif
