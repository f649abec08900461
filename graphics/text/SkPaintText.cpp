/*
 * The text side of the paint: the scaler record and descriptor, measuring and font metrics.
 */
#include <math.h>

#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaintEffects.h"
#include "graphics/text/SkGlyphCache.h"
#include "graphics/text/SkGlyphProcs.h"
#include "graphics/text/SkScalerContext.h"

namespace {

// Process-wide LCD settings that nothing sets: RGB order, horizontal stripes.
const int kLCDOrder = 0;            // 0 RGB, 1 BGR, 2 none
const int kLCDOrientation = 0;      // 0 horizontal, 1 vertical

SkScalar round_1024 (SkScalar v) { return floorf (v * 1024 + 0.5f) / 1024; }

// Fake-bold frame width: size × a ratio from 1/24 (size 9 and below) to 1/32 (above 36).
SkScalar fake_bold_extra (SkScalar size)
{
    const SkScalar small = 1.0f / 24, large = 1.0f / 32;
    SkScalar ratio = size <= 9 ? small : size > 36 ? large : (size - 9) / 27 * (large - small) + small;
    return size * ratio;
}

unsigned compute_mask_format (const SkPaint &paint, const SkScalerContext::Rec &rec, uint16_t *flags)
{
    if (!paint.isAntiAlias ()) {
        return SkMask::kBW_Format;
    }
    if ((paint.getFlags () & SkPaint::kLCDRenderText_Flag) == 0) {
        return SkMask::kA8_Format;
    }
    SkScalar det = rec.fPost2x2[0][0] * rec.fPost2x2[1][1] - rec.fPost2x2[0][1] * rec.fPost2x2[1][0];
    if (kLCDOrder == 2 || fabsf (det * rec.fTextSize) > 48) {
        return SkMask::kA8_Format;
    }
    if (kLCDOrder == 1) {
        *flags |= SkScalerContext::kLCD_BGROrder_Flag;
    }
    if (kLCDOrientation == 1) {
        *flags |= SkScalerContext::kLCD_Vertical_Flag;
    }
    return SkMask::kLCD16_Format;
}

unsigned compute_hinting (const SkPaint &paint, const SkScalerContext::Rec &rec)
{
    uint32_t paintFlags = paint.getFlags ();
    if (paintFlags & SkPaint::kLinearText_Flag) {
        return 0;
    }
    unsigned hinting = paint.getHinting ();
    bool subpixel = (paintFlags & SkPaint::kSubpixelText_Flag) != 0;
    bool lcd = rec.fMaskFormat == SkMask::kLCD16_Format || rec.fMaskFormat == SkMask::kLCD32_Format;
    if (hinting == SkPaint::kFull_Hinting) {
        hinting = lcd ? (subpixel ? SkPaint::kSlight_Hinting : SkPaint::kFull_Hinting) : SkPaint::kNormal_Hinting;
    }
    if (subpixel && hinting != 0) {
        hinting = SkPaint::kSlight_Hinting;
    }
    bool diagonal = rec.fPost2x2[0][1] == 0 && rec.fPost2x2[1][0] == 0;
    bool antiDiagonal = rec.fPost2x2[0][0] == 0 && rec.fPost2x2[1][1] == 0;
    if (rec.fPreSkewX != 0 || !(diagonal || antiDiagonal)) {
        hinting = 0;
    }
    return hinting;
}

void set_stroke_fields (const SkPaint &paint, SkScalerContext::Rec *rec, uint16_t *flags)
{
    SkPaint::Style style = paint.getStyle ();
    SkScalar width = paint.getStrokeWidth ();
    if (paint.getFlags () & SkPaint::kFakeBoldText_Flag) {
        SkScalar extra = fake_bold_extra (paint.getTextSize ());
        if (style == SkPaint::kFill_Style) {
            style = SkPaint::kStrokeAndFill_Style;
            width = extra;
        } else {
            width += extra;
        }
    }
    if (style == SkPaint::kFill_Style || width <= 0) {
        rec->fFrameWidth = 0;
        rec->fMiterLimit = 0;
        rec->fStrokeJoin = 0;
        return;
    }
    rec->fFrameWidth = width;
    rec->fMiterLimit = paint.getStrokeMiter ();
    rec->fStrokeJoin = (uint8_t)paint.getStrokeJoin ();
    if (style == SkPaint::kStrokeAndFill_Style) {
        *flags |= SkScalerContext::kFrameAndFill_Flag;
    }
}

} // namespace

