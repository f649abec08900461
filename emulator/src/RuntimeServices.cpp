/** @file
  The runtime services table: time, variables and reset.
**/
#include <Emulator/Machine.h>
#include <Emulator/RunEnded.h>


namespace Emu {

static Machine &
Here ()
{
  return Machine::Serving ("runtime");
}

static EFI_STATUS EFIAPI
EmuGetTime (EFI_TIME *Time, EFI_TIME_CAPABILITIES *Capabilities)
{
  return Here ().Clock ().GetTime (Time, Capabilities);
}

static EFI_STATUS EFIAPI
EmuSetTime (EFI_TIME *Time)
{
  return Here ().Clock ().SetTime (Time);
}

static EFI_STATUS EFIAPI
EmuGetWakeupTime (BOOLEAN *Enabled, BOOLEAN *Pending, EFI_TIME *Time)
{
  return Here ().Clock ().GetWakeupTime (Enabled, Pending, Time);
}

static EFI_STATUS EFIAPI
EmuSetWakeupTime (BOOLEAN Enable, EFI_TIME *Time)
{
  return Here ().Clock ().SetWakeupTime (Enable, Time);
}

static EFI_STATUS EFIAPI
EmuSetVirtualAddressMap (UINTN MapSize, UINTN DescriptorSize, UINT32 Version, EFI_MEMORY_DESCRIPTOR *Map)
{
  (VOID)MapSize;
  (VOID)DescriptorSize;
  (VOID)Version;
  (VOID)Map;
  return EFI_UNSUPPORTED;  // the emulator never leaves boot time
}

static EFI_STATUS EFIAPI
EmuConvertPointer (UINTN Disposition, VOID **Address)
{
  (VOID)Disposition;
  (VOID)Address;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
EmuGetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize, VOID *Data)
{
  return Here ().Variables ().Get (Name, Guid, Attributes, DataSize, Data);
}

static EFI_STATUS EFIAPI
EmuGetNextVariableName (UINTN *NameSize, CHAR16 *Name, EFI_GUID *Guid)
{
  return Here ().Variables ().GetNextName (NameSize, Name, Guid);
}

static EFI_STATUS EFIAPI
EmuSetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize, VOID *Data)
{
  return Here ().Variables ().Set (Name, Guid, Attributes, DataSize, Data);
}

static EFI_STATUS EFIAPI
EmuGetNextHighMonotonicCount (UINT32 *HighCount)
{
  if (HighCount == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *HighCount = 0;
  return EFI_SUCCESS;
}

static VOID EFIAPI
EmuResetSystem (EFI_RESET_TYPE Type, EFI_STATUS Status, UINTN DataSize, VOID *Data)
{
  Machine  &Current = Here ();
  auto     *Bytes   = static_cast<const UINT8 *>(Data);

  Current.RecordReset (RESET_RECORD {
    Type, Status,
    (Bytes == nullptr) ? std::vector<UINT8>() : std::vector<UINT8>(Bytes, Bytes + DataSize),
    Current.Events ().Now ()
  });
  // ResetSystem does not return; the run ends here.
  throw ResetSystemCalled (Type, Status);
}

static EFI_STATUS EFIAPI
EmuUpdateCapsule (EFI_CAPSULE_HEADER **Capsules, UINTN Count, EFI_PHYSICAL_ADDRESS ScatterGather)
{
  (VOID)Capsules;
  (VOID)Count;
  (VOID)ScatterGather;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
EmuQueryCapsuleCapabilities (EFI_CAPSULE_HEADER **Capsules, UINTN Count, UINT64 *MaximumSize,
  EFI_RESET_TYPE *ResetType)
{
  (VOID)Capsules;
  (VOID)Count;
  (VOID)MaximumSize;
  (VOID)ResetType;
  return EFI_UNSUPPORTED;
}

static EFI_STATUS EFIAPI
EmuQueryVariableInfo (UINT32 Attributes, UINT64 *MaximumStorage, UINT64 *Remaining, UINT64 *MaximumSize)
{
  return Here ().Variables ().QueryInfo (Attributes, MaximumStorage, Remaining, MaximumSize);
}

void
FillRuntimeServices (EFI_RUNTIME_SERVICES *Services)
{
  *Services     = EFI_RUNTIME_SERVICES {};
  Services->Hdr = EFI_TABLE_HEADER { EFI_RUNTIME_SERVICES_SIGNATURE, EFI_2_70_SYSTEM_TABLE_REVISION,
                                     sizeof (EFI_RUNTIME_SERVICES), 0, 0 };
  Services->GetTime                   = EmuGetTime;
  Services->SetTime                   = EmuSetTime;
  Services->GetWakeupTime             = EmuGetWakeupTime;
  Services->SetWakeupTime             = EmuSetWakeupTime;
  Services->SetVirtualAddressMap      = EmuSetVirtualAddressMap;
  Services->ConvertPointer            = EmuConvertPointer;
  Services->GetVariable               = EmuGetVariable;
  Services->GetNextVariableName       = EmuGetNextVariableName;
  Services->SetVariable               = EmuSetVariable;
  Services->GetNextHighMonotonicCount = EmuGetNextHighMonotonicCount;
  Services->ResetSystem               = EmuResetSystem;
  Services->UpdateCapsule             = EmuUpdateCapsule;
  Services->QueryCapsuleCapabilities  = EmuQueryCapsuleCapabilities;
  Services->QueryVariableInfo         = EmuQueryVariableInfo;
}

}  // namespace Emu
