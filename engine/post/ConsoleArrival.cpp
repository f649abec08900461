/** @file
  The arrival of the console devices, which puts the POST screen up as soon as the
  screen and the text output exist.
**/
#include <engine/post/BootScreen.h>
#include <engine/post/PostScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/TextScreen.h>

#include <Library/BaseMemoryLib.h>
#include <Library/UefiLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/PointerDevice.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

typedef struct {
  EFI_HANDLE      Handle;
  EFI_EVENT       Event;
  UINT32          Bit;
  CONST EFI_GUID  *Protocol;
  BOOLEAN         NeedsDevicePath;
  VOID            *Registration;
  VOID            *Interface;
  VOID            **Global;
} POST_NOTIFY_RECORD;

#define CONSOLE_NOTIFY_COUNT  5

static POST_NOTIFY_RECORD  mConsoleRecords[CONSOLE_NOTIFY_COUNT];
static EFI_EVENT           mGraphicsRelocateEvent = NULL;
static VOID                *mGraphicsRelocateRegistration = NULL;

static VOID
InitConsoleRecords (
  VOID
  )
{
  ZeroMem (mConsoleRecords, sizeof (mConsoleRecords));
  mConsoleRecords[0].Bit             = CONSOLE_ARRIVED_GRAPHICS;
  mConsoleRecords[0].Protocol        = &gEfiGraphicsOutputProtocolGuid;
  mConsoleRecords[0].NeedsDevicePath = TRUE;
  mConsoleRecords[0].Global          = (VOID **)&gGraphicsOutput;
  mConsoleRecords[1].Bit             = CONSOLE_ARRIVED_CONTROL;
  mConsoleRecords[1].Protocol        = &gConsoleControlProtocolGuid;
  mConsoleRecords[2].Bit             = CONSOLE_ARRIVED_TEXT_IN;
  mConsoleRecords[2].Protocol        = &gEfiSimpleTextInProtocolGuid;
  mConsoleRecords[3].Bit             = CONSOLE_ARRIVED_TEXT_OUT;
  mConsoleRecords[3].Protocol        = &gEfiSimpleTextOutProtocolGuid;
  mConsoleRecords[4].Bit             = CONSOLE_ARRIVED_POINTER;
  mConsoleRecords[4].Protocol        = &gPointerDeviceProtocolGuid;
}

static VOID EFIAPI
OnConsoleProtocolArrival (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  POST_NOTIFY_RECORD  *Record = (POST_NOTIFY_RECORD *)Context;
  EFI_HANDLE          Handle;
  UINTN               Size;
  VOID                *Path;
  UINT32              Needed = CONSOLE_ARRIVED_GRAPHICS | CONSOLE_ARRIVED_CONTROL | CONSOLE_ARRIVED_TEXT_OUT;

  (VOID)Event;
  if ((Record == NULL) || (gBootScreenState >= BOOT_SCREEN_STATE_SETUP)) {
    return;
  }

  for ( ; ; ) {
    Size = sizeof (Handle);
    if (EFI_ERROR (gBS->LocateHandle (ByRegisterNotify, NULL, Record->Registration, &Size, &Handle))) {
      return;
    }

    if (!Record->NeedsDevicePath || !EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, &Path))) {
      break;
    }
  }

  if (Record->Handle == NULL) {
    Record->Handle = Handle;
    if (!EFI_ERROR (gBS->HandleProtocol (Handle, (EFI_GUID *)Record->Protocol, &Record->Interface)) &&
        (Record->Global != NULL))
    {
      *Record->Global = Record->Interface;
    }
  }

  if ((gConsoleArrivalMask & Record->Bit) != 0) {
    return;
  }

  if ((Record->Bit != CONSOLE_ARRIVED_TEXT_IN) || ((gST != NULL) && (gST->ConIn != NULL))) {
    gConsoleArrivalMask |= Record->Bit;
  }

  if ((gConsoleArrivalMask & Needed) == Needed) {
    if (!gPostScreenReady) {
      InitPostScreen ();
    }

    if ((gST != NULL) && (gST->ConIn != NULL)) {
      RunPostScreenHooks ();
    }
  }
}

static VOID EFIAPI
OnGraphicsOutputArrival (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  (VOID)LocateGraphicsOutput ();     // no graphics output yet: the next arrival tries again
}

EFI_STATUS
RegisterConsoleNotifications (
  VOID
  )
{
  EFI_STATUS  Status;

  InitConsoleRecords ();
  // A device whose arrival cannot be watched is simply not waited for.
  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    POST_NOTIFY_RECORD  *Record = &mConsoleRecords[Index];

    if (EFI_ERROR (gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnConsoleProtocolArrival, Record, &Record->Event))) {
      Record->Event = NULL;
      continue;
    }

    if (EFI_ERROR (gBS->RegisterProtocolNotify ((EFI_GUID *)Record->Protocol, Record->Event, &Record->Registration))) {
      (VOID)gBS->CloseEvent (Record->Event);     // the record stays without an event, and nothing will signal it
      Record->Event = NULL;
      continue;
    }

    (VOID)gBS->SignalEvent (Record->Event);     // a valid event cannot refuse
  }

  Status = gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnGraphicsOutputArrival, NULL, &mGraphicsRelocateEvent);
  if (EFI_ERROR (Status)) {
    mGraphicsRelocateEvent = NULL;
    return Status;
  }

  return gBS->RegisterProtocolNotify (&gEfiGraphicsOutputProtocolGuid, mGraphicsRelocateEvent, &mGraphicsRelocateRegistration);
}

VOID
CloseConsoleNotifications (
  VOID
  )
{
  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    CloseEventAndClear (&mConsoleRecords[Index].Event);
  }

  CloseEventAndClear (&mGraphicsRelocateEvent);
}

VOID
ResetConsoleNotifications (
  VOID
  )
{
  mGraphicsRelocateEvent = NULL;
  ZeroMem (mConsoleRecords, sizeof (mConsoleRecords));
}
