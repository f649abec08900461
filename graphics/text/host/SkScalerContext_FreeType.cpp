/*
 * The font host's scaler context: glyph metrics, images, outlines and font metrics from
 * FreeType at the record's size and transform.
 */
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_BITMAP_H
#include FT_SIZES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "graphics/path/SkPath.h"
#include "graphics/text/SkFontHost.h"
#include "graphics/text/host/SkFontHostPriv.h"
#include "graphics/text/SkScalerContext.h"
#include "graphics/text/host/SkScalerContext_FreeType.h"

namespace {

FT_Fixed scalar_to_fixed (SkScalar v) { return (FT_Fixed)(v * 65536.0f); }

bool fits_i16 (FT_Pos v) { return v >= INT16_MIN && v <= INT16_MAX; }

// A 16.16 advance pinned to what SkFixed holds: glyphs wider than 32767 pixels advance as
// far as the type reaches instead of wrapping to the other side.
SkFixed pin_fixed (int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < -INT32_MAX ? -INT32_MAX : (SkFixed)v;
}

// The glyph's sub-pixel offset in 26.6 (y up, as FreeType counts).
void subpixel_offset (const SkGlyph &glyph, FT_Pos *dx, FT_Pos *dy)
{
    *dx = (FT_Pos)glyph.getSubX () << 4;
    *dy = -((FT_Pos)glyph.getSubY () << 4);
}

} // namespace

uint32_t SkScalerContext_FreeType::ComputeLoadFlags (const SkScalerContext::Rec &rec)
{
    uint32_t flags = 0;
    unsigned hinting = rec.getHinting ();
    if (rec.fMaskFormat == SkMask::kBW_Format) {
        flags = hinting == 0 ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_MONO;
    } else {
        bool lcd = rec.fMaskFormat == SkMask::kLCD16_Format || rec.fMaskFormat == SkMask::kLCD32_Format;
        bool autohint = (rec.fFlags & kAutohinting_Flag) != 0;
        switch (hinting) {
        case 0: flags = FT_LOAD_NO_HINTING; break;
        case 1: flags = FT_LOAD_TARGET_LIGHT; break;
        case 2: flags = autohint ? FT_LOAD_FORCE_AUTOHINT : FT_LOAD_NO_AUTOHINT; break;
        default:
            if (autohint) {
                flags = FT_LOAD_FORCE_AUTOHINT;
            } else if (lcd) {
                flags = (rec.fFlags & kLCD_Vertical_Flag) ? FT_LOAD_TARGET_LCD_V : FT_LOAD_TARGET_LCD;
            } else {
                flags = FT_LOAD_DEFAULT;
            }
            break;
        }
    }
    if ((rec.fFlags & kEmbeddedBitmapText_Flag) == 0) {
        flags |= FT_LOAD_NO_BITMAP;
    }
    return flags | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH;
}

SkScalerContext_FreeType::SkScalerContext_FreeType (const SkDescriptor *desc)
    : SkScalerContext (desc), fFaceRec (nullptr), fFace (nullptr), fFTSize (nullptr), fScaleX (0), fScaleY (0),
      fLoadGlyphFlags (0), fLibrary (nullptr), fHasLibrary (false)
{
    memset (&fMatrix22, 0, sizeof (fMatrix22));
    FT_Library library;
    fHasLibrary = SkFontHost_RefLibrary (&library);
    if (!fHasLibrary) {
        return;
    }
    fLibrary = library;
    fFaceRec = SkFontHost_RefFace (fRec.fFontID);
    if (fFaceRec == nullptr) {
        return;
    }
    fFace = fFaceRec->fFace;
    setupTransform ();
    fLoadGlyphFlags = ComputeLoadFlags (fRec);
    if (FT_New_Size (fFace, &fFTSize) != 0) {
        fFTSize = nullptr;
        return;
    }
    if (!requestSize ()) {
        FT_Done_Size (fFTSize);
        fFTSize = nullptr;
    }
}

