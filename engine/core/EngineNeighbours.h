/** @file
  Functions of the engine's neighbours (boot options and orders, HII configuration
  strings, question accessors) that the start-up, the setup data
  and the variable cache call. Until their code lands, each is a stand-in defined
  beside where its real body will live.
**/
#ifndef ENGINE_NEIGHBOURS_H_
#define ENGINE_NEIGHBOURS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/FormBrowser2.h>

//
// Boot and driver options.
//
/** The attributes of load option Boot#### (or Driver####); FALSE when the table has no such option. */
BOOLEAN     FindLoadOptionAttributes (IN BOOLEAN DriverOption, IN UINT16 OptionNumber, OUT UINT32 *Attributes);

/**
  The whole cached order with the option at Offset / 2 moved to Value, for writing
  into the cache: Buffer is a new pool buffer, Offset becomes 0, Size its length.
**/
EFI_STATUS  ReorderBootOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderDriverOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderLegacyDevOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);

//
// HII configuration strings: variables that other drivers own.
//
EFI_STATUS  ExtractVariableConfig (IN VARIABLE_RECORD *Record, OUT VOID **Buffer, IN UINTN Offset, IN UINTN Width);
EFI_STATUS  RouteVariableConfig (IN VARIABLE_RECORD *Record, IN CONST VOID *Data, IN UINTN Offset, IN UINTN Width);

//
// Question accessors.
//
/** The storage offset (VarStoreInfo) of a question opcode; 0 for other opcodes. */
UINT16      GetQuestionOffset (IN CONST UINT8 *Opcode);

//
// Form browser, form callbacks and dynamic pages.
//
EFI_STATUS EFIAPI SendForm (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN EFI_HII_HANDLE *Handles, IN UINTN HandleCount,
                     IN EFI_GUID *FormSetGuid, IN EFI_FORM_ID FormId, IN CONST EFI_SCREEN_DESCRIPTOR *ScreenDimensions,
                     OUT EFI_BROWSER_ACTION_REQUEST *ActionRequest);
EFI_STATUS EFIAPI BrowserCallback (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN OUT UINTN *ResultsDataSize,
                     IN OUT EFI_STRING ResultsData, IN BOOLEAN RetrieveData, IN CONST EFI_GUID *VariableGuid,
                     IN CONST CHAR16 *VariableName);
/** Runs the form callbacks of every loaded form set for one browser action (4 = form close). */
VOID        RunCallbacksForAction (IN UINTN Action);
VOID        FreeDynamicPageTable (VOID);

//
// The text-mode application object.
//
/** Clears the exit byte of the application object, when one exists. */
VOID        ClearTuiAppExit (VOID);
/** Destroys the application object, when one exists, and clears its global. */
VOID        DestroyTuiApp (VOID);

#endif
