/*
 * SkPaint: the value that says how a draw colours, strokes and writes. It holds a colour,
 * stroke geometry, text attributes, one word of flags and packed small fields, and eight
 * shared effects (one reference held on each). Built on the stack and copied by assignment.
 * Text measuring and the glyph-cache key come with the text topic.
 */
#ifndef GRAPHICS_PAINT_SKPAINT_H_
#define GRAPHICS_PAINT_SKPAINT_H_

#include "graphics/core/SkColor.h"
#include "graphics/core/SkScalar.h"
#include "graphics/effects/SkXfermode.h"

class SkColorFilter;
class SkDescriptor;
class SkGlyphCache;
class SkMatrix;
class SkDrawLooper;
class SkPath;
struct SkRect;
class SkMaskFilter;
class SkPathEffect;
class SkRasterizer;
class SkShader;
class SkTypeface;

class SkPaint {
public:
    SkPaint ();
    SkPaint (const SkPaint &src);
    ~SkPaint ();
    SkPaint &operator= (const SkPaint &src);

    enum Flags {
        kAntiAlias_Flag = 0x001,
        kFilterBitmap_Flag = 0x002,
        kDither_Flag = 0x004,
        kUnderlineText_Flag = 0x008,
        kStrikeThruText_Flag = 0x010,
        kFakeBoldText_Flag = 0x020,
        kLinearText_Flag = 0x040,
        kSubpixelText_Flag = 0x080,
        kDevKernText_Flag = 0x100,
        kLCDRenderText_Flag = 0x200,
        kEmbeddedBitmapText_Flag = 0x400,
        kAutoHinting_Flag = 0x800,
        kAllFlags = 0x1FFF,
    };
    enum Align { kLeft_Align, kCenter_Align, kRight_Align };
    enum Cap { kButt_Cap, kRound_Cap, kSquare_Cap };
    enum Join { kMiter_Join, kRound_Join, kBevel_Join };
    enum Style { kFill_Style, kStroke_Style, kStrokeAndFill_Style };
    enum TextEncoding { kUTF8_TextEncoding, kUTF16_TextEncoding, kGlyphID_TextEncoding };
    enum Hinting { kNo_Hinting, kSlight_Hinting, kNormal_Hinting, kFull_Hinting };

    uint32_t getFlags () const { return fBits & kAllFlags; }
    void setFlags (uint32_t flags) { fBits = (fBits & ~(uint32_t)kAllFlags) | (flags & kAllFlags); }
    bool isAntiAlias () const { return (fBits & kAntiAlias_Flag) != 0; }
    void setAntiAlias (bool on) { setFlag (kAntiAlias_Flag, on); }
    bool isDither () const { return (fBits & kDither_Flag) != 0; }
    void setDither (bool on) { setFlag (kDither_Flag, on); }
    bool isFilterBitmap () const { return (fBits & kFilterBitmap_Flag) != 0; }
    void setFilterBitmap (bool on) { setFlag (kFilterBitmap_Flag, on); }
    void setFlag (uint32_t flag, bool on) { setFlags (on ? getFlags () | flag : getFlags () & ~flag); }

    Align getTextAlign () const { return (Align)field (kAlignShift); }
    void setTextAlign (Align v) { setField (kAlignShift, v); }
    Cap getStrokeCap () const { return (Cap)field (kCapShift); }
    void setStrokeCap (Cap v) { setField (kCapShift, v); }
    Join getStrokeJoin () const { return (Join)field (kJoinShift); }
    void setStrokeJoin (Join v) { setField (kJoinShift, v); }
    Style getStyle () const { return (Style)field (kStyleShift); }
    void setStyle (Style v) { setField (kStyleShift, v); }
    TextEncoding getTextEncoding () const { return (TextEncoding)field (kEncodingShift); }
    void setTextEncoding (TextEncoding v) { setField (kEncodingShift, v); }
    Hinting getHinting () const { return (Hinting)field (kHintingShift); }
    void setHinting (Hinting v) { setField (kHintingShift, v); }

    SkColor getColor () const { return fColor; }
    void setColor (SkColor c) { fColor = c; }
    uint8_t getAlpha () const { return (uint8_t)(fColor >> 24); }
    void setAlpha (U8CPU a) { fColor = SkColorSetA (fColor, a & 0xFF); }
    void setARGB (U8CPU a, U8CPU r, U8CPU g, U8CPU b) { fColor = SkColorSetARGB (a, r, g, b); }

    SkScalar getStrokeWidth () const { return fWidth; }
    void setStrokeWidth (SkScalar w) { fWidth = w; }
    SkScalar getStrokeMiter () const { return fMiterLimit; }
    void setStrokeMiter (SkScalar m) { fMiterLimit = m; }
    SkScalar getTextSize () const { return fTextSize; }
    void setTextSize (SkScalar s) { fTextSize = s; }
    SkScalar getTextScaleX () const { return fTextScaleX; }
    void setTextScaleX (SkScalar s) { fTextScaleX = s; }
    SkScalar getTextSkewX () const { return fTextSkewX; }
    void setTextSkewX (SkScalar s) { fTextSkewX = s; }

