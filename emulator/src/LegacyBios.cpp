/** @file
  The legacy BIOS interface of a compatibility module, and the low memory that
  holds its devices' descriptions, which the platform library reads through the
  host legacy memory interface.
**/
#include <Emulator/LegacyBios.h>

#include <Library/IoLib.h>

#include <cstring>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kLegacyBiosSignature = SIGNATURE_64 ('E', 'M', 'U', 'L', 'G', 'B', 'I', 'O');

static const EFI_GUID  kLegacyBiosGuid   = EFI_LEGACY_BIOS_PROTOCOL_GUID;
static const EFI_GUID  kLegacyMemoryGuid = HOST_LEGACY_MEMORY_PROTOCOL_GUID;

struct LEGACY_BIOS_PRIVATE {
  EFI_LEGACY_BIOS_PROTOCOL     Protocol;  // first, so This is the record
  UINT64                       Signature;
  LegacyBios                   *Owner;
  HOST_LEGACY_MEMORY_PROTOCOL  Memory;
};

// The low memory of the current machine's compatibility module.
static CONST UINT8 * EFIAPI
MapLowMemory (UINT32 Address, UINTN *Available)
{
  Machine     *Current = Machine::Current ();
  LegacyBios  *Bios    = (Current == nullptr) ? nullptr : Current->FindDevice<LegacyBios>();

  *Available = 0;
  return (Bios == nullptr) ? nullptr : Bios->Memory (Address, Available);
}

BBS_TABLE
BbsEntry (UINT16 Priority, UINT16 DeviceType, EFI_HANDLE Handle, UINT32 Bus, UINT32 Device, UINT32 Function,
  UINT8 DriveNumber)
{
  BBS_TABLE  Entry;
  UINT64     Value = (UINT64)(UINTN)Handle;

  std::memset (&Entry, 0, sizeof (Entry));
  Entry.BootPriority        = Priority;
  Entry.DeviceType          = DeviceType;
  Entry.Bus                 = Bus;
  Entry.Device              = Device;
  Entry.Function            = Function;
  Entry.AssignedDriveNumber = DriveNumber;
  Entry.IBV1                = (UINT32)Value;
  Entry.IBV2                = (UINT32)(Value >> 32);
  return Entry;
}

static LegacyBios *
LegacyBiosFromThis (EFI_LEGACY_BIOS_PROTOCOL *This)
{
  return OwnerOf<LEGACY_BIOS_PRIVATE> (This, kLegacyBiosSignature);
}

static EFI_STATUS EFIAPI
EmuGetBbsInfo (EFI_LEGACY_BIOS_PROTOCOL *This, UINT16 *HddCount, HDD_INFO **HddInfo, UINT16 *BbsCount, BBS_TABLE **BbsTable)
{
  LegacyBios  *Self = LegacyBiosFromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->GetBbsInfo (HddCount, HddInfo, BbsCount, BbsTable);
}

static EFI_STATUS EFIAPI
EmuLegacyBoot (EFI_LEGACY_BIOS_PROTOCOL *This, BBS_BBS_DEVICE_PATH *BootOption, UINT32 LoadOptionsSize, VOID *LoadOptions)
{
  LegacyBios  *Self = LegacyBiosFromThis (This);
  (VOID)LoadOptionsSize;
  (VOID)LoadOptions;
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Boot (BootOption);
}

LegacyBios::LegacyBios (Machine &Owner)
  : mPrivate (std::make_unique<LEGACY_BIOS_PRIVATE>())
{
  std::memset (&mPrivate->Protocol, 0, sizeof (mPrivate->Protocol));
  mPrivate->Protocol.GetBbsInfo = EmuGetBbsInfo;
  mPrivate->Protocol.LegacyBoot = EmuLegacyBoot;
  mPrivate->Signature           = kLegacyBiosSignature;
  mPrivate->Owner               = this;
  mPrivate->Memory.Map          = MapLowMemory;
  (VOID)Owner.Protocols ().Install (&mHandle, &kLegacyBiosGuid, &mPrivate->Protocol);
  (VOID)Owner.Protocols ().Install (&mHandle, &kLegacyMemoryGuid, &mPrivate->Memory);
}

LegacyBios::~LegacyBios ()
{
  mPrivate->Signature = 0;
}

EFI_LEGACY_BIOS_PROTOCOL *
LegacyBios::Protocol ()
{
  return &mPrivate->Protocol;
}

EFI_STATUS
LegacyBios::GetBbsInfo (UINT16 *HddCount, HDD_INFO **HddInfo, UINT16 *BbsCount, BBS_TABLE **BbsTable)
{
  if ((HddCount == nullptr) || (HddInfo == nullptr) || (BbsCount == nullptr) || (BbsTable == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (mBbsInfoStatus != EFI_SUCCESS) {
    return mBbsInfoStatus;
  }
  // The disk records are opaque to the boot manager; a zeroed block of the
  // compatibility module's size (32 records of 1064 bytes) stands for them.
  mHddInfo.assign (32 * 1064, 0);
  *HddCount = mHddCount;
  *HddInfo  = reinterpret_cast<HDD_INFO *>(mHddInfo.data ());
  *BbsCount = (UINT16)mTable.size ();
  *BbsTable = mTable.empty () ? nullptr : mTable.data ();
  return EFI_SUCCESS;
}

EFI_STATUS
LegacyBios::Boot (const BBS_BBS_DEVICE_PATH *Path)
{
  LEGACY_BOOT_RECORD  Record;

  if (Path != nullptr) {
    const UINT8  *Bytes = reinterpret_cast<const UINT8 *>(Path);
    UINT16       Length = (UINT16)(Bytes[2] | (Bytes[3] << 8));
    Record.BbsPath.assign (Bytes, Bytes + Length);
  }
  for (const BBS_TABLE &Entry : mTable) {
    UINT16  Priority = Entry.BootPriority;   // a copy: the packed field cannot bind to push_back's reference
    Record.Priorities.push_back (Priority);
  }
  mBoots.push_back (std::move (Record));
  return mBootStatus;
}

void
LegacyBios::PutMemory (UINT32 Address, const std::vector<UINT8> &Bytes)
{
  mMemory[Address] = Bytes;
}

const UINT8 *
LegacyBios::Memory (UINT32 Address, UINTN *Available) const
{
  auto  Block = mMemory.upper_bound (Address);

  *Available = 0;
  if (Block == mMemory.begin ()) {
    return nullptr;
  }
  --Block;
  UINT32  Offset = Address - Block->first;
  if (Offset >= Block->second.size ()) {
    return nullptr;
  }
  *Available = Block->second.size () - Offset;
  return Block->second.data () + Offset;
}

}  // namespace Emu
