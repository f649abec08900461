/*
 * SkTypeface: a font face as the paint names it, with a process-wide unique id (the first
 * made is 1) and a style. The font host (graphics/text) makes them and keeps their families.
 */
#ifndef GRAPHICS_PAINT_SKTYPEFACE_H_
#define GRAPHICS_PAINT_SKTYPEFACE_H_

#include "graphics/core/SkRefCnt.h"

class SkStream;

class SkTypeface : public SkRefCnt {
public:
    enum Style { kNormal = 0, kBold = 1, kItalic = 2, kBoldItalic = 3 };

    uint32_t uniqueID () const { return fUniqueID; }
    Style style () const { return (Style)fStyle; }
    bool isFixedWidth () const { return fIsFixedWidth != 0; }

    // A new reference to a stream of the font's data (rewound), or null.
    virtual SkStream *openStream () { return nullptr; }
    // The file's own name (after the last '/'), or null.
    virtual const char *getUniqueString () const { return nullptr; }
    virtual const char *getFilePath () const { return nullptr; }

    // The id of typeface; for null the default typeface's (0 when there is none).
    static uint32_t UniqueID (const SkTypeface *typeface);

protected:
    SkTypeface (uint32_t style, uint32_t uniqueID, bool isFixedWidth)
        : fUniqueID (uniqueID), fStyle (style), fIsFixedWidth (isFixedWidth ? 1 : 0)
    {
    }

private:
    uint32_t fUniqueID;
    uint32_t fStyle;
    uint8_t fIsFixedWidth;
};

#endif
