/** @file
  Whether a device path or a legacy group names a USB device.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

// Whether the first device of a legacy group is a USB device, by its BBS entry's handle.
BOOLEAN
IsUsbLegacyGroup (
  IN CONST UINT8      *Group,
  IN UINT16           Length,
  IN CONST BBS_TABLE  *Bbs,
  IN UINT16           BbsCount
  )
{
  UINT16  Index;
  UINT64  Handle;

  if (Length < 4) {
    return FALSE;                 // a group without devices
  }

  // A disabled device keeps its BBS index in the low byte.
  Index = ReadUnaligned16 (Group + LEGACY_GROUP_HEADER_SIZE) & 0x00FF;
  if (Index >= BbsCount) {
    return FALSE;
  }

  Handle = (UINT64)Bbs[Index].IBV1 | ((UINT64)Bbs[Index].IBV2 << 32);
  return (Handle != 0) && IsUsbDevicePath ((EFI_HANDLE)(UINTN)Handle);
}

BOOLEAN
IsUsbDevicePath (
  IN EFI_HANDLE  Handle
  )
{
  CONST UINT8  *Node;
  UINTN        Walked = 0;
  UINT16       Length;

  if (EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, (VOID **)&Node)) || (Node == NULL)) {
    return FALSE;
  }

  // A node shorter than its header, or a path longer than any real one, ends the walk.
  while ((Node[0] & 0x7F) != END_DEVICE_PATH_TYPE) {
    if ((Node[0] == MESSAGING_DEVICE_PATH) &&
        ((Node[1] == MSG_USB_DP) || (Node[1] == MSG_USB_CLASS_DP) || (Node[1] == MSG_USB_WWID_DP)))
    {
      return TRUE;
    }

    Length = ReadUnaligned16 (Node + 2);
    Walked += Length;
    if ((Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || (Walked > 0x10000)) {
      return FALSE;
    }

    Node += Length;
  }

  return FALSE;
}
