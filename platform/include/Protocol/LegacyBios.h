/** @file
  Legacy BIOS protocol of the compatibility support module: the BBS table of legacy
  boot devices and the legacy boot itself. Only the members this firmware calls are
  typed; the others keep their slots as untyped pointers.
**/
#ifndef PROTOCOL_LEGACY_BIOS_H_
#define PROTOCOL_LEGACY_BIOS_H_

#include <Uefi.h>
#include <Protocol/DevicePath.h>
#include <stddef.h>

#define EFI_LEGACY_BIOS_PROTOCOL_GUID \
  { 0xDB9A1E3D, 0x45CB, 0x4ABB, { 0x85, 0x3B, 0xE5, 0x38, 0x7F, 0xDB, 0x2E, 0x2D } }
extern EFI_GUID gEfiLegacyBiosProtocolGuid;

typedef struct _EFI_LEGACY_BIOS_PROTOCOL EFI_LEGACY_BIOS_PROTOCOL;

// Boot priorities of a BBS entry; lower numbers boot first.
#define BBS_DO_NOT_BOOT_FROM     0xFFFC
#define BBS_LOWEST_PRIORITY      0xFFFD
#define BBS_UNPRIORITIZED_ENTRY  0xFFFE
#define BBS_IGNORE_ENTRY         0xFFFF

#pragma pack(push, 1)
// One BBS table entry (69 bytes). Descriptions are real-mode far pointers.
typedef struct {
  UINT16  BootPriority;
  UINT32  Bus;
  UINT32  Device;
  UINT32  Function;
  UINT8   Class;
  UINT8   SubClass;
  UINT16  MfgStringOffset;
  UINT16  MfgStringSegment;
  UINT16  DeviceType;
  UINT16  StatusFlags;
  UINT16  BootHandlerOffset;
  UINT16  BootHandlerSegment;
  UINT16  DescStringOffset;
  UINT16  DescStringSegment;
  UINT32  InitPerReserved;
  UINT32  AdditionalIrq13Handler;
  UINT32  AdditionalIrq18Handler;
  UINT32  AdditionalIrq19Handler;
  UINT32  AdditionalIrq40Handler;
  UINT8   AssignedDriveNumber;
  UINT32  AdditionalIrq41Handler;
  UINT32  AdditionalIrq46Handler;
  UINT32  IBV1;
  UINT32  IBV2;
} BBS_TABLE;
#pragma pack(pop)

static_assert (sizeof (BBS_TABLE) == 69, "BBS entry");
static_assert (offsetof (BBS_TABLE, Class) == 14, "BBS class");
static_assert (offsetof (BBS_TABLE, DeviceType) == 20, "BBS device type");
static_assert (offsetof (BBS_TABLE, DescStringOffset) == 28, "BBS description");
static_assert (offsetof (BBS_TABLE, AssignedDriveNumber) == 52, "BBS drive number");
static_assert (offsetof (BBS_TABLE, IBV2) == 65, "BBS IBV2");

// The legacy disk records are passed through, never read, by this firmware.
typedef struct _HDD_INFO HDD_INFO;

typedef EFI_STATUS (EFIAPI *EFI_LEGACY_BIOS_BOOT)(
  IN EFI_LEGACY_BIOS_PROTOCOL  *This,
  IN BBS_BBS_DEVICE_PATH       *BootOption,
  IN UINT32                    LoadOptionsSize,
  IN VOID                      *LoadOptions
  );

// The table stays owned by the compatibility module; entries may be edited in place.
typedef EFI_STATUS (EFIAPI *EFI_LEGACY_BIOS_GET_BBS_INFO)(
  IN EFI_LEGACY_BIOS_PROTOCOL  *This,
  OUT UINT16                   *HddCount,
  OUT HDD_INFO                 **HddInfo,
  OUT UINT16                   *BbsCount,
  OUT BBS_TABLE                **BbsTable
  );

struct _EFI_LEGACY_BIOS_PROTOCOL {
  VOID                          *Int86;
  VOID                          *FarCall86;
  VOID                          *CheckPciRom;
  VOID                          *InstallPciRom;
  EFI_LEGACY_BIOS_BOOT          LegacyBoot;
  VOID                          *UpdateKeyboardLedStatus;
  EFI_LEGACY_BIOS_GET_BBS_INFO  GetBbsInfo;
  VOID                          *ShadowAllLegacyOproms;
  VOID                          *PrepareToBootEfi;
  VOID                          *GetLegacyRegion;
  VOID                          *CopyLegacyRegion;
  VOID                          *BootUnconventionalDevice;
};
static_assert (offsetof (EFI_LEGACY_BIOS_PROTOCOL, GetBbsInfo) == 48, "legacy BIOS layout");

#endif
