/** @file
  The queue of HII package notifications that arrive while setup runs, and the
  main loop's work on them: adding, removing and re-parsing form sets.
**/
#ifndef ENGINE_PACKAGE_NOTIFY_H_
#define ENGINE_PACKAGE_NOTIFY_H_

#include <Uefi.h>
#include <Protocol/HiiDatabase.h>

typedef struct PACKAGE_NOTIFY_NODE {
  EFI_HII_HANDLE                HiiHandle;
  EFI_HII_DATABASE_NOTIFY_TYPE  NotifyType;
  UINT8                         *Package;     // a copy of the forms package for NEW_PACK and ADD_PACK
  struct PACKAGE_NOTIFY_NODE    *Previous;
  struct PACKAGE_NOTIFY_NODE    *Next;
} PACKAGE_NOTIFY_NODE;

typedef struct {
  UINTN                Count;
  PACKAGE_NOTIFY_NODE  *First;      // the oldest
  PACKAGE_NOTIFY_NODE  *Last;       // the newest
} PACKAGE_NOTIFY_LIST;

extern PACKAGE_NOTIFY_LIST  *gPendingPackageNotify;
extern BOOLEAN              gPackageNotifyPending;

EFI_STATUS EFIAPI OnHiiPackageNotify (IN UINT8 PackageType, IN CONST EFI_GUID *PackageGuid,
                     IN CONST EFI_HII_PACKAGE_HEADER *Package, IN EFI_HII_HANDLE Handle,
                     IN EFI_HII_DATABASE_NOTIFY_TYPE NotifyType);
/** Unlinks and frees one queued notification. */
VOID        RemovePendingPackageNotify (IN PACKAGE_NOTIFY_NODE *Node);
VOID        FreePendingPackageNotifications (VOID);

#endif