void SkScalerContext_FreeType::setupTransform ()
{
    SkMatrix m;
    fRec.getSingleMatrix (&m);
    SkScalar sx = m.getScaleX (), sy = m.getScaleY (), kx = m.getSkewX (), ky = m.getSkewY ();
    if (kx != 0 || ky != 0 || sx < 0 || sy < 0) {
        SkScalar ax = fabsf (sx) > fabsf (kx) ? fabsf (sx) : fabsf (kx);
        SkScalar ay = fabsf (sy) > fabsf (ky) ? fabsf (sy) : fabsf (ky);
        SkScalar size = (ax + ay) / 2;
        fScaleX = fScaleY = scalar_to_fixed (size);
        fMatrix22.xx = scalar_to_fixed (sx / size);
        fMatrix22.xy = scalar_to_fixed (-kx / size);
        fMatrix22.yx = scalar_to_fixed (-ky / size);
        fMatrix22.yy = scalar_to_fixed (sy / size);
    } else {
        fScaleX = scalar_to_fixed (sx);
        fScaleY = scalar_to_fixed (sy);
        fMatrix22.xx = fMatrix22.yy = SK_Fixed1;
        fMatrix22.xy = fMatrix22.yx = 0;
    }
}

bool SkScalerContext_FreeType::requestSize ()
{
    FT_Long w = (FT_Long)(fScaleX >> 10), h = (FT_Long)(fScaleY >> 10);
    if (w == 0) {
        w = h;
    }
    if (h == 0) {
        h = w;
    }
    FT_Size_RequestRec request;
    request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.width = w < 64 ? 64 : w;
    request.height = h < 64 ? 64 : h;
    request.horiResolution = 72;
    request.vertResolution = 72;
    if (FT_Activate_Size (fFTSize) != 0 || FT_Request_Size (fFace, &request) != 0) {
        return false;
    }
    FT_Set_Transform (fFace, &fMatrix22, nullptr);
    return true;
}

SkScalerContext_FreeType::~SkScalerContext_FreeType ()
{
    if (fFTSize != nullptr) {
        FT_Done_Size (fFTSize);
    }
    SkFontHost_UnrefFace (fFaceRec);
    if (fHasLibrary) {
        SkFontHost_UnrefLibrary ();
    }
}

bool SkScalerContext_FreeType::setupSize ()
{
    if (fFTSize == nullptr || FT_Activate_Size (fFTSize) != 0) {
        return false;
    }
    FT_Set_Transform (fFace, &fMatrix22, nullptr);
    return true;
}

unsigned SkScalerContext_FreeType::generateGlyphCount ()
{
    return fFace == nullptr ? 0 : (unsigned)fFace->num_glyphs;
}

uint16_t SkScalerContext_FreeType::generateCharToGlyph (SkUnichar code)
{
    return fFace == nullptr ? 0 : (uint16_t)FT_Get_Char_Index (fFace, (FT_ULong)code);
}

SkUnichar SkScalerContext_FreeType::generateGlyphToChar (uint16_t glyphID)
{
    if (fFace == nullptr) {
        return 0;
    }
    FT_UInt index = 0;
    FT_ULong code = FT_Get_First_Char (fFace, &index);
    // The walk ends when the map does (index 0); every step moves to a higher code.
    while (index != 0) {
        if (index == glyphID) {
            return (SkUnichar)code;
        }
        code = FT_Get_Next_Char (fFace, code, &index);
    }
    return 0;
}

FT_UInt SkScalerContext_FreeType::faceGlyphIndex (const SkGlyph &glyph) const
{
    return (FT_UInt)(SkGlyph::IDToCode (glyph.fID) - fBaseGlyphCount);
}

void SkScalerContext_FreeType::generateAdvance (SkGlyph *glyph)
{
    // Only unhinted advances come fast and equal to the loaded glyph's; with hinting the
    // full metrics give the advance the drawing will use.
    if (!setupSize ()) {
        glyph->zeroMetrics ();
        return;
    }
    if ((fLoadGlyphFlags & FT_LOAD_NO_HINTING) == 0 || (fRec.fFlags & kEmbolden_Flag) != 0) {
        generateMetrics (glyph);
        return;
    }
    FT_Fixed advance = 0;
    if (FT_Get_Advance (fFace, faceGlyphIndex (*glyph), fLoadGlyphFlags | FT_ADVANCE_FLAG_FAST_ONLY, &advance) != 0) {
        generateMetrics (glyph);
        return;
    }
    glyph->fAdvanceX = pin_fixed (advance);
    glyph->fAdvanceY = 0;
    glyph->fRsbDelta = glyph->fLsbDelta = 0;
}

