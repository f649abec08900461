/** @file
  Ports and MSRs on the host: only what the host firmware's port interface answers.
  The UEFI image uses the port and MSR instructions themselves (runtime/IoLib.cpp).
**/
#include <Library/IoLib.h>
#include <Library/PlatformLib.h>

static CONST EFI_GUID  mHostPortIoGuid = HOST_PORT_IO_PROTOCOL_GUID;

static HOST_PORT_IO_PROTOCOL *
HostPortIo (
  VOID
  )
{
  HOST_PORT_IO_PROTOCOL  *PortIo = NULL;

  if ((gLibBS == NULL) ||
      EFI_ERROR (gLibBS->LocateProtocol ((EFI_GUID *)&mHostPortIoGuid, NULL, (VOID **)&PortIo)))
  {
    return NULL;
  }

  return PortIo;
}

UINT8
IoRead8 (
  IN UINTN  Port
  )
{
  HOST_PORT_IO_PROTOCOL  *PortIo = HostPortIo ();

  return (PortIo == NULL) ? 0xFF : PortIo->Read8 (Port);
}

UINT8
IoWrite8 (
  IN UINTN  Port,
  IN UINT8  Value
  )
{
  HOST_PORT_IO_PROTOCOL  *PortIo = HostPortIo ();

  if (PortIo != NULL) {
    PortIo->Write8 (Port, Value);
  }

  return Value;
}

UINT64
AsmReadMsr64 (
  IN UINT32  Index
  )
{
  HOST_PORT_IO_PROTOCOL  *PortIo = HostPortIo ();

  return (PortIo == NULL) ? 0 : PortIo->ReadMsr (Index);
}

UINT64
AsmWriteMsr64 (
  IN UINT32  Index,
  IN UINT64  Value
  )
{
  HOST_PORT_IO_PROTOCOL  *PortIo = HostPortIo ();

  if (PortIo != NULL) {
    PortIo->WriteMsr (Index, Value);
  }

  return Value;
}
