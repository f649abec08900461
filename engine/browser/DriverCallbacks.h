/** @file
  The drivers' callbacks of questions with the callback flag, and the state that
  lets BrowserCallback serve a driver while it runs.
**/
#ifndef ENGINE_DRIVER_CALLBACKS_H_
#define ENGINE_DRIVER_CALLBACKS_H_

#include <Uefi.h>
#include <Uefi/UefiIfr.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/QuestionAccess.h>
#include <Protocol/HiiConfigAccess.h>

// Set while a driver's callback runs for defaults or any other action.
extern UINT8    gLoadingDefaults;
// Set by BrowserCallback when the driver wrote the question's value itself.
extern BOOLEAN  gDriverChangedValue;
// Counts the CHANGING and CHANGED callbacks run: a driver may draw on the console in
// them (OVMF's Secure Boot page asks through a pop-up of its own).
extern UINT32   gChangeCallbackCount;

/**
  Calls Callback of the configuration-access protocol of the driver that published
  the package list; a non-zero action request is acted on and its result answered.
**/
EFI_STATUS  CallConfigAccessCallback (IN EFI_HII_HANDLE HiiHandle, IN UINT16 QuestionId, IN UINT8 Type,
              IN OUT EFI_IFR_TYPE_VALUE *Value, IN UINTN Action);
/** Keeps the question's current value, which the next callback of the control writes back first. */
VOID        SaveControlOldValue (IN CONST CONTROL_RECORD *Control);
VOID        SaveQuestionOldValue (IN CONST RESOLVED_QUESTION *Question);
VOID        SaveControlNewValue (IN CONST VOID *Value, IN UINTN Size);
/** Zeroes and frees the kept values; a change no driver callback followed leaves them until here. */
VOID        FreeSavedValues (VOID);

/**
  Calls the CHANGED callback of the driver that published HiiHandle for one
  question with a u64 value, then acts on the action request it returns.
**/
EFI_STATUS  CallFormSetCallback (IN EFI_HII_HANDLE HiiHandle, IN UINT16 QuestionId, IN UINT64 Value);
/**
  Reads a control's value from its store again (ReloadControlValue); when the cache
  already held it and the control has the callback flag, the driver's RETRIEVE
  callback runs.

  @retval EFI_SUCCESS      Also when nothing could be read.
  @retval EFI_UNSUPPORTED  A control type without a stored value.
**/
EFI_STATUS  RefreshControlValue (IN CONTROL_RECORD *Control);

/** Runs the form callbacks of every loaded form set for one browser action (4 = form close). */
VOID        RunCallbacksForAction (IN UINTN Action);
/** Calls the driver's callback of one control for a browser action. */
EFI_STATUS  InvokeControlCallback (IN CONTROL_RECORD *Control, IN UINT16 QuestionId, IN UINTN Reserved, IN UINTN Action);
/** The same for a control whose question was resolved already (a commit resolves it once for all its steps). */
EFI_STATUS  InvokeQuestionCallback (IN CONTROL_RECORD *Control, IN CONST RESOLVED_QUESTION *Question, IN UINT16 QuestionId,
              IN UINTN Action);

/** The same for the pages of one package list, or of all when Handle is NULL. */
VOID        RunListCallbacks (IN EFI_HII_HANDLE Handle, IN UINTN Action);
/** FORM_OPEN, then RETRIEVE, for the pages of one package list (all when Handle is NULL). */
VOID        OpenFormCallbacks (IN EFI_HII_HANDLE Handle);
/**
  Frees the table of the strings that carry STRING and PASSWORD questions' texts to
  their drivers; the strings stay, empty, in their package lists.
**/
VOID        ForgetCallStrings (VOID);

#endif
