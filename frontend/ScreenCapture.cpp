/** @file
  Screen capture: F12 takes the screen as it is into an uncompressed 24-bit BMP and
  asks which file system to save it to; Ctrl+F12 saves to the file system chosen last
  without asking (and asks when none was chosen yet). The file is the first free
  "SCRNnnnn.BMP" in the volume's root. Whatever happens is told to the user.
**/
#include <frontend/FrontEndServices.h>
#include <frontend/ScreenCapture.h>
#include <engine/boot/OptionLists.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiPopup.h>
#include <Resources/EngineStringIds.h>

#include <Format/Bmp.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/SimpleFileSystem.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define CAPTURE_NAME_CHARS   16      // "\SCRNnnnn.BMP" and its terminator
#define CAPTURE_NAME_LIMIT   10000
#define CAPTURE_TEXT_CHARS   160

static BOOLEAN     mCaptureRunning   = FALSE;
static EFI_HANDLE  mLastFileSystem   = NULL;

// The menu's item texts, one string id a place, reused from one capture to the next.
static UINT16      *mItemIds         = NULL;
static UINTN       mItemIdCount      = 0;

/** Shows a message box with the capture title; Text is a string id, formatted with up to two arguments. */
static VOID
TellUser (
  IN EFI_STRING_ID  TextId,
  IN CONST CHAR16   *Name OPTIONAL,
  IN EFI_STATUS     Status
  )
{
  CHAR16  *Title  = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SCREEN_CAPTURE, NULL);
  CHAR16  *Format = HiiGetString (ENGINE_OWN_HII_HANDLE, TextId, NULL);
  CHAR16  Text[CAPTURE_TEXT_CHARS];
  UINT8   Selection = 0;

  if ((Title != NULL) && (Format != NULL) && (gBootScreenInterface.ShowBootScreenMessageBox != NULL)) {
    (VOID)UnicodeSPrint (Text, sizeof (Text), Format, (Name != NULL) ? Name : u"", Status);
    // An OK box has one answer, and a box that cannot show leaves nothing more to tell.
    (VOID)gBootScreenInterface.ShowBootScreenMessageBox (Title, Text, MSGBOX_BUTTONS_OK, &Selection);
  }

  FreePool (Title);
  FreePool (Format);
}

/** The whole screen as rows of 24-bit pixels, bottom row first, behind the BMP headers. */
static UINT8 *
CaptureScreenBmp (
  OUT UINTN  *Size
  )
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL   *Gop   = gGraphicsOutput;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Blt;
  UINT32                         Width;
  UINT32                         Height;
  UINT64                         RowBytes;
  UINT64                         FileSize;
  UINT8                          *File;

  if ((Gop == NULL) && EFI_ERROR (gBS->LocateProtocol (&gEfiGraphicsOutputProtocolGuid, NULL, (VOID **)&Gop))) {
    return NULL;
  }

  if ((Gop == NULL) || (Gop->Mode == NULL) || (Gop->Mode->Info == NULL)) {
    return NULL;
  }

  Width    = Gop->Mode->Info->HorizontalResolution;
  Height   = Gop->Mode->Info->VerticalResolution;
  RowBytes = BmpRowBytes24 (Width);
  FileSize = BMP_HEADERS_SIZE + RowBytes * Height;
  if ((Width == 0) || (Height == 0) || (FileSize > 0xFFFFFFFFULL)) {
    return NULL;
  }

  Blt  = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)AllocatePool ((UINTN)Width * Height * sizeof (*Blt));
  File = (UINT8 *)AllocateZeroPool ((UINTN)FileSize);
  if ((Blt == NULL) || (File == NULL) || !BmpWriteHeaders24 (File, Width, Height) ||
      EFI_ERROR (Gop->Blt (Gop, Blt, EfiBltVideoToBltBuffer, 0, 0, 0, 0, Width, Height, 0)))
  {
    FreePool (Blt);
    FreePool (File);
    return NULL;
  }

  for (UINT32 Y = 0; Y < Height; Y++) {
    UINT8                                *Row    = File + BMP_HEADERS_SIZE + RowBytes * (Height - 1 - Y);
    CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Source = Blt + (UINTN)Y * Width;

    for (UINT32 X = 0; X < Width; X++) {
      Row[3 * X]     = Source[X].Blue;
      Row[3 * X + 1] = Source[X].Green;
      Row[3 * X + 2] = Source[X].Red;
    }
  }

  FreePool (Blt);
  *Size = (UINTN)FileSize;
  return File;
}

