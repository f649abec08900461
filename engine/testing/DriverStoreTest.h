// A fake driver that owns variable 16 "Board" (8 bytes, 10 to 17) through the
// emulator's Configuration Routing, beside the engine's plain variables 0 to 15,
// with the variable cache loaded: for tests of question values and of the form
// browser's callbacks into the browser.
#ifndef ENGINE_CORE_TESTS_SUPPORT_DRIVER_STORE_TEST_H_
#define ENGINE_CORE_TESTS_SUPPORT_DRIVER_STORE_TEST_H_

#include "QuestionTestSupport.h"

#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>

#include <Builders/HiiPackageBuilder.h>
#include <EmulatorHii/ConfigString.h>

#include <string>
#include <vector>

namespace DriverStore {

inline const EFI_GUID  kBoardGuid  = BOARD_SETUP_VARIABLE_GUID;
inline const EFI_GUID  kStoreGuid  = ENGINE_SETTINGS_VARIABLE_GUID;
inline const EFI_GUID  kDriverGuid = { 0xA0A0A0A0, 0x1111, 0x2222, { 3, 3, 3, 3, 3, 3, 3, 3 } };
inline const EFI_GUID  kListGuid   = { 0x5A5A5A5A, 0x1111, 0x2222, { 5, 5, 5, 5, 5, 5, 5, 5 } };
inline const UINT32    kBoardIndex = 16;

}  // namespace DriverStore

using namespace DriverStore;

// Variable 0 "Setup" (a plain UEFI variable of 8 bytes) and variable 16 "Board", which
// a fake driver owns (indexes 1 to 15 are the engine's own, always plain variables);
// one page, whose defaults are being gathered.
class DriverStoreTest : public QuestionTest {
protected:
  void SetUp () override
  {
    QuestionTest::SetUp ();
    Driver = &AddDriver (kDriverGuid);
    Builders::IfrBuilder  DriverForms;
    DriverForms.VarStore (kStoreGuid, 1, 8, "Board");
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kListGuid)
                                       .Add (DriverForms.Package ())
                                       .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"English" }, { 2, ActionConfig () } }))
                                       .Build ());
    ASSERT_NE (Handle, nullptr);
    Driver->SetStore (kStoreGuid, u"Board", { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17 });

    Builders::SETUP_DATA_DESC  D;
    D.Variables = { { .VendorGuid = kBoardGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 8 } };
    for (char16_t Index = 1; Index < kBoardIndex; Index++) {
      D.Variables.push_back ({ .VendorGuid = kBoardGuid, .Name = std::u16string (u"Engine") + (char16_t)(u'A' + Index), .Size = 1 });
    }
    D.Variables.push_back ({ .VendorGuid = kStoreGuid, .Name = u"Board", .Size = 8 });
    D.Pages     = { { .FormId = 1 } };
    D.FormSets  = { {} };
    M.Variables ().Put (u"Setup", kBoardGuid, 7, { 1, 2, 3, 4, 5, 6, 7, 8 });
    LoadSetupData (D);
    GetVariableRecord (kBoardIndex)->HiiHandle = Handle;
    ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  }

  std::u16string ActionConfig ()
  {
    std::vector<UINT8>  Path = Emu::FakeDriver::VendorPath (kDriverGuid);
    return u"GUID=" + Emu::HexBytes (&kStoreGuid, 16) + u"&NAME=" + Emu::HexName (u"Board") + u"&PATH=" +
           Emu::HexBytes (Path.data (), Path.size ()) + u"&OFFSET=7&WIDTH=1&VALUE=7f";
  }

  std::vector<UINT8> Cached (UINTN Index)
  {
    return std::vector<UINT8> ((UINT8 *)gVariableCache[Index].Data,
                               (UINT8 *)gVariableCache[Index].Data + gVariableCache[Index].Size);
  }

  CONTROL_RECORD VariableControl (size_t Offset, UINT16 Type, UINT32 Variable = 0)
  {
    CONTROL_RECORD  C = Control (Offset, Type);
    C.VariableIndex = Variable;
    C.HiiHandle     = Handle;
    return C;
  }

  Emu::FakeDriver  *Driver = nullptr;
  EFI_HII_HANDLE   Handle  = nullptr;
};

#endif
