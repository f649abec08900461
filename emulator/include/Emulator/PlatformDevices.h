/** @file
  The board around the consoles: ports and MSRs behind the platform library's
  IoRead8/IoWrite8/AsmReadMsr64/AsmWriteMsr64, through its host port interface (CMOS through 0x70/0x71, the keyboard controller's
  status port 0x64, the POST-code port 0x80), the status-code log, the ACPI table
  protocol and the hand-off block list with its boot mode.
**/
#ifndef EMULATOR_PLATFORM_DEVICES_H_
#define EMULATOR_PLATFORM_DEVICES_H_

#include <Uefi.h>
#include <Pi/PiHob.h>
#include <Protocol/AcpiTable.h>
#include <Protocol/StatusCode.h>

#include <Emulator/Machine.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Emu {

struct PORT_WRITE {
  UINTN  Port;
  UINT8  Value;
};

class PlatformHardware : public Device {
public:
  // Installs the host port interface on the machine.
  explicit PlatformHardware (Machine &Owner);

  UINT8  Read8 (UINTN Port);
  void   Write8 (UINTN Port, UINT8 Value);
  UINT64 ReadMsr (UINT32 Index);
  void   WriteMsr (UINT32 Index, UINT64 Value);

  // Test API.
  UINT8  Cmos (UINT8 Index) const { return mCmos[Index]; }
  void   SetCmos (UINT8 Index, UINT8 Value) { mCmos[Index] = Value; }
  // Values port 0x64 returns next, one per read; when none are queued, the idle
  // status (input buffer empty, no output) is read.
  void   QueueKeyboardStatus (UINT8 Value) { mStatus64.push_back (Value); }
  void   SetMsr (UINT32 Index, UINT64 Value) { mMsrs[Index] = Value; }
  const std::vector<UINT8>      &PostCodes () const { return mPostCodes; }
  const std::vector<PORT_WRITE> &PortWrites () const { return mPortWrites; }
  const std::map<UINT32, UINT64> &Msrs () const { return mMsrs; }
  // Reads of MSRs nobody set: real hardware would fault there.
  const std::vector<UINT32>     &UnknownMsrReads () const { return mUnknownMsrs; }

private:
  UINT8                     mCmos[256] = {};
  UINT8                     mCmosIndex = 0;
  UINT8                     mExtendedIndex = 0;
  std::deque<UINT8>         mStatus64;
  std::vector<UINT8>        mPostCodes;
  std::vector<PORT_WRITE>   mPortWrites;
  std::map<UINT32, UINT64>  mMsrs;
  std::vector<UINT32>       mUnknownMsrs;
};

struct STATUS_CODE_RECORD {
  EFI_STATUS_CODE_TYPE     Type;
  EFI_STATUS_CODE_VALUE    Value;
  UINT32                   Instance;
  std::optional<EFI_GUID>  CallerId;
  std::string              Text;  // debug string data, UTF-8; empty when none
};

struct STATUS_CODE_PRIVATE;

class StatusCodeLog : public Device {
public:
  explicit StatusCodeLog (Machine &Owner);
  ~StatusCodeLog () override;

  EFI_STATUS_CODE_PROTOCOL              *Protocol ();
  const std::vector<STATUS_CODE_RECORD> &Records () const { return mRecords; }
  void Report (EFI_STATUS_CODE_TYPE Type, EFI_STATUS_CODE_VALUE Value, UINT32 Instance, const EFI_GUID *CallerId,
         const EFI_STATUS_CODE_DATA *Data);

private:
  std::unique_ptr<STATUS_CODE_PRIVATE>  mPrivate;
  std::vector<STATUS_CODE_RECORD>       mRecords;
};

struct ACPI_TABLE {
  UINTN               Key;
  std::vector<UINT8>  Bytes;
};

struct ACPI_PRIVATE;

class AcpiTables : public Device {
public:
  explicit AcpiTables (Machine &Owner);
  ~AcpiTables () override;

  EFI_ACPI_TABLE_PROTOCOL       *Protocol ();
  const std::vector<ACPI_TABLE> &Tables () const { return mTables; }
  EFI_STATUS Install (const VOID *Buffer, UINTN Size, UINTN *Key);
  EFI_STATUS Uninstall (UINTN Key);

private:
  std::unique_ptr<ACPI_PRIVATE>  mPrivate;
  std::vector<ACPI_TABLE>        mTables;
  UINTN                          mNextKey = 1;
};

// The hand-off block list, published as the HOB-list configuration table.
class HobList : public Device {
public:
  HobList (Machine &Owner, EFI_BOOT_MODE BootMode);
  void AddGuidHob (const EFI_GUID &Name, const std::vector<UINT8> &Data);
  void SetBootMode (EFI_BOOT_MODE BootMode);
  const std::vector<UINT64> &Words () const { return mWords; }

private:
  void Publish ();

  Machine                                  &mMachine;
  EFI_BOOT_MODE                            mBootMode;
  std::vector<std::pair<EFI_GUID, std::vector<UINT8>>> mGuidHobs;
  std::vector<UINT64>                      mWords;  // 8-byte aligned storage of the list
};

}  // namespace Emu

#endif
