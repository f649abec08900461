/** @file
  The boot and driver option tables: one record per "Boot####" / "Driver####" load
  option, read at every POST, with "BootOrder" and "DriverOrder" kept in step with
  them, and the flat boot list in which a legacy group stands for its devices.
**/
#ifndef ENGINE_BOOT_BOOT_OPTIONS_H_
#define ENGINE_BOOT_BOOT_OPTIONS_H_

#include <Uefi.h>
#include <Protocol/DevicePath.h>
#include <engine/variables/VariableCache.h>

#define LEGACY_DEVICE_NAME_LENGTH  51          // characters, the terminator included

// Vendor GUID of "BootNowCount" (how many entries the boot menu lists).
#define BOOT_NOW_COUNT_VARIABLE_GUID \
  { 0x052E6EB0, 0xF240, 0x42C5, { 0x83, 0x09, 0x45, 0x87, 0x45, 0x45, 0xC6, 0xB4 } }

typedef struct {
  UINT16  BbsIndex;
  CHAR16  Name[LEGACY_DEVICE_NAME_LENGTH];
} LEGACY_DEVICE_ENTRY;

typedef struct {
  UINT16                    OptionNumber;
  UINT32                    Attributes;           // LOAD_OPTION_ACTIVE, LOAD_OPTION_HIDDEN...
  CHAR16                    *Description;
  EFI_DEVICE_PATH_PROTOCOL  *DevicePath;          // copy of the stated list length
  UINT16                    DevicePathSize;
  VOID                      *OptionalData;        // null when the option has none
  UINT64                    OptionalDataSize;
  UINT32                    LegacyGroupOffset;    // in "LegacyDevOrder", for a legacy group
  UINT16                    LegacyDeviceCount;
  LEGACY_DEVICE_ENTRY       *LegacyDevices;
} BOOT_OPTION_INFO;

// What a load option holds, pointing into its variable's bytes.
typedef struct {
  UINT32                          Attributes;
  CONST CHAR16                    *Description;        // terminated inside the data
  UINTN                           DescriptionSize;     // bytes, the terminator included
  CONST EFI_DEVICE_PATH_PROTOCOL  *DevicePath;
  UINT16                          DevicePathSize;
  CONST UINT8                     *OptionalData;       // null when none
  UINTN                           OptionalDataSize;
} LOAD_OPTION_VIEW;

#define BOOT_OPTION_TABLE_GROWTH  10

extern BOOT_OPTION_INFO  *gBootOptionTable;
extern BOOT_OPTION_INFO  *gDriverOptionTable;
extern BOOT_OPTION_INFO  *gCurrentLegacyGroup;

/**
  Checks and splits a load option. The description must end inside the data, the
  device-path list must lie inside it, and its nodes must reach an end-of-path node
  within the list's stated length; nothing past Size is read.

  @retval EFI_SUCCESS            View describes the option.
  @retval EFI_INVALID_PARAMETER  The option is malformed.
**/
EFI_STATUS  ParseLoadOption (IN CONST UINT8 *Data, IN UINTN Size, OUT LOAD_OPTION_VIEW *View);

/** Called with each variable of the store: its name, the name's size in bytes and its vendor GUID. */
typedef EFI_STATUS (*VARIABLE_NAME_VISIT)(IN VOID *Context, IN CHAR16 *Name, IN UINTN NameSize, IN CONST EFI_GUID *Guid);

/**
  Visits every variable of the store, as GetNextVariableName lists them, with the
  name in a pool buffer enlarged as names need. The walk ends after the last name, at
  a name larger than 64 KiB or any other failure of the store, after 65,536 names
  (a store that lists in a loop), or at the first visit that answers an error. A
  name buffer that cannot be allocated visits nothing.

  @return EFI_SUCCESS, or the error of the visit that ended the walk.
**/
EFI_STATUS  ForEachVariableName (IN VARIABLE_NAME_VISIT Visit, IN VOID *Context);

/**
  Reads every "Boot####" and "Driver####" into the tables, picks the disabled markers
  and brings "BootOrder" and "DriverOrder" into line. Under boot flow 7 only the first
  option of "BootOrder" is read and no order is rewritten.

  @retval EFI_UNSUPPORTED  A table could not grow; the options read so far stay.
**/
/** Whether OptionNumber is one of the Count entries of Order (read unaligned). */
BOOLEAN     OrderHolds (IN CONST UINT16 *Order, IN UINTN Count, IN UINT16 OptionNumber);
EFI_STATUS  BuildBootOptionTables (VOID);
VOID        FreeBootOptionTables (VOID);

