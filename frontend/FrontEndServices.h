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
// without saving, save and leave, leave without saving, and open the parent of the
// page shown (FALSE when there is none; on the first form SendForm shows, SendForm
// then ends).
//
VOID  ConfirmResetWithoutSaving (VOID);
VOID  ConfirmSaveAndExit (VOID);
VOID  ConfirmExitWithoutSaving (VOID);
BOOLEAN  GoToParentPage (VOID);

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
// The page items of the pages with a menu entry.
//
/** Rebuilds the items of every page that has a menu entry, after the page list changed. */
VOID        BuildSetupPageItems (IN UINT8 *PageList, IN UINTN Count);
/** Queues the menu entry of a page whose form set went away for deletion. */
VOID        QueueMenuEntryDeletion (IN UINT16 Page);
extern UINTN  gFrontEndPageItemBuilds;
extern UINTN  gFrontEndMenuDeletions;

/** Fills the engine's table of front-end services (gFrontEnd) with the functions above. */
VOID  ConnectFrontEnd (VOID);

#endif
