/** @file
  Readable names of devices from their device paths: the text of the last
  messaging node of the path.

  Device paths come from drivers; every field is read only when the node's own
  length covers it, and the walk ends at the end node or after a bounded number
  of nodes.
**/
#include <engine/boot/OptionLists.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define MAX_NAME_NODES        64
#define DEVICE_NAME_CHARS     80
#define MAC_ADDRESS_BYTES     32
#define ETHERNET_ADDRESS_BYTES 6

static CONST CHAR16  *mAtapiPlaces[] = { u"Primary Master", u"Primary Slave", u"Secondary Master", u"Secondary Slave" };

// The node's fields at At, Size bytes wide, lie inside the node.
static BOOLEAN
Holds (
  IN CONST UINT8  *Node,
  IN UINTN        At,
  IN UINTN        Size
  )
{
  return (BOOLEAN)(At + Size <= DevicePathNodeLength (Node));
}

// "Mac: " and the address in hex: an Ethernet address has 6 bytes, other interface types use all 32.
static VOID
FormatMacName (
  IN  CONST UINT8  *Node,
  OUT CHAR16       *Text,
  IN  UINTN        TextSize
  )
{
  UINTN  Bytes = MAC_ADDRESS_BYTES;
  UINTN  Used;

  if (Holds (Node, 4 + MAC_ADDRESS_BYTES, 1) && (Node[4 + MAC_ADDRESS_BYTES] <= 1)) {
    Bytes = ETHERNET_ADDRESS_BYTES;
  }

  Used = UnicodeSPrint (Text, TextSize, u"Mac: ");
  for (UINTN Index = 0; Index < Bytes; Index++) {
    Used += UnicodeSPrint (Text + Used, TextSize - Used * sizeof (CHAR16), u"%02X", Node[4 + Index]);
  }
}

static BOOLEAN
FormatUsbClassName (
  IN  CONST UINT8  *Node,
  OUT CHAR16       *Text,
  IN  UINTN        TextSize
  )
{
  UINT8  Class;

  if (!Holds (Node, 8, 1)) {
    return FALSE;
  }

  Class = Node[8];
  UnicodeSPrint (Text, TextSize, (Class == 5) ? u"USB %xh - Physical Device" :
                                 (Class == 8) ? u"USB %xh - Mass Storage Device" : u"USB %xh - Class Device", Class);
  return TRUE;
}

static BOOLEAN
FormatNetworkNode (
  IN  CONST UINT8  *Node,
  OUT CHAR16       *Text,
  IN  UINTN        TextSize
  )
{
  switch (Node[1]) {
    case 12:
      if (!Holds (Node, 12, 2)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"Network IPv4 Device %d", ReadUnaligned16 (Node + 12));
      return TRUE;
    case 13:
      if (!Holds (Node, 36, 2)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"Network IPv6 Device %d", ReadUnaligned16 (Node + 36));
      return TRUE;
    case 14:
      if (!Holds (Node, 8, 8)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"UART Device (Baud Rate: %ld)", ReadUnaligned64 (Node + 8));
      return TRUE;
    case 15:
      return FormatUsbClassName (Node, Text, TextSize);
    case 17:
      if (!Holds (Node, 4, 1)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"USB Logical Device %d", Node[4]);
      return TRUE;
    case 18:
      if (!Holds (Node, 4, 2)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"USB SATA Device %d", ReadUnaligned16 (Node + 4));
      return TRUE;
    case 19:
      if (!Holds (Node, 8, 8)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"USB iSCSI Device %ld", ReadUnaligned64 (Node + 8));
      return TRUE;
    default:
      return FALSE;
  }
}

// The text of one messaging node; FALSE for a subtype without one or a node too short for its fields.
static BOOLEAN
FormatMessagingNode (
  IN  CONST UINT8  *Node,
  OUT CHAR16       *Text,
  IN  UINTN        TextSize
  )
{
  switch (Node[1]) {
    case 1:
      if (!Holds (Node, 4, 2)) { return FALSE; }
      (VOID)StrCpyS (Text, TextSize / sizeof (CHAR16), mAtapiPlaces[((Node[4] & 1) << 1) | (Node[5] & 1)]);   // fits
      return TRUE;
    case 2:
      if (!Holds (Node, 4, 4)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"SCSI %d LUN %d", ReadUnaligned16 (Node + 4), ReadUnaligned16 (Node + 6));
      return TRUE;
    case 3:
      if (!Holds (Node, 8, 16)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"Fibre Channel %ld LUN %ld", ReadUnaligned64 (Node + 8), ReadUnaligned64 (Node + 16));
      return TRUE;
    case 4:
      (VOID)StrCpyS (Text, TextSize / sizeof (CHAR16), u"1394 Device");     // fits
      return TRUE;
    case 5:
      if (!Holds (Node, 4, 1)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"USB %d", Node[4]);
      return TRUE;
    case 6:
      if (!Holds (Node, 4, 4)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"I20 (Tid: %x)", ReadUnaligned32 (Node + 4));
      return TRUE;
    case 9:
      if (!Holds (Node, 40, 8)) { return FALSE; }
      UnicodeSPrint (Text, TextSize, u"InfiniBand Device %ld", ReadUnaligned64 (Node + 40));
      return TRUE;
    case 10:
      (VOID)StrCpyS (Text, TextSize / sizeof (CHAR16), u"Vendor Specific Device");     // fits
      return TRUE;
    case 11:
      if (!Holds (Node, 4, MAC_ADDRESS_BYTES)) { return FALSE; }
      FormatMacName (Node, Text, TextSize);
      return TRUE;
    default:
      return FormatNetworkNode (Node, Text, TextSize);
  }
}

CHAR16 *
GetDeviceNameOfPath (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  CHAR16       Last[DEVICE_NAME_CHARS];
  CHAR16       Text[DEVICE_NAME_CHARS];
  BOOLEAN      Found = FALSE;
  CONST UINT8  *Node = (CONST UINT8 *)Path;

  if ((Path == NULL) || !IsDevicePathValid (Path, 0)) {
    return NULL;
  }

  for (UINTN Nodes = 0; !IsDevicePathEnd (Node) && (Nodes < MAX_NAME_NODES); Nodes++) {
    if ((DevicePathType (Node) == MESSAGING_DEVICE_PATH) && FormatMessagingNode (Node, Text, sizeof (Text))) {
      CopyMem (Last, Text, sizeof (Last));
      Found = TRUE;
    }

    Node = (CONST UINT8 *)NextDevicePathNode (Node);
  }

  return Found ? (CHAR16 *)AllocateCopyPool (StrSize (Last), Last) : NULL;
}

CHAR16 *
GetDeviceName (
  IN EFI_HANDLE  Device,
  IN UINT16      BbsIndex,
  IN HDD_INFO    *HddInfo OPTIONAL
  )
{
  // The disk records of the compatibility module only distinguish SATA ports from
  // IDE places, which the path's own nodes already tell.
  (VOID)BbsIndex;
  (VOID)HddInfo;
  return (Device == NULL) ? NULL : GetDeviceNameOfPath (DevicePathFromHandle (Device));
}
