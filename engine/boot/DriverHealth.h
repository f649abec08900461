/** @file
  Driver health: the drivers that report the health of their controllers, the
  controllers of one chosen driver with their statuses, the action each status asks
  for, and the health check of a boot device.
**/
#ifndef ENGINE_BOOT_DRIVER_HEALTH_H_
#define ENGINE_BOOT_DRIVER_HEALTH_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/DevicePath.h>
#include <Protocol/DriverHealth.h>

// Vendor GUID of "DrvHealthCtrlCnt".
#define DRIVER_HEALTH_COUNT_VARIABLE_GUID \
  { 0x58279C2D, 0xFB19, 0x466E, { 0xB4, 0x2E, 0xCD, 0x43, 0x70, 0x16, 0xDC, 0x25 } }

#define DRIVER_HEALTH_MAX_MESSAGES  15

// One controller (or child) of the chosen driver.
typedef struct _DRIVER_HEALTH_RECORD {
  EFI_HANDLE                    Controller;
  EFI_HANDLE                    Child;            // null for the controller itself
  UINT32                        Status;           // EFI_DRIVER_HEALTH_STATUS
  struct _DRIVER_HEALTH_RECORD  *Next;
} DRIVER_HEALTH_RECORD;

static_assert (sizeof (DRIVER_HEALTH_RECORD) == 32, "controller record");

extern DRIVER_HEALTH_RECORD        *gDriverHealthList;
extern EFI_HANDLE                  gDriverHealthHandle;
extern EFI_DRIVER_HEALTH_PROTOCOL  *gDriverHealth;

/** The status's text ("Healthy" ... "Reboot Required"); null for a status without one. */
CONST CHAR16 *DriverHealthStatusText (IN UINT32 Status);

/** "<driver name>     <status>" of the Index-th driver with the interface; null when there is none. */
CHAR16      *GetDriverHealthDriverText (IN UINT16 Index);
/** Selects the Index-th driver and lists its controllers and their children; the number of records. */
UINT16      RebuildDriverHealthControllerList (IN UINT16 DriverIndex);
/** Frees the list, rebuilds it and writes its count to "DrvHealthCtrlCnt". */
VOID        RefreshDriverHealthCount (IN UINT16 DriverIndex);
VOID        FreeDriverHealthList (VOID);
/** The Index-th record of the list; null past its end. */
DRIVER_HEALTH_RECORD *GetDriverHealthRecord (IN UINT16 Index);
/** "<controller name>     <status>" with the record's status asked afresh; null when it cannot be made. */
CHAR16      *GetDriverHealthControllerText (IN DRIVER_HEALTH_RECORD *Record);
/** Runs the action the Index-th record's status asks for (repair, form, reconnect, reboot). */
VOID        ProcessDriverHealthEntry (IN CONTROL_RECORD *Control, IN UINT16 Index);
/** Shows up to 15 messages of a list ended by a null handle in one message box. */
VOID        ShowDriverHealthMessages (IN CONST EFI_DRIVER_HEALTH_HII_MESSAGE *Messages);

/** Whether a driver with the driver-health interface manages Controller. */
BOOLEAN     IsManagedByDriverHealth (IN EFI_HANDLE Controller);
/** Whether Handle's interfaces are opened, by driver or child controller, by or for Target, directly or through agents. */
BOOLEAN     IsOpenedByAgent (IN EFI_HANDLE Handle, IN EFI_HANDLE Target);
/**
  Success when the device's controller ends healthy (repaired when it asked for a
  repair) or no driver-health driver manages it; EFI_UNSUPPORTED otherwise.
**/
EFI_STATUS  CheckBootDeviceHealth (IN EFI_DEVICE_PATH_PROTOCOL *DevicePath);

#endif
