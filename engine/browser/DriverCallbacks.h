/** @file
  The drivers' callbacks of questions with the callback flag, and the state that
  lets BrowserCallback serve a driver while it runs.
**/
#ifndef ENGINE_DRIVER_CALLBACKS_H_
#define ENGINE_DRIVER_CALLBACKS_H_

#include <Uefi.h>
#include <Uefi/UefiIfr.h>
#include <engine/core/SetupDataFormat.h>

// Set while a driver's callback runs for defaults or any other action.
extern UINT8    gLoadingDefaults;
// Set by BrowserCallback when the driver wrote the question's value itself.
extern BOOLEAN  gDriverChangedValue;

/**
  Calls Callback of the configuration-access protocol of the driver that published
  the package list; a non-zero action request is acted on and its result answered.
**/
EFI_STATUS  CallConfigAccessCallback (IN EFI_HII_HANDLE HiiHandle, IN UINT16 QuestionId, IN UINT8 Type,
              IN OUT EFI_IFR_TYPE_VALUE *Value, IN UINTN Action);
/** Keeps the question's current value, which the next callback of the control writes back first. */
VOID        SaveControlOldValue (IN CONST CONTROL_RECORD *Control);
VOID        SaveControlNewValue (IN CONST VOID *Value, IN UINTN Size);
/** Zeroes and frees the kept values; a change no driver callback followed leaves them until here. */
VOID        FreeSavedValues (VOID);

#endif
