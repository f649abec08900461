/*
 * SkFontHost: the font back end over FreeType. It keeps the typefaces and families, loads
 * the built-in font table on first use, makes typefaces from font streams and makes the
 * scaler contexts that turn glyph requests into FreeType calls.
 */
#ifndef GRAPHICS_TEXT_SKFONTHOST_H_
#define GRAPHICS_TEXT_SKFONTHOST_H_

#include "graphics/paint/SkTypeface.h"
#include "graphics/text/SkDescriptor.h"

class SkScalerContext;
class SkStream;

class SkFontHost {
public:
    // A FreeType scaler context for desc, or null when its face or size cannot be made.
    static SkScalerContext *CreateScalerContext (const SkDescriptor *desc);
    // A typeface (count 1) for the font in stream, in a family of its own and appended to
    // the custom font list (the fallback chain), or null for an empty or unreadable font.
    static SkTypeface *CreateTypefaceFromStream (SkStream *stream);
    // The typeface of the family with that name (any case) nearest to style, with one more
    // reference, or null.
    static SkTypeface *CreateTypefaceFromName (const char *familyName, SkTypeface::Style style);
    // The font id after fontID in the custom font list, or the list's first when fontID is
    // not in it; 0 when there is none.
    static uint32_t NextLogicalFont (uint32_t fontID);
    // At unload: every glyph cache purged, the system typefaces released, the name table
    // freed. The table is loaded again on next use.
    static void Unload ();
    // How many families and names are registered (tests).
    static int CountFamilies ();
    static int CountNames ();
    // The name at index of the sorted table in *name: index, or -1 past the end (tests).
    static int NameAt (int index, const char **name);
};

#endif
