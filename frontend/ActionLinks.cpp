/** @file
  The action links of the setup pages: links that boot an option, start a file, run
  an engine action, call a driver's form callback, select a legacy group or act on a
  hard-disk security or driver-health entry instead of opening a page.

  A link says what it stands for through its condition: the condition compares a
  question whose variable's GUID names a link entry of the compiled setup data,
  and the compared value is the link's index. The text screen is saved first and is
  put back or freed on every road, so choosing a link never leaves the copy behind.
**/
#include <frontend/ActionLinks.h>
#include <frontend/EngineActions.h>
#include <frontend/SetupSave.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/DriverHealth.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupData.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/post/PostScreen.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextOut.h>

CONST MSGBOX_DEF  gMsgBoxSecureBootWarning = { 0, STR_WARNING, 0, ENGINE_OWN_HII_HANDLE, STR_START_FAILED, 0 };

EFI_STATUS  (*gReadDriveSecurity)(OUT UINT8 *Record, IN UINTN Device) = NULL;

// The index a condition gives when it compares no value: the link stands for nothing.
#define NO_LINK_INDEX  0xFFFE

// The record that ReadHddSecurityStatus fills, at the start of the hard-disk security variable.
#define HDD_SECURITY_STATUS_BYTES  18

// The console a started image finds: no cursor, white on black, cleared.
#define START_CONSOLE_ATTRIBUTE  0x0F

typedef enum {
  StartNothingTried,
  StartSucceeded,
  StartAllFailed
} START_OUTCOME;

/**
  Whether setup may be left for a boot or a start now. With a changed setting that
  needs a reset, the user is asked to save and reset instead (setup ends on Yes); a
  boot flow that holds setup keeps it.
**/
static BOOLEAN
MayStartFromSetup (
  VOID
  )
{
  BOOLEAN  Leave;

  if (gResetNeeded != 0) {
    Leave = SaveChangesAndReset ();
    if (Leave) {
      RequestTuiAppExit ();
    } else {
      ClearTuiAppExit ();
    }

    return FALSE;
  }

  return (BOOLEAN)(gBootFlowHoldsSetup == 0);
}

// The pages are drawn afresh afterwards; the console is the image's meanwhile.
static VOID
PrepareConsoleForStart (
  VOID
  )
{
  MarkTuiAppRedraw ();
  if (gST->ConOut == NULL) {
    return;
  }

  // Each step only shapes what the image finds; a console that refuses one still works.
  (VOID)gST->ConOut->Reset (gST->ConOut, FALSE);
  (VOID)gST->ConOut->EnableCursor (gST->ConOut, FALSE);
  (VOID)gST->ConOut->SetAttribute (gST->ConOut, START_CONSOLE_ATTRIBUTE);
  (VOID)gST->ConOut->ClearScreen (gST->ConOut);
}

static UINT8
BootFlatEntry (
  IN UINT16  Index
  )
{
  if (!MayStartFromSetup ()) {
    return 0;
  }

  PrepareConsoleForStart ();
  // The launcher reports a failed boot itself (status code, Secure Boot message).
  (VOID)BootOptionByIndex (Index);
  InitTextScreenMetrics ();
  return 1;
}

static VOID
SelectLegacyGroup (
  IN UINT16  Index
  )
{
  UINT16  Count;

  SelectLegacyGroupByIndex (Index);
  if ((gCurrentLegacyGroup == NULL) || !IsLegacyGroup (gCurrentLegacyGroup)) {
    return;
  }

  Count = gCurrentLegacyGroup->LegacyDeviceCount;
  // A board without the cache-only count has no question that shows it.
  (VOID)WriteVariableBytes (SETUP_VARIABLE_INDEX_LEGACY_GROUP_COUNT, 0, sizeof (Count), &Count);
  MarkTuiAppRedraw ();
}

static VOID
RefreshHddSecurityDevice (
  IN UINT16  Device
  )
{
  UINT8  Status[HDD_SECURITY_STATUS_BYTES];

  if ((gReadDriveSecurity == NULL) || EFI_ERROR (gReadDriveSecurity (Status, Device))) {
    return;
  }

  // A board whose record is shorter keeps it as it was: the write refuses it.
  (VOID)WriteVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (Status), Status);
  MarkTuiAppRedraw ();
}

