/*
 * The PNG decoder over libpng: every colour type and depth, tRNS as a colour table's
 * alpha or as one transparent colour, interlacing; rows through the sampler, or at full
 * size in 8888 straight into the bitmap.
 */
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/SkScaledBitmapSampler.h>

#include <graphics/bitmap/SkColorTable.h>
#include <graphics/core/SkColorPriv.h>
#include <graphics/core/SkMath.h>
#include <graphics/raster/SkBlitRow.h>

#include <png.h>
#include <setjmp.h>

namespace {

// The widest and tallest picture taken (libpng's own default, stated here because the
// ceiling below follows from it); the pixel count has its own, lower limit.
const png_uint_32 kLargestPngSide = 1000000;
const uint64_t kLargestPngPixels = 0x1FFFFFFF;
// No block libpng asks for may be larger than the row buffer of the widest picture (8
// bytes a pixel for 16-bit RGBA, rounded up to 8 pixels, and libpng's own padding):
// everything else it holds is small and fixed, so a larger request can only come from a
// length field of the file, and is refused rather than taken from the pool.
const size_t kLargestLibpngBlock = ((size_t)kLargestPngSide + 8) * 8 + 4096;

png_voidp MallocProc (png_structp, png_alloc_size_t size)
{
    return size <= kLargestLibpngBlock ? sk_malloc (size) : nullptr;
}

void FreeProc (png_structp, png_voidp ptr)
{
    sk_free (ptr);
}

void ErrorProc (png_structp png, png_const_charp)
{
    longjmp (png_jmpbuf (png), 1);
}

// Rows of 8-bit R, G, B (A) bytes can be turned into the bitmap's 8888 words in place only
// where those words are B, G, R, A in memory.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && SK_A32_SHIFT == 24 && \
    SK_R32_SHIFT == 16 && SK_G32_SHIFT == 8 && SK_B32_SHIFT == 0
const bool kRowsBecomePixelWords = true;
#else
const bool kRowsBecomePixelWords = false;
#endif

// Widens R, G, B bytes held in the last 3 x width bytes of a 4 x width row into opaque
// 8888 words, in place: each word lands below the bytes still to be read. One pass, where
// libpng's own filler and byte swap would take two.
void WidenRgbRow (uint32_t *row, int width)
{
    const uint8_t *src = (const uint8_t *)row + width;
    for (int x = 0; x < width; x++, src += 3) {
        row[x] = SkPackARGB32 (0xFF, src[0], src[1], src[2]);
    }
}

// Turns R, G, B, A bytes into premultiplied 8888 words in place, as SkPreMultiplyARGB
// does; true when one has alpha below 255.
bool PremultiplyRgbaRow (uint32_t *row, int width)
{
    unsigned all = 0xFF;
    for (int x = 0; x < width; x++) {
        uint32_t c = row[x];  // a << 24 | b << 16 | g << 8 | r
        unsigned a = c >> 24;
        all &= a;
        if (a == 0xFF) {
            row[x] = (c & 0xFF00FF00) | (c & 0xFF) << 16 | (c >> 16 & 0xFF);
        } else {
            row[x] = SkPackARGB32 (a, SkMulDiv255Round (a, c & 0xFF), SkMulDiv255Round (a, c >> 8 & 0xFF),
                                   SkMulDiv255Round (a, c >> 16 & 0xFF));
        }
    }
    return all != 0xFF;
}

// A decode has nowhere to report libpng's warnings (the broken but readable files it
// still decodes); they would only reach the console.
void WarningProc (png_structp, png_const_charp)
{
}

void ReadProc (png_structp png, png_bytep data, png_size_t length)
{
    SkStream *stream = (SkStream *)png_get_io_ptr (png);
    if (stream->read (data, length) != length) {
        png_error (png, "short read");
    }
}

// Everything a decode holds lives here, in the frame that set the recovery point: a
// libpng error long-jumps past the frames below it, whose destructors never run.
struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint8_t *rows = nullptr;
    SkColorTable *table = nullptr;
    SkBitmap *locked = nullptr;
    ~PngState ()
    {
        if (locked != nullptr) locked->unlockPixels ();
        SkSafeUnref (table);
        sk_free (rows);
        png_destroy_read_struct (&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

// The palette as premultiplied colours, with one more entry repeating the last when
// there are fewer than 256; false when a transparency value is below 255.
SkColorTable *MakeColorTable (png_structp png, png_infop info, bool *hasAlpha)
{
    png_colorp palette = nullptr;
    int count = 0, transCount = 0;
    png_bytep trans = nullptr;
    png_get_PLTE (png, info, &palette, &count);
    bool hasTrns = png_get_valid (png, info, PNG_INFO_tRNS) != 0;
    if (hasTrns) {
        png_get_tRNS (png, info, &trans, &transCount, nullptr);
    }
    SkPMColor colours[256];
    unsigned alphaMask = 0xFF;
    int total = 0;
    for (int i = 0; i < count && i < 256; i++, total++) {
        unsigned a = (i < transCount && trans != nullptr) ? trans[i] : 0xFF;
        alphaMask &= a;
        colours[i] = SkPreMultiplyARGB (a, palette[i].red, palette[i].green, palette[i].blue);
    }
    // Indexes past the palette read black rather than outside the table.
    for (; total < 256; total++) {
        colours[total] = total == count && count > 0 ? colours[count - 1] : SkPackARGB32 (0xFF, 0, 0, 0);
    }
    SkColorTable *table = SkColorTable::Create (colours, 256);
    if (table != nullptr && !hasTrns) {
        table->setFlags (table->getFlags () | SkColorTable::kColorsAreOpaque_Flag);
    }
    *hasAlpha = alphaMask != 0xFF;
    return table;
}

class SkPNGImageDecoder : public SkImageDecoder {
public:
    Format getFormat () const override { return kPNG_Format; }

protected:
    bool onDecode (SkStream *stream, SkBitmap *bm, Mode mode) override;

private:
    bool decodeWith (PngState *s, SkStream *stream, SkBitmap *bm, Mode mode);
    bool readRows (PngState *s, SkBitmap *bm, SkScaledBitmapSampler *sampler, bool *reallyHasAlpha, int passes,
                   SkScaledBitmapSampler::SrcConfig sc, const SkPMColor *ctable);
};

// Full-size 8888 from 8-bit RGB or RGBA rows, without the sampler: libpng writes each row
// into its bitmap row (RGB into the row's tail), every pass of an interlaced picture adding
// to it, and the row becomes pixel words in place once the last pass has written it.
void ReadRowsIntoPixels (PngState *s, SkBitmap *bm, int passes, bool alpha, bool *reallyHasAlpha)
{
    int width = bm->width ();
    for (int pass = 0; pass < passes; pass++) {
        for (int y = 0; y < bm->height (); y++) {
            uint32_t *row = bm->getAddr32 (0, y);
            png_read_row (s->png, alpha ? (png_bytep)row : (png_bytep)row + width, nullptr);
            if (pass < passes - 1) {
                continue;
            }
            if (alpha) {
                *reallyHasAlpha |= PremultiplyRgbaRow (row, width);
            } else {
                WidenRgbRow (row, width);
            }
        }
    }
}

bool SkPNGImageDecoder::readRows (PngState *s, SkBitmap *bm, SkScaledBitmapSampler *sampler, bool *reallyHasAlpha,
                                  int passes, SkScaledBitmapSampler::SrcConfig sc, const SkPMColor *ctable)
{
    png_uint_32 width = png_get_image_width (s->png, s->info), height = png_get_image_height (s->png, s->info);
    size_t rowBytes = png_get_rowbytes (s->png, s->info);
    if (!sampler->setup (bm, sc, getDitherImage (), ctable)) {
        return false;
    }
    s->rows = (uint8_t *)sk_malloc (rowBytes * (passes > 1 ? height : 1));
    uint8_t *base = s->rows;
    if (base == nullptr) {
        return false;
    }
    (void)width;
    if (passes > 1) {
        // Each pass adds its pixels to the rows of the whole image.
        for (int pass = 0; pass < passes; pass++) {
            for (png_uint_32 y = 0; y < height; y++) {
                png_read_row (s->png, base + y * rowBytes, nullptr);
            }
        }
        for (int y = 0; y < sampler->scaledHeight (); y++) {
            *reallyHasAlpha |= sampler->next (base + (size_t)(sampler->srcY0 () + y * sampler->srcDY ()) * rowBytes);
        }
        return true;
    }
    png_uint_32 y = 0;
    for (int out = 0; out < sampler->scaledHeight (); out++) {
        png_uint_32 want = (png_uint_32)(sampler->srcY0 () + out * sampler->srcDY ());
        for (; y <= want; y++) {
            png_read_row (s->png, base, nullptr);
        }
        *reallyHasAlpha |= sampler->next (base);
    }
    for (; y < height; y++) {
        png_read_row (s->png, base, nullptr);
    }
    return true;
}

bool SkPNGImageDecoder::decodeWith (PngState *s, SkStream *stream, SkBitmap *bm, Mode mode)
{
    png_set_read_fn (s->png, stream, ReadProc);
    png_read_info (s->png, s->info);
    png_uint_32 width, height;
    int bitDepth, colorType, interlace;
    png_get_IHDR (s->png, s->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (bitDepth == 16) png_set_strip_16 (s->png);
    if (bitDepth < 8) png_set_packing (s->png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8 (s->png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb (s->png);
    if ((uint64_t)width * height > kLargestPngPixels) return false;

    bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
    bool hasAlpha = false;
    SkPMColor transparent = 0;
    bool oneTransparent = false;
    if (palette) {
        s->table = MakeColorTable (s->png, s->info, &hasAlpha);
        if (s->table == nullptr) return false;
    } else if (png_get_valid (s->png, s->info, PNG_INFO_tRNS)) {
        png_color_16p colour = nullptr;
        png_get_tRNS (s->png, s->info, nullptr, nullptr, &colour);
        hasAlpha = true;
        if (colour != nullptr) {
            // Samples keep their high byte when 16 bits; grey below 8 bits scales to 8.
            auto cut = [&] (unsigned v) { return bitDepth == 16 ? v >> 8 : bitDepth < 8 ? v * 255 / ((1u << bitDepth) - 1) : v; };
            unsigned g = cut (colour->gray);
            bool grey = colorType == PNG_COLOR_TYPE_GRAY;
            transparent = SkPackARGB32 (0xFF, grey ? g : cut (colour->red), grey ? g : cut (colour->green), grey ? g : cut (colour->blue));
            oneTransparent = true;
        }
    }
    hasAlpha = hasAlpha || colorType == PNG_COLOR_TYPE_RGB_ALPHA || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    SkBitmap::Config config = getPrefConfig (palette ? kIndex_SrcDepth : k32Bit_SrcDepth, hasAlpha);
    if (palette) {
        if (config != SkBitmap::kARGB_8888_Config && config != SkBitmap::kARGB_4444_Config &&
            !(config == SkBitmap::kRGB_565_Config && !hasAlpha)) config = SkBitmap::kIndex8_Config;
    } else if (hasAlpha) {
        if (config != SkBitmap::kARGB_4444_Config) config = SkBitmap::kARGB_8888_Config;
    } else if (config != SkBitmap::kRGB_565_Config && config != SkBitmap::kARGB_4444_Config) {
        config = SkBitmap::kARGB_8888_Config;
    }
    SkScaledBitmapSampler sampler;
    sampler.begin ((int)width, (int)height, getSampleSize ());
    bm->setConfig (config, sampler.scaledWidth (), sampler.scaledHeight ());
    if (mode == kDecodeBounds_Mode) return true;
    bool sourceAlpha = colorType == PNG_COLOR_TYPE_RGB_ALPHA || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
    bool intoPixels = kRowsBecomePixelWords && !palette && config == SkBitmap::kARGB_8888_Config &&
                      sampler.scaledWidth () == (int)width && sampler.scaledHeight () == (int)height;
    // Read straight into the pixels, a decode that succeeds has written every byte of them
    // (libpng refuses a picture whose data ends early), so they need no clearing first.
    if (intoPixels ? !allocPixelRefUncleared (bm)
                   : !allocPixelRef (bm, config == SkBitmap::kIndex8_Config ? s->table : nullptr)) {
        return false;
    }
    bm->lockPixels ();
    s->locked = bm;
    if (!palette && !sourceAlpha && !intoPixels) {
        png_set_filler (s->png, 0xFF, PNG_FILLER_AFTER);
    }
    int passes = interlace != PNG_INTERLACE_NONE ? png_set_interlace_handling (s->png) : 1;
    png_read_update_info (s->png, s->info);
    bool reallyHasAlpha = false;
    if (intoPixels) {
        if (png_get_rowbytes (s->png, s->info) != (size_t)width * (sourceAlpha ? 4 : 3)) return false;
        ReadRowsIntoPixels (s, bm, passes, sourceAlpha, &reallyHasAlpha);
    } else {
        SkScaledBitmapSampler::SrcConfig sc = palette ? SkScaledBitmapSampler::kIndex
                                              : sourceAlpha ? SkScaledBitmapSampler::kRGBA : SkScaledBitmapSampler::kRGBX;
        if (!readRows (s, bm, &sampler, &reallyHasAlpha, passes, sc, palette ? s->table->colors () : nullptr)) return false;
    }
    png_read_end (s->png, s->info);
    if (oneTransparent && config == SkBitmap::kARGB_8888_Config) {
        for (int y = 0; y < bm->height (); y++) {
            uint32_t *row = bm->getAddr32 (0, y);
            for (int x = 0; x < bm->width (); x++) {
                if (row[x] == transparent) row[x] = 0, reallyHasAlpha = true;
            }
        }
    }
    bm->setIsOpaque (!reallyHasAlpha);
    return true;
}

bool SkPNGImageDecoder::onDecode (SkStream *stream, SkBitmap *bm, Mode mode)
{
    PngState s;
    s.png = png_create_read_struct_2 (PNG_LIBPNG_VER_STRING, nullptr, ErrorProc, WarningProc, nullptr, MallocProc,
                                      FreeProc);
    if (s.png == nullptr) return false;
    s.info = png_create_info_struct (s.png);
    if (s.info == nullptr) return false;
    if (setjmp (png_jmpbuf (s.png)) != 0) {
        return false;
    }
    png_set_user_limits (s.png, kLargestPngSide, kLargestPngSide);
    // The decoder reads IHDR, PLTE, tRNS and IDAT alone. libpng would read every other
    // chunk it knows (text, palettes, profiles) into a buffer sized by the chunk's length
    // field, before finding that the data is not there; told to drop them, it skips their
    // bytes through a small fixed buffer instead.
    png_set_keep_unknown_chunks (s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    return decodeWith (&s, stream, bm, mode);
}

}  // namespace

SkImageDecoder *SkPNGImageDecoderFactory (SkStream *stream)
{
    uint8_t signature[4];
    bool isPng = stream->read (signature, 4) == 4 && png_sig_cmp (signature, 0, 4) == 0;
    // The decoder reads the signature again, so it is handed the stream from its start.
    stream->rewind ();
    return isPng ? new SkPNGImageDecoder : nullptr;
}
