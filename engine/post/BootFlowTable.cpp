/** @file
  The boot-flow table: what a boot-flow code ("BootFlow", or a non-zero
  "TPMBootFlow") asks of this boot, run once around the hotkey wait and once when
  the boot loop runs out of options; the setup page rules it applies when the
  setup pages are built; and the start-up's POST window and OsIndications.
**/
#include <engine/post/PostScreen.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/post/BootFlowCallbacks.h>
#include <engine/post/PostHooks.h>
#include <engine/core/SetupData.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/SimpleTextOut.h>

#define OS_INDICATION_BOOT_TO_UI  0x1ULL
#define MESSAGE_TIMER_UNITS       10000000ULL    // a second in 100-ns units
#define MAIN_PAGE_FORM_ID         10004          // the main form set's (keys 1, 0) page setup opens with

// One row of the table. Each row names the fields it sets; the others are 0.
typedef struct BOOTFLOW_ENTRY {
  UINT32              Value       = 0;     // the boot-flow code (BootFlowCodes.h)
  UINT16              Key1        = 0;     // with Key2, the form set of the setup page to open (0: none)
  UINT16              Key2        = 0;
  UINT16              FormId      = 0;     // that page's form
  UINT16              Message     = 0;     // string of a message box to show (0: none)
  UINT16              Seconds     = 0;     // after which the message box closes itself (0: it stays)
  UINT8               OpenPage    = 0;     // open the page the keys name
  UINT8               Valid       = 0;     // 0: the row answers EFI_UNSUPPORTED, which holds setup
  UINT8               NotStarted  = 0;     // the default boot answers EFI_NOT_STARTED, not EFI_UNSUPPORTED
  UINT8               DefaultBoot = 0;     // the default boot starts the removable-media file and the shell
  UINT8               DropSetup   = 0;     // the setup request is dropped and the row answers EFI_NOT_STARTED
  BOOT_FLOW_CALLBACK  Callback    = NULL;
} BOOTFLOW_ENTRY;

// The callback of a board key handler's row: what the handler chose.
static EFI_STATUS
BoardKeyFlowCallback (
  IN VOID  *Row
  )
{
  return (gBoardKeyFlowCallback != NULL) ? gBoardKeyFlowCallback (Row) : EFI_SUCCESS;
}

static CONST BOOTFLOW_ENTRY  mBootFlowTable[] = {
  { .Value = BOOT_FLOW_NONE, .Valid = 1 },
  { .Value = BOOT_FLOW_UPDATE_TOOL, .Key1 = 1, .FormId = MAIN_PAGE_FORM_ID, .OpenPage = 1, .Valid = 1 },
  { .Value = BOOT_FLOW_SETUP_MAIN_PAGE, .Key1 = 1, .FormId = MAIN_PAGE_FORM_ID, .OpenPage = 1, .Valid = 1 },
  { .Value = BOOT_FLOW_SETUP_HELD, .Key1 = 0xF00C, .FormId = 1, .OpenPage = 1, .Valid = 0, .DefaultBoot = 1 },
  { .Value = BOOT_FLOW_CLASS_64_PAGE, .Key1 = 64, .FormId = 1, .OpenPage = 1, .Valid = 1, .DefaultBoot = 1 },
  { .Value = BOOT_FLOW_CLASS_121_PAGE, .Key1 = 121, .FormId = 1, .OpenPage = 1, .Valid = 1, .DefaultBoot = 1 },
  { .Value = BOOT_FLOW_OS_SETUP, .Key1 = 1, .FormId = MAIN_PAGE_FORM_ID, .OpenPage = 1, .Valid = 1, .DefaultBoot = 1 },
  { .Value = BOOT_FLOW_BOARD_IMAGE, .Valid = 1, .Callback = BoardImageFlowCallback },
  { .Value = BOOT_FLOW_HOTKEY_BOOT, .Valid = 1, .Callback = HotkeyBootFlowCallback },
  { .Value = BOOT_FLOW_BOOT_MENU, .Valid = 1, .Callback = BootMenuFlowCallback },
  { .Value = BOOT_FLOW_BOARD_KEY, .Valid = 1, .Callback = BoardKeyFlowCallback },
  { .Value = BOOT_FLOW_NOTHING_TO_BOOT, .Valid = 1, .NotStarted = 1, .DropSetup = 1 },
  { .Value = BOOT_FLOW_FIRMWARE_BOOTS, .Valid = 1, .DefaultBoot = 1, .DropSetup = 1, .Callback = LeaveBootFlowCallback },
  { .Value = BOOT_FLOW_TABLE_END },
};