/**
  The whole disk's block-I/O handle for a partition's handle (the device path trimmed
  node by node until a block device that is not a partition answers); any other
  handle is answered unchanged.
**/
EFI_HANDLE  GetParentDiskHandle (IN EFI_HANDLE Handle);
/**
  For an option on an ATAPI, USB or SATA disk or a legacy drive whose whole disk has
  media of a known block size: the description's trailing blanks cut and " (<size>MB) "
  appended.
**/
VOID        AppendDiskSizeSuffix (IN OUT BOOT_OPTION_INFO *Record);
/**
  " (<size>MB) " into Suffix for a path on an ATAPI, USB or SATA disk or a legacy
  drive whose whole disk has media of a known block size; FALSE otherwise.
**/
BOOLEAN     FormatDiskSizeSuffix (IN EFI_DEVICE_PATH_PROTOCOL *Path, OUT CHAR16 *Suffix, IN UINTN SuffixSize);
/** The length of Text without its trailing blanks. */
UINTN       TrimmedLength (IN CONST CHAR16 *Text);

BOOT_OPTION_INFO  *FindBootOption (IN UINT16 OptionNumber);
BOOT_OPTION_INFO  *FindDriverOption (IN UINT16 OptionNumber);
BOOLEAN           IsLegacyGroup (IN CONST BOOT_OPTION_INFO *Record);
CONST CHAR16      *GetBootOptionName (IN CONST BOOT_OPTION_INFO *Record);

/** The highest option number at or below 0xFFFF that no record of the table uses. */
UINT16      FindDisabledMarker (IN CONST BOOT_OPTION_INFO *Table, IN UINTN Count);

VOID        SyncBootOrder (VOID);
VOID        SyncDriverOrder (VOID);
/** Moves every hidden option of Order behind the options that are not hidden. */
VOID        MoveHiddenOptionsLast (IN BOOLEAN DriverTable, IN OUT UINT16 *Order, IN UINTN Count);

/** The number of entries of the flat boot list: a legacy group counts its devices. */
UINTN         CountFlatBootEntries (VOID);
/** The record of flat entry Index in table order and, for a legacy group, which device (*Device); null past the end. */
BOOT_OPTION_INFO  *FindFlatBootEntry (IN UINT64 Index, OUT UINTN *Device);
CONST CHAR16  *GetBootOptionNameByIndex (IN UINT16 Index, IN UINT64 Reserved, IN BOOLEAN InBootOrder);
BOOLEAN       BootOptionDisabledByIndex (IN UINT64 Index, IN UINT64 Reserved, IN BOOLEAN InBootOrder,
                IN BOOLEAN ByOrder);
VOID          SelectLegacyGroupByIndex (IN UINT16 Index);

//
// The disabled marker of the cached "BootOrder" and "DriverOrder" (BootOrderEdit.cpp):
// an option number no option of its table has, standing for each option that is
// neither active nor hidden. The cached legacy order uses the boot order's marker for
// a disabled device. BuildBootOptionTables picks them; the boot manager reads them
// through GetOrderDisabledMarker, and the boot screen hands their places to its provider.
//
extern UINT16  gBootOrderDisabledMarker;
extern UINT16  gDriverOrderDisabledMarker;

UINT16      GetOrderDisabledMarker (IN BOOLEAN Driver);
BOOLEAN     IsHiddenLoadOption (IN BOOLEAN Driver, IN UINT16 OptionNumber);
/** Record's attributes with the active bit as the cached Order gives it; a hidden option keeps its own. */
UINT32      OrderedOptionAttributes (IN CONST BOOT_OPTION_INFO *Record, IN CONST UINT16 *Order, IN UINTN Count);
/**
  The Count entries of a cached order as NVRAM keeps them, into Order (room for Count):
  each marker becomes, in turn, the next option of the table in table order that the
  order does not name and that is not hidden; markers no option is left for are dropped.

  @return The number of entries written to Order.
**/
UINTN       ResolveOrderMarkers (IN BOOLEAN Driver, IN CONST UINT16 *Cached, IN UINTN Count, OUT UINT16 *Order);
/**
  The boot manager's rules for the cached orders, which the variable cache follows
  for every write of "BootOrder", "DriverOrder" and "LegacyDevOrder": an order read
  in takes the markers, and a question's value for one position becomes the whole
  order (the option or device chosen there leaves its old place).
**/
extern CONST ORDER_VARIABLE_OWNER  gBootManagerOrders;
/**
  The value + (TowardFront) or - gives the order question at Offset of the cached order
  Index (boot, driver or legacy): TRUE with it in *Value, FALSE when nothing changes.
**/
BOOLEAN     StepOrderQuestion (IN UINTN Index, IN UINTN Offset, IN BOOLEAN TowardFront, OUT UINT16 *Value);

#endif
