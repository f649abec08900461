// A front page's header lines, as OVMF's front page has them: its driver fills the
// texts of its banner opcodes (machine, processor and speed, firmware version and
// memory, from its SMBIOS tables) in every language before it calls SendForm, and the
// browser shows them at the top of the page, each line's left and right texts on one
// row. Only a front page's form set shows them, as in OVMF's own browser.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kFrontPageSet   = { 0x5EED0004, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kFrontPageList  = { 0x5EED0004, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kFrontPageClass = { 0x9E0C30BC, 0x3F06, 0x4BA6, { 0x82, 0x88, 0x09, 0x17, 0x9B, 0x85, 0x5D, 0xBE } };

// The banner string ids and what the driver puts there, as under QEMU.
const std::vector<std::pair<EFI_STRING_ID, std::u16string>>  kSystemLines = {
  { 10, u"Standard PC (Q35 + ICH9, 2009)" }, { 11, u"pc-q35-7.2" }, { 12, u"2.00 GHz" }, { 13, u"0.0.0" },
  { 14, u"256 MB RAM" },
};

class FrontPageLinesTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    Emu::MACHINE_OPTIONS  Options;
    Options.TextModes = { { 80, 25 } };
    Rebuild (Options);
    StartEngine ();
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // The front page's form: its banners in the order OVMF's has them (the right text of a
  // line after its left one), then a text statement without a second text and an item.
  EFI_HII_HANDLE Publish (const EFI_GUID &Class, bool FrontPageSubclass = false)
  {
    Builders::IfrBuilder  Forms;
    Forms.FormSet (kFrontPageSet, 2, 3, { Class });
    if (FrontPageSubclass) {
      Forms.GuidSubclass (0x0002);
    }
    Forms.Form (1, 2);
    Forms.GuidBanner (10, 1, EFI_IFR_BANNER_ALIGN_LEFT);
    Forms.GuidBanner (11, 2, EFI_IFR_BANNER_ALIGN_LEFT);
    Forms.GuidBanner (12, 2, EFI_IFR_BANNER_ALIGN_RIGHT);
    Forms.GuidBanner (13, 3, EFI_IFR_BANNER_ALIGN_LEFT);
    Forms.GuidBanner (14, 3, EFI_IFR_BANNER_ALIGN_RIGHT);
    Forms.Text (4, 3);
    Forms.Action1 ({ .Prompt = 5, .Help = 3, .QuestionId = 0x400 });
    Forms.End ();
    Forms.End ();

    // The package holds the banner strings as built; the driver fills them before SendForm.
    std::map<EFI_STRING_ID, std::u16string>  Strings = {
      { 1, u"English" }, { 2, u"Front Page" }, { 3, u"" }, { 4, u"Welcome" }, { 5, u"Continue" },
    };
    for (const auto &[Id, Text] : kSystemLines) {
      Strings[Id] = u" ";
    }
    EFI_HII_HANDLE  Handle = nullptr;
    std::vector<UINT8>  List = Builders::PackageListBuilder (kFrontPageList).Add (Forms.Package ())
                                 .Add (Builders::BuildStringPackage ("en-US", 1, Strings)).Build ();
    EXPECT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Handle),
               EFI_SUCCESS);
    for (const auto &[Id, Text] : kSystemLines) {
      EXPECT_EQ (gHiiString->SetString (gHiiString, Handle, Id, (CHAR8 *)"en-US", (EFI_STRING)Text.c_str (), nullptr),
                 EFI_SUCCESS);
    }
    return Handle;
  }

  // The screen's rows at the first key wait; the browser is left there.
  std::vector<std::u16string> RowsShown (EFI_HII_HANDLE Handle)
  {
    std::vector<std::u16string>  Rows;
    Devices.TextIn->Script ().Append ("Down");
    Devices.TextIn->Script ().SetWaitHook ([this, &Rows] () {
      if ((gTuiApp != nullptr) && Rows.empty ()) {
        for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
          Rows.push_back (Shown (0, Row, gTextScreenColumns));
        }
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    return Rows;
  }

  static size_t RowWith (const std::vector<std::u16string> &Rows, const std::u16string &Text)
  {
    for (size_t Row = 0; Row < Rows.size (); Row++) {
      if (Rows[Row].find (Text) != std::u16string::npos) {
        return Row;
      }
    }
    return SIZE_MAX;
  }
};

// The header lines come first on the page, in line order, each line's two texts on one
// row with the right one after the left; the page's own statements follow them.
TEST_F (FrontPageLinesTest, AFrontPageShowsItsHeaderLinesAboveItsItems)
{
  std::vector<std::u16string>  Rows = RowsShown (Publish (kFrontPageClass));

  size_t  Machine   = RowWith (Rows, u"Standard PC (Q35 + ICH9, 2009)");
  size_t  Processor = RowWith (Rows, u"pc-q35-7.2");
  size_t  Speed     = RowWith (Rows, u"2.00 GHz");
  size_t  Firmware  = RowWith (Rows, u"0.0.0");
  size_t  Memory    = RowWith (Rows, u"256 MB RAM");
  size_t  Welcome   = RowWith (Rows, u"Welcome");
  size_t  Item      = RowWith (Rows, u"Continue");

  ASSERT_NE (Machine, SIZE_MAX);
  ASSERT_NE (Processor, SIZE_MAX);
  ASSERT_NE (Firmware, SIZE_MAX);
  EXPECT_EQ (Processor, Machine + 1);     // the machine's name takes one row, not wrapped to the prompt column
  EXPECT_LT (Machine, Processor);
  EXPECT_LT (Processor, Firmware);
  EXPECT_EQ (Speed, Processor);
  EXPECT_EQ (Memory, Firmware);
  EXPECT_GT (Rows[Processor].find (u"2.00 GHz"), Rows[Processor].find (u"pc-q35-7.2"));
  EXPECT_LT (Firmware, Welcome);      // a text statement without a second text shows its prompt
  EXPECT_LT (Welcome, Item);
}

// The same form set with another class is no front page: OVMF's own browser shows no
// header lines there, and neither does this one.
TEST_F (FrontPageLinesTest, OtherFormSetsShowNoHeaderLines)
{
  std::vector<std::u16string>  Rows = RowsShown (Publish (EFI_HII_PLATFORM_SETUP_FORMSET_GUID));

  EXPECT_EQ (RowWith (Rows, u"Standard PC"), SIZE_MAX);
  EXPECT_EQ (RowWith (Rows, u"256 MB RAM"), SIZE_MAX);
  EXPECT_NE (RowWith (Rows, u"Continue"), SIZE_MAX);
}

// A form set of another class whose subclass is the front page's is a front page too.
TEST_F (FrontPageLinesTest, TheFrontPageSubclassAlsoShowsThem)
{
  std::vector<std::u16string>  Rows = RowsShown (Publish (EFI_HII_PLATFORM_SETUP_FORMSET_GUID, true));

  EXPECT_NE (RowWith (Rows, u"Standard PC (Q35 + ICH9, 2009)"), SIZE_MAX);
  EXPECT_EQ (RowWith (Rows, u"pc-q35-7.2"), RowWith (Rows, u"2.00 GHz"));
}

}  // namespace
