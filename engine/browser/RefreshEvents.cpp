/** @file
  Refresh events of questions that name an event group (REFRESH_ID): one event per
  such control, in the group, with a copy of the control's record. A signal only
  marks the control; the main loop, where no driver call is running, then runs the
  driver's CHANGED callback and redraws the page that shows the question.
**/
#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/IfrOpcode.h>

#include <Protocol/HiiConfigAccess.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define REFRESH_GROUP_AT     2
#define REFRESH_ID_LENGTH    (2 + sizeof (EFI_GUID))
#define REFRESH_LIST_STEP    16

typedef struct {
  EFI_EVENT       Event;
  CONTROL_RECORD  *Control;     // the record's head, copied
  BOOLEAN         Signalled;
} REFRESH_ENTRY;

static REFRESH_ENTRY  *mRefresh        = NULL;
static UINTN          mRefreshCount    = 0;
static UINTN          mRefreshCapacity = 0;
static BOOLEAN        mRefreshPending  = FALSE;

/** The REFRESH_ID opcode within the question's scope; null when there is none. */
static CONST UINT8 *
FindRefreshId (
  IN CONST UINT8  *Question
  )
{
  CONST UINT8  *End   = FindFormsPackageEnd (Question);
  CONST UINT8  *Op    = Question;
  UINTN        Depth  = 0;

  while ((End != NULL) && (Op + IFR_HEADER_SIZE <= End)) {
    UINTN  Length = IfrLength (Op);

    if ((Length < IFR_HEADER_SIZE) || (Length > (UINTN)(End - Op))) {
      return NULL;
    }

    if ((Op[0] == EFI_IFR_REFRESH_ID_OP) && (Length >= REFRESH_ID_LENGTH)) {
      return Op;
    }

    if (IfrOpensScope (Op)) {
      Depth++;
    } else if ((Op[0] == EFI_IFR_END_OP) && (Depth > 0)) {
      Depth--;
    }

    Op += Length;
    if (Depth == 0) {
      return NULL;
    }
  }

  return NULL;
}

static VOID EFIAPI
OnQuestionRefreshEvent (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  // Notification time: only the mark; the driver is called from the main loop.
  for (UINTN Index = 0; Index < mRefreshCount; Index++) {
    if ((mRefresh[Index].Event == Event) && (mRefresh[Index].Control == Context)) {
      mRefresh[Index].Signalled = TRUE;
      mRefreshPending           = TRUE;
    }
  }
}

EFI_STATUS
AddRefreshEvent (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8     *RefreshId = FindRefreshId ((CONST UINT8 *)(UINTN)Control->QuestionOpcode);
  EFI_GUID        Group;
  CONTROL_RECORD  *Copy;
  EFI_EVENT       Event = NULL;

  // A question whose opcodes are not a live package copy has no group to join.
  if (RefreshId == NULL) {
    return EFI_SUCCESS;
  }

  CopyMem (&Group, RefreshId + REFRESH_GROUP_AT, sizeof (Group));
  Copy = (CONTROL_RECORD *)AllocateCopyPool (sizeof (CONTROL_RECORD), Control);
  if ((Copy == NULL) || !GrowPoolArray (mRefresh, mRefreshCount, mRefreshCapacity, REFRESH_LIST_STEP)) {
    FreePool (Copy);
    return EFI_OUT_OF_RESOURCES;
  }

  if (EFI_ERROR (gBS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnQuestionRefreshEvent, Copy, &Group, &Event)) ||
      (Event == NULL))
  {
    FreePool (Copy);
    return EFI_UNSUPPORTED;
  }

  mRefresh[mRefreshCount].Event     = Event;
  mRefresh[mRefreshCount].Control   = Copy;
  mRefresh[mRefreshCount].Signalled = FALSE;
  mRefreshCount++;
  return EFI_SUCCESS;
}

static VOID
RemoveRefreshEntry (
  IN UINTN  Index
  )
{
  (VOID)gBS->CloseEvent (mRefresh[Index].Event);     // an event the firmware no longer knows is gone either way
  FreePool (mRefresh[Index].Control);
  mRefresh[Index] = mRefresh[mRefreshCount - 1];
  mRefreshCount--;
}

VOID
CloseControlRefreshEvent (
  IN CONST CONTROL_RECORD  *Control
  )
{
  for (UINTN Index = mRefreshCount; Index > 0; Index--) {
    CONST CONTROL_RECORD  *Kept = mRefresh[Index - 1].Control;

    if ((Kept->HiiHandle == Control->HiiHandle) && (Kept->QuestionOpcode == Control->QuestionOpcode) &&
        (Kept->PageNumber == Control->PageNumber))
    {
      RemoveRefreshEntry (Index - 1);
    }
  }
}

VOID
FreeRefreshEvents (
  VOID
  )
{
  while (mRefreshCount > 0) {
    RemoveRefreshEntry (mRefreshCount - 1);
  }

  FreeAndNull (mRefresh);
  mRefreshCapacity = 0;
  mRefreshPending  = FALSE;
}

BOOLEAN
ProcessQuestionRefreshes (
  IN UINT32  ShownPage
  )
{
  BOOLEAN  Redraw = FALSE;
  UINTN    Budget = mRefreshCount;     // a driver that signals its own group again waits for the next pass

  if (!mRefreshPending) {
    return FALSE;
  }

  mRefreshPending = FALSE;
  // A callback may change the list (its action request can rebuild the pages), so
  // each signalled entry is looked for again from the start.
  for (UINTN Index = 0; (Index < mRefreshCount) && (Budget > 0); Index++) {
    CONTROL_RECORD     Control;
    RESOLVED_QUESTION  Question;

    if (!mRefresh[Index].Signalled) {
      continue;
    }

    mRefresh[Index].Signalled = FALSE;
    CopyMem (&Control, mRefresh[Index].Control, sizeof (Control));
    if ((Control.Flags & CONTROL_FLAG_CALLBACK) != 0) {
      ResolveQuestion (&Control, &Question);
      SaveQuestionOldValue (&Question);
      (VOID)InvokeQuestionCallback (&Control, &Question, Control.QuestionId, EFI_BROWSER_ACTION_CHANGED);     // the driver's answer only
    }

    Redraw = (BOOLEAN)(Redraw || (Control.PageNumber == ShownPage));
    Budget--;
    Index  = (UINTN)-1;
  }

  for (UINTN Index = 0; Index < mRefreshCount; Index++) {
    mRefreshPending = (BOOLEAN)(mRefreshPending || mRefresh[Index].Signalled);
  }

  return Redraw;
}
