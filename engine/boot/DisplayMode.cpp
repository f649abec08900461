/** @file
  Before a boot option starts, the graphics output may switch to the monitor's
  preferred resolution, so that the loader starts in a native mode (a member of
  hooks 0xFFFF0009 and 0xFFFF000B).

  The EDID comes from the display and the two settings variables from NVRAM: every
  byte read of them is checked first. An EDID that is short, fails its header or
  checksum, or names a preferred timing of zero size is not trusted and changes
  nothing; a settings variable that cannot be read counts as "not asked for".
**/
#include <engine/boot/DisplayMode.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/VariableGuids.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/EdidActive.h>
#include <Protocol/GraphicsOutput.h>

#define ENGINE_SETTINGS_SIZE         81
#define ENGINE_SETTINGS_MODE_BYTE    80
#define BOARD_SETUP_SIZE             4341
#define BOARD_SETUP_MODE_BYTE        4316
#define BOARD_SETUP_NATIVE_BYTE      4324
#define EDID_BLOCK_SIZE              128
#define EDID_FEATURES_BYTE           24
#define EDID_PREFERRED_TIMING_FIRST  0x02
#define EDID_FIRST_TIMING            54

static EFI_GUID  mEngineSettingsGuid = ENGINE_SETTINGS_VARIABLE_GUID;
static EFI_GUID  mBoardSetupGuid     = BOARD_SETUP_VARIABLE_GUID;
static EFI_GUID  mGopGuid            = EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID;
static EFI_GUID  mEdidActiveGuid     = EFI_EDID_ACTIVE_PROTOCOL_GUID;
static EFI_GUID  mDevicePathGuid     = EFI_DEVICE_PATH_PROTOCOL_GUID;

EFI_STATUS
ReadEdidPreferredResolution (
  IN  CONST UINT8  *Edid,
  IN  UINTN        Size,
  OUT UINT32       *Width,
  OUT UINT32       *Height
  )
{
  static CONST UINT8  Header[8] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
  CONST UINT8         *Timing;
  UINT8               Sum       = 0;

  *Width  = 0;
  *Height = 0;
  if ((Edid == NULL) || (Size < EDID_BLOCK_SIZE) || (CompareMem (Edid, Header, sizeof (Header)) != 0)) {
    return EFI_INVALID_PARAMETER;
  }

  for (UINTN Index = 0; Index < EDID_BLOCK_SIZE; Index++) {
    Sum = (UINT8)(Sum + Edid[Index]);
  }

  if (Sum != 0) {
    return EFI_CRC_ERROR;
  }

  if ((Edid[EDID_FEATURES_BYTE] & EDID_PREFERRED_TIMING_FIRST) == 0) {
    return EFI_SUCCESS;       // a valid EDID that names no preferred timing
  }

  Timing  = Edid + EDID_FIRST_TIMING;
  *Width  = Timing[2] + ((UINT32)(Timing[4] >> 4) << 8);
  *Height = Timing[5] + ((UINT32)(Timing[7] >> 4) << 8);
  if ((*Width == 0) || (*Height == 0)) {
    *Width = *Height = 0;
    return EFI_INVALID_PARAMETER;
  }

  return EFI_SUCCESS;
}

UINT32
ChooseDisplayMode (
  IN CONST DISPLAY_MODE_SIZE  *Modes,
  IN UINT32                   ModeCount,
  IN UINT32                   Width,
  IN UINT32                   Height
  )
{
  UINT32  Exact  = DISPLAY_MODE_NONE;
  UINT32  Aspect = DISPLAY_MODE_NONE;
  UINT32  Xga    = DISPLAY_MODE_NONE;

  for (UINT32 Mode = 0; Mode < ModeCount; Mode++) {
    UINT64  W = Modes[Mode].Width;
    UINT64  H = Modes[Mode].Height;
    if ((W == Width) && (H == Height)) {
      Exact = Mode;
    }

    if (((UINT64)Width * Height != 0) && (W * Height == H * Width)) {
      Aspect = Mode;
    }

    if ((W == 1024) && (H == 768)) {
      Xga = Mode;
    }
  }

  if ((Width == 0) || (Height == 0)) {
    return Xga;
  }

  return (Exact != DISPLAY_MODE_NONE) ? Exact : ((Aspect != DISPLAY_MODE_NONE) ? Aspect : Xga);
}

