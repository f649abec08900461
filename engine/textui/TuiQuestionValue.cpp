/** @file
  Question values as the editing controls see them: the cache entry that holds a
  question's variable, its current and default bytes, and the commit of a new value
  through the control's callback and, for interactive questions, the driver's.
**/
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiApp.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/variables/ConfigString.h>
#include <engine/textui/MessageBox.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/textui/TuiControl.h>
#include <engine/textui/TuiObject.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

static CONST MSGBOX_DEF  mNoOwner = { 0, STR_WARNING, 0, ENGINE_OWN_HII_HANDLE, STR_READ_ONLY_QUESTION, 0 };

/**
  A driver's store (reached through configuration routing) that no driver owns:
  nothing written to it could reach anyone, so its questions take no change. An owner
  that answers no configuration still takes the change into setup's copy, as a browser
  that fills an unreadable store with zeros does; whether the driver keeps it is told
  when the form set is submitted.
**/
BOOLEAN
TuiStoreTakesNoChange (
  IN UINT32  Index
  )
{
  VARIABLE_RECORD           *Record = GetVariableRecord (Index);
  EFI_DEVICE_PATH_PROTOCOL  *DevicePath;

  if ((Record == NULL) || IsDirectEfiVariable (Index, Record) || ((Record->StoreFlags & VARIABLE_STORE_CACHE_ONLY) != 0)) {
    return FALSE;
  }

  return (BOOLEAN)EFI_ERROR (GetVariableDevicePath (Record, &DevicePath));
}

BOOLEAN
TuiQuestionCacheIndex (
  IN  CONST TUI_CONTROL  *Control,
  OUT UINT32             *CacheIndex
  )
{
  UINT32                 Index  = Control->Record.VariableIndex;
  CONST VARIABLE_RECORD  *Parsed = (GetWorkVariableCount () > 0) ? GetWorkVariable (Index) : NULL;

  if (GetWorkVariableCount () == 0) {
    *CacheIndex = Index;
    return (BOOLEAN)(Index < GetVariableCount ());
  }

  for (UINT32 At = 0; (Parsed != NULL) && (At < GetVariableCount ()); At++) {
    CONST VARIABLE_RECORD  *Compiled = GetVariableRecord (At);
    if ((Compiled != NULL) && (CompareMem (Compiled, Parsed, offsetof (VARIABLE_RECORD, Attributes)) == 0)) {
      *CacheIndex = At;
      return TRUE;
    }
  }

  return FALSE;
}

UINT16
TuiQuestionOffset (
  IN CONST TUI_CONTROL  *Control
  )
{
  return GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode);
}