static CONST EFI_GUID  mBootFlowGuid    = BOOT_FLOW_VARIABLE_GUID;
static CONST EFI_GUID  mTpmBootFlowGuid = TPM_BOOT_FLOW_VARIABLE_GUID;
static CONST EFI_GUID  mDefaultBootGroup = { 0x06449BC5, 0x4494, 0x4F8C, { 0x87, 0x73, 0x1D, 0x24, 0x64, 0xC0, 0xE7, 0xEC } };
static CONST EFI_GUID  mShellFile       = { 0xC57AD6B7, 0x0515, 0x40A8, { 0x9D, 0x21, 0x55, 0x16, 0x52, 0x85, 0x4E, 0x37 } };

static UINT32
ReadFlowVariable (
  IN CONST CHAR16    *Name,
  IN CONST EFI_GUID  *Guid
  )
{
  UINT32  Flow = BOOT_FLOW_NONE;
  UINTN   Size = sizeof (Flow);

  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, NULL, &Size, &Flow)) || (Size != sizeof (Flow))) {
    return BOOT_FLOW_NONE;
  }

  return Flow;
}

UINT32
ReadBootFlow (
  VOID
  )
{
  UINT32  Tpm = ReadFlowVariable (u"TPMBootFlow", &mTpmBootFlowGuid);

  return (Tpm != 0) ? Tpm : ReadFlowVariable (u"BootFlow", &mBootFlowGuid);
}

EFI_STATUS
WriteBootFlow (
  IN UINT32  Flow
  )
{
  return gRT->SetVariable ((CHAR16 *)u"BootFlow", (EFI_GUID *)&mBootFlowGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS, sizeof (Flow),
                &Flow);
}

static CONST BOOTFLOW_ENTRY *
FindBootFlowRow (
  VOID
  )
{
  UINT32  Flow = ReadBootFlow ();

  for (UINTN Index = 0; mBootFlowTable[Index].Value != BOOT_FLOW_TABLE_END; Index++) {
    if (mBootFlowTable[Index].Value == Flow) {
      return &mBootFlowTable[Index];
    }
  }

  return NULL;
}

/** Asks setup to open first the page the row names; a page this setup does not have changes nothing. */
static VOID
FindBootFlowPage (
  IN CONST BOOTFLOW_ENTRY  *Row
  )
{
  PAGE_RECORD     *Page;
  FORM_SET_ENTRY  *FormSet;
  UINT32          Count = GetPageCount ();

  for (UINT32 Index = 0; (gFormSetEntries != NULL) && (Index < Count); Index++) {
    if (EFI_ERROR (GetPageData (Index, &Page)) || (Page == NULL)) {
      continue;
    }

    FormSet = &gFormSetEntries[Page->FormSetIndex];
    if ((FormSet->Class == Row->Key1) && (FormSet->SubClass == Row->Key2) && (Page->FormId == Row->FormId)) {
      RequestSetupEntry ();
      gBootFlowStartPage = Index;
      return;
    }
  }
}

static VOID
ShowBootFlowMessage (
  IN CONST BOOTFLOW_ENTRY  *Row
  )
{
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out;
  CHAR16                           *Text;
  EFI_EVENT                        Timer = NULL;

  SetConsoleScreenMode (ConsoleControlScreenText);
  if ((gST == NULL) || (gST->ConOut == NULL)) {
    return;
  }

  Out = gST->ConOut;
  // Each step only prepares the screen; the message shows on a console that refuses one.
  (VOID)Out->Reset (Out, FALSE);
  (VOID)Out->SetAttribute (Out, TEXT_DEFAULT_ATTRIBUTE);
  (VOID)Out->ClearScreen (Out);
  ClearTextScreen ();
  Text = HiiGetString (ENGINE_OWN_HII_HANDLE, Row->Message, NULL);
  if (Text != NULL) {
    // The box closes itself when the row gives it seconds; otherwise it stays until the screen changes.
    (VOID)ShowTimedInfoBox (u"", Text, Row->Seconds, &Timer);
    FreePool (Text);
  }
}

