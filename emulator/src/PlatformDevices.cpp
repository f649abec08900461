/** @file
  Ports and MSRs behind the platform library's host port interface, status codes,
  ACPI tables and the hand-off block list.
**/
#include <Emulator/PlatformDevices.h>
#include <Emulator/Guid.h>

#include <Guid/HobList.h>
#include <Library/IoLib.h>

#include <cstring>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kStatusCodeSignature = SIGNATURE_64 ('E', 'M', 'U', 'S', 'T', 'C', 'O', 'D');
constexpr UINT64  kAcpiSignature       = SIGNATURE_64 ('E', 'M', 'U', 'A', 'C', 'P', 'I', ' ');
constexpr UINT8   kKeyboardIdle        = 0x1C;  // system flag, command written, keyboard enabled; buffers empty

static const EFI_GUID  kStatusCodeGuid = EFI_STATUS_CODE_RUNTIME_PROTOCOL_GUID;
static const EFI_GUID  kStringDataGuid = EFI_STATUS_CODE_DATA_TYPE_STRING_GUID;
static const EFI_GUID  kAcpiTableGuid  = EFI_ACPI_TABLE_PROTOCOL_GUID;
static const EFI_GUID  kHobListGuid    = HOB_LIST_GUID;

static const EFI_GUID  kHostPortIoGuid = HOST_PORT_IO_PROTOCOL_GUID;

// The host port interface has no This: each entry finds the board of the current machine.
static PlatformHardware *
Board ()
{
  Machine  *Current = Machine::Current ();

  return (Current == nullptr) ? nullptr : Current->FindDevice<PlatformHardware>();
}

static UINT8 EFIAPI
HostRead8 (UINTN Port)
{
  PlatformHardware  *Hardware = Board ();
  return (Hardware == nullptr) ? 0xFF : Hardware->Read8 (Port);
}

static VOID EFIAPI
HostWrite8 (UINTN Port, UINT8 Value)
{
  PlatformHardware  *Hardware = Board ();
  if (Hardware != nullptr) {
    Hardware->Write8 (Port, Value);
  }
}

static UINT64 EFIAPI
HostReadMsr (UINT32 Index)
{
  PlatformHardware  *Hardware = Board ();
  return (Hardware == nullptr) ? 0 : Hardware->ReadMsr (Index);
}

static VOID EFIAPI
HostWriteMsr (UINT32 Index, UINT64 Value)
{
  PlatformHardware  *Hardware = Board ();
  if (Hardware != nullptr) {
    Hardware->WriteMsr (Index, Value);
  }
}

static HOST_PORT_IO_PROTOCOL  mHostPortIo = { HostRead8, HostWrite8, HostReadMsr, HostWriteMsr };

PlatformHardware::PlatformHardware (Machine &Owner)
{
  EFI_HANDLE  Handle = nullptr;

  (VOID)Owner.Protocols ().Install (&Handle, &kHostPortIoGuid, &mHostPortIo);  // new handle
}

UINT8
PlatformHardware::Read8 (UINTN Port)
{
  switch (Port) {
    case 0x71:
      return mCmos[mCmosIndex & 0x7F];
    case 0x73:
      return mCmos[0x80 | (mExtendedIndex & 0x7F)];
    case 0x64:
      if (!mStatus64.empty ()) {
        UINT8  Value = mStatus64.front ();
        mStatus64.pop_front ();
        return Value;
      }
      return kKeyboardIdle;
    default:
      return 0xFF;  // nothing decodes the port
  }
}

void
PlatformHardware::Write8 (UINTN Port, UINT8 Value)
{
  mPortWrites.push_back (PORT_WRITE { Port, Value });
  switch (Port) {
    case 0x70:
      mCmosIndex = Value;  // bit 7 masks NMI; the index is the low 7 bits
      break;
    case 0x71:
      mCmos[mCmosIndex & 0x7F] = Value;
      break;
    case 0x72:
      mExtendedIndex = Value;
      break;
    case 0x73:
      mCmos[0x80 | (mExtendedIndex & 0x7F)] = Value;
      break;
    case 0x80:
      mPostCodes.push_back (Value);
      break;
    default:
      break;
  }
}

UINT64
PlatformHardware::ReadMsr (UINT32 Index)
{
  auto  Found = mMsrs.find (Index);

  if (Found == mMsrs.end ()) {
    mUnknownMsrs.push_back (Index);
    return 0;
  }
  return Found->second;
}