// A plain UEFI variable only the form parser knows of: its bytes straight from the firmware.
static EFI_STATUS
ReadParsedOnlyVariable (
  IN  CONST TUI_CONTROL  *Control,
  IN  UINTN              Size,
  OUT VOID               *Buffer
  )
{
  CONST VARIABLE_RECORD  *Parsed = (GetWorkVariableCount () > 0) ? GetWorkVariable (Control->Record.VariableIndex) : NULL;
  UINTN                  Offset  = TuiQuestionOffset (Control);
  UINTN                  DataSize;
  UINT8                  *Data;
  EFI_STATUS             Status;

  if ((Parsed == NULL) || ((Parsed->StoreFlags & VARIABLE_STORE_EFI) == 0) || (Offset + Size > Parsed->Size)) {
    return EFI_NOT_FOUND;
  }

  DataSize = Parsed->Size;
  Data     = (UINT8 *)AllocateZeroPool (DataSize);
  if (Data == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = gRT->GetVariable ((CHAR16 *)Parsed->Name, (EFI_GUID *)&Parsed->VendorGuid, NULL, &DataSize, Data);
  if (!EFI_ERROR (Status) && (Offset + Size <= DataSize)) {
    CopyMem (Buffer, Data + Offset, Size);
  } else {
    Status = EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }

  FreePool (Data);
  return Status;
}

EFI_STATUS
TuiReadQuestionBytes (
  IN  CONST TUI_CONTROL  *Control,
  IN  UINTN              Size,
  OUT VOID               *Buffer
  )
{
  UINT32  Index;

  if (TuiQuestionCacheIndex (Control, &Index)) {
    return ReadVariableBytes (Index, TuiQuestionOffset (Control), Size, Buffer, FALSE);
  }

  return ReadParsedOnlyVariable (Control, Size, Buffer);
}

EFI_STATUS
TuiReadQuestionDefault (
  IN  CONST TUI_CONTROL  *Control,
  IN  UINTN              Size,
  OUT VOID               *Buffer
  )
{
  UINT32  Index;

  if (!TuiQuestionCacheIndex (Control, &Index)) {
    return EFI_NOT_FOUND;
  }

  return ReadVariableBytes (Index, TuiQuestionOffset (Control), Size, Buffer, TRUE);
}

UINT32  gTuiQuestionWrites = 0;

EFI_STATUS
TuiWriteQuestionBytes (
  IN CONST TUI_CONTROL  *Control,
  IN UINTN              Size,
  IN VOID               *Value
  )
{
  UINT32      Index;
  EFI_STATUS  Status;

  if (!TuiQuestionCacheIndex (Control, &Index)) {
    return EFI_NOT_FOUND;
  }

  Status = WriteVariableBytes (Index, TuiQuestionOffset (Control), Size, Value);
  if (!EFI_ERROR (Status)) {
    gTuiQuestionWrites++;
  }

  return Status;
}

BOOLEAN
TuiNoPopupOpen (
  VOID
  )
{
  if ((gTuiApp == NULL) || (gTuiApp->CurrentPage >= gTuiApp->PageCount) || (gTuiApp->Pages[gTuiApp->CurrentPage] == NULL)) {
    return TRUE;
  }

  return (BOOLEAN)!FrameHasActiveControl (gTuiApp->Pages[gTuiApp->CurrentPage]);
}

// The control of a question on the page shown, found again after a driver's callback.
static TUI_CONTROL *
FindAgain (
  IN TUI_CONTROL  *Control
  )
{
  TUI_PAGE  *Page;

  if ((gTuiApp == NULL) || (gTuiApp->CurrentPage >= gTuiApp->PageCount)) {
    return Control;         // no application: nothing can have rebuilt the control
  }

  Page = gTuiApp->Pages[gTuiApp->CurrentPage];
  return FindFrameControl (Page, Control->Record.QuestionId, (UINT16)(Control->Record.ControlType & CONTROL_TYPE_MASK),
           Control->Record.PageNumber);
}

EFI_STATUS
TuiCommitValue (
  IN OUT TUI_CONTROL  **Control,
  IN     VOID         *Value,
  IN     UINT32       Width
  )
{
  TUI_CONTROL         *Changed = *Control;
  TUI_ACTION_BINDING  *Header  = &Changed->Header;
  RESOLVED_QUESTION   Question;
  UINT32              Index;
  EFI_STATUS          Status   = EFI_SUCCESS;

  // A variable the cache does not hold gets an index past its end, which writes nothing.
  gTuiValueNotify.VariableIndex = TuiQuestionCacheIndex (Changed, &Index) ? Index : GetVariableCount ();
  if ((gTuiValueNotify.VariableIndex < GetVariableCount ()) && ((Changed->Record.Flags & CONTROL_FLAG_CALLBACK) == 0) &&
      TuiStoreTakesNoChange (Index))
  {
    (VOID)RunPopupBox (&mNoOwner, MSGBOX_BUTTONS_OK);
    return EFI_WRITE_PROTECTED;
  }

  // Where the value lies is read from the opcode once; every step of the commit is handed it.
  ResolveQuestion (&Changed->Record, &Question);
  gTuiValueNotify.Offset        = Question.Offset;
  gTuiValueNotify.Width         = Width;
  gTuiValueNotify.Value         = Value;
  SaveQuestionOldValue (&Question);
  if (Header->Callback != NULL) {
    Status = Header->Callback (Header->CallbackContext, Changed, Header->CallbackData);
  }

  if ((Changed->Record.Flags & CONTROL_FLAG_CALLBACK) != 0) {
    // The change stands whatever the driver answers; it may have rewritten the value itself.
    (VOID)InvokeQuestionCallback (&Changed->Record, &Question, Changed->Record.QuestionId, EFI_BROWSER_ACTION_CHANGING);
    *Control = FindAgain (Changed);
  }

  return Status;
}
