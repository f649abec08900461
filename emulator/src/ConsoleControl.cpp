/** @file
  Console control and the pointer device.
**/
#include <Emulator/Consoles.h>

#include <algorithm>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kConsoleControlSignature = SIGNATURE_64 ('E', 'M', 'U', 'C', 'O', 'N', 'C', 'T');
constexpr UINT64  kPointerSignature        = SIGNATURE_64 ('E', 'M', 'U', 'P', 'O', 'I', 'N', 'T');

static const EFI_GUID  kConsoleControlGuid = CONSOLE_CONTROL_PROTOCOL_GUID;
static const EFI_GUID  kPointerGuid        = POINTER_DEVICE_PROTOCOL_GUID;

struct CONSOLE_CONTROL_PRIVATE {
  CONSOLE_CONTROL_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                    Signature;
  ConsoleControl            *Owner;
};

static ConsoleControl *
ControlFromThis (CONSOLE_CONTROL_PROTOCOL *This)
{
  return OwnerOf<CONSOLE_CONTROL_PRIVATE> (This, kConsoleControlSignature);
}

static EFI_STATUS EFIAPI
ControlGetMode (CONSOLE_CONTROL_PROTOCOL *This, CONSOLE_CONTROL_SCREEN_MODE *Mode, BOOLEAN *GopExists,
  BOOLEAN *StdInLocked)
{
  ConsoleControl  *Self = ControlFromThis (This);

  if ((Self == nullptr) || (Mode == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Mode = Self->Mode ();
  if (GopExists != nullptr) {
    *GopExists = TRUE;
  }
  if (StdInLocked != nullptr) {
    *StdInLocked = FALSE;
  }
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
ControlSetMode (CONSOLE_CONTROL_PROTOCOL *This, CONSOLE_CONTROL_SCREEN_MODE Mode)
{
  ConsoleControl  *Self = ControlFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetMode (Mode);
}

static EFI_STATUS EFIAPI
ControlLockStdIn (CONSOLE_CONTROL_PROTOCOL *This, CHAR16 *Password)
{
  (VOID)Password;
  return (ControlFromThis (This) == nullptr) ? EFI_INVALID_PARAMETER : EFI_UNSUPPORTED;
}

ConsoleControl::ConsoleControl (Machine &Owner)
  : mMachine (Owner), mPrivate (std::make_unique<CONSOLE_CONTROL_PRIVATE>())
{
  mPrivate->Protocol  = CONSOLE_CONTROL_PROTOCOL { ControlGetMode, ControlSetMode, ControlLockStdIn };
  mPrivate->Signature = kConsoleControlSignature;
  mPrivate->Owner     = this;
  (VOID)mMachine.Protocols ().Install (&mHandle, &kConsoleControlGuid, &mPrivate->Protocol);  // new handle
}

ConsoleControl::~ConsoleControl ()
{
  mPrivate->Signature = 0;
}

CONSOLE_CONTROL_PROTOCOL *
ConsoleControl::Protocol ()
{
  return &mPrivate->Protocol;
}

EFI_STATUS
ConsoleControl::SetMode (CONSOLE_CONTROL_SCREEN_MODE Mode)
{
  if ((Mode != ConsoleControlScreenText) && (Mode != ConsoleControlScreenGraphics)) {
    return EFI_INVALID_PARAMETER;
  }
  mMode = Mode;
  mLog.push_back (Mode);
  return EFI_SUCCESS;
}

struct POINTER_PRIVATE {
  POINTER_DEVICE_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                   Signature;
  PointerDevice            *Owner;
};

static PointerDevice *
PointerFromThis (POINTER_DEVICE_PROTOCOL *This)
{
  return OwnerOf<POINTER_PRIVATE> (This, kPointerSignature);
}

static EFI_STATUS EFIAPI
PointerReset (POINTER_DEVICE_PROTOCOL *This)
{
  return (PointerFromThis (This) == nullptr) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
PointerGetState (POINTER_DEVICE_PROTOCOL *This, POINTER_DEVICE_STATE *State)
{
  PointerDevice  *Self = PointerFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->GetState (State);
}

static EFI_STATUS EFIAPI
PointerSetBounds (POINTER_DEVICE_PROTOCOL *This, UINT32 Width, UINT32 Height)
{
  PointerDevice  *Self = PointerFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetBounds (Width, Height);
}

static VOID EFIAPI
PointerWaitNotify (EFI_EVENT Event, VOID *Context)
{
  static_cast<PointerDevice *>(Context)->WaitNotify (Event);
}

PointerDevice::PointerDevice (Machine &Owner)
  : mMachine (Owner), mPrivate (std::make_unique<POINTER_PRIVATE>())
{
  EFI_EVENT  Wait = nullptr;

  (VOID)mMachine.Events ().Create (EVT_NOTIFY_WAIT, TPL_NOTIFY, PointerWaitNotify, this, nullptr, &Wait);  // valid arguments
  mPrivate->Protocol  = POINTER_DEVICE_PROTOCOL { PointerReset, PointerGetState, Wait, PointerSetBounds };
  mPrivate->Signature = kPointerSignature;
  mPrivate->Owner     = this;
  (VOID)mMachine.Protocols ().Install (&mHandle, &kPointerGuid, &mPrivate->Protocol);  // new handle
}

PointerDevice::~PointerDevice ()
{
  mPrivate->Signature = 0;
}

POINTER_DEVICE_PROTOCOL *
PointerDevice::Protocol ()
{
  return &mPrivate->Protocol;
}

EFI_STATUS
PointerDevice::GetState (POINTER_DEVICE_STATE *State)
{
  if (State == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (mStates.empty ()) {
    return EFI_NOT_READY;
  }
  *State = mStates.front ();
  mStates.pop_front ();
  if (mWidth != 0) {
    State->X = std::clamp<INT32>(State->X, 0, (INT32)mWidth - 1);
  }
  if (mHeight != 0) {
    State->Y = std::clamp<INT32>(State->Y, 0, (INT32)mHeight - 1);
  }
  return EFI_SUCCESS;
}

EFI_STATUS
PointerDevice::SetBounds (UINT32 Width, UINT32 Height)
{
  if ((Width == 0) || (Height == 0)) {
    return EFI_INVALID_PARAMETER;
  }
  mWidth  = Width;
  mHeight = Height;
  return EFI_SUCCESS;
}

void
PointerDevice::WaitNotify (EFI_EVENT Event)
{
  if (!mStates.empty ()) {
    (VOID)mMachine.Events ().Signal (Event);  // our own live event
  }
}

}  // namespace Emu