void
PlatformHardware::WriteMsr (UINT32 Index, UINT64 Value)
{
  mMsrs[Index] = Value;
}

struct STATUS_CODE_PRIVATE {
  EFI_STATUS_CODE_PROTOCOL  Protocol;
  UINT64                    Signature;
  StatusCodeLog             *Owner;
};

// The status-code protocol has no This: the entry finds the log of the machine.
static EFI_STATUS EFIAPI
ReportStatusCode (EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32 Instance, CONST EFI_GUID *CallerId,
  EFI_STATUS_CODE_DATA *Data)
{
  Machine        *Current = Machine::Current ();
  StatusCodeLog  *Log     = (Current == nullptr) ? nullptr : Current->FindDevice<StatusCodeLog>();

  if (Log == nullptr) {
    return EFI_DEVICE_ERROR;
  }
  Log->Report (Type, Value, Instance, CallerId, Data);
  return EFI_SUCCESS;
}

StatusCodeLog::StatusCodeLog (Machine &Owner)
  : mPrivate (std::make_unique<STATUS_CODE_PRIVATE>())
{
  EFI_HANDLE  Handle = nullptr;

  mPrivate->Protocol  = EFI_STATUS_CODE_PROTOCOL { ReportStatusCode };
  mPrivate->Signature = kStatusCodeSignature;
  mPrivate->Owner     = this;
  (VOID)Owner.Protocols ().Install (&Handle, &kStatusCodeGuid, &mPrivate->Protocol);  // new handle
}

StatusCodeLog::~StatusCodeLog () = default;

EFI_STATUS_CODE_PROTOCOL *
StatusCodeLog::Protocol ()
{
  return &mPrivate->Protocol;
}

// Debug texts are bounded: the sender promises at most a few thousand characters.
static std::string
StringData (const EFI_STATUS_CODE_DATA *Data)
{
  if ((Data == nullptr) || !GuidEqual (Data->Type, kStringDataGuid) ||
      (Data->HeaderSize + (UINTN)Data->Size < sizeof (EFI_STATUS_CODE_STRING_DATA)))
  {
    return std::string ();
  }
  const auto  *Text = reinterpret_cast<const EFI_STATUS_CODE_STRING_DATA *>(Data);
  std::string Out;
  if ((Text->StringType == EfiStringAscii) && (Text->String.Ascii != nullptr)) {
    for (UINTN Index = 0; Index < 0x10000 && Text->String.Ascii[Index] != 0; Index++) {
      Out += Text->String.Ascii[Index];
    }
  } else if ((Text->StringType == EfiStringUnicode) && (Text->String.Unicode != nullptr)) {
    std::u16string  Wide;
    for (UINTN Index = 0; Index < 0x10000 && Text->String.Unicode[Index] != 0; Index++) {
      Wide += Text->String.Unicode[Index];
    }
    Out = Utf16ToUtf8 (Wide);
  }
  return Out;
}

void
StatusCodeLog::Report (EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32 Instance,
  const EFI_GUID *CallerId, const EFI_STATUS_CODE_DATA *Data)
{
  mRecords.push_back (STATUS_CODE_RECORD {
    Type, Value, Instance, (CallerId == nullptr) ? std::nullopt : std::optional<EFI_GUID>(*CallerId), StringData (Data)
  });
}

struct ACPI_PRIVATE {
  EFI_ACPI_TABLE_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                   Signature;
  AcpiTables               *Owner;
};

static AcpiTables *
AcpiFromThis (EFI_ACPI_TABLE_PROTOCOL *This)
{
  return OwnerOf<ACPI_PRIVATE> (This, kAcpiSignature);
}

static EFI_STATUS EFIAPI
AcpiInstall (EFI_ACPI_TABLE_PROTOCOL *This, VOID *Buffer, UINTN Size, UINTN *Key)
{
  AcpiTables  *Self = AcpiFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Install (Buffer, Size, Key);
}

static EFI_STATUS EFIAPI
AcpiUninstall (EFI_ACPI_TABLE_PROTOCOL *This, UINTN Key)
{
  AcpiTables  *Self = AcpiFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Uninstall (Key);
}

