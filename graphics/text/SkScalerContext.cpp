/*
 * The scaler context base: the fallback chain, metrics and images with or without the
 * outline route, gamma, and the empty context.
 */
#include "graphics/text/SkScalerContext.h"

#include <math.h>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/path/SkPath.h"
#include "graphics/raster/SkBlitter.h"
#include "graphics/raster/SkScan.h"
#include "graphics/region/SkRegion.h"
#include "graphics/stroke/SkStroke.h"
#include "graphics/text/SkFontHost.h"

namespace {

constinit uint8_t gGammaBlack[256];
constinit uint8_t gGammaWhite[256];
constinit bool gGammaBuilt = false;

void build_gamma_tables ()
{
    for (int i = 0; i < 256; i++) {
        gGammaBlack[i] = (uint8_t)floor (pow (i / 255.0, 1.4) * 255.0 + 0.5);
        gGammaWhite[i] = (uint8_t)floor (pow (i / 255.0, 0.71428573) * 255.0 + 0.5);
    }
    gGammaBuilt = true;
}

bool fits_i16 (int32_t v) { return v >= INT16_MIN && v <= INT16_MAX; }

// Sets the glyph's rectangle to the device path's bounds rounded outward; size 0 when the
// path is empty or any edge leaves the 16-bit range.
void set_bounds_from_path (SkGlyph *glyph, const SkPath &path)
{
    const SkRect &b = path.getBounds ();
    int32_t l = (int32_t)floorf (b.fLeft), t = (int32_t)floorf (b.fTop);
    int32_t r = (int32_t)ceilf (b.fRight), btm = (int32_t)ceilf (b.fBottom);
    bool finite = fabsf (b.fLeft) < 1e9f && fabsf (b.fTop) < 1e9f && fabsf (b.fRight) < 1e9f && fabsf (b.fBottom) < 1e9f;
    if (path.isEmpty () || !finite || !fits_i16 (l) || !fits_i16 (t) || !fits_i16 (r) || !fits_i16 (btm) || r <= l || btm <= t) {
        glyph->fWidth = glyph->fHeight = 0;
        return;
    }
    glyph->fLeft = (int16_t)l;
    glyph->fTop = (int16_t)t;
    glyph->fWidth = (uint16_t)(r - l);
    glyph->fHeight = (uint16_t)(btm - t);
}

// Packs a row of 8-bit coverage into bits, most significant first: any coverage sets a bit.
void pack_bits (const uint8_t *src, uint8_t *dst, int width)
{
    for (int x = 0; x < width; x += 8) {
        uint8_t bits = 0;
        for (int i = 0; i < 8 && x + i < width; i++) {
            bits |= (uint8_t)((src[x + i] != 0) << (7 - i));
        }
        dst[x >> 3] = bits;
    }
}

} // namespace

void SkScalerContext::Rec::getSingleMatrix (SkMatrix *m) const
{
    m->setScale (fTextSize * fPreScaleX, fTextSize);
    if (fPreSkewX != 0) {
        SkMatrix skew;
        skew.setAll (1, fPreSkewX, 0, 0, 1, 0, 0, 0, 1);
        m->postConcat (skew);
    }
    SkMatrix post;
    post.setAll (fPost2x2[0][0], fPost2x2[0][1], 0, fPost2x2[1][0], fPost2x2[1][1], 0, 0, 0, 1);
    m->postConcat (post);
}

SkScalerContext::SkScalerContext (const SkDescriptor *desc)
    : fBaseGlyphCount (0), fNextContext (nullptr), fGenerateImageFromPath (false)
{
    memset (&fRec, 0, sizeof (fRec));
    uint32_t length = 0;
    const void *rec = desc == nullptr ? nullptr : desc->findEntry (kRec_SkDescriptorTag, &length);
    if (rec != nullptr && length >= sizeof (Rec)) {
        memcpy (&fRec, rec, sizeof (Rec));
    }
    // Effects are not part of the key, so only a frame (fake bold, stroked text) routes
    // glyphs through their outlines.
    fGenerateImageFromPath = fRec.fFrameWidth > 0;
    if (!gGammaBuilt) {
        build_gamma_tables ();
    }
}

SkScalerContext::~SkScalerContext ()
{
    delete fNextContext;
}

