/*
 * The font host of a UEFI driver image configured without FreeType's source tarball: no
 * typeface is made, and every scaler context is the empty one (no glyphs, zero metrics), so
 * text draws nothing there. With the tarball the image uses the font host in host/.
 */
#if defined(SETUP_UEFI_TARGET)

#include "graphics/text/SkFontHost.h"
#include "graphics/text/SkGlyphCache.h"

SkScalerContext *SkFontHost::CreateScalerContext (const SkDescriptor *desc)
{
    (void)desc;
    return nullptr;
}

SkTypeface *SkFontHost::CreateTypefaceFromStream (SkStream *stream)
{
    (void)stream;
    return nullptr;
}

SkTypeface *SkFontHost::CreateTypefaceFromName (const char *familyName, SkTypeface::Style style)
{
    (void)familyName;
    (void)style;
    return nullptr;
}

uint32_t SkFontHost::NextLogicalFont (uint32_t fontID)
{
    (void)fontID;
    return 0;
}

void SkFontHost::Unload ()
{
    SkGlyphCache::PurgeAll ();
}

int SkFontHost::CountFamilies () { return 0; }

int SkFontHost::CountNames () { return 0; }

int SkFontHost::NameAt (int index, const char **name)
{
    (void)index;
    (void)name;
    return -1;
}

uint32_t SkTypeface::UniqueID (const SkTypeface *typeface)
{
    return typeface == nullptr ? 0 : typeface->uniqueID ();
}

#endif
