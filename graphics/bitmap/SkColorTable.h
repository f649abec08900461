/*
 * SkColorTable, the palette of 8-bit indexed bitmaps: up to 65535 premultiplied colours and
 * a flag that tells whether all of them are opaque.
 */
#ifndef GRAPHICS_BITMAP_SKCOLORTABLE_H_
#define GRAPHICS_BITMAP_SKCOLORTABLE_H_

#include "graphics/core/SkColor.h"
#include "graphics/core/SkRefCnt.h"

class SkFlattenableReadBuffer;
class SkFlattenableWriteBuffer;

class SkColorTable : public SkRefCnt {
public:
    enum Flags : uint16_t {
        kColorsAreOpaque_Flag = 0x01,
    };

    // A table of count colours copied from colors (zeros when colors is null); null when
    // memory runs out or count is negative or above 65535.
    static SkColorTable *Create (const SkPMColor colors[], int count);
    // Count word, flags word and count colours, as flatten writes them; null on failure.
    static SkColorTable *CreateFromBuffer (SkFlattenableReadBuffer &buffer);
    ~SkColorTable () override;

    int count () const { return fCount; }
    uint16_t getFlags () const { return fFlags; }
    void setFlags (uint16_t flags) { fFlags = flags; }
    bool isOpaque () const { return (fFlags & kColorsAreOpaque_Flag) != 0; }
    const SkPMColor *colors () const { return fColors; }
    SkPMColor *writableColors () { f16BitCacheValid = false; return fColors; }
    SkPMColor operator[] (int index) const { return fColors[index]; }
    // The colours as 5-6-5 pixels, made on first use; null when memory runs out.
    const uint16_t *lock16BitCache ();

    void flatten (SkFlattenableWriteBuffer &buffer) const;

private:
    SkColorTable () : fColors (nullptr), f16BitCache (nullptr), fCount (0), fFlags (0), f16BitCacheValid (false) {}

    SkPMColor *fColors;
    uint16_t *f16BitCache;
    uint16_t fCount;
    uint16_t fFlags;
    bool f16BitCacheValid;
};

#endif
