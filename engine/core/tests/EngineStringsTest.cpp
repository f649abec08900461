// HII strings in the platform language with the "en-US" fallback, and the size of
// rendered text, on the emulator's machine with the engine's own package list.
#include <engine/testing/HiiEngineTest.h>

#include <engine/core/EngineStrings.h>
#include <Resources/EngineStringPackage.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const EFI_GUID  kGlobalGuid = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };

constexpr EFI_STRING_ID  kViolationTitle = 126;

class EngineStringsTest : public HiiEngineTest {
protected:
  void SetUp () override
  {
    HiiEngineTest::SetUp ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
    ASSERT_EQ (gBS->LocateProtocol (&gEfiHiiFontProtocolGuid, nullptr, (VOID **)&gHiiFont), EFI_SUCCESS);
  }

  void PlatformLang (const std::string &Code)
  {
    M.Variables ().Put (u"PlatformLang", kGlobalGuid, 7, std::vector<UINT8> (Code.begin (), Code.end ()));
  }

  // The size GetStringPixelWidth reports for Text in a Width x 19 bitmap, which it frees.
  std::pair<UINTN, UINTN> Drawn (const CHAR16 *Text, UINTN Width)
  {
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Bitmap = nullptr;
    UINTN                          OutWidth  = 0;
    UINTN                          OutHeight = 0;

    EXPECT_EQ (GetStringPixelWidth (Text, Width, 19, &OutWidth, &Bitmap, &OutHeight), EFI_SUCCESS);
    EXPECT_TRUE (M.Memory ().IsLive (Bitmap));
    FreePool (Bitmap);
    return { OutWidth, OutHeight };
  }

  // The string, freed; "<null>" when there is none.
  std::u16string Get (EFI_HII_HANDLE Handle, EFI_STRING_ID Id, const CHAR16 *Language = nullptr)
  {
    CHAR16          *String = HiiGetString (Handle, Id, Language);
    std::u16string  Result  = Text (String);

    FreePool (String);
    return Result;
  }
};

TEST_F (EngineStringsTest, ReadsInThePlatformLanguageAndCachesIt) {
  PlatformLang (std::string ("fr-FR") + '\0');
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"Violation du démarrage sécurisé");
  EXPECT_STREQ (gPlatformLanguage, "fr-FR");
  // Read once: a later change of the variable is not seen.
  PlatformLang (std::string ("de-DE") + '\0');
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"Violation du démarrage sécurisé");
}

TEST_F (EngineStringsTest, AGivenLanguageWinsAndAnAllOnesHandleIsTheEnginesOwn) {
  PlatformLang ("fr-FR");
  EXPECT_EQ (Get (ENGINE_OWN_HII_HANDLE, kViolationTitle, u"de-DE"), u"Secure-Boot-Verletzung");
  EXPECT_EQ (Get (ENGINE_OWN_HII_HANDLE, kViolationTitle), u"Violation du démarrage sécurisé");
}

TEST_F (EngineStringsTest, AnUnknownLanguageFallsBackToEnglish) {
  PlatformLang ("xx-XX");
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"Secure Boot Violation");
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle, u"it-IT"), u"Secure Boot Violation");
}

TEST_F (EngineStringsTest, WithoutPlatformLanguageEnglishIsAsked) {
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"Secure Boot Violation");
  EXPECT_STREQ (gPlatformLanguage, "");
}

TEST_F (EngineStringsTest, MissingStringsAndHandlesGiveNull) {
  EXPECT_EQ (Get (gHiiHandle, 0x7FFF), u"<null>");
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle, u"en-US"), u"Secure Boot Violation");
  EXPECT_EQ (Get ((EFI_HII_HANDLE)0x1234, kViolationTitle), u"<null>");
}

// "PlatformLang" longer than the 40-byte cache, and one without its terminator, are
// cut to 39 characters; the look-up then falls back to English.
TEST_F (EngineStringsTest, APlatformLanguageLongerThanTheCacheIsCut) {
  PlatformLang (std::string (60, 'q'));
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"Secure Boot Violation");
  EXPECT_EQ (std::string (gPlatformLanguage), std::string (39, 'q'));
  EXPECT_EQ (gPlatformLanguage[39], '\0');
}

TEST_F (EngineStringsTest, AGivenLanguageLongerThanATagIsCut) {
  std::u16string  Long (100, u'z');

  EXPECT_EQ (Get (gHiiHandle, kViolationTitle, Long.c_str ()), u"Secure Boot Violation");
}

TEST_F (EngineStringsTest, WithoutHiiStringsNothingIsRead) {
  gHiiString = nullptr;
  M.Protocols ().InjectFault ({ .Op = Emu::ProtocolOp::LocateProtocol, .Guid = gEfiHiiFontProtocolGuid,
                                .Status = EFI_NOT_FOUND, .Skip = 0, .Times = 0 });
  EXPECT_EQ (Get (gHiiHandle, kViolationTitle), u"<null>");
}

TEST_F (EngineStringsTest, PixelWidthIsTheDrawnSizeInANewBitmap) {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Bitmap = nullptr;
  UINTN                          Width   = 0;
  UINTN                          Height  = 0;

  ASSERT_EQ (GetStringPixelWidth (u"abc", 100, 19, &Width, &Bitmap, &Height), EFI_SUCCESS);
  EXPECT_EQ (Width, 24u);
  EXPECT_EQ (Height, 19u);
  ASSERT_NE (Bitmap, nullptr);
  EXPECT_TRUE (M.Memory ().IsLive (Bitmap));
  bool  Drawn = false;
  for (UINTN Index = 0; Index < 100 * 19; Index++) {
    Drawn = Drawn || (Bitmap[Index].Blue | Bitmap[Index].Green | Bitmap[Index].Red) != 0;
  }

  EXPECT_TRUE (Drawn);
  FreePool (Bitmap);
}

TEST_F (EngineStringsTest, PixelWidthIsClippedToTheBitmap) {
  EXPECT_EQ (Drawn (u"abcdef", 20), (std::pair<UINTN, UINTN> { 24, 19 }));    // three cells start inside 20 pixels
  EXPECT_EQ (Drawn (u"abcdef", 100), (std::pair<UINTN, UINTN> { 48, 19 }));
}

TEST_F (EngineStringsTest, PixelWidthRefusesEmptyBitmapsAndReportsAllocationFailure) {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Bitmap = nullptr;
  UINTN                          Width   = 0;
  UINTN                          Height  = 0;

  EXPECT_EQ (GetStringPixelWidth (u"a", 0, 19, &Width, &Bitmap, &Height), EFI_INVALID_PARAMETER);
  EXPECT_EQ (GetStringPixelWidth (u"a", 10, 0, &Width, &Bitmap, &Height), EFI_INVALID_PARAMETER);
  EXPECT_EQ (GetStringPixelWidth (nullptr, 10, 19, &Width, &Bitmap, &Height), EFI_INVALID_PARAMETER);
  UINT64  Mark = M.Memory ().AllocationCount ();
  M.Memory ().FailAllocation (1);
  EXPECT_EQ (GetStringPixelWidth (u"a", 10, 19, &Width, &Bitmap, &Height), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Bitmap, nullptr);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

}  // namespace
