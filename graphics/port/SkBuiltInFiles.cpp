/*
 * The built-in memory files: one row, the embedded TrueType font (generated from the font
 * file at build time) under the name of the font table's regular sans-serif file.
 */
#include "graphics/port/SkPortFile.h"

extern const uint8_t gSkEmbeddedFont[];
extern const uint32_t gSkEmbeddedFont_size;

const char kSkEmbeddedFontName[] = "DejaVuSans.ttf";

const SkBuiltInFile gSkBuiltInFiles[] = {
    { kSkEmbeddedFontName, gSkEmbeddedFont, &gSkEmbeddedFont_size },
};
const int gSkBuiltInFileCount = 1;
