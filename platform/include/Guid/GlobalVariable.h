/** @file
  The vendor GUID of the UEFI global variables ("BootOrder", "PlatformLang", ...).
**/
#ifndef GUID_GLOBAL_VARIABLE_H_
#define GUID_GLOBAL_VARIABLE_H_

#include <Uefi.h>

#define EFI_GLOBAL_VARIABLE_GUID \
  { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } }
extern EFI_GUID gEfiGlobalVariableGuid;

// Attributes of a load option ("Boot####", "Driver####").
#define LOAD_OPTION_ACTIVE            0x00000001
#define LOAD_OPTION_FORCE_RECONNECT   0x00000002
#define LOAD_OPTION_HIDDEN            0x00000008
#define LOAD_OPTION_CATEGORY          0x00001F00
#define LOAD_OPTION_CATEGORY_BOOT     0x00000000
#define LOAD_OPTION_CATEGORY_APP      0x00000100

// Bits of "OsIndications" and "OsIndicationsSupported".
#define EFI_OS_INDICATIONS_BOOT_TO_FW_UI  0x0000000000000001ULL

#pragma pack(push, 1)
// The fixed head of a load option; the UTF-16 description (zero-terminated), the
// device-path list of FilePathListLength bytes and the optional data follow.
typedef struct {
  UINT32  Attributes;
  UINT16  FilePathListLength;
} EFI_LOAD_OPTION;

// The fixed head of a "Key####" hot-key option; InputKeyCount EFI_INPUT_KEYs follow.
// KeyData: revision in bits 0-7, Shift/Control/Alt/Logo/Menu/SysReq pressed in bits
// 8-13, the key count in bits 30-31.
typedef struct {
  UINT32  KeyData;
  UINT32  BootOptionCrc;
  UINT16  BootOption;
} EFI_KEY_OPTION;
#pragma pack(pop)

static_assert (sizeof (EFI_LOAD_OPTION) == 6, "load option head");
static_assert (sizeof (EFI_KEY_OPTION) == 10, "key option head");

#define EFI_KEY_OPTION_SHIFT_PRESSED    0x00000100
#define EFI_KEY_OPTION_CONTROL_PRESSED  0x00000200
#define EFI_KEY_OPTION_ALT_PRESSED      0x00000400
#define EFI_KEY_OPTION_LOGO_PRESSED     0x00000800
#define EFI_KEY_OPTION_MENU_PRESSED     0x00001000
#define EFI_KEY_OPTION_SYSREQ_PRESSED   0x00002000
#define EFI_KEY_OPTION_INPUT_KEY_COUNT(KeyData)  (((KeyData) >> 30) & 0x3)

#endif
