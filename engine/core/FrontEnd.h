/** @file
  The services that the front end (the setup screens, its hot keys and the board's
  page items and hard-disk passwords) lends the engine. The front end lies above the
  engine, so the engine reaches it through this table, which start-up fills; a service
  not filled does nothing, and one with a status answers EFI_UNSUPPORTED.
**/
#ifndef ENGINE_FRONT_END_H_
#define ENGINE_FRONT_END_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

typedef struct {
  // Entering setup: runs the setup screens until the user leaves them.
  EFI_STATUS  (*EnterGraphicalSetup)(VOID);

  // What a driver's action request asks of the setup screens.
  VOID        (*ConfirmResetWithoutSaving)(VOID);
  VOID        (*ConfirmSaveAndExit)(VOID);
  VOID        (*ConfirmExitWithoutSaving)(VOID);
  BOOLEAN     (*GoToParentPage)(VOID);

  // A link of a setup page that stands for a boot, a start or another action rather
  // than a page: runs it (1: a boot or start was attempted, the page is made again).
  UINT8       (*RunSpecialLinkAction)(IN CONTROL_RECORD *Control);

  // The hot keys of the text-mode application.
  VOID        (*CaptureScreen)(VOID);
  VOID        (*CaptureScreenCtrl)(VOID);
  VOID        (*OnSaveChangesKey)(VOID);
  VOID        (*OnLoadPreviousValuesKey)(VOID);
  VOID        (*OnLoadOptimizedDefaultsKey)(VOID);
  VOID        (*ShowGeneralHelp)(VOID);
  VOID        (*OnEscapeKey)(VOID);

  // Hard-disk passwords (EFI_UNSUPPORTED: not a hard-disk password, the engine keeps
  // it; any other failure: a hard-disk password refused, which nobody stores) and the
  // security record of one drive.
  EFI_STATUS  (*HddPasswordSetCallback)(IN CONST CONTROL_RECORD *Control, IN CONST CHAR16 *Password);
  EFI_STATUS  (*HddPasswordCheckCallback)(IN CONST CONTROL_RECORD *Control, IN CONST CHAR16 *Text OPTIONAL, IN UINT8 Unlock);
  VOID        (*RefreshHddSecurityStatus)(VOID);
  EFI_STATUS  (*ReadHddSecurityStatus)(OUT UINT8 *Record, IN UINTN Device);

  // Setup's settings: saving with the save-and-exit question (1: written, and the save
  // marked as asking for a reset), discarding (asking first when Ask is TRUE), the
  // question on leaving setup (TRUE: setup may end) and the fixed exit items of page 0.
  UINT8       (*SaveAndExit)(VOID);
  EFI_STATUS  (*DiscardChanges)(IN BOOLEAN Ask);
  BOOLEAN     (*ConfirmLeaveSetup)(VOID);
  EFI_STATUS  (*OnExitItemSelect)(IN VOID *Context, IN VOID *Object, IN VOID *Data);

  // The front end's pages: the items of the pages with a menu entry, rebuilt after the
  // page list changed; the pages [Page, End) of a form set that came while setup runs;
  // the entry of a page whose form set went away; showing a page.
  VOID        (*BuildSetupPageItems)(IN UINT8 *PageList, IN UINTN Count);
  VOID        (*BuildPageFromForm)(IN UINT16 Page, IN UINT16 End);
  VOID        (*QueueMenuEntryDeletion)(IN UINT16 Page);
  VOID        (*SwitchSetupPage)(IN UINT16 Page);
} FRONT_END_SERVICES;

extern FRONT_END_SERVICES  gFrontEnd;

#endif