    // Effects: each setter references the new object before it releases the old one, so
    // setting the object already held is safe; each returns the new object.
    SkTypeface *getTypeface () const { return fTypeface; }
    SkTypeface *setTypeface (SkTypeface *typeface);
    SkPathEffect *getPathEffect () const { return fPathEffect; }
    SkPathEffect *setPathEffect (SkPathEffect *effect);
    SkShader *getShader () const { return fShader; }
    SkShader *setShader (SkShader *shader);
    SkXfermode *getXfermode () const { return fXfermode; }
    SkXfermode *setXfermode (SkXfermode *mode);
    // Releases the current mode and holds a new one made for the mode number (null for
    // source-over); returns it.
    SkXfermode *setXfermodeMode (SkXfermode::Mode mode);
    SkXfermode *clearXfermode ();
    SkMaskFilter *getMaskFilter () const { return fMaskFilter; }
    SkMaskFilter *setMaskFilter (SkMaskFilter *filter);
    SkColorFilter *getColorFilter () const { return fColorFilter; }
    SkColorFilter *setColorFilter (SkColorFilter *filter);
    SkRasterizer *getRasterizer () const { return fRasterizer; }
    SkRasterizer *setRasterizer (SkRasterizer *rasterizer);
    SkDrawLooper *getLooper () const { return fLooper; }
    SkDrawLooper *setLooper (SkDrawLooper *looper);

    // dst receives the path that is actually drawn for src: src changed by the path effect,
    // then stroked when the width is positive. True when dst is to be filled, false when it is
    // to be drawn as a hairline. dst may be src.
    bool getFillPath (const SkPath &src, SkPath *dst) const;

    // Whether a draw's bounds can be known from its geometry alone (no looper, rasterizer,
    // mask filter or path effect).
    bool canComputeFastBounds () const
    {
        return fLooper == nullptr && fRasterizer == nullptr && fMaskFilter == nullptr && fPathEffect == nullptr;
    }
    // The bounds of what drawing orig can touch: grown by the stroke for stroking styles.
    const SkRect &computeFastBounds (const SkRect &orig, SkRect *storage) const;

    // Font metrics of the paint's text, in pixels (y down: ascent and top are negative).
    // xMin and xMax are in ems.
    struct FontMetrics {
        SkScalar fTop;
        SkScalar fAscent;
        SkScalar fDescent;
        SkScalar fBottom;
        SkScalar fLeading;
        SkScalar fAvgCharWidth;
        SkScalar fXMin;
        SkScalar fXMax;
        SkScalar fXHeight;
    };
    // The text side (graphics/text): advance width of byteLength bytes of text in pixels,
    // with the number of glyphs in *count when count is not null.
    SkScalar measureText (const void *text, size_t byteLength, int *count = nullptr) const;
    // Fills metrics (may be null) for the paint's text under scale(zoom, zoom) (none for 0)
    // and returns the line spacing, descent - ascent + leading.
    SkScalar getFontMetrics (FontMetrics *metrics, SkScalar zoom = 0) const;
    // Builds the glyph-cache key of the paint under deviceMatrix (null for none) and calls
    // proc with it; false when the key cannot be built (memory).
    typedef void (*DescriptorProc) (const SkDescriptor *desc, void *context);
    bool descriptorProc (const SkMatrix *deviceMatrix, DescriptorProc proc, void *context) const;
    // The glyph cache of the paint under deviceMatrix, detached for the caller, who gives it
    // back with SkGlyphCache::AttachCache; null when memory runs out.
    SkGlyphCache *detachCache (const SkMatrix *deviceMatrix) const;

    // The packed word: flags in bits 0-12, then align, cap, join, style, encoding, hinting.
    uint32_t getBits () const { return fBits; }

    enum { kAlignShift = 13, kCapShift = 15, kJoinShift = 17, kStyleShift = 19, kEncodingShift = 21, kHintingShift = 23 };

private:
    uint32_t field (int shift) const { return (fBits >> shift) & 3; }
    void setField (int shift, uint32_t v)
    {
        if (v > 3) return;      // out-of-range values leave the field alone
        fBits = (fBits & ~(3u << shift)) | (v << shift);
    }
    void refAll () const;
    void unrefAll () const;

    SkTypeface *fTypeface;
    SkScalar fTextSize;
    SkScalar fTextScaleX;
    SkScalar fTextSkewX;
    SkPathEffect *fPathEffect;
    SkShader *fShader;
    SkXfermode *fXfermode;
    SkMaskFilter *fMaskFilter;
    SkColorFilter *fColorFilter;
    SkRasterizer *fRasterizer;
    SkDrawLooper *fLooper;
    SkColor fColor;
    SkScalar fWidth;
    SkScalar fMiterLimit;
    uint32_t fBits;
};

#endif