// Both settings ask for the native mode; an unreadable variable asks for nothing.
static BOOLEAN
SettingsAskForNativeMode (
  VOID
  )
{
  UINT8   Engine[ENGINE_SETTINGS_SIZE];
  UINT8   *Board;
  UINTN   Size = sizeof (Engine);
  BOOLEAN Asked;

  ZeroMem (Engine, sizeof (Engine));
  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"OKURWZSetup", &mEngineSettingsGuid, NULL, &Size, Engine)) ||
      (Size <= ENGINE_SETTINGS_MODE_BYTE) || (Engine[ENGINE_SETTINGS_MODE_BYTE] != 2))
  {
    return FALSE;
  }

  Board = (UINT8 *)AllocateZeroPool (BOARD_SETUP_SIZE);
  Size  = BOARD_SETUP_SIZE;
  Asked = (Board != NULL) &&
          !EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"Setup", &mBoardSetupGuid, NULL, &Size, Board)) &&
          ((Board[BOARD_SETUP_MODE_BYTE] == 2) || (Board[BOARD_SETUP_NATIVE_BYTE] == 1));
  FreePool (Board);
  return Asked;
}

// The first graphics output whose handle has a device path, with its active EDID.
static BOOLEAN
FindDisplay (
  OUT EFI_GRAPHICS_OUTPUT_PROTOCOL  **Gop,
  OUT EFI_EDID_ACTIVE_PROTOCOL      **Edid
  )
{
  EFI_HANDLE  *Handles = NULL;
  UINTN       Count    = 0;
  VOID        *Path;
  BOOLEAN     Found    = FALSE;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &mGopGuid, NULL, &Count, &Handles))) {
    return FALSE;
  }

  for (UINTN Index = 0; (Index < Count) && !Found; Index++) {
    if (EFI_ERROR (gBS->HandleProtocol (Handles[Index], &mDevicePathGuid, &Path))) {
      continue;
    }

    Found = !EFI_ERROR (gBS->HandleProtocol (Handles[Index], &mGopGuid, (VOID **)Gop)) &&
            !EFI_ERROR (gBS->HandleProtocol (Handles[Index], &mEdidActiveGuid, (VOID **)Edid));
    break;
  }

  FreePool (Handles);
  return Found;
}

// The sizes of the output's modes; null when it has none or memory is short.
static DISPLAY_MODE_SIZE *
ListModes (
  IN EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop
  )
{
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION  *Info;
  DISPLAY_MODE_SIZE                     *Modes;
  UINTN                                 InfoSize;

  if ((Gop->Mode == NULL) || (Gop->Mode->MaxMode == 0)) {
    return NULL;
  }

  Modes = (DISPLAY_MODE_SIZE *)AllocateZeroPool (Gop->Mode->MaxMode * sizeof (DISPLAY_MODE_SIZE));
  for (UINT32 Mode = 0; (Modes != NULL) && (Mode < Gop->Mode->MaxMode); Mode++) {
    Info = NULL;
    if (!EFI_ERROR (Gop->QueryMode (Gop, Mode, &InfoSize, &Info)) && (Info != NULL) &&
        (InfoSize >= sizeof (EFI_GRAPHICS_OUTPUT_MODE_INFORMATION)))
    {
      Modes[Mode].Width  = Info->HorizontalResolution;
      Modes[Mode].Height = Info->VerticalResolution;
    }

    FreePool (Info);
  }

  return Modes;
}

UINT64
SetDisplayModeFromEdid (
  IN CONST HOOK_ARGS  *Args
  )
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop  = NULL;
  EFI_EDID_ACTIVE_PROTOCOL      *Edid = NULL;
  DISPLAY_MODE_SIZE             *Modes;
  UINT32                        Width;
  UINT32                        Height;
  UINT32                        Mode;

  (VOID)Args;
  if (!FindDisplay (&Gop, &Edid)) {
    return 0;
  }

  if (!SettingsAskForNativeMode ()) {
    ClearGraphicsOutput (Gop);
    return 0;
  }

  if (EFI_ERROR (ReadEdidPreferredResolution (Edid->Edid, Edid->SizeOfEdid, &Width, &Height))) {
    return 0;
  }

  Modes = ListModes (Gop);
  Mode  = (Modes == NULL) ? DISPLAY_MODE_NONE : ChooseDisplayMode (Modes, Gop->Mode->MaxMode, Width, Height);
  FreePool (Modes);
  if ((Mode != DISPLAY_MODE_NONE) && !EFI_ERROR (Gop->SetMode (Gop, Mode))) {
    ClearGraphicsOutput (Gop);
  }

  return 0;
}
