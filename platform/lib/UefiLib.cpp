/** @file
  Event-group signalling, variable reads into new buffers and configuration tables.
**/
#include <Library/UefiLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

EFI_STATUS
SignalProtocolNotify (IN CONST EFI_GUID *Guid)
{
  EFI_HANDLE  Handle = nullptr;
  EFI_STATUS  Status;

  if ((Guid == nullptr) || (gLibBS == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = gLibBS->InstallProtocolInterface (&Handle, (EFI_GUID *)Guid, EFI_NATIVE_INTERFACE, nullptr);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  return gLibBS->UninstallProtocolInterface (Handle, (EFI_GUID *)Guid, nullptr);
}

// A variable may grow between the size query and the read (another driver writes
// it); a few rounds settle that, an endless race is not worth chasing.
#define VARIABLE_READ_ROUNDS  4

EFI_STATUS
GetVariableBuffer (IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid, OUT VOID **Buffer, OUT UINTN *Size OPTIONAL,
  OUT UINT32 *Attributes OPTIONAL)
{
  EFI_STATUS  Status = EFI_BUFFER_TOO_SMALL;
  UINTN       DataSize;
  VOID        *Data = nullptr;

  if ((Buffer == nullptr) || (Name == nullptr) || (Guid == nullptr) || (gLibRT == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }

  *Buffer = nullptr;
  if (Size != nullptr) {
    *Size = 0;
  }

  for (UINTN Round = 0; (Round < VARIABLE_READ_ROUNDS) && (Status == EFI_BUFFER_TOO_SMALL); Round++) {
    DataSize = 0;
    Status   = gLibRT->GetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, nullptr, &DataSize, nullptr);
    if ((Status != EFI_BUFFER_TOO_SMALL) && (Status != EFI_SUCCESS)) {
      return Status;
    }

    Data = AllocatePool ((DataSize == 0) ? 1 : DataSize);
    if (Data == nullptr) {
      return EFI_OUT_OF_RESOURCES;
    }

    Status = gLibRT->GetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, Attributes, &DataSize, Data);
    if (EFI_ERROR (Status)) {
      FreeAndNull (Data);
    }
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  *Buffer = Data;
  if (Size != nullptr) {
    *Size = DataSize;
  }

  return EFI_SUCCESS;
}

EFI_STATUS
GetSystemConfigurationTable (IN CONST EFI_GUID *Guid, OUT VOID **Table)
{
  if ((Guid == nullptr) || (Table == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }

  *Table = nullptr;
  if ((gLibST == nullptr) || (gLibST->ConfigurationTable == nullptr)) {
    return EFI_NOT_FOUND;
  }

  for (UINTN Index = 0; Index < gLibST->NumberOfTableEntries; Index++) {
    if (CompareGuid (&gLibST->ConfigurationTable[Index].VendorGuid, Guid)) {
      *Table = gLibST->ConfigurationTable[Index].VendorTable;
      return EFI_SUCCESS;
    }
  }

  return EFI_NOT_FOUND;
}
