/** @file
  Boot-option hotkeys from the "Key####" variables; the POST key poll (the
  default of hook 0xFFFF0008) consults them.

  A key option is used only when its size is exactly its head and the keys it lists
  and the "Boot####" it names still has the CRC it recorded; anything else is passed
  over silently, as a stale or foreign option must not start the wrong entry.
**/
#include <engine/textui/Hotkeys.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>
#include <Protocol/KeyCode.h>
#include <Protocol/SimpleTextIn.h>

#define BOOT_OPTION_SUPPORT_KEY      0x00000001
#define KEY_OPTION_NAME_SIZE         (8 * sizeof (CHAR16))    // "Key####" and its terminator

BOOT_HOTKEY_TABLE   gBootHotkeyTable      = { NULL, 0, 0 };
UINT64              gHotkeyBootOption     = NO_HOTKEY_BOOT_OPTION;
BOOT_FLOW_CALLBACK  gBoardKeyFlowCallback = NULL;
BOOLEAN             gBootMenuNoticeShown  = FALSE;

// The program registers no board key handler; board code adds its list here.
static BOARD_KEY_HANDLER  mNoBoardKeyHandlers[] = { NULL };
BOARD_KEY_HANDLER         *gBoardKeyHandlers    = mNoBoardKeyHandlers;

EFI_STATUS
ParseBootKeyOption (
  IN  CONST UINT8           *Data,
  IN  UINTN                 Size,
  OUT BOOT_KEY_OPTION_INFO  *Info
  )
{
  static CONST struct { UINT32 Pressed; UINT32 Pattern; } Modifiers[] = {
    { EFI_KEY_OPTION_SHIFT_PRESSED, 0x3 },   { EFI_KEY_OPTION_CONTROL_PRESSED, 0xC },
    { EFI_KEY_OPTION_ALT_PRESSED, 0x30 },    { EFI_KEY_OPTION_LOGO_PRESSED, 0xC0 },
    { EFI_KEY_OPTION_MENU_PRESSED, 0x100 },  { EFI_KEY_OPTION_SYSREQ_PRESSED, 0x200 },
  };
  UINT32  KeyData;
  UINTN   Count;

  ZeroMem (Info, sizeof (*Info));
  if ((Data == NULL) || (Size < sizeof (EFI_KEY_OPTION))) {
    return EFI_INVALID_PARAMETER;
  }

  KeyData = ReadUnaligned32 (Data + offsetof (EFI_KEY_OPTION, KeyData));
  Count   = EFI_KEY_OPTION_INPUT_KEY_COUNT (KeyData);
  if ((Count == 0) || (Size != sizeof (EFI_KEY_OPTION) + Count * sizeof (EFI_INPUT_KEY))) {
    return EFI_INVALID_PARAMETER;
  }

  Info->BootOptionCrc = ReadUnaligned32 (Data + offsetof (EFI_KEY_OPTION, BootOptionCrc));
  Info->BootOption    = ReadUnaligned16 (Data + offsetof (EFI_KEY_OPTION, BootOption));
  Info->ShiftPattern  = EFI_SHIFT_STATE_VALID;
  for (UINTN Index = 0; Index < sizeof (Modifiers) / sizeof (Modifiers[0]); Index++) {
    Info->ShiftPattern |= ((KeyData & Modifiers[Index].Pressed) != 0) ? Modifiers[Index].Pattern : 0;
  }

  for (UINTN Key = 0; Key < Count; Key++) {
    CONST UINT8  *Input = Data + sizeof (EFI_KEY_OPTION) + Key * sizeof (EFI_INPUT_KEY);
    Info->ScanCode    |= ReadUnaligned16 (Input + offsetof (EFI_INPUT_KEY, ScanCode));
    Info->UnicodeChar |= ReadUnaligned16 (Input + offsetof (EFI_INPUT_KEY, UnicodeChar));
  }

  return EFI_SUCCESS;
}

VOID
FreeBootOptionHotkeys (
  VOID
  )
{
  FreeAndNull (gBootHotkeyTable.Rows);
  gBootHotkeyTable.Count    = 0;
  gBootHotkeyTable.Capacity = 0;
}

// The CRC-32 of a whole "Boot####" variable; 0 when it cannot be read.
static UINT32
BootOptionCrc (
  IN UINT16  BootOption
  )
{
  CHAR16  Name[16];
  VOID    *Data = NULL;
  UINTN   Size  = 0;
  UINT32  Crc   = 0;

  UnicodeSPrint (Name, sizeof (Name), u"Boot%04X", BootOption);
  if (!EFI_ERROR (GetVariableBuffer (Name, &gEfiGlobalVariableGuid, &Data, &Size, NULL)) &&
      EFI_ERROR (gBS->CalculateCrc32 (Data, Size, &Crc)))
  {
    Crc = 0;
  }

  FreePool (Data);
  return Crc;
}