void SkScalerContext_FreeType::embolden (FT_GlyphSlot slot)
{
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Pos strength = FT_MulFix (fFace->units_per_EM, fFace->size->metrics.y_scale) / 24;
        FT_Outline_Embolden (&slot->outline, strength);
    } else if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        if (FT_GlyphSlot_Own_Bitmap (slot) == 0) {
            FT_Bitmap_Embolden (fLibrary, &slot->bitmap, 64, 64);
        }
    }
}

bool SkScalerContext_FreeType::loadGlyph (const SkGlyph &glyph, FT_Int32 flags)
{
    if (!setupSize () || FT_Load_Glyph (fFace, faceGlyphIndex (glyph), flags) != 0) {
        return false;
    }
    if (fRec.fFlags & kEmbolden_Flag) {
        embolden (fFace->glyph);
    }
    return true;
}

// The outline's control box, shifted by the sub-pixel offset, rounded outward to pixels.
void SkScalerContext_FreeType::outlineBox (const SkGlyph &glyph, FT_BBox *box)
{
    FT_Outline_Get_CBox (&fFace->glyph->outline, box);
    if (fRec.fFlags & kSubpixelPositioning_Flag) {
        FT_Pos dx, dy;
        subpixel_offset (glyph, &dx, &dy);
        box->xMin += dx;
        box->xMax += dx;
        box->yMin += dy;
        box->yMax += dy;
    }
    box->xMin &= ~63;
    box->yMin &= ~63;
    box->xMax = (box->xMax + 63) & ~63;
    box->yMax = (box->yMax + 63) & ~63;
}

void SkScalerContext_FreeType::setGlyphRect (SkGlyph *glyph, FT_Pos left, FT_Pos top, FT_Pos width, FT_Pos height)
{
    // A glyph whose rectangle does not fit the record's 16-bit fields has no image.
    if (!fits_i16 (left) || !fits_i16 (top) || !fits_i16 (left + width) || !fits_i16 (top + height)
        || width < 0 || height < 0 || width > (FT_Pos)UINT16_MAX || height > (FT_Pos)UINT16_MAX) {
        glyph->fWidth = glyph->fHeight = 0;
        glyph->fLeft = glyph->fTop = 0;
        return;
    }
    glyph->fLeft = (int16_t)left;
    glyph->fTop = (int16_t)top;
    glyph->fWidth = (uint16_t)width;
    glyph->fHeight = (uint16_t)height;
}

void SkScalerContext_FreeType::generateMetrics (SkGlyph *glyph)
{
    glyph->zeroMetrics ();
    if (!loadGlyph (*glyph, fLoadGlyphFlags)) {
        return;
    }
    FT_GlyphSlot slot = fFace->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox box;
        outlineBox (*glyph, &box);
        setGlyphRect (glyph, box.xMin >> 6, -(box.yMax >> 6), (box.xMax - box.xMin) >> 6, (box.yMax - box.yMin) >> 6);
    } else if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        setGlyphRect (glyph, slot->bitmap_left, -slot->bitmap_top, slot->bitmap.width, slot->bitmap.rows);
    } else {
        return;
    }
    if (fRec.fFlags & kSubpixelPositioning_Flag) {
        glyph->fAdvanceX = pin_fixed (((int64_t)slot->linearHoriAdvance * fMatrix22.xx) >> 16);
        glyph->fAdvanceY = pin_fixed (-(((int64_t)slot->linearHoriAdvance * fMatrix22.yx) >> 16));
    } else {
        glyph->fAdvanceX = pin_fixed ((int64_t)slot->advance.x * 1024);
        glyph->fAdvanceY = pin_fixed (-(int64_t)slot->advance.y * 1024);
    }
    if (fRec.fFlags & kDevKernText_Flag) {
        glyph->fRsbDelta = (int8_t)slot->rsb_delta;
        glyph->fLsbDelta = (int8_t)slot->lsb_delta;
    }
}