void SkScalerContext::MakeRec (const SkPaint &paint, const SkMatrix *deviceMatrix, Rec *rec)
{
    memset (rec, 0, sizeof (*rec));
    rec->fOrigFontID = rec->fFontID = SkTypeface::UniqueID (paint.getTypeface ());
    rec->fTextSize = paint.getTextSize ();
    rec->fPreScaleX = paint.getTextScaleX ();
    rec->fPreSkewX = paint.getTextSkewX ();
    if (deviceMatrix != nullptr) {
        rec->fPost2x2[0][0] = round_1024 (deviceMatrix->getScaleX ());
        rec->fPost2x2[0][1] = round_1024 (deviceMatrix->getSkewX ());
        rec->fPost2x2[1][0] = round_1024 (deviceMatrix->getSkewY ());
        rec->fPost2x2[1][1] = round_1024 (deviceMatrix->getScaleY ());
    } else {
        rec->fPost2x2[0][0] = rec->fPost2x2[1][1] = 1;
    }
    uint16_t flags = 0;
    if (paint.getShader () == nullptr) {
        SkColor c = paint.getColor ();
        unsigned luminance = (5 * SkColorGetG (c) + 2 * SkColorGetR (c) + SkColorGetB (c)) >> 3;
        flags |= luminance <= 64 ? kGammaForBlack_Flag : luminance >= 192 ? kGammaForWhite_Flag : 0;
    }
    uint32_t paintFlags = paint.getFlags ();
    if (paintFlags & SkPaint::kDevKernText_Flag) {
        flags |= kDevKernText_Flag;
    }
    set_stroke_fields (paint, rec, &flags);
    rec->fMaskFormat = (uint8_t)compute_mask_format (paint, *rec, &flags);
    flags |= (paintFlags & SkPaint::kEmbeddedBitmapText_Flag) ? kEmbeddedBitmapText_Flag : 0;
    flags |= (paintFlags & SkPaint::kSubpixelText_Flag) ? kSubpixelPositioning_Flag : 0;
    flags |= (paintFlags & SkPaint::kAutoHinting_Flag) ? kAutohinting_Flag : 0;
    rec->fFlags = flags;
    rec->setHinting (compute_hinting (paint, *rec));
    // The LCD formats are not supported here: their glyphs are 8-bit alpha.
    if (rec->fMaskFormat == SkMask::kLCD16_Format || rec->fMaskFormat == SkMask::kLCD32_Format) {
        rec->fMaskFormat = SkMask::kA8_Format;
    }
    if (rec->fMaskFormat == SkMask::kBW_Format) {
        rec->fFlags &= (uint16_t)~(kGammaForBlack_Flag | kGammaForWhite_Flag);
    }
}

bool SkPaint::descriptorProc (const SkMatrix *deviceMatrix, DescriptorProc proc, void *context) const
{
    SkScalerContext::Rec rec;
    SkScalerContext::MakeRec (*this, deviceMatrix, &rec);
    // Effects are not flattenable in this library, so the key holds the record alone.
    alignas (4) uint8_t storage[SkDescriptor::kHeaderSize + SkDescriptor::kEntryHeaderSize + sizeof (rec)];
    SkDescriptor *desc = (SkDescriptor *)storage;
    desc->init ();
    desc->addEntry (kRec_SkDescriptorTag, sizeof (rec), &rec);
    desc->computeChecksum ();
    proc (desc, context);
    return true;
}

namespace {

void detach_desc_proc (const SkDescriptor *desc, void *context)
{
    *(SkGlyphCache **)context = SkGlyphCache::DetachCache (desc);
}

} // namespace

SkGlyphCache *SkPaint::detachCache (const SkMatrix *deviceMatrix) const
{
    SkGlyphCache *cache = nullptr;
    descriptorProc (deviceMatrix, detach_desc_proc, &cache);
    return cache;
}

// Sums the 16.16 advances of the text, with device kerning when the paint asks for it, in
// 64 bits: a long line at a large size passes 16.16's 32767 pixels.
static int64_t measure (SkGlyphCache *cache, const SkPaint &paint, const char *text, size_t length, int *count)
{
    bool devKern = (paint.getFlags () & SkPaint::kDevKernText_Flag) != 0;
    SkMeasureCacheProc proc = SkGetMeasureCacheProc (paint.getTextEncoding (), devKern);
    const char *stop = text + length;
    int n = 0;
    int64_t x = 0;
    int prevRsb = 0;
    while (text < stop) {
        const SkGlyph &glyph = proc (cache, &text, stop);
        if (devKern && n > 0) {
            x += (int64_t)((glyph.fLsbDelta - prevRsb + 32) >> 6) * 65536;
        }
        prevRsb = glyph.fRsbDelta;
        x += glyph.fAdvanceX;
        n++;
    }
    *count = n;
    return x;
}

SkScalar SkPaint::measureText (const void *text, size_t byteLength, int *count) const
{
    int n = 0;
    SkScalar width = 0;
    if (text != nullptr && byteLength != 0) {
        SkAutoGlyphCache cache (detachCache (nullptr));
        if (cache.get () != nullptr) {
            width = (SkScalar)((double)measure (cache.get (), *this, (const char *)text, byteLength, &n) / 65536.0);
        }
    }
    if (count != nullptr) {
        *count = n;
    }
    return width;
}

namespace {

bool font_metrics_cache_proc (const SkGlyphCache *cache, void *context)
{
    *(SkPaint::FontMetrics *)context = cache->getFontMetricsY ();
    return false;
}

void font_metrics_desc_proc (const SkDescriptor *desc, void *context)
{
    // A cache that cannot be made leaves the metrics zero.
    (void)SkGlyphCache::VisitCache (desc, font_metrics_cache_proc, context);
}

} // namespace

SkScalar SkPaint::getFontMetrics (FontMetrics *metrics, SkScalar zoom) const
{
    SkPaint paint (*this);
    paint.setStyle (kFill_Style);
    SkScalar scale = 0;
    if (paint.getFlags () & kLinearText_Flag) {
        scale = paint.getTextSize () / 64;
        paint.setTextSize (64);
    }
    SkMatrix zoomMatrix;
    const SkMatrix *matrix = nullptr;
    if (zoom != 0) {
        zoomMatrix.setScale (zoom, zoom);
        matrix = &zoomMatrix;
    }
    FontMetrics local;
    FontMetrics *m = metrics != nullptr ? metrics : &local;
    memset (m, 0, sizeof (*m));
    paint.descriptorProc (matrix, font_metrics_desc_proc, m);
    if (scale != 0) {
        // Every size-dependent value comes back to the paint's size; xMin and xMax are in ems.
        m->fTop *= scale;
        m->fAscent *= scale;
        m->fDescent *= scale;
        m->fBottom *= scale;
        m->fLeading *= scale;
        m->fAvgCharWidth *= scale;
        m->fXHeight *= scale;
    }
    return m->fDescent - m->fAscent + m->fLeading;
}