VOID
RegisterBootOptionHotkey (
  IN CONST CHAR16  *Name
  )
{
  BOOT_KEY_OPTION_INFO  Info;
  VOID                  *Data = NULL;
  UINTN                 Size  = 0;
  UINT32                Crc;

  if (!GrowPoolArray (gBootHotkeyTable.Rows, gBootHotkeyTable.Count, gBootHotkeyTable.Capacity, BOOT_HOTKEY_TABLE_GROWTH)) {
    return;
  }

  if (EFI_ERROR (GetVariableBuffer (Name, &gEfiGlobalVariableGuid, &Data, &Size, NULL)) ||
      EFI_ERROR (ParseBootKeyOption ((CONST UINT8 *)Data, Size, &Info)))
  {
    FreePool (Data);
    return;
  }

  FreePool (Data);
  Crc = BootOptionCrc (Info.BootOption);
  if ((Crc == 0) || (Crc != Info.BootOptionCrc)) {
    return;
  }

  gBootHotkeyTable.Rows[gBootHotkeyTable.Count++] = BOOT_HOTKEY_ENTRY {
    Info.ScanCode, Info.UnicodeChar, Info.ShiftPattern, Info.BootOption, Info.BootOptionCrc
  };
}

// "Key" and four hexadecimal digits, in any case; without collation the same rule by hand.
static BOOLEAN
IsKeyOptionName (
  IN EFI_UNICODE_COLLATION_PROTOCOL  *Collation,
  IN CHAR16                          *Name
  )
{
  UINT8  Digit;

  if (Collation != NULL) {
    return Collation->MetaiMatch (Collation, Name, (CHAR16 *)u"Key[0-9a-f][0-9a-f][0-9a-f][0-9a-f]");
  }

  if ((CharToUpper (Name[0]) != u'K') || (CharToUpper (Name[1]) != u'E') || (CharToUpper (Name[2]) != u'Y')) {
    return FALSE;
  }

  for (UINTN Index = 3; Index < 7; Index++) {
    if (!IsHexDigit (&Digit, Name[Index])) {
      return FALSE;
    }
  }

  return (BOOLEAN)(Name[7] == 0);
}

static VOID
SetKeyOptionsSupported (
  VOID
  )
{
  UINT32  Support    = 0;
  UINT32  Attributes = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
  UINTN   Size       = sizeof (Support);

  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootOptionSupport", &gEfiGlobalVariableGuid, &Attributes, &Size,
                   &Support)))
  {
    Support    = 0;
    Attributes = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
  }

  Support |= BOOT_OPTION_SUPPORT_KEY;
  // A store that refuses only costs the announcement; the hotkeys still work.
  (VOID)gRT->SetVariable ((CHAR16 *)u"BootOptionSupport", &gEfiGlobalVariableGuid, Attributes, sizeof (Support),
               &Support);
}

// Registers the hotkey of a "Key####" variable; Context is the collation (null: none).
static EFI_STATUS
ConsiderKeyOption (
  IN VOID            *Context,
  IN CHAR16          *Name,
  IN UINTN           NameSize,
  IN CONST EFI_GUID  *Guid
  )
{
  // Only a global variable can be a key option; another vendor's "Key0001" is not one.
  if ((NameSize == KEY_OPTION_NAME_SIZE) && CompareGuid (Guid, &gEfiGlobalVariableGuid) &&
      IsKeyOptionName ((EFI_UNICODE_COLLATION_PROTOCOL *)Context, Name))
  {
    RegisterBootOptionHotkey (Name);
  }

  return EFI_SUCCESS;     // an option that cannot be registered leaves the others to try
}

VOID
LoadBootOptionHotkeys (
  VOID
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Collation = NULL;

  FreeBootOptionHotkeys ();
  SetKeyOptionsSupported ();
  if (EFI_ERROR (LocateUnicodeCollation (&Collation))) {
    Collation = NULL;
  }

  (VOID)ForEachVariableName (ConsiderKeyOption, Collation);    // its visits answer no error
  if (gBootHotkeyTable.Count == 0) {
    FreeBootOptionHotkeys ();
  } else if (gBootHotkeyTable.Count < gBootHotkeyTable.Capacity) {
    BOOT_HOTKEY_ENTRY  *Trimmed = (BOOT_HOTKEY_ENTRY *)ReallocatePool (
                                    gBootHotkeyTable.Capacity * sizeof (BOOT_HOTKEY_ENTRY),
                                    gBootHotkeyTable.Count * sizeof (BOOT_HOTKEY_ENTRY), gBootHotkeyTable.Rows);
    if (Trimmed != NULL) {        // otherwise the larger table serves as well
      gBootHotkeyTable.Rows     = Trimmed;
      gBootHotkeyTable.Capacity = gBootHotkeyTable.Count;
    }
  }
}
