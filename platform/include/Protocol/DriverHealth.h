/** @file
  Driver health protocol: the health of the controllers a driver manages, the
  messages that explain it, and repair.
**/
#ifndef PROTOCOL_DRIVER_HEALTH_H_
#define PROTOCOL_DRIVER_HEALTH_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <stddef.h>

#define EFI_DRIVER_HEALTH_PROTOCOL_GUID \
  { 0x2A534210, 0x9280, 0x41D8, { 0xAE, 0x79, 0xCA, 0xDA, 0x01, 0xA2, 0xB1, 0x27 } }
extern EFI_GUID gEfiDriverHealthProtocolGuid;

typedef struct _EFI_DRIVER_HEALTH_PROTOCOL EFI_DRIVER_HEALTH_PROTOCOL;

typedef enum {
  EfiDriverHealthStatusHealthy,
  EfiDriverHealthStatusRepairRequired,
  EfiDriverHealthStatusConfigurationRequired,
  EfiDriverHealthStatusFailed,
  EfiDriverHealthStatusReconnectRequired,
  EfiDriverHealthStatusRebootRequired
} EFI_DRIVER_HEALTH_STATUS;

// The message list ends with an entry whose HiiHandle is null.
typedef struct {
  EFI_HII_HANDLE  HiiHandle;
  EFI_STRING_ID   StringId;
  UINT64          MessageCode;
} EFI_DRIVER_HEALTH_HII_MESSAGE;
static_assert (sizeof (EFI_DRIVER_HEALTH_HII_MESSAGE) == 24, "health message");
static_assert (offsetof (EFI_DRIVER_HEALTH_HII_MESSAGE, MessageCode) == 16, "health message code");

typedef EFI_STATUS (EFIAPI *EFI_DRIVER_HEALTH_REPAIR_NOTIFY)(IN UINTN Value, IN UINTN Limit);

// *MessageList is a pool array the caller frees.
typedef EFI_STATUS (EFIAPI *EFI_DRIVER_HEALTH_GET_HEALTH_STATUS)(
  IN EFI_DRIVER_HEALTH_PROTOCOL       *This,
  IN EFI_HANDLE                       ControllerHandle OPTIONAL,
  IN EFI_HANDLE                       ChildHandle OPTIONAL,
  OUT EFI_DRIVER_HEALTH_STATUS        *HealthStatus,
  OUT EFI_DRIVER_HEALTH_HII_MESSAGE   **MessageList OPTIONAL,
  OUT EFI_HII_HANDLE                  *FormHiiHandle OPTIONAL
  );

typedef EFI_STATUS (EFIAPI *EFI_DRIVER_HEALTH_REPAIR)(
  IN EFI_DRIVER_HEALTH_PROTOCOL       *This,
  IN EFI_HANDLE                       ControllerHandle,
  IN EFI_HANDLE                       ChildHandle OPTIONAL,
  IN EFI_DRIVER_HEALTH_REPAIR_NOTIFY  RepairNotify OPTIONAL
  );

struct _EFI_DRIVER_HEALTH_PROTOCOL {
  EFI_DRIVER_HEALTH_GET_HEALTH_STATUS  GetHealthStatus;
  EFI_DRIVER_HEALTH_REPAIR             Repair;
};

#endif
