/** @file
  Hand-off block (HOB) layouts: the generic header, the hand-off information table that
  opens every HOB list (it carries the boot mode) and GUID-tagged blocks.
**/
#ifndef PI_HOB_H_
#define PI_HOB_H_

#include <Uefi.h>
#include <stddef.h>

typedef UINT32 EFI_BOOT_MODE;

#define BOOT_WITH_FULL_CONFIGURATION                  0x00
#define BOOT_WITH_MINIMAL_CONFIGURATION               0x01
#define BOOT_ASSUMING_NO_CONFIGURATION_CHANGES        0x02
#define BOOT_WITH_FULL_CONFIGURATION_PLUS_DIAGNOSTICS 0x03
#define BOOT_WITH_DEFAULT_SETTINGS                    0x04
#define BOOT_ON_S4_RESUME                             0x05
#define BOOT_ON_S5_RESUME                             0x06
#define BOOT_WITH_MFG_MODE_SETTINGS                   0x07
#define BOOT_ON_S2_RESUME                             0x10
#define BOOT_ON_S3_RESUME                             0x11
#define BOOT_ON_FLASH_UPDATE                          0x12
#define BOOT_IN_RECOVERY_MODE                         0x20

#define EFI_HOB_TYPE_HANDOFF              0x0001
#define EFI_HOB_TYPE_MEMORY_ALLOCATION    0x0002
#define EFI_HOB_TYPE_RESOURCE_DESCRIPTOR  0x0003
#define EFI_HOB_TYPE_GUID_EXTENSION       0x0004
#define EFI_HOB_TYPE_FV                   0x0005
#define EFI_HOB_TYPE_CPU                  0x0006
#define EFI_HOB_TYPE_UNUSED               0xFFFE
#define EFI_HOB_TYPE_END_OF_HOB_LIST      0xFFFF

#pragma pack(push, 1)
typedef struct {
  UINT16  HobType;
  UINT16  HobLength;
  UINT32  Reserved;
} EFI_HOB_GENERIC_HEADER;

typedef struct {
  EFI_HOB_GENERIC_HEADER  Header;
  UINT32                  Version;
  EFI_BOOT_MODE           BootMode;
  EFI_PHYSICAL_ADDRESS    EfiMemoryTop;
  EFI_PHYSICAL_ADDRESS    EfiMemoryBottom;
  EFI_PHYSICAL_ADDRESS    EfiFreeMemoryTop;
  EFI_PHYSICAL_ADDRESS    EfiFreeMemoryBottom;
  EFI_PHYSICAL_ADDRESS    EfiEndOfHobList;
} EFI_HOB_HANDOFF_INFO_TABLE;

// The GUID-tagged data follows the header, to HobLength.
typedef struct {
  EFI_HOB_GENERIC_HEADER  Header;
  EFI_GUID                Name;
} EFI_HOB_GUID_TYPE;

typedef struct {
  EFI_HOB_GENERIC_HEADER  Header;
  EFI_PHYSICAL_ADDRESS    BaseAddress;
  UINT64                  Length;
} EFI_HOB_FIRMWARE_VOLUME;
#pragma pack(pop)

static_assert (sizeof (EFI_HOB_GENERIC_HEADER) == 8, "HOB header");
static_assert (sizeof (EFI_HOB_HANDOFF_INFO_TABLE) == 56, "PHIT HOB");
static_assert (offsetof (EFI_HOB_HANDOFF_INFO_TABLE, BootMode) == 12, "PHIT boot mode");
static_assert (offsetof (EFI_HOB_HANDOFF_INFO_TABLE, EfiEndOfHobList) == 48, "PHIT end of list");
static_assert (sizeof (EFI_HOB_GUID_TYPE) == 24, "GUID HOB");
static_assert (sizeof (EFI_HOB_FIRMWARE_VOLUME) == 24, "FV HOB");

#endif