// Copies a FreeType bitmap glyph into the glyph image: gray rows, or mono rows into a 1-bit
// image, row by row (the rest of each row zeroed); mono into 8-bit as 0 or 255.
void SkScalerContext_FreeType::copyBitmap (const SkGlyph &glyph, const FT_Bitmap &bitmap)
{
    uint8_t *dst = (uint8_t *)glyph.fImage;
    size_t dstRowBytes = glyph.rowBytes ();
    const uint8_t *src = bitmap.buffer;
    int pitch = bitmap.pitch;
    int rows = (int)bitmap.rows < glyph.fHeight ? (int)bitmap.rows : glyph.fHeight;
    bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    bool expand = mono && glyph.fMaskFormat != SkMask::kBW_Format;
    size_t srcRowBytes = (size_t)(pitch < 0 ? -pitch : pitch);
    for (int y = 0; y < rows; y++, dst += dstRowBytes, src += pitch) {
        if (expand) {
            int width = (int)bitmap.width < glyph.fWidth ? (int)bitmap.width : glyph.fWidth;
            memset (dst, 0, dstRowBytes);
            for (int x = 0; x < width; x++) {
                dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 0xFF : 0;
            }
            continue;
        }
        size_t n = srcRowBytes < dstRowBytes ? srcRowBytes : dstRowBytes;
        memcpy (dst, src, n);
        memset (dst + n, 0, dstRowBytes - n);
    }
}

void SkScalerContext_FreeType::generateImage (const SkGlyph &glyph)
{
    size_t size = glyph.rowBytes () * glyph.fHeight;
    memset (glyph.fImage, 0, size);
    if (!loadGlyph (glyph, fLoadGlyphFlags)) {
        return;
    }
    FT_GlyphSlot slot = fFace->glyph;
    if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        copyBitmap (glyph, slot->bitmap);
        return;
    }
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        return;
    }
    FT_Outline *outline = &slot->outline;
    FT_Pos dx = 0, dy = 0;
    if (fRec.fFlags & kSubpixelPositioning_Flag) {
        subpixel_offset (glyph, &dx, &dy);
    }
    FT_BBox box;
    FT_Outline_Get_CBox (outline, &box);
    FT_Outline_Translate (outline, dx - ((box.xMin + dx) & ~63), dy - ((box.yMin + dy) & ~63));
    FT_Bitmap target;
    memset (&target, 0, sizeof (target));
    target.width = glyph.fWidth;
    target.rows = glyph.fHeight;
    target.pitch = (int)glyph.rowBytes ();
    target.buffer = (unsigned char *)glyph.fImage;
    target.num_grays = 256;
    target.pixel_mode = glyph.fMaskFormat == SkMask::kBW_Format ? FT_PIXEL_MODE_MONO : FT_PIXEL_MODE_GRAY;
    if (FT_Outline_Get_Bitmap (fLibrary, outline, &target) != 0) {
        memset (glyph.fImage, 0, size);
    }
}

namespace {

struct PathBuilder {
    SkPath *fPath;
    bool fOpen;
};

SkScalar fx (FT_Pos v) { return (SkScalar)v / 64.0f; }
SkScalar fy (FT_Pos v) { return -(SkScalar)v / 64.0f; }

int move_proc (const FT_Vector *to, void *user)
{
    PathBuilder *b = (PathBuilder *)user;
    if (b->fOpen) {
        b->fPath->close ();
    }
    b->fPath->moveTo (fx (to->x), fy (to->y));
    b->fOpen = true;
    return 0;
}

int line_proc (const FT_Vector *to, void *user)
{
    ((PathBuilder *)user)->fPath->lineTo (fx (to->x), fy (to->y));
    return 0;
}

int quad_proc (const FT_Vector *c, const FT_Vector *to, void *user)
{
    ((PathBuilder *)user)->fPath->quadTo (fx (c->x), fy (c->y), fx (to->x), fy (to->y));
    return 0;
}

int cubic_proc (const FT_Vector *c1, const FT_Vector *c2, const FT_Vector *to, void *user)
{
    ((PathBuilder *)user)->fPath->cubicTo (fx (c1->x), fy (c1->y), fx (c2->x), fy (c2->y), fx (to->x), fy (to->y));
    return 0;
}

} // namespace