EFI_STATUS
RunBootFlowEntry (
  VOID
  )
{
  CONST BOOTFLOW_ENTRY  *Row = FindBootFlowRow ();
  EFI_STATUS            Status;

  if (Row == NULL) {
    return EFI_SUCCESS;
  }

  Status = (Row->Callback != NULL) ? Row->Callback ((VOID *)Row) : EFI_SUCCESS;
  if (Row->Valid == 0) {
    Status = EFI_UNSUPPORTED;
  }

  if (Row->Message != 0) {
    ShowBootFlowMessage (Row);
  }

  if ((Row->OpenPage != 0) && (Row->Key1 != 0)) {
    FindBootFlowPage (Row);
  }

  if (Row->DropSetup != 0) {
    DropSetupEntryRequest ();
    return EFI_NOT_STARTED;
  }

  return Status;
}

EFI_STATUS
RunBootFlowDefaultBoot (
  VOID
  )
{
  CONST BOOTFLOW_ENTRY  *Row = FindBootFlowRow ();

  if (Row == NULL) {
    return EFI_SUCCESS;
  }

  if (Row->Key1 != 0) {
    FindBootFlowPage (Row);
    return EFI_NOT_STARTED;
  }

  if (Row->DefaultBoot != 0) {
    // Whichever starts and returns, the row's answer stays the same.
    (VOID)LaunchFileFromAnyFileSystem (u"\\EFI\\BOOT\\BOOTX64.EFI");
    (VOID)SignalProtocolNotify (&mDefaultBootGroup);
    (VOID)LaunchFvFileByGuid (&mShellFile);
  }

  return (Row->NotStarted != 0) ? EFI_NOT_STARTED : EFI_UNSUPPORTED;
}

//
// Setup page rules: pages made top-level, and pages marked as entry pages.
//
typedef struct {
  EFI_GUID        FormSetGuid;
  UINT16          FormId;
  UINT8           Reserved[6];
  EFI_HII_HANDLE  HiiHandle;       // null: any package list
} PAGE_RULE;

static_assert (sizeof (PAGE_RULE) == 32, "page rule row");

#define MAIN_FORM_SET  { 0x7B59104A, 0xC00D, 0x4158, { 0x87, 0xFF, 0xF0, 0x4D, 0x63, 0x96, 0xA9, 0x15 } }

static CONST PAGE_RULE  mTopLevelRule[] = {
  { MAIN_FORM_SET, 10004, { 0 }, NULL }, { MAIN_FORM_SET, 10009, { 0 }, NULL }, { MAIN_FORM_SET, 10010, { 0 }, NULL },
  { MAIN_FORM_SET, 10013, { 0 }, NULL }, { MAIN_FORM_SET, 10015, { 0 }, NULL }, { MAIN_FORM_SET, 10017, { 0 }, NULL },
  { MAIN_FORM_SET, 10018, { 0 }, NULL }, { MAIN_FORM_SET, 10002, { 0 }, NULL }, { { 0, 0, 0, { 0 } }, 0, { 0 }, NULL },
};

static CONST PAGE_RULE  mFlagRule[] = {
  { MAIN_FORM_SET, 10001, { 0 }, NULL },
  { MAIN_FORM_SET, 10019, { 0 }, NULL },
  { { 0x941BC855, 0xBF7E, 0x4FCB, { 0x88, 0x2F, 0x7A, 0xEA, 0xD1, 0x5C, 0x9D, 0x47 } }, 0, { 0 }, NULL },
  { { 0xACA9F304, 0x21E2, 0x4852, { 0x98, 0x75, 0x7F, 0xF4, 0x88, 0x1D, 0x67, 0xA5 } }, 0, { 0 }, NULL },
  { MAIN_FORM_SET, 10003, { 0 }, NULL },
  { MAIN_FORM_SET, 10009, { 0 }, NULL },
  { MAIN_FORM_SET, 10017, { 0 }, NULL },
  { { 0, 0, 0, { 0 } }, 0, { 0 }, NULL },
};

