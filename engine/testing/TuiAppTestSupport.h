// Setup pages on the emulator: two form sets in the HII database (a main page with a
// subtitle, a text statement and more links than the main frame holds, a details page
// the links open, and a second top-level page), parsed into pages and shown by the
// text-mode application driven by scripted keys.
#ifndef ENGINE_TESTING_TUI_APP_TEST_SUPPORT_H_
#define ENGINE_TESTING_TUI_APP_TEST_SUPPORT_H_

#include "TextUiMachineTest.h"

#include <engine/browser/DynamicPages.h>
#include <engine/forms/FormParser.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/RunEnded.h>

#include <map>
#include <string>
#include <vector>

namespace TuiAppTestData {

inline constexpr EFI_GUID  kMainSet   = { 0x5D0C1A10, 0x0001, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x01 } };
inline constexpr EFI_GUID  kSecondSet = { 0x5D0C1A10, 0x0002, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x02 } };
inline constexpr EFI_GUID  kPlatform  = EFI_HII_PLATFORM_SETUP_FORMSET_GUID;

inline constexpr UINT16  kLinks      = 28;     // with the subtitle and the text: 30 rows, the frame holds 26
inline constexpr UINT16  kLinkPrompt = 0x20;

// Pages as the parser numbers them: 0 is kept for the link page.
inline constexpr UINT32  kMainPage    = 1;
inline constexpr UINT32  kDetailsPage = 2;
inline constexpr UINT32  kSecondPage  = 3;

}  // namespace TuiAppTestData

class TuiAppTest : public TextUiMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // A machine whose keyboard gives Keys, the engine started on it and the two form sets parsed.
  void Boot (const std::string &Keys)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    DestroyTuiApp ();                 // what an earlier boot of the test left
    FreeDynamicPageTable ();
    ForgetEngine ();
    Rebuild (Options);
    StartEngine ();
    Publish (MainForms (), MainStrings (), TuiAppTestData::kMainSet);
    Publish (SecondForms (), { { 1, u"Second" }, { 0x10, u"Second" }, { 0x11, u"Second page" }, { 0x12, u"Here" }, { 0x13, u"Level" } },
      TuiAppTestData::kSecondSet);
    M.Variables ().Put (u"TuiVar", TuiAppTestData::kSecondSet, 7, { 1, 42, 0, 0 });   // known to the parser only
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  }

  // Runs setup until the keys run out; the application stays for the test to look at.
  EFI_STATUS RunUntilKeysEnd ()
  {
    try {
      return RunTextSetup (0);
    } catch (const Emu::KeyScriptExhausted &) {
      return EFI_TIMEOUT;
    }
  }

  static std::u16string LinkName (UINT16 Number)
  {
    std::u16string  Name = u"Link ";
    Name += (char16_t)(u'0' + Number / 10);
    Name += (char16_t)(u'0' + Number % 10);
    return Name;
  }

  TUI_FRAME *MainFrame (UINT32 Page) { return FindPageFrame (gTuiApp->Pages[Page], TUI_FRAME_MAIN); }

  // A driver's form set under ListGuid whose form 1 links to form 2, which holds one text.
  EFI_HII_HANDLE PublishLinkedDriverForms (const EFI_GUID &ListGuid, const EFI_GUID &FormSetGuid)
  {
    Builders::IfrBuilder          F;
    Builders::PackageListBuilder  List (ListGuid);
    EFI_HII_HANDLE                Handle = nullptr;

    F.FormSet (FormSetGuid, 1, 0, { TuiAppTestData::kPlatform });
    F.Form (1, 0x10);
    F.Ref ({ 0x11, 0, 0x300 }, 2);
    F.End ();
    F.Form (2, 0x12);
    F.Text (0x13, 0, 0x13);
    F.End ();
    F.End ();
    List.Add (F.Package ()).Add (Builders::BuildStringPackage ("en-US", 1,
                                   { { 1, u"Driver" }, { 0x10, u"Driver" }, { 0x11, u"More" }, { 0x12, u"More" }, { 0x13, u"Here" } }));
    Builders::BYTES  Bytes = List.Build ();
    EXPECT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
    return Handle;
  }

private:
  static Builders::IfrBuilder MainForms ()
  {
    Builders::IfrBuilder  F;

    F.FormSet (TuiAppTestData::kMainSet, 1, 2, { TuiAppTestData::kPlatform });
    F.Form (1, 0x10);
    F.Subtitle (0x11, 0);
    F.Text (0x12, 0x17, 0x13);
    for (UINT16 Link = 0; Link < TuiAppTestData::kLinks; Link++) {
      F.Ref ({ (EFI_STRING_ID)(TuiAppTestData::kLinkPrompt + Link), 0x14, (EFI_QUESTION_ID)(0x100 + Link) }, 2);
    }
    F.End ();
    F.Form (2, 0x15);
    F.Text (0x15, 0, 0x16);
    F.Text (0x18, 0, 0x19);
    F.End ();
    F.End ();
    return F;
  }

  static std::map<EFI_STRING_ID, std::u16string> MainStrings ()
  {
    std::map<EFI_STRING_ID, std::u16string>  Strings = {
      { 1, u"Main" }, { 2, u"Main settings" }, { 0x10, u"Main" }, { 0x11, u"Overview" }, { 0x12, u"Board" },
      { 0x13, u"Demo board" }, { 0x14, u"Opens the details" }, { 0x15, u"Details" }, { 0x16, u"Shown" },
      { 0x17, u"The board's name" }, { 0x18, u"Serial" }, { 0x19, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123" },
    };
    for (UINT16 Link = 0; Link < TuiAppTestData::kLinks; Link++) {
      Strings[(EFI_STRING_ID)(TuiAppTestData::kLinkPrompt + Link)] = LinkName ((UINT16)(Link + 1));
    }
    return Strings;
  }

  static Builders::IfrBuilder SecondForms ()
  {
    Builders::IfrBuilder  F;

    F.FormSet (TuiAppTestData::kSecondSet, 1, 0, { TuiAppTestData::kPlatform });
    F.VarStoreEfi (1, TuiAppTestData::kSecondSet, 7, 4, "TuiVar");
    F.Form (1, 0x10);
    F.Text (0x11, 0, 0x12);
    F.Numeric ({ 0x13, 0, 0x200, 1, 1, 0 }, EFI_IFR_NUMERIC_SIZE_1 | EFI_IFR_DISPLAY_UINT_DEC, 0, 255, 1);
    F.End ();
    F.End ();
    F.End ();
    return F;
  }

  void Publish (const Builders::IfrBuilder &Forms, const std::map<EFI_STRING_ID, std::u16string> &Strings,
                const EFI_GUID &ListGuid)
  {
    EFI_HII_HANDLE                Handle = nullptr;
    Builders::PackageListBuilder  List (ListGuid);

    List.Add (Forms.Package ()).Add (Builders::BuildStringPackage ("en-US", 1, Strings));
    Builders::BYTES  Bytes = List.Build ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
  }
};

#endif
