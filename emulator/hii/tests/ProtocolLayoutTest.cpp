// The emulator fills its own declarations of the HII protocols; the engine calls
// through the platform's. Every member must sit at the same place in both.
#include "../src/HiiProtocolLayout.h"

#include <Protocol/HiiConfigAccess.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiString.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {

#define SAME(Emu, Efi, Member) static_assert (offsetof (Emu, Member) == offsetof (Efi, Member), #Member)

static_assert (sizeof (Emu::EMU_HII_DATABASE_PROTOCOL) == sizeof (EFI_HII_DATABASE_PROTOCOL));
SAME (Emu::EMU_HII_DATABASE_PROTOCOL, EFI_HII_DATABASE_PROTOCOL, NewPackageList);
SAME (Emu::EMU_HII_DATABASE_PROTOCOL, EFI_HII_DATABASE_PROTOCOL, ExportPackageLists);
SAME (Emu::EMU_HII_DATABASE_PROTOCOL, EFI_HII_DATABASE_PROTOCOL, RegisterPackageNotify);
SAME (Emu::EMU_HII_DATABASE_PROTOCOL, EFI_HII_DATABASE_PROTOCOL, FindKeyboardLayouts);
SAME (Emu::EMU_HII_DATABASE_PROTOCOL, EFI_HII_DATABASE_PROTOCOL, GetPackageListHandle);
static_assert (sizeof (Emu::EMU_HII_STRING_PROTOCOL) == sizeof (EFI_HII_STRING_PROTOCOL));
SAME (Emu::EMU_HII_STRING_PROTOCOL, EFI_HII_STRING_PROTOCOL, NewString);
SAME (Emu::EMU_HII_STRING_PROTOCOL, EFI_HII_STRING_PROTOCOL, GetString);
SAME (Emu::EMU_HII_STRING_PROTOCOL, EFI_HII_STRING_PROTOCOL, SetString);
SAME (Emu::EMU_HII_STRING_PROTOCOL, EFI_HII_STRING_PROTOCOL, GetLanguages);
SAME (Emu::EMU_HII_STRING_PROTOCOL, EFI_HII_STRING_PROTOCOL, GetSecondaryLanguages);
static_assert (sizeof (Emu::EMU_HII_FONT_PROTOCOL) == sizeof (EFI_HII_FONT_PROTOCOL));
SAME (Emu::EMU_HII_FONT_PROTOCOL, EFI_HII_FONT_PROTOCOL, StringToImage);
SAME (Emu::EMU_HII_FONT_PROTOCOL, EFI_HII_FONT_PROTOCOL, GetGlyph);
SAME (Emu::EMU_HII_FONT_PROTOCOL, EFI_HII_FONT_PROTOCOL, GetFontInfo);
static_assert (sizeof (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL) == sizeof (EFI_HII_CONFIG_ROUTING_PROTOCOL));
SAME (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL, EFI_HII_CONFIG_ROUTING_PROTOCOL, ExtractConfig);
SAME (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL, EFI_HII_CONFIG_ROUTING_PROTOCOL, RouteConfig);
SAME (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL, EFI_HII_CONFIG_ROUTING_PROTOCOL, BlockToConfig);
SAME (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL, EFI_HII_CONFIG_ROUTING_PROTOCOL, ConfigToBlock);
SAME (Emu::EMU_HII_CONFIG_ROUTING_PROTOCOL, EFI_HII_CONFIG_ROUTING_PROTOCOL, GetAltConfig);
static_assert (sizeof (Emu::EMU_HII_CONFIG_ACCESS_PROTOCOL) == sizeof (EFI_HII_CONFIG_ACCESS_PROTOCOL));
SAME (Emu::EMU_HII_CONFIG_ACCESS_PROTOCOL, EFI_HII_CONFIG_ACCESS_PROTOCOL, Callback);
static_assert (sizeof (Emu::EMU_FONT_DISPLAY_INFO) == sizeof (EFI_FONT_DISPLAY_INFO));
SAME (Emu::EMU_FONT_DISPLAY_INFO, EFI_FONT_DISPLAY_INFO, FontInfoMask);
SAME (Emu::EMU_FONT_DISPLAY_INFO, EFI_FONT_DISPLAY_INFO, FontInfo);
static_assert (sizeof (Emu::EMU_IMAGE_OUTPUT) == sizeof (EFI_IMAGE_OUTPUT));
SAME (Emu::EMU_IMAGE_OUTPUT, EFI_IMAGE_OUTPUT, Image);
static_assert (sizeof (Emu::EMU_HII_ROW_INFO) == sizeof (EFI_HII_ROW_INFO));
static_assert (Emu::kHiiOutFlagTransparent == EFI_HII_OUT_FLAG_TRANSPARENT);
static_assert (Emu::kHiiOutFlagDirectToScreen == EFI_HII_DIRECT_TO_SCREEN);

TEST (ProtocolLayout, GuidsMatchThePlatformHeaders)
{
  const EFI_GUID  Pairs[][2] = {
    { EMU_HII_DATABASE_GUID, EFI_HII_DATABASE_PROTOCOL_GUID },
    { EMU_HII_STRING_GUID, EFI_HII_STRING_PROTOCOL_GUID },
    { EMU_HII_FONT_GUID, EFI_HII_FONT_PROTOCOL_GUID },
    { EMU_HII_CONFIG_ROUTING_GUID, EFI_HII_CONFIG_ROUTING_PROTOCOL_GUID },
    { EMU_HII_CONFIG_ACCESS_GUID, EFI_HII_CONFIG_ACCESS_PROTOCOL_GUID },
  };
  for (const auto &Pair : Pairs) {
    EXPECT_EQ (std::memcmp (&Pair[0], &Pair[1], sizeof (EFI_GUID)), 0);
  }
}

}  // namespace
