/** @file
  The HII database's package notifications while setup runs: the notification
  function only queues what happened, with a copy of a new forms package; the
  main loop works the queue off later, when no driver call is running.
**/
#include <engine/browser/PackageNotify.h>
#include <engine/browser/DynamicPages.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

PACKAGE_NOTIFY_LIST  *gPendingPackageNotify = NULL;
BOOLEAN              gPackageNotifyPending  = FALSE;

EFI_STATUS EFIAPI
OnHiiPackageNotify (
  IN UINT8                         PackageType,
  IN CONST EFI_GUID                *PackageGuid,
  IN CONST EFI_HII_PACKAGE_HEADER  *Package,
  IN EFI_HII_HANDLE                Handle,
  IN EFI_HII_DATABASE_NOTIFY_TYPE  NotifyType
  )
{
  PACKAGE_NOTIFY_NODE  *Node;

  (VOID)PackageType;
  (VOID)PackageGuid;
  if ((gPendingPackageNotify == NULL) &&
      ((gPendingPackageNotify = (PACKAGE_NOTIFY_LIST *)AllocateZeroPool (sizeof (PACKAGE_NOTIFY_LIST))) == NULL))
  {
    return EFI_OUT_OF_RESOURCES;
  }

  Node = (PACKAGE_NOTIFY_NODE *)AllocateZeroPool (sizeof (PACKAGE_NOTIFY_NODE));
  if (Node == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Node->HiiHandle  = Handle;
  Node->NotifyType = NotifyType;
  if ((Package != NULL) && (NotifyType != EFI_HII_DATABASE_NOTIFY_REMOVE_PACK)) {
    Node->Package = (UINT8 *)AllocateCopyPool (Package->Length, Package);
  }

  Node->Previous = gPendingPackageNotify->Last;
  if (gPendingPackageNotify->Last != NULL) {
    gPendingPackageNotify->Last->Next = Node;
  } else {
    gPendingPackageNotify->First = Node;
  }

  gPendingPackageNotify->Last = Node;
  gPendingPackageNotify->Count++;
  gPackageNotifyPending = TRUE;
  return EFI_SUCCESS;
}

VOID
RemovePendingPackageNotify (
  IN PACKAGE_NOTIFY_NODE  *Node
  )
{
  PACKAGE_NOTIFY_LIST  *List = gPendingPackageNotify;

  if ((List == NULL) || (Node == NULL)) {
    return;
  }

  if (Node->Previous != NULL) {
    Node->Previous->Next = Node->Next;
  } else {
    List->First = Node->Next;
  }

  if (Node->Next != NULL) {
    Node->Next->Previous = Node->Previous;
  } else {
    List->Last = Node->Previous;
  }

  List->Count--;
  FreePool (Node->Package);
  FreePool (Node);
}

VOID
FreePendingPackageNotifications (
  VOID
  )
{
  while ((gPendingPackageNotify != NULL) && (gPendingPackageNotify->First != NULL)) {
    RemovePendingPackageNotify (gPendingPackageNotify->First);
  }

  FreeAndNull (gPendingPackageNotify);
  gPackageNotifyPending = FALSE;
}