// What an entry that names an action does; 1 when a boot was attempted.
static UINT8
RunEntryKind (
  IN CONTROL_RECORD       *Control,
  IN CONST SPECIAL_ENTRY  *Entry,
  IN UINT16               Index
  )
{
  switch (Entry->Kind) {
    case SPECIAL_KIND_BOOT_ENTRY:
      return BootFlatEntry (Index);
    case SPECIAL_KIND_ENGINE_ACTION:
      // An action code the table does not hold does nothing.
      (VOID)RunEngineAction ((UINT8)Index);
      break;
    case SPECIAL_KIND_FORM_CALLBACK:
      // The driver's answer and its action request are the browser's to act on.
      (VOID)CallFormSetCallback (Control->HiiHandle, Index, 0);
      MarkTuiAppRedraw ();
      break;
    case SPECIAL_KIND_LEGACY_GROUP:
      SelectLegacyGroup (Index);
      break;
    case SPECIAL_KIND_HDD_SECURITY:
      RefreshHddSecurityDevice (Index);
      break;
    case SPECIAL_KIND_DRIVER_HEALTH_LIST:
      RefreshDriverHealthCount (Index);
      MarkTuiAppRedraw ();
      break;
    case SPECIAL_KIND_DRIVER_HEALTH_ENTRY:
      ProcessDriverHealthEntry (Control, Index);
      MarkTuiAppRedraw ();
      break;
    default:
      break;
  }

  return 0;
}

//
// The paths of the list in order, each cut at its "|" in a copy of the list; the
// first that starts ends the walk. Empty paths are passed over.
//
static START_OUTCOME
StartFirstPath (
  IN CONST SPECIAL_ENTRY  *Entry,
  IN BOOLEAN              ConsoleReady
  )
{
  CHAR16         *Paths = (CHAR16 *)AllocateZeroPool ((Entry->PathListLength + 1) * sizeof (CHAR16));
  CHAR16         *Path;
  START_OUTCOME  Outcome = StartNothingTried;

  if (Paths == NULL) {
    return StartNothingTried;
  }

  CopyMem (Paths, Entry->PathList, Entry->PathListLength * sizeof (CHAR16));
  Path = Paths;
  for (UINTN At = 0; (At <= Entry->PathListLength) && (Outcome != StartSucceeded); At++) {
    if ((Paths[At] != SPECIAL_ENTRY_PATH_SEPARATOR) && (Paths[At] != 0)) {
      continue;
    }

    Paths[At] = 0;
    if (*Path != 0) {
      if (!ConsoleReady) {
        PrepareConsoleForStart ();
        ConsoleReady = TRUE;
      }

      Outcome = EFI_ERROR (LaunchFileFromAnyFileSystem (Path)) ? StartAllFailed : StartSucceeded;
    }

    Path = &Paths[At + 1];
  }

  FreePool (Paths);
  return Outcome;
}

//
// What an entry that names no action starts: its firmware-volume file, else a file of
// its path list. A started file may not come back (an OS loader), so a pending reset
// and a boot flow that holds setup stop a start as they stop a boot.
//
static START_OUTCOME
StartEntryFiles (
  IN CONST SPECIAL_ENTRY  *Entry
  )
{
  START_OUTCOME  Outcome = StartNothingTried;

  if (((Entry->Flags & (SPECIAL_ENTRY_START_FILE | SPECIAL_ENTRY_START_PATHS)) == 0) || !MayStartFromSetup ()) {
    return StartNothingTried;
  }

  if ((Entry->Flags & SPECIAL_ENTRY_START_FILE) != 0) {
    PrepareConsoleForStart ();
    Outcome = EFI_ERROR (LaunchFvFileByGuid (&Entry->FileGuid)) ? StartAllFailed : StartSucceeded;
  }

  if (((Entry->Flags & SPECIAL_ENTRY_START_PATHS) != 0) && (Outcome != StartSucceeded)) {
    START_OUTCOME  Paths = StartFirstPath (Entry, (BOOLEAN)(Outcome != StartNothingTried));
    Outcome = (Paths == StartNothingTried) ? Outcome : Paths;
  }

  return Outcome;
}

UINT8
RunSpecialLinkAction (
  IN CONTROL_RECORD  *Control
  )
{
  TEXT_SCREEN_BUFFER          *Saved;
  CONST VARIABLE_GUID_RECORD  *Record = NULL;
  SPECIAL_ENTRY               Entry;
  UINT16                      Index;
  START_OUTCOME               Outcome;
  UINT8                       Attempted;

  if (Control == NULL) {
    return 0;
  }

  Saved = SaveTextScreen ();
  Index = (UINT16)GetConditionValue (Control, &Record);
  if ((Index == NO_LINK_INDEX) || !GetSpecialEntry (Record, &Entry)) {
    FreePool (Saved);
    return 0;
  }

  if ((Entry.Flags & SPECIAL_ENTRY_HAS_KIND) != 0) {
    Attempted = RunEntryKind (Control, &Entry, Index);
    FreePool (Saved);
    return Attempted;
  }

  Outcome = StartEntryFiles (&Entry);
  if (Outcome == StartNothingTried) {
    FreePool (Saved);
    return 0;
  }

  InitTextScreenMetrics ();
  if (Outcome == StartAllFailed) {
    // The box shows over the page as it was before the start.
    RestoreTextScreen (Saved);
    (VOID)RunPopupBox (&gMsgBoxSecureBootWarning, MSGBOX_BUTTONS_OK);     // an OK box has one answer
  } else {
    FreePool (Saved);
  }

  return 1;
}