AcpiTables::AcpiTables (Machine &Owner)
  : mPrivate (std::make_unique<ACPI_PRIVATE>())
{
  EFI_HANDLE  Handle = nullptr;

  mPrivate->Protocol  = EFI_ACPI_TABLE_PROTOCOL { AcpiInstall, AcpiUninstall };
  mPrivate->Signature = kAcpiSignature;
  mPrivate->Owner     = this;
  (VOID)Owner.Protocols ().Install (&Handle, &kAcpiTableGuid, &mPrivate->Protocol);  // new handle
}

AcpiTables::~AcpiTables ()
{
  mPrivate->Signature = 0;
}

EFI_ACPI_TABLE_PROTOCOL *
AcpiTables::Protocol ()
{
  return &mPrivate->Protocol;
}

EFI_STATUS
AcpiTables::Install (const VOID *Buffer, UINTN Size, UINTN *Key)
{
  EFI_ACPI_DESCRIPTION_HEADER  Header;

  if ((Buffer == nullptr) || (Key == nullptr) || (Size < sizeof (Header))) {
    return EFI_INVALID_PARAMETER;
  }
  std::memcpy (&Header, Buffer, sizeof (Header));
  if (Header.Length != Size) {
    return EFI_INVALID_PARAMETER;
  }
  // The protocol owns a copy; the caller may free its buffer.
  const UINT8  *Bytes = static_cast<const UINT8 *>(Buffer);
  mTables.push_back (ACPI_TABLE { mNextKey, std::vector<UINT8>(Bytes, Bytes + Size) });
  *Key = mNextKey++;
  return EFI_SUCCESS;
}

EFI_STATUS
AcpiTables::Uninstall (UINTN Key)
{
  for (auto It = mTables.begin (); It != mTables.end (); ++It) {
    if (It->Key == Key) {
      mTables.erase (It);
      return EFI_SUCCESS;
    }
  }
  return EFI_NOT_FOUND;
}

HobList::HobList (Machine &Owner, EFI_BOOT_MODE BootMode)
  : mMachine (Owner), mBootMode (BootMode)
{
  Publish ();
}

void
HobList::AddGuidHob (const EFI_GUID &Name, const std::vector<UINT8> &Data)
{
  mGuidHobs.emplace_back (Name, Data);
  Publish ();
}

void
HobList::SetBootMode (EFI_BOOT_MODE BootMode)
{
  mBootMode = BootMode;
  Publish ();
}

void
HobList::Publish ()
{
  std::vector<UINT8>          Bytes (sizeof (EFI_HOB_HANDOFF_INFO_TABLE), 0);
  EFI_HOB_HANDOFF_INFO_TABLE  Phit {};

  for (const auto &Hob : mGuidHobs) {
    UINTN              Length = (sizeof (EFI_HOB_GUID_TYPE) + Hob.second.size () + 7) & ~(UINTN)7;
    EFI_HOB_GUID_TYPE  Header { { EFI_HOB_TYPE_GUID_EXTENSION, (UINT16)Length, 0 }, Hob.first };
    size_t             At = Bytes.size ();
    Bytes.resize (At + Length, 0);
    std::memcpy (&Bytes[At], &Header, sizeof (Header));
    if (!Hob.second.empty ()) {
      std::memcpy (&Bytes[At + sizeof (Header)], Hob.second.data (), Hob.second.size ());
    }
  }
  EFI_HOB_GENERIC_HEADER  End { EFI_HOB_TYPE_END_OF_HOB_LIST, sizeof (EFI_HOB_GENERIC_HEADER), 0 };
  size_t                  EndAt = Bytes.size ();
  Bytes.resize (EndAt + sizeof (End));
  std::memcpy (&Bytes[EndAt], &End, sizeof (End));
  // The list is read in place as 8-byte aligned records, so it lives in 64-bit words.
  mWords.assign ((Bytes.size () + 7) / 8, 0);
  Phit.Header          = EFI_HOB_GENERIC_HEADER { EFI_HOB_TYPE_HANDOFF, sizeof (Phit), 0 };
  Phit.Version         = 9;
  Phit.BootMode        = mBootMode;
  Phit.EfiEndOfHobList = (EFI_PHYSICAL_ADDRESS)(uintptr_t)(reinterpret_cast<UINT8 *>(mWords.data ()) + EndAt);
  std::memcpy (Bytes.data (), &Phit, sizeof (Phit));
  std::memcpy (mWords.data (), Bytes.data (), Bytes.size ());
  (VOID)mMachine.InstallConfigurationTable (&kHobListGuid, mWords.data ());  // valid GUID and table
}

}  // namespace Emu
