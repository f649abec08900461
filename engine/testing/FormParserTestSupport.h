// Form sets for the form parser's tests: a builder package published with its
// strings in the emulator's HII database, parsed as a dynamic-page slot, and
// readers of the work tables the parse appended to.
#ifndef ENGINE_CORE_TESTS_SUPPORT_FORM_PARSER_TEST_SUPPORT_H_
#define ENGINE_CORE_TESTS_SUPPORT_FORM_PARSER_TEST_SUPPORT_H_

#include "HiiEngineTest.h"

#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <engine/variables/VariableCache.h>
#include <engine/post/BootScreen.h>

#include <Library/BaseMemoryLib.h>

#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>

#include <map>
#include <string>
#include <vector>

namespace ParserTest {

inline constexpr EFI_GUID  kSetGuid        = { 0x1A2B3C4D, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
inline constexpr EFI_GUID  kListGuid       = { 0x1A2B3C4D, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
inline constexpr EFI_GUID  kStoreGuid      = { 0x1A2B3C4D, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
inline constexpr EFI_GUID  kOtherClass     = { 0x1A2B3C4D, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
inline constexpr EFI_GUID  kPlatformSetup  = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;
inline constexpr EFI_GUID  kDriverHealth   = EFI_HII_DRIVER_HEALTH_FORMSET_GUID;
inline constexpr EFI_GUID  kStandardMethod = EFI_HII_STANDARD_FORM_GUID;

// String ids the form sets below use.
inline constexpr EFI_STRING_ID  kSetTitle  = 2;
inline constexpr EFI_STRING_ID  kSetHelp   = 3;

struct MESSAGE {
  std::u16string  Title;
  std::u16string  Text;
};

inline std::vector<MESSAGE>  gMessages;

inline EFI_STATUS EFIAPI
RecordMessage (CHAR16 *Title, CHAR16 *Message, UINT8, UINT8 *)
{
  gMessages.push_back ({ Title, Message });
  return EFI_SUCCESS;
}

}  // namespace ParserTest

class FormParserTest : public HiiEngineTest {
public:
  // A form set of the platform-setup class; the caller adds its forms and closes it.
  static void BeginSet (Builders::IfrBuilder &F, const std::vector<EFI_GUID> &Classes = { ParserTest::kPlatformSetup })
  {
    F.FormSet (ParserTest::kSetGuid, ParserTest::kSetTitle, ParserTest::kSetHelp, Classes);
  }

protected:
  void SetUp () override
  {
    HiiEngineTest::SetUp ();
    mSavedBox = gBootScreenInterface.ShowBootScreenMessageBox;
    gBootScreenInterface.ShowBootScreenMessageBox = ParserTest::RecordMessage;
    ParserTest::gMessages.clear ();
  }

  void TearDown () override
  {
    gBootScreenInterface.ShowBootScreenMessageBox = mSavedBox;
    FreeWorkTables ();
    gDynamicPageAnchor            = 0;
    gSendFormRunning              = FALSE;
    gSendFormGuid                 = nullptr;
    gCompiledPageFormSetGuids     = nullptr;
    gCompiledPageFormSetGuidCount = 0;
    HiiEngineTest::TearDown ();
  }

  // A board whose one page is the link page, with Variables cache-only engine variables
  // ahead of whatever the form sets add, and the variable cache loaded. With 60, the
  // stores of the form sets come after every index the engine gives a meaning.
  void LoadPlainBoard (UINT32 Variables = 60)
  {
    Builders::SETUP_DATA_DESC  Desc;

    Desc.Pages    = { { .FormId = 1, .Controls = { { .ControlType = CONTROL_TYPE_TEXT } } } };
    Desc.FormSets = { {} };
    for (UINT32 Index = 0; Index < Variables; Index++) {
      Desc.Variables.push_back ({ .VendorGuid = ParserTest::kStoreGuid, .Name = u"Engine" + std::u16string (1, (char16_t)(u'0' + Index)),
                                  .StoreFlags = VARIABLE_STORE_CACHE_ONLY });
    }
    LoadSetupData (Desc);
    ASSERT_EQ (LoadVariableCache (&gVariableCache, nullptr), EFI_SUCCESS);
  }

  // Publishes the forms with their English strings; the parse reads names from there.
  EFI_HII_HANDLE Publish (const Builders::IfrBuilder &Forms, const std::map<EFI_STRING_ID, std::u16string> &Strings)
  {
    EFI_GUID                      Guid   = ParserTest::kListGuid;
    EFI_HII_HANDLE                Handle = nullptr;

    Guid.Data4[6] = (UINT8)mPublished++;    // each list needs its own GUID
    Builders::PackageListBuilder  List (Guid);

    List.Add (Forms.Package ());
    if (!Strings.empty ()) {
      List.Add (Builders::BuildStringPackage ("en-US", 1, Strings));
    }

    Builders::BYTES  Bytes = List.Build ();
    EXPECT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
    return Handle;
  }

  // Parses the forms as a slot whose package copy the test keeps alive.
  EFI_STATUS Parse (const Builders::IfrBuilder &Forms, const std::map<EFI_STRING_ID, std::u16string> &Strings = {})
  {
    mPackages.push_back (Forms.Package ());
    return ParseBytes (mPackages.back (), Publish (Forms, Strings));
  }

  // Publishes the forms and keeps their package copy without parsing it.
  EFI_HII_HANDLE Keep (const Builders::IfrBuilder &Forms)
  {
    mPackages.push_back (Forms.Package ());
    return Publish (Forms, {});
  }

  EFI_STATUS ParseKept (EFI_HII_HANDLE Handle) { return ParseBytes (mPackages.back (), Handle); }

  EFI_STATUS ParseBytes (std::vector<UINT8> &Bytes, EFI_HII_HANDLE Handle)
  {
    Job           = {};
    Job.Package   = Bytes.data ();
    Job.HiiHandle = Handle;
    return ParseFormSetForms (&Job);
  }

  const UINT8 *Opcode (size_t Offset) const { return mPackages.back ().data () + Offset; }
  UINT64       Address (size_t Offset) const { return (UINT64)(UINTN)Opcode (Offset); }

  static CONTROL_RECORD *Control (UINTN Page, UINTN N) { return GetWorkPageControl (GetWorkPage (Page), N); }

  static std::vector<UINT16> Types (UINTN Page)
  {
    std::vector<UINT16>  Result;
    PAGE_RECORD          *Record = GetWorkPage (Page);

    for (UINTN N = 0; (Record != nullptr) && (N < Record->ControlCount); N++) {
      Result.push_back (Control (Page, N)->ControlType);
    }
    return Result;
  }

  static const UINT8 *MfgDefault (const CONTROL_RECORD *C) { return (const UINT8 *)C + CONTROL_RECORD_DEFAULTS; }
  static const UINT8 *StdDefault (const CONTROL_RECORD *C) { return MfgDefault (C) + C->ValueWidth; }
  static const UINT8 *DefaultEntry (const CONTROL_RECORD *C, UINTN K)
  {
    return StdDefault (C) + C->ValueWidth + K * (2u + C->ValueWidth);
  }

  static std::u16string Name (const VARIABLE_RECORD *Record) { return Record->Name; }

  DYNAMIC_PAGE_RECORD  Job {};

private:
  std::vector<std::vector<UINT8>>                            mPackages;
  unsigned                                                   mPublished = 0;
  decltype (gBootScreenInterface.ShowBootScreenMessageBox)  mSavedBox = nullptr;
};

namespace ParserTest {

// One form holding what Body writes, in a form set with buffer store 1 ("Store", 16 bytes).
template <typename BODY>
Builders::IfrBuilder
OneForm (BODY Body)
{
  Builders::IfrBuilder  F;

  FormParserTest::BeginSet (F);
  F.VarStore (kStoreGuid, 1, 16, "Store");
  F.Form (1, 10);
  Body (F);
  F.End ();
  F.End ();
  return F;
}

}  // namespace ParserTest

#endif
