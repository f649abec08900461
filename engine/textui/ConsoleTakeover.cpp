/** @file
  Noticing that a boot took the console while the text application showed a page. A
  boot option may start from the engine's own links or from inside a driver's callback
  (a boot manager's form), and every boot signals the ready-to-boot group first. The
  image may change the console's mode and leaves behind whatever it drew, so the cells
  the flush believes shown are no longer there: the page must be drawn again whole.
  A driver's callback for a user's change may draw on the console too (OVMF's Secure
  Boot page asks through a pop-up of its own), in the page's mode.
**/
#include <engine/textui/TextScreen.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>

#include <Guid/ConfigurationTables.h>
#include <Library/BaseMemoryLib.h>

static EFI_EVENT  mBootWatch;
static UINTN      mWatchers;
static BOOLEAN    mConsoleTaken;
static UINT32     mChangeCallbacksSeen;

static
VOID
EFIAPI
OnReadyToBoot (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  mConsoleTaken = TRUE;
}

VOID
WatchForBoots (
  VOID
  )
{
  mWatchers++;
  if (mBootWatch != NULL) {
    return;
  }

  mConsoleTaken        = FALSE;
  mChangeCallbacksSeen = gChangeCallbackCount;
  // Without the watch a boot leaves the page as it was left before: nothing worse than that.
  if (EFI_ERROR (gBS->CreateEventEx (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnReadyToBoot, NULL, &gEfiEventReadyToBootGuid,
                   &mBootWatch)))
  {
    mBootWatch = NULL;
  }
}

VOID
StopWatchingForBoots (
  VOID
  )
{
  if ((mWatchers == 0) || (--mWatchers != 0)) {
    return;
  }

  CloseEventAndClear (&mBootWatch);
  mConsoleTaken = FALSE;
}

BOOLEAN
TakeConsoleBack (
  VOID
  )
{
  BOOLEAN  DriverDrew = (BOOLEAN)(gChangeCallbackCount != mChangeCallbacksSeen);

  mChangeCallbacksSeen = gChangeCallbackCount;
  if (!mConsoleTaken && !DriverDrew) {
    return FALSE;
  }

  // A boot's image may have left the console in a mode of its own.
  if (mConsoleTaken) {
    mConsoleTaken = FALSE;
    SetConsoleModeForScreen ();
  }

  if (gTextScreenShown != NULL) {
    // Nothing the console shows is known any more: every cell differs at the next flush.
    ZeroMem (gTextScreenShown, sizeof (TEXT_SCREEN_BUFFER));
  }

  MarkRowsDirty (0, gTextScreenRows - 1);
  return TRUE;
}

VOID
ForgetBootWatch (
  VOID
  )
{
  mBootWatch           = NULL;
  mWatchers            = 0;
  mConsoleTaken        = FALSE;
  mChangeCallbacksSeen = 0;
}
