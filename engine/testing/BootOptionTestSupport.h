// Load options, orders and a machine with the engine's boot-option tables, for the
// tests of the boot options and of the legacy device order.
#ifndef ENGINE_TESTING_BOOT_OPTION_TEST_SUPPORT_H_
#define ENGINE_TESTING_BOOT_OPTION_TEST_SUPPORT_H_

#include <engine/testing/EngineMachineTest.h>
#include "LoadOptionBytes.h"

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/boot/BootOptions.h>
#include <Guid/GlobalVariable.h>

#include <Builders/SetupDataBuilder.h>

#include <string>
#include <vector>

using BootTest::BYTES;
using BootTest::kBootFlowGuid;
using BootTest::kNvBsRt;
using BootTest::LoadOption;

inline constexpr UINT32  kActive    = LOAD_OPTION_ACTIVE;
inline constexpr UINT32  kHidden    = LOAD_OPTION_ACTIVE | LOAD_OPTION_HIDDEN;
inline const EFI_GUID  kBootMgrGuid    = { 0xB4909CF3, 0x7B93, 0x4751, { 0x9B, 0xD8, 0x5B, 0xA8, 0x22, 0x0B, 0x9B, 0xB2 } };
inline const EFI_GUID  kDriverMgrGuid  = { 0xC0B4FB05, 0x15E5, 0x4588, { 0x9F, 0xE9, 0xB3, 0xD3, 0x9C, 0x06, 0x77, 0x15 } };
inline const EFI_GUID  kBootNowGuid    = { 0x052E6EB0, 0xF240, 0x42C5, { 0x83, 0x09, 0x45, 0x87, 0x45, 0x45, 0xC6, 0xB4 } };

inline const BYTES  kEnd = { 0x7F, 0xFF, 0x04, 0x00 };

// A file-path node naming "\a.efi", then the end node.
inline BYTES
FilePath ()
{
  BYTES  Path = { 0x04, 0x04, 4 + 14, 0 };
  for (char16_t C : std::u16string (u"\\a.efi")) {
    Path.push_back ((UINT8)C);
    Path.push_back (0);
  }
  Path.insert (Path.end (), { 0, 0 });
  Path.insert (Path.end (), kEnd.begin (), kEnd.end ());
  return Path;
}

// A BBS node for a hard-disk legacy group, then the end node.
inline BYTES
BbsPath ()
{
  BYTES  Path = { 0x05, 0x01, 12, 0, 0x02, 0, 0, 0, 'H', 'D', 0, 0 };
  Path.insert (Path.end (), kEnd.begin (), kEnd.end ());
  return Path;
}

inline BYTES
Order (std::vector<UINT16> Numbers)
{
  return BootTest::U16List (Numbers);
}

class BootOptionsTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    Attach ();
  }

  void Attach ()
  {
    (VOID)PlatformLibConstructor (Devices.Image->ImageHandle (), M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
  }

  void TearDown () override
  {
    FreeBootOptionTables ();
    EngineMachineTest::TearDown ();
  }

  void PutBoot (UINT16 Number, const BYTES &Option, const char16_t *Prefix = u"Boot")
  {
    const char16_t  *Hex = u"0123456789ABCDEF";
    std::u16string  Text = Prefix;
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
      Text.push_back (Hex[(Number >> Shift) & 0xF]);
    }
    M.Variables ().Put (Text, gEfiGlobalVariableGuid, kNvBsRt, Option);
  }

  // A board whose variable list holds "BootOrder" at 7, "LegacyDevOrder" at 8 and
  // "DriverOrder" at 23, so the variable cache keeps them; ForgetBoard undoes it.
  void LoadBoardWithOrders ()
  {
    Builders::SETUP_DATA_DESC  D = BootTest::BoardWithOrders ();
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, EFI_SECTION_FREEFORM_SUBTYPE_GUID,
      Builders::BuildSetupDataSectionBody (D));
    ASSERT_EQ (LoadSetupData (Devices.Image->ImageHandle ()), EFI_SUCCESS);
    ASSERT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
  }

  static void ForgetBoard ()
  {
    FreeVariableCaches ();
    ResetSetupData ();
  }

  BYTES Stored (const std::u16string &Name, const EFI_GUID &Guid = gEfiGlobalVariableGuid)
  {
    const Emu::VARIABLE  *Variable = M.Variables ().Lookup (Name, Guid);
    return (Variable == nullptr) ? BYTES { 0xEE } : Variable->Data;
  }
};

#endif