/**
  The menu of file systems.

  @retval EFI_SUCCESS  Chosen names the file system picked.
  @retval EFI_ABORTED  The user left the menu.
  @return              Why the menu could not be shown.
**/
static EFI_STATUS
AskForFileSystem (
  IN  EFI_HANDLE  *Handles,
  IN  UINTN       Count,
  OUT EFI_HANDLE  *Chosen
  )
{
  MENU_ITEM   *Items;
  UINT16      Selection = 0;
  EFI_STATUS  Status;

  if ((Count > 0xFFFF) || (gBootScreenInterface.ShowBootScreenMenu == NULL)) {
    return EFI_UNSUPPORTED;
  }

  if (Count > mItemIdCount) {
    UINT16  *Grown = (UINT16 *)ReallocatePool (mItemIdCount * sizeof (UINT16), Count * sizeof (UINT16), mItemIds);

    if (Grown == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    ZeroMem (Grown + mItemIdCount, (Count - mItemIdCount) * sizeof (UINT16));
    mItemIds     = Grown;
    mItemIdCount = Count;
  }

  Items = (MENU_ITEM *)AllocateZeroPool (Count * sizeof (MENU_ITEM));
  if (Items == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Index = 0; Index < Count; Index++) {
    CHAR16  *Format = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_CAPTURE_FILE_SYSTEM, NULL);
    CHAR16  *Device = GetDeviceName (Handles[Index], 0, NULL);
    CHAR16  Text[CAPTURE_TEXT_CHARS];
    UINTN   Length;

    Length = (Format == NULL) ? 0 : UnicodeSPrint (Text, sizeof (Text), Format, (UINT32)(Index + 1));
    if (Device != NULL) {
      (VOID)UnicodeSPrint (Text + Length, sizeof (Text) - Length * sizeof (CHAR16), u" (%s)", Device);
    }

    FreePool (Device);
    Items[Index].StringId = MENU_ITEM_LEFT_OUT;     // its place stays, so the chosen position still names its handle
    if (Format != NULL) {
      UINT16  Id = SetStringAllLanguagesNew (gHiiHandle, mItemIds[Index], Text);

      // An id of a package list registered again since is gone: the text takes a new one.
      Id = ((Id == NO_STRING) && (mItemIds[Index] != 0)) ? SetStringAllLanguagesNew (gHiiHandle, 0, Text) : Id;
      mItemIds[Index]       = (Id == NO_STRING) ? 0 : Id;
      Items[Index].StringId = (Id == NO_STRING) ? MENU_ITEM_LEFT_OUT : Id;
    }

    FreePool (Format);
  }

  Status = gBootScreenInterface.ShowBootScreenMenu (ENGINE_OWN_HII_HANDLE, STR_SCREEN_CAPTURE, STR_CAPTURE_SELECT_FS_HELP, Items,
             (UINT16)Count, &Selection);
  FreePool (Items);
  if (!EFI_ERROR (Status)) {
    Status = (Selection < Count) ? EFI_SUCCESS : EFI_NOT_FOUND;
    *Chosen = (Selection < Count) ? Handles[Selection] : NULL;
  }

  return Status;
}

