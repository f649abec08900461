/** @file
  The machine: its core services and the system table that exposes them.
**/
#include <Emulator/Machine.h>
#include <Emulator/Guid.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace Emu {

static Machine  *mCurrentMachine = nullptr;

static CHAR16  mFirmwareVendor[] = u"Setup emulator";

Machine *
Machine::Current ()
{
  return mCurrentMachine;
}

Machine &
Machine::Serving (const char *Kind)
{
  if (mCurrentMachine == nullptr) {
    throw std::logic_error (std::string ("a ") + Kind + " service was called with no emulated machine");
  }
  return *mCurrentMachine;
}

Machine::Machine ()
  : mProtocols (mEvents, mPool), mClock (mEvents), mSystemTable {}, mBootServices {}, mRuntimeServices {}
{
  if (mCurrentMachine != nullptr) {
    throw std::logic_error ("only one emulated machine may exist at a time");
  }
  mCurrentMachine = this;
  BuildTables ();
}

Machine::~Machine ()
{
  // Devices go first: they may still close events or uninstall protocols.
  mDevices.clear ();
  mCurrentMachine = nullptr;
}

void
Machine::BuildTables ()
{
  FillBootServices (&mBootServices);
  FillRuntimeServices (&mRuntimeServices);
  mSystemTable.Hdr              = EFI_TABLE_HEADER { EFI_SYSTEM_TABLE_SIGNATURE, EFI_2_70_SYSTEM_TABLE_REVISION,
                                                     sizeof (EFI_SYSTEM_TABLE), 0, 0 };
  mSystemTable.FirmwareVendor   = mFirmwareVendor;
  mSystemTable.FirmwareRevision = 0x00010000;
  mSystemTable.RuntimeServices  = &mRuntimeServices;
  mSystemTable.BootServices     = &mBootServices;
}

EFI_STATUS
Machine::InstallConfigurationTable (const EFI_GUID *Guid, VOID *Table)
{
  if (Guid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (size_t Index = 0; Index < mConfigTables.size (); Index++) {
    if (GuidEqual (mConfigTables[Index].VendorGuid, *Guid)) {
      if (Table == nullptr) {
        mConfigTables.erase (mConfigTables.begin () + Index);
      } else {
        mConfigTables[Index].VendorTable = Table;
      }
      Table = nullptr;
      mSystemTable.NumberOfTableEntries = mConfigTables.size ();
      mSystemTable.ConfigurationTable   = mConfigTables.empty () ? nullptr : mConfigTables.data ();
      return EFI_SUCCESS;
    }
  }
  if (Table == nullptr) {
    return EFI_NOT_FOUND;
  }
  mConfigTables.push_back (EFI_CONFIGURATION_TABLE { *Guid, Table });
  mSystemTable.NumberOfTableEntries = mConfigTables.size ();
  mSystemTable.ConfigurationTable   = mConfigTables.data ();
  return EFI_SUCCESS;
}

VOID *
Machine::FindConfigurationTable (const EFI_GUID &Guid) const
{
  for (const EFI_CONFIGURATION_TABLE &Entry : mConfigTables) {
    if (GuidEqual (Entry.VendorGuid, Guid)) {
      return Entry.VendorTable;
    }
  }
  return nullptr;
}

}  // namespace Emu