const uint8_t *SkScalerContext::GammaTable (bool forBlack)
{
    if (!gGammaBuilt) {
        build_gamma_tables ();
    }
    return forBlack ? gGammaBlack : gGammaWhite;
}

SkScalerContext *SkScalerContext::Create (const SkDescriptor *desc)
{
    SkScalerContext *context = SkFontHost::CreateScalerContext (desc);
    if (context == nullptr) {
        context = new SkScalerContext (desc);
    }
    return context;
}

SkScalerContext *SkScalerContext::getNextContext ()
{
    if (fNextContext != nullptr) {
        return fNextContext;
    }
    uint32_t fontID = SkFontHost::NextLogicalFont (fRec.fFontID);
    if (fontID == 0) {
        return nullptr;
    }
    alignas (4) uint8_t storage[SkDescriptor::kHeaderSize + SkDescriptor::kEntryHeaderSize + sizeof (Rec)];
    SkDescriptor *desc = (SkDescriptor *)storage;
    desc->init ();
    Rec *rec = (Rec *)desc->addEntry (kRec_SkDescriptorTag, sizeof (Rec), &fRec);
    rec->fFontID = fontID;
    desc->computeChecksum ();
    SkScalerContext *next = SkFontHost::CreateScalerContext (desc);
    if (next == nullptr) {
        return nullptr;
    }
    next->fBaseGlyphCount = generateGlyphCount () + fBaseGlyphCount;
    fNextContext = next;
    return next;
}

SkScalerContext *SkScalerContext::getGlyphContext (const SkGlyph &glyph)
{
    SkScalerContext *context = this;
    unsigned id = glyph.getGlyphID ();
    for (;;) {
        unsigned count = context->generateGlyphCount ();
        if (id < count) {
            return context;
        }
        id -= count;
        context = context->getNextContext ();
        if (context == nullptr) {
            return this;
        }
    }
}

uint16_t SkScalerContext::charToGlyphID (SkUnichar code)
{
    for (SkScalerContext *context = this; context != nullptr; context = context->getNextContext ()) {
        uint16_t id = context->generateCharToGlyph (code);
        if (id != 0) {
            uint32_t full = id + context->fBaseGlyphCount;
            return full >= 0x10000 ? 0 : (uint16_t)full;
        }
    }
    return 0;
}

SkUnichar SkScalerContext::glyphIDToChar (uint16_t glyphID)
{
    SkGlyph glyph;
    glyph.initWithID (glyphID);
    SkScalerContext *context = getGlyphContext (glyph);
    return context->generateGlyphToChar ((uint16_t)(glyphID - context->fBaseGlyphCount));
}

void SkScalerContext::getAdvance (SkGlyph *glyph)
{
    getGlyphContext (*glyph)->generateAdvance (glyph);
}

void SkScalerContext::getMetrics (SkGlyph *glyph)
{
    getGlyphContext (*glyph)->generateMetrics (glyph);
    if ((fRec.fFlags & kDevKernText_Flag) == 0) {
        glyph->fRsbDelta = glyph->fLsbDelta = 0;
    }
    if (glyph->fWidth != 0 && glyph->fHeight != 0 && fGenerateImageFromPath) {
        SkPath path;
        getPath (*glyph, &path);
        set_bounds_from_path (glyph, path);
    }
    if (glyph->fMaskFormat != SkMask::kARGB32_Format) {
        glyph->fMaskFormat = fRec.fMaskFormat;
    }
    if (glyph->fWidth == 0 || glyph->fHeight == 0) {
        glyph->fWidth = glyph->fHeight = 0;
        glyph->fMaskFormat = 0;
    }
}

void SkScalerContext::getImage (const SkGlyph &glyph)
{
    if (!fGenerateImageFromPath || !renderPathImage (glyph)) {
        getGlyphContext (glyph)->generateImage (glyph);
    }
    applyGamma (glyph);
}