/** Writes the file as the first free capture name of the volume's root. */
static EFI_STATUS
SaveToFileSystem (
  IN  EFI_HANDLE  Handle,
  IN  UINT8       *Bmp,
  IN  UINTN       Size,
  OUT CHAR16      *Name
  )
{
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL  *FileSystem;
  EFI_FILE_PROTOCOL                *Root;
  EFI_FILE_PROTOCOL                *File = NULL;
  UINTN                            Written = Size;
  EFI_STATUS                       Status;

  Name[0] = 0;
  Status  = gBS->HandleProtocol (Handle, &gEfiSimpleFileSystemProtocolGuid, (VOID **)&FileSystem);
  if (!EFI_ERROR (Status)) {
    Status = FileSystem->OpenVolume (FileSystem, &Root);
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = EFI_VOLUME_FULL;     // every name taken
  for (UINTN Number = 0; Number < CAPTURE_NAME_LIMIT; Number++) {
    (VOID)UnicodeSPrint (Name, CAPTURE_NAME_CHARS * sizeof (CHAR16), u"\\SCRN%04u.BMP", (UINT32)Number);
    Status = Root->Open (Root, &File, Name, EFI_FILE_MODE_READ, 0);
    if (Status == EFI_NOT_FOUND) {
      Status = Root->Open (Root, &File, Name, EFI_FILE_MODE_READ | EFI_FILE_MODE_WRITE | EFI_FILE_MODE_CREATE, 0);
      break;
    }

    if (!EFI_ERROR (Status)) {
      (VOID)File->Close (File);     // taken: a close of a file only read cannot lose anything
      File   = NULL;
      Status = EFI_VOLUME_FULL;
      continue;
    }

    break;     // the volume cannot even tell whether a name is free
  }

  if (!EFI_ERROR (Status)) {
    Status = File->Write (File, &Written, Bmp);
    if (!EFI_ERROR (Status) && (Written != Size)) {
      Status = EFI_VOLUME_FULL;
    }

    if (!EFI_ERROR (Status)) {
      Status = File->Flush (File);
    }

    // A file only partly written is no capture: it goes.
    if (EFI_ERROR (Status)) {
      (VOID)File->Delete (File);
    } else {
      Status = File->Close (File);
    }
  }

  (VOID)Root->Close (Root);
  return Status;
}

/** Whether the handle still carries a file system. */
static BOOLEAN
HasFileSystem (
  IN EFI_HANDLE  Handle
  )
{
  VOID  *Interface;

  return (BOOLEAN)((Handle != NULL) && !EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiSimpleFileSystemProtocolGuid, &Interface)));
}

static VOID
RunCapture (
  IN BOOLEAN  Ask
  )
{
  EFI_HANDLE  *Handles = NULL;
  UINTN       Count    = 0;
  EFI_HANDLE  Target   = NULL;
  UINT8       *Bmp;
  UINTN       Size     = 0;
  CHAR16      Name[CAPTURE_NAME_CHARS];
  EFI_STATUS  Status;

  if (mCaptureRunning) {
    return;
  }

  mCaptureRunning = TRUE;
  // Taken before anything of the capture shows on the screen.
  Bmp = CaptureScreenBmp (&Size);
  if (Bmp == NULL) {
    TellUser (STR_CAPTURE_SAVE_FAILED, u"", EFI_UNSUPPORTED);
    mCaptureRunning = FALSE;
    return;
  }

  if (!Ask && HasFileSystem (mLastFileSystem)) {
    Target = mLastFileSystem;
  } else if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiSimpleFileSystemProtocolGuid, NULL, &Count, &Handles)) ||
             (Count == 0))
  {
    TellUser (STR_CAPTURE_NO_FILE_SYSTEM, NULL, EFI_NOT_FOUND);
  } else {
    Status = AskForFileSystem (Handles, Count, &Target);
    if (EFI_ERROR (Status) && (Status != EFI_ABORTED)) {
      TellUser (STR_CAPTURE_SAVE_FAILED, u"", Status);     // Esc chose nothing, which needs no word
    }
  }

  if (Target != NULL) {
    mLastFileSystem = Target;
    Status          = SaveToFileSystem (Target, Bmp, Size, Name);
    TellUser (EFI_ERROR (Status) ? STR_CAPTURE_SAVE_FAILED : STR_CAPTURE_SAVED, (Name[0] == u'\\') ? Name + 1 : Name, Status);
  }

  FreePool (Handles);
  FreePool (Bmp);
  mCaptureRunning = FALSE;
}

VOID
CaptureScreen (
  VOID
  )
{
  RunCapture (TRUE);
}

VOID
CaptureScreenCtrl (
  VOID
  )
{
  RunCapture (FALSE);
}

VOID
ForgetScreenCaptureTarget (
  VOID
  )
{
  mLastFileSystem = NULL;
  FreePool (mItemIds);
  mItemIds     = NULL;
  mItemIdCount = 0;
}
