/*
 * What the font host's registry and its FreeType scaler context share: the library, the
 * shared face records, and typeface look-up by id.
 */
#ifndef GRAPHICS_TEXT_HOST_SKFONTHOSTPRIV_H_
#define GRAPHICS_TEXT_HOST_SKFONTHOSTPRIV_H_

#include <ft2build.h>
#include FT_FREETYPE_H

#include "graphics/core/SkString.h"
#include "graphics/paint/SkTypeface.h"

class SkStream;

// A face shared by every scaler context of one font id.
struct SkFaceRec {
    SkFaceRec *fNext;
    FT_Face fFace;
    FT_StreamRec fFTStream;
    SkStream *fSkStream;
    uint32_t fRefCnt;
    uint32_t fFontID;
};

// The library every scaler context uses; made by the first context, freed with the last.
// False (nothing counted) when FreeType cannot start.
bool SkFontHost_RefLibrary (FT_Library *library);
void SkFontHost_UnrefLibrary ();
// The face record of fontID with one more reference, or null.
SkFaceRec *SkFontHost_RefFace (uint32_t fontID);
void SkFontHost_UnrefFace (SkFaceRec *rec);
// The typeface with that id, or null.
SkTypeface *SkFontHost_FindTypeface (uint32_t id);
// FreeType's read procedure over an SkStream: rewinds, skips offset, reads count.
unsigned long SkFontHost_StreamRead (FT_Stream stream, unsigned long offset, unsigned char *buffer,
                                     unsigned long count);
// The family name, style and fixed-width flag of the font in stream, through a private
// library; style 0 and an empty name on any failure.
uint32_t SkFontHost_GetNameAndStyle (SkStream *stream, SkString *name, bool *isFixedWidth);

#endif