void SkScalerContext::applyGamma (const SkGlyph &glyph)
{
    uint8_t format = fRec.fMaskFormat;
    if (format == SkMask::kBW_Format || format == SkMask::kLCD16_Format || format == SkMask::kLCD32_Format) {
        return;
    }
    if ((fRec.fFlags & (kGammaForBlack_Flag | kGammaForWhite_Flag)) == 0 || glyph.fImage == nullptr) {
        return;
    }
    const uint8_t *table = (fRec.fFlags & kGammaForBlack_Flag) ? gGammaBlack : gGammaWhite;
    uint8_t *row = (uint8_t *)glyph.fImage;
    size_t rowBytes = glyph.rowBytes ();
    for (int y = 0; y < glyph.fHeight; y++, row += rowBytes) {
        for (int x = 0; x < glyph.fWidth; x++) {
            row[x] = table[row[x]];
        }
    }
}

// Draws the glyph's device outline into its image: anti-aliased for A8, or into an 8-bit
// scratch image without anti-aliasing and packed to bits for the 1-bit format (there is no
// 1-bit blitter). False for formats this route does not serve.
bool SkScalerContext::renderPathImage (const SkGlyph &glyph)
{
    bool bw = glyph.fMaskFormat == SkMask::kBW_Format;
    if (!bw && glyph.fMaskFormat != SkMask::kA8_Format) {
        return false;
    }
    SkPath path;
    getPath (glyph, &path);
    int width = glyph.fWidth, height = glyph.fHeight;
    size_t rowBytes = bw ? SkAlign4 ((size_t)width) : glyph.rowBytes ();
    SkAutoFree scratch (bw ? sk_calloc (rowBytes * height) : nullptr);
    uint8_t *pixels = bw ? (uint8_t *)scratch.get () : (uint8_t *)glyph.fImage;
    if (pixels == nullptr) {
        return false;
    }
    memset (pixels, 0, rowBytes * height);
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kA8_Config, width, height, (int)rowBytes);
    bitmap.setPixels (pixels);
    path.offset (-(SkScalar)glyph.fLeft, -(SkScalar)glyph.fTop);
    SkPaint paint;
    paint.setAntiAlias (!bw);
    SkBlitter *blitter = SkBlitter::Choose (bitmap, SkMatrix::I (), paint, nullptr, 0);
    if (blitter == nullptr) {
        return false;
    }
    SkRegion clip (SkIRect::MakeWH (width, height));
    if (bw) {
        SkScan::FillPath (path, clip, blitter);
    } else {
        SkScan::AntiFillPath (path, clip, blitter);
    }
    delete blitter;
    for (int y = 0; bw && y < height; y++) {
        pack_bits (pixels + y * rowBytes, (uint8_t *)glyph.fImage + y * glyph.rowBytes (), width);
    }
    return true;
}

void SkScalerContext::getPath (const SkGlyph &glyph, SkPath *path)
{
    getGlyphContext (glyph)->generatePath (glyph, path);
    if (fRec.fFlags & kSubpixelPositioning_Flag) {
        path->offset (glyph.getSubX () * 0.25f, glyph.getSubY () * 0.25f);
    }
    if (fRec.fFrameWidth <= 0) {
        return;
    }
    // The frame is in pixels at the text size, so only the device's 2×2 is undone before
    // stroking; frame-and-fill strokes with the inside filled (fake bold).
    SkMatrix post, inverse;
    post.setAll (fRec.fPost2x2[0][0], fRec.fPost2x2[0][1], 0, fRec.fPost2x2[1][0], fRec.fPost2x2[1][1], 0, 0, 0, 1);
    if (!post.invert (&inverse)) {
        path->reset ();
        return;
    }
    SkPath local;
    path->transform (inverse, &local);
    SkStroke stroke;
    stroke.setWidth (fRec.fFrameWidth);
    stroke.setMiterLimit (fRec.fMiterLimit);
    stroke.setJoin ((SkPaint::Join)fRec.fStrokeJoin);
    stroke.setDoFill ((fRec.fFlags & kFrameAndFill_Flag) != 0);
    SkPath stroked;
    stroke.strokePath (local, &stroked);
    stroked.transform (post, path);
}

void SkScalerContext::getFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my)
{
    generateFontMetrics (mx, my);
}

void SkScalerContext::generateFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my)
{
    if (mx != nullptr) {
        memset (mx, 0, sizeof (*mx));
    }
    if (my != nullptr) {
        memset (my, 0, sizeof (*my));
    }
}
