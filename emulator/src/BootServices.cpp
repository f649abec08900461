/** @file
  The boot services table: EFIAPI entry points that find the current machine and
  call its C++ services.
**/
#include <Emulator/Machine.h>

#include <cstring>

namespace Emu {

static Machine &
Here ()
{
  return Machine::Serving ("boot");
}

static EFI_TPL EFIAPI
EmuRaiseTpl (EFI_TPL NewTpl)
{
  return Here ().Events ().RaiseTpl (NewTpl);
}

static VOID EFIAPI
EmuRestoreTpl (EFI_TPL OldTpl)
{
  Here ().Events ().RestoreTpl (OldTpl);
}

static EFI_STATUS EFIAPI
EmuAllocatePages (EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages, EFI_PHYSICAL_ADDRESS *Memory)
{
  return Here ().Memory ().AllocatePages (Type, MemoryType, Pages, Memory);
}

static EFI_STATUS EFIAPI
EmuFreePages (EFI_PHYSICAL_ADDRESS Memory, UINTN Pages)
{
  return Here ().Memory ().FreePages (Memory, Pages);
}

static EFI_STATUS EFIAPI
EmuGetMemoryMap (UINTN *MapSize, EFI_MEMORY_DESCRIPTOR *Map, UINTN *MapKey, UINTN *DescriptorSize,
  UINT32 *DescriptorVersion)
{
  // Host memory has no map worth describing; an empty one is a valid answer.
  (VOID)Map;
  if ((MapSize == nullptr) || (MapKey == nullptr) || (DescriptorSize == nullptr) || (DescriptorVersion == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *MapSize           = 0;
  *MapKey            = 1;
  *DescriptorSize    = sizeof (EFI_MEMORY_DESCRIPTOR);
  *DescriptorVersion = 1;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuAllocatePool (EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer)
{
  return Here ().Memory ().Allocate (Type, Size, Buffer);
}

static EFI_STATUS EFIAPI
EmuFreePool (VOID *Buffer)
{
  return Here ().Memory ().Free (Buffer);
}

static EFI_STATUS EFIAPI
EmuCreateEvent (UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Function, VOID *Context, EFI_EVENT *Event)
{
  return Here ().Events ().Create (Type, NotifyTpl, Function, Context, nullptr, Event);
}

static EFI_STATUS EFIAPI
EmuCreateEventEx (UINT32 Type, EFI_TPL NotifyTpl, EFI_EVENT_NOTIFY Function, CONST VOID *Context,
  CONST EFI_GUID *Group, EFI_EVENT *Event)
{
  return Here ().Events ().Create (Type, NotifyTpl, Function, Context, Group, Event);
}

static EFI_STATUS EFIAPI
EmuSetTimer (EFI_EVENT Event, EFI_TIMER_DELAY Type, UINT64 TriggerTime)
{
  return Here ().Events ().SetTimer (Event, Type, TriggerTime);
}

static EFI_STATUS EFIAPI
EmuWaitForEvent (UINTN NumberOfEvents, EFI_EVENT *Events, UINTN *Index)
{
  return Here ().Events ().Wait (NumberOfEvents, Events, Index);
}

static EFI_STATUS EFIAPI
EmuSignalEvent (EFI_EVENT Event)
{
  return Here ().Events ().Signal (Event);
}

static EFI_STATUS EFIAPI
EmuCloseEvent (EFI_EVENT Event)
{
  Machine  &Current = Here ();

  Current.Protocols ().ForgetEvent (Event);
  return Current.Events ().Close (Event);
}

static EFI_STATUS EFIAPI
EmuCheckEvent (EFI_EVENT Event)
{
  return Here ().Events ().Check (Event);
}

static EFI_STATUS EFIAPI
EmuStall (UINTN Microseconds)
{
  Here ().Events ().Stall (Microseconds);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuGetNextMonotonicCount (UINT64 *Count)
{
  if (Count == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Count = Here ().NextMonotonicCount ();
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuSetWatchdogTimer (UINTN Timeout, UINT64 Code, UINTN DataSize, CHAR16 *Data)
{
  // The watchdog would reset a real machine after minutes; no emulated run lasts that.
  (VOID)Timeout;
  (VOID)Code;
  (VOID)DataSize;
  (VOID)Data;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
EmuInstallConfigurationTable (EFI_GUID *Guid, VOID *Table)
{
  return Here ().InstallConfigurationTable (Guid, Table);
}

static UINT32
Crc32 (const UINT8 *Data, UINTN Size)
{
  UINT32  Crc = 0xFFFFFFFF;

  for (UINTN Index = 0; Index < Size; Index++) {
    Crc ^= Data[Index];
    for (int Bit = 0; Bit < 8; Bit++) {
      Crc = (Crc >> 1) ^ (0xEDB88320 & (0 - (Crc & 1)));
    }
  }
  return ~Crc;
}

static EFI_STATUS EFIAPI
EmuCalculateCrc32 (VOID *Data, UINTN DataSize, UINT32 *Crc)
{
  if ((Data == nullptr) || (DataSize == 0) || (Crc == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Crc = Crc32 (static_cast<const UINT8 *>(Data), DataSize);
  return EFI_SUCCESS;
}

static VOID EFIAPI
EmuCopyMem (VOID *Destination, VOID *Source, UINTN Length)
{
  if (Length != 0) {
    std::memmove (Destination, Source, Length);
  }
}

static VOID EFIAPI
EmuSetMem (VOID *Buffer, UINTN Size, UINT8 Value)
{
  if (Size != 0) {
    std::memset (Buffer, Value, Size);
  }
}

void FillProtocolServices (EFI_BOOT_SERVICES *Services);
void FillImageServices (EFI_BOOT_SERVICES *Services);

void
FillBootServices (EFI_BOOT_SERVICES *Services)
{
  *Services     = EFI_BOOT_SERVICES {};
  Services->Hdr = EFI_TABLE_HEADER { EFI_BOOT_SERVICES_SIGNATURE, EFI_2_70_SYSTEM_TABLE_REVISION,
                                     sizeof (EFI_BOOT_SERVICES), 0, 0 };
  Services->RaiseTPL                  = EmuRaiseTpl;
  Services->RestoreTPL                = EmuRestoreTpl;
  Services->AllocatePages             = EmuAllocatePages;
  Services->FreePages                 = EmuFreePages;
  Services->GetMemoryMap              = EmuGetMemoryMap;
  Services->AllocatePool              = EmuAllocatePool;
  Services->FreePool                  = EmuFreePool;
  Services->CreateEvent               = EmuCreateEvent;
  Services->SetTimer                  = EmuSetTimer;
  Services->WaitForEvent              = EmuWaitForEvent;
  Services->SignalEvent               = EmuSignalEvent;
  Services->CloseEvent                = EmuCloseEvent;
  Services->CheckEvent                = EmuCheckEvent;
  Services->InstallConfigurationTable = EmuInstallConfigurationTable;
  Services->GetNextMonotonicCount     = EmuGetNextMonotonicCount;
  Services->Stall                     = EmuStall;
  Services->SetWatchdogTimer          = EmuSetWatchdogTimer;
  Services->CalculateCrc32            = EmuCalculateCrc32;
  Services->CopyMem                   = EmuCopyMem;
  Services->SetMem                    = EmuSetMem;
  Services->CreateEventEx             = EmuCreateEventEx;
  FillProtocolServices (Services);
  FillImageServices (Services);
}

}  // namespace Emu