void SkScalerContext_FreeType::generatePath (const SkGlyph &glyph, SkPath *path)
{
    path->reset ();
    FT_Int32 flags = (fLoadGlyphFlags & ~FT_LOAD_RENDER) | FT_LOAD_NO_BITMAP;
    if (!loadGlyph (glyph, flags) || fFace->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return;
    }
    FT_Outline_Funcs funcs;
    funcs.move_to = move_proc;
    funcs.line_to = line_proc;
    funcs.conic_to = quad_proc;
    funcs.cubic_to = cubic_proc;
    funcs.shift = 0;
    funcs.delta = 0;
    PathBuilder builder = { path, false };
    if (FT_Outline_Decompose (&fFace->glyph->outline, &funcs, &builder) != 0) {
        path->reset ();
        return;
    }
    path->close ();
}

// The x height in pixels: the OS/2 table's when it has one, else the top of 'x'.
SkScalar SkScalerContext_FreeType::xHeight (const TT_OS2 *os2)
{
    if (os2 != nullptr && os2->sxHeight != 0) {
        return (SkScalar)os2->sxHeight * ((SkScalar)fScaleX / 65536.0f) / fFace->units_per_EM;
    }
    FT_UInt index = FT_Get_Char_Index (fFace, 'x');
    if (index == 0 || FT_Load_Glyph (fFace, index, fLoadGlyphFlags) != 0) {
        return 0;
    }
    if (fRec.fFlags & kEmbolden_Flag) {
        embolden (fFace->glyph);
    }
    if (fFace->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return 0;
    }
    FT_BBox box;
    FT_Outline_Get_CBox (&fFace->glyph->outline, &box);
    return (SkScalar)box.yMax / 64.0f;
}

void SkScalerContext_FreeType::generateFontMetrics (SkPaint::FontMetrics *mx, SkPaint::FontMetrics *my)
{
    SkScalerContext::generateFontMetrics (mx, my);
    if (fFace == nullptr || fFace->units_per_EM == 0 || !setupSize ()) {
        return;
    }
    FT_Face face = fFace;
    const TT_OS2 *os2 = FT_IS_SFNT (face) ? (const TT_OS2 *)FT_Get_Sfnt_Table (face, FT_SFNT_OS2) : nullptr;
    FT_Long height = face->height;
    FT_Long units[6] = {
        -face->bbox.yMax, -face->ascender, -face->descender, -face->bbox.yMin,
        height - face->ascender + face->descender, os2 != nullptr ? os2->xAvgCharWidth : 0,
    };
    if (units[4] < 0) {
        units[4] = 0;
    }
    SkScalar x[6], y[6];
    for (int i = 0; i < 6; i++) {
        int64_t s = ((int64_t)units[i] * fScaleY) / face->units_per_EM;
        x[i] = (SkScalar)(((int64_t)s * fMatrix22.xy) >> 16) / 65536.0f;
        y[i] = (SkScalar)(((int64_t)s * fMatrix22.yy) >> 16) / 65536.0f;
    }
    SkScalar xMin = (SkScalar)face->bbox.xMin / face->units_per_EM;
    SkScalar xMax = (SkScalar)face->bbox.xMax / face->units_per_EM;
    SkScalar xh = xHeight (os2);
    SkPaint::FontMetrics *outs[2] = { mx, my };
    SkScalar *values[2] = { x, y };
    for (int k = 0; k < 2; k++) {
        SkPaint::FontMetrics *m = outs[k];
        if (m == nullptr) {
            continue;
        }
        m->fTop = values[k][0];
        m->fAscent = values[k][1];
        m->fDescent = values[k][2];
        m->fBottom = values[k][3];
        m->fLeading = values[k][4];
        m->fAvgCharWidth = values[k][5];
        m->fXMin = xMin;
        m->fXMax = xMax;
        m->fXHeight = xh;
    }
}

SkScalerContext *SkFontHost::CreateScalerContext (const SkDescriptor *desc)
{
    SkScalerContext_FreeType *context = new SkScalerContext_FreeType (desc);
    if (context != nullptr && !context->isUsable ()) {
        delete context;
        context = nullptr;
    }
    return context;
}