static BOOLEAN
RuleMatches (
  IN CONST PAGE_RULE    *Rule,
  IN CONST PAGE_RECORD  *Page
  )
{
  return (BOOLEAN)((Page->FormId == Rule->FormId) && ((Rule->HiiHandle == NULL) || (Rule->HiiHandle == Page->HiiHandle)) &&
                   CompareGuid (&gFormSetEntries[Page->FormSetIndex].FormSetGuid, &Rule->FormSetGuid));
}

UINT64
ApplyBootFlowPageRules (
  IN CONST HOOK_ARGS  *Args
  )
{
  PAGE_RECORD  *Page;
  UINT32       Count = GetPageCount ();

  (VOID)Args;
  for (UINT32 Index = 0; (gFormSetEntries != NULL) && (Index < Count); Index++) {
    if (EFI_ERROR (GetPageData (Index, &Page)) || (Page == NULL)) {
      continue;
    }

    for (UINTN Rule = 0; Rule < sizeof (mTopLevelRule) / sizeof (mTopLevelRule[0]); Rule++) {
      if (RuleMatches (&mTopLevelRule[Rule], Page)) {
        Page->ParentPageNumber = 0;
      }
    }

    for (UINTN Rule = 0; Rule < sizeof (mFlagRule) / sizeof (mFlagRule[0]); Rule++) {
      if (RuleMatches (&mFlagRule[Rule], Page)) {
        Page->Flags = (Page->Flags | PAGE_FLAG_ENTRY) & ~(UINT32)PAGE_FLAG_DYNAMIC;
      }
    }
  }

  return 0;
}

EFI_STATUS
ProcessOsIndications (
  VOID
  )
{
  UINT64      Supported  = 0;
  UINT64      Indications = 0;
  UINTN       Size       = sizeof (Supported);
  UINT32      Attributes = 0;
  EFI_STATUS  Status;

  // The platform may already declare capabilities of its own: they stay.
  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"OsIndicationsSupported", &gEfiGlobalVariableGuid, NULL, &Size, &Supported)) ||
      (Size != sizeof (Supported)))
  {
    Supported = 0;
  }

  Supported |= OS_INDICATION_BOOT_TO_UI;
  Status = gRT->SetVariable ((CHAR16 *)u"OsIndicationsSupported", &gEfiGlobalVariableGuid,
                  EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, sizeof (Supported), &Supported);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Size = sizeof (Indications);
  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"OsIndications", &gEfiGlobalVariableGuid, &Attributes, &Size, &Indications)) ||
      (Size != sizeof (Indications)))
  {
    Indications = 0;
    return gRT->SetVariable ((CHAR16 *)u"OsIndications", &gEfiGlobalVariableGuid,
                  EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS,
                  sizeof (Indications), &Indications);
  }

  if ((Indications & OS_INDICATION_BOOT_TO_UI) == 0) {
    return EFI_SUCCESS;
  }

  Status = WriteBootFlow (BOOT_FLOW_OS_SETUP);
  Indications &= ~OS_INDICATION_BOOT_TO_UI;
  if (EFI_ERROR (gRT->SetVariable ((CHAR16 *)u"OsIndications", &gEfiGlobalVariableGuid, Attributes, sizeof (Indications),
                       &Indications)))
  {
    return EFI_DEVICE_ERROR;
  }

  return Status;
}

UINT64
ResetPostMessageWindow (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  // The window opens in the 80 x 24 of every console; opening it clamps it to the screen.
  gPostWindow.TopRow      = 0;
  gPostWindow.BottomLimit = TEXT_SCREEN_SMALL_ROWS;
  gPostWindow.RightLimit  = TEXT_SCREEN_SMALL_COLUMNS;
  gPostWindow.IsOpen      = FALSE;
  gPostCursorColumn       = 0;
  gPostCursorRow          = 0;
  return (UINT64)ProcessOsIndications ();
}
