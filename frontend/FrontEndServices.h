/** @file
  Services of the graphical front end that the engine calls through its table of
  front-end services, which ConnectFrontEnd fills.
**/
#ifndef FRONTEND_SERVICES_H_
#define FRONTEND_SERVICES_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

/** Sets the first graphics mode 1024 pixels wide; with none, the mode stays. The argument is not read. */
VOID  SetGraphicsMode1024 (IN VOID *Unused);

//
// Entering setup: runs the setup screens until the user leaves them and answers
// their status; a leave that resets the system does not return.
//
EFI_STATUS  EnterGraphicalSetup (VOID);

//
// What a driver's action request asks of the setup screens: leave with a reset and
// without saving, save and leave, leave without saving.
//
VOID  ConfirmResetWithoutSaving (VOID);
VOID  ConfirmSaveAndExit (VOID);
VOID  ConfirmExitWithoutSaving (VOID);

//
// The hot keys of the engine's text-mode application.
//
VOID  CaptureScreen (VOID);
VOID  CaptureScreenCtrl (VOID);
VOID  OnSaveChangesKey (VOID);
VOID  OnLoadPreviousValuesKey (VOID);
VOID  OnLoadOptimizedDefaultsKey (VOID);
VOID  ShowGeneralHelp (VOID);
VOID  OnEscapeKey (VOID);

//
// The front end's pages (MenuTree.h holds the tree they live in).
//
/** Rebuilds the items of every page whose menu entry still matches it, after the page list changed. */
VOID        BuildSetupPageItems (IN UINT8 *PageList, IN UINTN Count);
/** Builds the entries of the pages [Page, End) of a form set that came while setup runs; one entry a page. */
VOID        BuildPageFromForm (IN UINT16 Page, IN UINT16 End);
/** Queues the menu entry of a page whose form set went away for deletion; an entry is queued once. */
VOID        QueueMenuEntryDeletion (IN UINT16 Page);
/** Shows a page; without a page object for it the page shown stays. */
VOID        SwitchSetupPage (IN UINT16 Page);

/** Fills the engine's table of front-end services (gFrontEnd) with the functions above. */
VOID  ConnectFrontEnd (VOID);

#endif
