/** @file
  A compatibility module's legacy BIOS interface for tests: a BBS table the test
  scripts (entries edited in place by whoever calls GetBbsInfo, as on a real
  board), the real-mode memory that holds the devices' description strings, and a
  log of legacy boots with the priorities each one saw.
**/
#ifndef EMULATOR_LEGACY_BIOS_H_
#define EMULATOR_LEGACY_BIOS_H_

#include <Uefi.h>
#include <Protocol/LegacyBios.h>

#include <Emulator/Machine.h>

#include <map>
#include <memory>
#include <vector>

namespace Emu {

struct LEGACY_BOOT_RECORD {
  std::vector<UINT8>   BbsPath;      // the BBS device-path node that was booted
  std::vector<UINT16>  Priorities;   // every entry's boot priority at that moment
};

// One BBS entry with the fields the boot manager reads; the rest zero.
BBS_TABLE BbsEntry (UINT16 Priority, UINT16 DeviceType, EFI_HANDLE Handle = nullptr, UINT32 Bus = 0, UINT32 Device = 0,
            UINT32 Function = 0, UINT8 DriveNumber = 0);

struct LEGACY_BIOS_PRIVATE;

class LegacyBios : public Device {
public:
  // Installs the interface on a new handle of Owner.
  explicit LegacyBios (Machine &Owner);
  ~LegacyBios () override;

  EFI_LEGACY_BIOS_PROTOCOL *Protocol ();
  EFI_HANDLE               Handle () const { return mHandle; }

  // Test API.
  std::vector<BBS_TABLE>   &Table () { return mTable; }
  void                     SetHddCount (UINT16 Count) { mHddCount = Count; }
  // GetBbsInfo answers Status (and nothing else) until set back to EFI_SUCCESS.
  void                     FailBbsInfo (EFI_STATUS Status) { mBbsInfoStatus = Status; }
  // What LegacyBoot answers after recording the boot.
  void                     SetBootStatus (EFI_STATUS Status) { mBootStatus = Status; }
  // Bytes of real-mode memory at a physical address below 1 MiB + 64 KiB.
  void                     PutMemory (UINT32 Address, const std::vector<UINT8> &Bytes);
  // The readable bytes at Address: a pointer and how many follow, or null.
  const UINT8              *Memory (UINT32 Address, UINTN *Available) const;
  const std::vector<LEGACY_BOOT_RECORD> &Boots () const { return mBoots; }

  EFI_STATUS GetBbsInfo (UINT16 *HddCount, HDD_INFO **HddInfo, UINT16 *BbsCount, BBS_TABLE **BbsTable);
  EFI_STATUS Boot (const BBS_BBS_DEVICE_PATH *Path);

private:
  std::unique_ptr<LEGACY_BIOS_PRIVATE>       mPrivate;
  EFI_HANDLE                                 mHandle = nullptr;
  std::vector<BBS_TABLE>                     mTable;
  std::vector<UINT8>                         mHddInfo;
  UINT16                                     mHddCount = 0;
  EFI_STATUS                                 mBbsInfoStatus = EFI_SUCCESS;
  EFI_STATUS                                 mBootStatus = EFI_SUCCESS;
  std::map<UINT32, std::vector<UINT8>>       mMemory;   // by start address, blocks never overlap
  std::vector<LEGACY_BOOT_RECORD>            mBoots;
};

}  // namespace Emu

#endif
