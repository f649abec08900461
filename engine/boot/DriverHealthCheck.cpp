/** @file
  Which driver-health driver manages a controller, and the health check of a boot
  device before the boot manager starts it.

  The open information links handles to the agents that opened their interfaces;
  agents may open interfaces of one another or of themselves, so the walk through
  agents goes no deeper than a fixed number of steps and never back to a handle it
  is already looking at.
**/
#include <engine/boot/DriverHealth.h>
#include <engine/boot/BootLaunch.h>
#include <engine/core/EngineGlobals.h>

#include <Library/MemoryAllocationLib.h>

#define MAX_AGENT_DEPTH   8
#define OPENED_BY_DRIVER  (EFI_OPEN_PROTOCOL_BY_DRIVER | EFI_OPEN_PROTOCOL_BY_CHILD_CONTROLLER)

typedef struct {
  EFI_HANDLE  Chain[MAX_AGENT_DEPTH];
  UINTN       Depth;
} AGENT_WALK;

static BOOLEAN  OpenedFor (IN EFI_HANDLE Handle, IN EFI_HANDLE Target, IN OUT AGENT_WALK *Walk);

static BOOLEAN
OnChain (
  IN CONST AGENT_WALK  *Walk,
  IN EFI_HANDLE        Handle
  )
{
  for (UINTN Index = 0; Index < Walk->Depth; Index++) {
    if (Walk->Chain[Index] == Handle) {
      return TRUE;
    }
  }

  return FALSE;
}

// Whether one interface of Handle is opened by driver for Target, or by an agent that is.
static BOOLEAN
InterfaceOpenedFor (
  IN     EFI_HANDLE  Handle,
  IN     EFI_GUID    *Guid,
  IN     EFI_HANDLE  Target,
  IN OUT AGENT_WALK  *Walk
  )
{
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY  *Opens = NULL;
  UINTN                                Count  = 0;
  BOOLEAN                              Found  = FALSE;

  if (EFI_ERROR (gBS->OpenProtocolInformation (Handle, Guid, &Opens, &Count))) {
    return FALSE;
  }

  for (UINTN Index = 0; !Found && (Index < Count); Index++) {
    if ((Opens[Index].Attributes & OPENED_BY_DRIVER) == 0) {
      continue;
    }

    Found = (BOOLEAN)((Opens[Index].AgentHandle == Target) || (Opens[Index].ControllerHandle == Target) ||
                      OpenedFor (Opens[Index].AgentHandle, Target, Walk));
  }

  FreePool (Opens);
  return Found;
}

static BOOLEAN
OpenedFor (
  IN     EFI_HANDLE  Handle,
  IN     EFI_HANDLE  Target,
  IN OUT AGENT_WALK  *Walk
  )
{
  EFI_GUID  **Guids = NULL;
  UINTN     Count   = 0;
  BOOLEAN   Found   = FALSE;

  if ((Handle == NULL) || (Walk->Depth == MAX_AGENT_DEPTH) || OnChain (Walk, Handle) ||
      EFI_ERROR (gBS->ProtocolsPerHandle (Handle, &Guids, &Count)))
  {
    return FALSE;
  }

  Walk->Chain[Walk->Depth++] = Handle;
  for (UINTN Index = 0; !Found && (Index < Count); Index++) {
    Found = InterfaceOpenedFor (Handle, Guids[Index], Target, Walk);
  }

  Walk->Depth--;
  FreePool (Guids);
  return Found;
}

BOOLEAN
IsOpenedByAgent (
  IN EFI_HANDLE  Handle,
  IN EFI_HANDLE  Target
  )
{
  AGENT_WALK  Walk;

  Walk.Depth = 0;
  return OpenedFor (Handle, Target, &Walk);
}

// The driver-health interface of the driver that manages Controller; null when none does.
static EFI_DRIVER_HEALTH_PROTOCOL *
FindManagingDriver (
  IN EFI_HANDLE  Controller
  )
{
  EFI_HANDLE                  *Handles = NULL;
  UINTN                       Count    = 0;
  EFI_DRIVER_HEALTH_PROTOCOL  *Found   = NULL;
  EFI_DRIVER_HEALTH_PROTOCOL  *Health;

  if ((Controller == NULL) ||
      EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiDriverHealthProtocolGuid, NULL, &Count, &Handles)))
  {
    return NULL;
  }

  for (UINTN Index = 0; (Found == NULL) && (Index < Count); Index++) {
    Health = NULL;
    if (!EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiDriverHealthProtocolGuid, (VOID **)&Health)) &&
        (Health != NULL) && IsOpenedByAgent (Handles[Index], Controller))
    {
      Found = Health;
    }
  }

  FreePool (Handles);
  return Found;
}

BOOLEAN
IsManagedByDriverHealth (
  IN EFI_HANDLE  Controller
  )
{
  return (BOOLEAN)(FindManagingDriver (Controller) != NULL);
}

EFI_STATUS
CheckBootDeviceHealth (
  IN EFI_DEVICE_PATH_PROTOCOL  *DevicePath
  )
{
  EFI_DEVICE_PATH_PROTOCOL    *Remaining = DevicePath;
  EFI_HANDLE                  Controller = NULL;
  EFI_DRIVER_HEALTH_PROTOCOL  *Health;
  EFI_DRIVER_HEALTH_STATUS    Status;

  if ((DevicePath == NULL) ||
      EFI_ERROR (gBS->LocateDevicePath (&gEfiDevicePathProtocolGuid, &Remaining, &Controller)) ||
      ((Health = FindManagingDriver (Controller)) == NULL))
  {
    return EFI_SUCCESS;                 // a device no driver-health driver manages passes
  }

  if (EFI_ERROR (Health->GetHealthStatus (Health, Controller, NULL, &Status, NULL, NULL))) {
    return EFI_UNSUPPORTED;
  }

  if (Status == EfiDriverHealthStatusRepairRequired) {
    if (EFI_ERROR (Health->Repair (Health, Controller, NULL, NULL)) ||
        EFI_ERROR (Health->GetHealthStatus (Health, Controller, NULL, &Status, NULL, NULL)))
    {
      return EFI_UNSUPPORTED;
    }
  }

  return (Status == EfiDriverHealthStatusHealthy) ? EFI_SUCCESS : EFI_UNSUPPORTED;
}
