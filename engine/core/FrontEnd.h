/** @file
  What the engine tells the front end (the setup screens, their hot keys, page items and
  hard-disk passwords): each member is named for what happened below (a key pressed, a
  page shown, a driver's request, setup asked for), not for what the front end does
  about it. The front end lies above the engine, so the engine reaches it through this
  table, which start-up fills; a member not filled does nothing, and one with a status
  answers EFI_UNSUPPORTED.
**/
#ifndef ENGINE_FRONT_END_H_
#define ENGINE_FRONT_END_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

typedef struct {
  // Setup asked for (the POST flow, SendForm): the setup screens run until the user
  // leaves them.
  EFI_STATUS  (*SetupAsked)(VOID);

  // A driver's callback returned an action request: reset, submit and leave, leave
  // without saving.
  VOID        (*DriverAskedReset)(VOID);
  VOID        (*DriverAskedSaveAndExit)(VOID);
  VOID        (*DriverAskedExit)(VOID);

  // A link of a setup page that stands for a boot, a start or another action rather
  // than a page was selected: the front end runs it (1: a boot or start was attempted, the page is made again).
  UINT8       (*SpecialLinkSelected)(IN CONTROL_RECORD *Control);

  // A hot key of the text-mode application pressed: what it means is the front end's.
  VOID        (*CaptureKeyPressed)(VOID);
  VOID        (*CtrlCaptureKeyPressed)(VOID);
  VOID        (*SaveKeyPressed)(VOID);
  VOID        (*PreviousValuesKeyPressed)(VOID);
  VOID        (*DefaultsKeyPressed)(VOID);
  VOID        (*HelpKeyPressed)(VOID);
  VOID        (*EscapeKeyPressed)(VOID);

  // A password question chose a new password, checks its current one, or was changed;
  // the front end takes hard-disk passwords (EFI_UNSUPPORTED: not a hard-disk password,
  // the engine keeps it; any other failure: a hard-disk password refused, which nobody
  // stores).
  EFI_STATUS  (*PasswordChosen)(IN CONST CONTROL_RECORD *Control, IN CONST CHAR16 *Password);
  EFI_STATUS  (*PasswordCheckAsked)(IN CONST CONTROL_RECORD *Control, IN CONST CHAR16 *Text OPTIONAL, IN UINT8 Unlock);
  VOID        (*PasswordChanged)(VOID);

  // The user asked, on a key-help line or an exit item of page 0, to save and leave
  // (1: written, and the save marked as asking for a reset), to discard (asking first
  // when Ask is TRUE) or to leave setup (TRUE: setup may end).
  UINT8       (*SaveAndExitAsked)(VOID);
  EFI_STATUS  (*DiscardAsked)(IN BOOLEAN Ask);
  BOOLEAN     (*LeaveAsked)(VOID);
  EFI_STATUS  (*ExitItemSelected)(IN VOID *Context, IN VOID *Object, IN VOID *Data);

  // The page list changed: rebuilt whole, the pages [Page, End) of a form set that came
  // while setup runs added, a page whose form set went away removed; a page shown. The
  // front end keeps its menu tree in step.
  VOID        (*PagesRebuilt)(IN UINT8 *PageList, IN UINTN Count);
  VOID        (*PagesAdded)(IN UINT16 Page, IN UINT16 End);
  VOID        (*PageRemoved)(IN UINT16 Page);
  VOID        (*PageShown)(IN UINT16 Page);
} FRONT_END_SERVICES;

extern FRONT_END_SERVICES  gFrontEnd;

#endif
