// A language chosen on a page shows at once, as in OVMF's front page: its driver stores
// "PlatformLang" itself from its question's callback, and before the next key every
// string of the page, the driver's and the engine's, is drawn in the new language. The
// key-help pane keeps its last line in every language the engine speaks.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>
#include <Guid/GlobalVariable.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr EFI_GUID         kLanguageSet  = { 0x5EED0003, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID         kLanguageList = { 0x5EED0003, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID         kLanguagePath = { 0x5EED0003, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_QUESTION_ID  kLanguageQuestion = 0x300;
constexpr UINT32           kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

class LanguageChangeTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    Emu::MACHINE_OPTIONS  Options;
    Options.TextModes = { { 80, 25 } };     // the narrowest panes
    Rebuild (Options);
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  void SetPlatformLanguage (const std::string &Code)
  {
    M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, std::vector<UINT8> (Code.begin (), Code.end () + 1));
  }

  // The front page's way: languages named in "en" and "fr", texts in "en-US" and "fr-FR",
  // and a question without storage whose callback gives its value and stores the choice.
  void PublishLanguagePage ()
  {
    Builders::IfrBuilder  Forms;
    Forms.FormSet (kLanguageSet, 2, 3, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    Forms.Form (1, 2);
    Forms.OneOf ({ .Prompt = 4, .Help = 5, .QuestionId = kLanguageQuestion, .Flags = EFI_IFR_FLAG_CALLBACK },
      EFI_IFR_NUMERIC_SIZE_1, 0, 1, 1);
    Forms.OneOfOption (6, EFI_IFR_OPTION_DEFAULT, EFI_IFR_TYPE_NUM_SIZE_8, 0);
    Forms.OneOfOption (7, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
    Forms.End ();
    Forms.Subtitle (8, 3);
    Forms.End ();
    Forms.End ();

    Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kLanguagePath)));
    Driver->OnCallback = [this] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8,
                           EFI_IFR_TYPE_VALUE *Value, EFI_BROWSER_ACTION_REQUEST *) {
      if ((Question != kLanguageQuestion) || (Value == nullptr)) {
        return EFI_UNSUPPORTED;
      }
      if (Action == EFI_BROWSER_ACTION_RETRIEVE) {
        Value->u8 = Chosen;
        return EFI_SUCCESS;
      }
      if (Action != EFI_BROWSER_ACTION_CHANGED) {
        return EFI_UNSUPPORTED;
      }
      Chosen = Value->u8;
      static const CHAR8  *Codes[] = { "en", "fr" };
      return gRT->SetVariable ((CHAR16 *)u"PlatformLang", (EFI_GUID *)&gEfiGlobalVariableGuid, kNvBsRt, 3,
                               (VOID *)Codes[Chosen & 1]);
    };
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kLanguageList).Add (Forms.Package ())
                                      .Add (Builders::BuildStringPackage ("en-US", 1, {
                                        { 1, u"English" }, { 2, u"Languages" }, { 3, u"" }, { 4, u"Select Language" },
                                        { 5, u"Pick one" }, { 6, u"Standard English" }, { 7, u"Standard French" },
                                        { 8, u"Hello" } }))
                                      .Add (Builders::BuildStringPackage ("fr-FR", 1, {
                                        { 1, u"Fran\u00E7ais" }, { 2, u"Langues" }, { 3, u"" }, { 4, u"Choisir la langue" },
                                        { 5, u"Choisissez" }, { 6, u"Anglais standard" }, { 7, u"Fran\u00E7ais standard" },
                                        { 8, u"Bonjour" } }))
                                      .Add (Builders::BuildStringPackage ("en", 1, { { 1, u"Standard English" } }))
                                      .Add (Builders::BuildStringPackage ("fr", 1, { { 1, u"Standard Fran\u00E7ais" } }))
                                      .Build ());
    ASSERT_NE (Handle, nullptr);
  }

  std::u16string Screen ()
  {
    std::u16string  Text;
    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      Text += Shown (0, Row, gTextScreenColumns) + u"\n";
    }
    return Text;
  }

  // Runs SendForm over the language page with Keys; the screen is read at the wait for
  // the key after them, and the browser is told to exit there.
  std::u16string ScreenAfter (const char *Keys)
  {
    std::u16string  Seen;
    if (*Keys != '\0') {
      Devices.TextIn->Script ().Append (Keys);
    }
    Devices.TextIn->Script ().Append ("Down");
    Devices.TextIn->Script ().SetWaitHook ([this, &Seen] () {
      if ((gTuiApp != nullptr) && (Devices.TextIn->Script ().Remaining () == 1) && Seen.empty ()) {
        Seen = Screen ();
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    return Seen;
  }

  static bool Has (const std::u16string &Screen, const std::u16string &Text)
  {
    return Screen.find (Text) != std::u16string::npos;
  }

  Emu::FakeDriver  *Driver = nullptr;
  EFI_HII_HANDLE   Handle  = nullptr;
  UINT8            Chosen  = 0;
};

// French chosen on the page: the driver's texts, the value and the engine's panes are
// French before the next key, without leaving the page.
TEST_F (LanguageChangeTest, ALanguageChosenByADriversCallbackIsDrawnBeforeTheNextKey)
{
  SetPlatformLanguage ("en");
  StartEngine ();
  PublishLanguagePage ();

  std::u16string  Screen = ScreenAfter ("Enter,Down,Enter");

  EXPECT_EQ (Chosen, 1);
  for (const std::u16string &French : { std::u16string (u"Choisir la langue"), std::u16string (u"Fran\u00E7ais standard"),
                                        std::u16string (u"Bonjour"), std::u16string (u"Choisissez"),
                                        std::u16string (u"Utilitaire de configuration"), std::u16string (u"\u00C9CHAP : Quitter") }) {
    EXPECT_TRUE (Has (Screen, French)) << std::string (French.begin (), French.end ()) << " missing from\n"
                                       << std::string (Screen.begin (), Screen.end ());
  }
  for (const std::u16string &English : { std::u16string (u"Select Language"), std::u16string (u"Hello"),
                                         std::u16string (u"Setup Utility"), std::u16string (u"ESC: Exit") }) {
    EXPECT_FALSE (Has (Screen, English)) << std::string (English.begin (), English.end ()) << " still drawn";
  }
}

// Stored as the front page stores it, "fr" reads the page's texts from "fr-FR" from the start.
TEST_F (LanguageChangeTest, APrimaryLanguageStoredBeforeShowsThePagesRegionalTexts)
{
  SetPlatformLanguage ("fr");
  StartEngine ();
  PublishLanguagePage ();
  Chosen = 1;

  std::u16string  Screen = ScreenAfter ("");

  EXPECT_TRUE (Has (Screen, u"Choisir la langue"));
  EXPECT_TRUE (Has (Screen, u"Bonjour"));
  EXPECT_FALSE (Has (Screen, u"Select Language"));
}

// Each language's key help ends with its Esc line, also where the pane is narrowest.
TEST_F (LanguageChangeTest, TheKeyHelpPaneShowsItsEscLineInEveryLanguage)
{
  const struct {
    const char      *Code;
    std::u16string  EscLine;
  } Rows[] = { { "en-US", u"ESC: Exit" }, { "fr-FR", u"\u00C9CHAP : Quitter" }, { "de-DE", u"ESC: Beenden" } };

  StartEngine ();
  PublishLanguagePage ();
  for (const auto &Row : Rows) {
    SetPlatformLanguage (Row.Code);
    std::u16string  Screen = ScreenAfter ("");
    EXPECT_TRUE (Has (Screen, Row.EscLine)) << Row.Code << ":\n" << std::string (Screen.begin (), Screen.end ());
  }
}

}  // namespace
