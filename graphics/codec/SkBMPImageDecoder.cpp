/*
 * The BMP decoder: core (12-byte) and information (40 bytes and more) headers; 1, 4, 8,
 * 16, 24 and 32 bits a pixel; RLE8 and RLE4; 16-bit bit fields and 32-bit ones in byte
 * order; top-down rows. Every read is bounded by the file.
 */
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/SkScaledBitmapSampler.h>

#include <Format/Bmp.h>

#include <string.h>

namespace {

struct BmpInfo {
    const uint8_t *file;
    size_t length;
    size_t pos;
    int width, height, bpp;
    bool topDown, rle;
    uint32_t paletteSize;
    uint8_t palette[256 * 3];  // R, G, B
    uint32_t masks[3];
    int rightShift[3], leftShift[3];
    size_t rowBytes;           // padded to 4
};

uint32_t Le (const BmpInfo &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; i++) {
        v |= (at + i < b.length ? (uint32_t)b.file[at + i] : 0u) << (8 * i);
    }
    return v;
}

void SetMaskShifts (BmpInfo *b)
{
    for (int c = 0; c < 3; c++) {
        uint32_t mask = b->masks[c];
        int right = 0, width = 0;
        while (right < 16 && ((mask >> right) & 1) == 0) right++;
        while (right + width < 16 && ((mask >> (right + width)) & 1) != 0) width++;
        // A mask wider than 8 bits keeps its top 8.
        b->rightShift[c] = right + (width > 8 ? width - 8 : 0);
        b->leftShift[c] = width < 8 ? 8 - width : 0;
    }
}

bool ReadPalette (BmpInfo *b, size_t at, uint32_t colours, int entryBytes)
{
    if (at + (size_t)colours * entryBytes > b->length) {
        return false;
    }
    memset (b->palette, 0, sizeof (b->palette));
    for (uint32_t i = 0; i < colours; i++) {
        const uint8_t *e = b->file + at + i * entryBytes;
        b->palette[i * 3] = e[2], b->palette[i * 3 + 1] = e[1], b->palette[i * 3 + 2] = e[0];
    }
    b->paletteSize = colours;
    return true;
}

bool ParseHeader (BmpInfo *b)
{
    BMP_HEADER header;
    if (!BmpReadHeader (b->file, b->length, &header)) {
        return false;
    }
    uint32_t infoSize = header.InfoSize;
    uint32_t compression = header.Compression, colours = header.ColoursUsed;
    size_t afterHeader = header.PaletteAt;
    b->width = (int32_t)header.Width, b->height = (int32_t)header.Height, b->bpp = header.BitsPerPixel;
    b->topDown = b->height < 0 && b->height != INT32_MIN;
    b->height = b->topDown ? -b->height : b->height;
    if (b->width < 1 || b->width > 16383 || b->height < 1 || b->height > 16383 ||
        (uint64_t)b->width * b->height > 0xFFF8001 || colours > 256) {
        return false;
    }
    // Run-length coding goes with its own depth; bit fields describe 16-bit pixels, and
    // 32-bit ones only in the blue, green, red byte order those are read in.
    b->rle = compression == BMP_COMPRESSION_RLE8 || compression == BMP_COMPRESSION_RLE4;
    if ((compression == BMP_COMPRESSION_RLE8 && b->bpp != 8) || (compression == BMP_COMPRESSION_RLE4 && b->bpp != 4) ||
        compression > BMP_COMPRESSION_BIT_FIELDS ||
        (compression == BMP_COMPRESSION_BIT_FIELDS && b->bpp != 16 && b->bpp != 32)) {
        return false;
    }
    b->masks[0] = 0x7C00, b->masks[1] = 0x03E0, b->masks[2] = 0x001F;
    if (compression == BMP_COMPRESSION_BIT_FIELDS) {
        // A 40-byte header leaves the masks out of its size; they follow it.
        if (infoSize == BMP_INFO_HEADER_SIZE && b->length < BMP_INFO_MASKS_AT + 12) return false;
        if (b->bpp == 32) {
            if (Le (*b, BMP_INFO_MASKS_AT, 4) != 0xFF0000 || Le (*b, BMP_INFO_MASKS_AT + 4, 4) != 0xFF00 ||
                Le (*b, BMP_INFO_MASKS_AT + 8, 4) != 0xFF) return false;
        } else {
            for (int c = 0; c < 3; c++) b->masks[c] = Le (*b, BMP_INFO_MASKS_AT + 4 * c, 4) & 0xFFFF;
            if (b->masks[0] == 0 || b->masks[1] == 0 || b->masks[2] == 0) return false;
        }
        afterHeader += infoSize == BMP_INFO_HEADER_SIZE ? 12 : 0;
    }
    SetMaskShifts (b);
    if (colours == 0 && b->bpp <= 8) colours = 1u << b->bpp;
    int entryBytes = infoSize == BMP_CORE_HEADER_SIZE ? 3 : 4;
    if ((b->bpp <= 8 || colours > 0) && !ReadPalette (b, afterHeader, colours, entryBytes)) {
        return false;
    }
    b->pos = afterHeader + (size_t)colours * entryBytes;
    size_t rowLength;
    switch (b->bpp) {
        case 32: rowLength = 4 * (size_t)b->width; break;
        case 24: rowLength = 3 * (size_t)b->width; break;
        case 16: rowLength = 2 * (size_t)b->width; break;
        case 8: rowLength = b->width; break;
        case 4: rowLength = (b->width + 1) / 2; break;
        case 1: rowLength = (b->width + 7) / 8; break;
        default: return false;
    }
    b->rowBytes = (rowLength + 3) & ~(size_t)3;
    uint32_t offset = header.PixelOffset;
    if (offset > b->pos && offset < b->length) b->pos = offset;
    return b->rle || b->pos + (b->height - 1) * b->rowBytes + rowLength <= b->length;
}

void PutIndex (const BmpInfo &b, uint8_t *out, unsigned index)
{
    const uint8_t *c = &b.palette[(index & 0xFF) * 3];
    out[0] = c[0], out[1] = c[1], out[2] = c[2];
}

void DecodePlainRow (const BmpInfo &b, const uint8_t *row, uint8_t *out)
{
    for (int x = 0; x < b.width; x++, out += 3) {
        switch (b.bpp) {
            case 32: case 24: { const uint8_t *p = row + x * (b.bpp / 8); out[0] = p[2], out[1] = p[1], out[2] = p[0]; break; }
            case 16: {
                uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
                for (int c = 0; c < 3; c++) out[c] = (uint8_t)((((v & b.masks[c]) >> b.rightShift[c]) & 0xFF) << b.leftShift[c]);
                break;
            }
            case 8: PutIndex (b, out, row[x]); break;
            case 4: PutIndex (b, out, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15); break;
            default: PutIndex (b, out, (row[x >> 3] >> (7 - (x & 7))) & 1); break;
        }
    }
}

// Run-length data: counts with a value, or escapes (end of line, end of bitmap, delta,
// literal runs). Pixels beyond the width are dropped; skipped pixels stay black.
void DecodeRle (const BmpInfo &b, uint8_t *rgb)
{
    size_t p = b.pos;
    int x = 0, y = b.height - 1;
    bool four = b.bpp == 4;
    auto put = [&] (unsigned index) {
        if (x < b.width && y >= 0) PutIndex (b, rgb + ((size_t)y * b.width + x) * 3, index);
        x++;
    };
    while (y >= 0 && p + 1 < b.length) {
        unsigned count = b.file[p], value = b.file[p + 1];
        p += 2;
        if (count != 0) {
            for (unsigned i = 0; i < count && x < b.width; i++) put (four ? ((i & 1) ? value & 15 : value >> 4) : value);
        } else if (value == 0) {
            x = 0, y--;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (p + 1 >= b.length) break;
            x += b.file[p], y -= b.file[p + 1], p += 2;
            x = x > b.width ? b.width : x;
        } else {
            size_t bytes = four ? (value + 1) / 2 : value;
            for (unsigned i = 0; i < value && p + (four ? i / 2 : i) < b.length; i++) {
                uint8_t byte = b.file[p + (four ? i / 2 : i)];
                put (four ? ((i & 1) ? byte & 15 : byte >> 4) : byte);
            }
            p += bytes + (bytes & 1);
        }
    }
}

class SkBMPImageDecoder : public SkImageDecoder {
public:
    Format getFormat () const override { return kBMP_Format; }

protected:
    bool onDecode (SkStream *stream, SkBitmap *bm, Mode mode) override;
};

bool SkBMPImageDecoder::onDecode (SkStream *stream, SkBitmap *bm, Mode mode)
{
    size_t length = 0;
    SkAutoFree data (SkReadWholeStream (stream, &length));
    SkAutoFree info (sk_calloc (sizeof (BmpInfo)));
    BmpInfo *b = (BmpInfo *)info.get ();
    if (data.get () == nullptr || b == nullptr || length < 18) {
        return false;
    }
    b->file = (const uint8_t *)data.get (), b->length = length;
    if (!ParseHeader (b)) {
        return false;
    }
    SkBitmap::Config config = getPrefConfig (b->bpp <= 8 ? kIndex_SrcDepth : b->bpp == 16 ? k16Bit_SrcDepth : k32Bit_SrcDepth, false);
    if (config != SkBitmap::kARGB_4444_Config && config != SkBitmap::kRGB_565_Config) {
        config = SkBitmap::kARGB_8888_Config;
    }
    SkScaledBitmapSampler sampler;
    sampler.begin (b->width, b->height, getSampleSize ());
    bm->setConfig (config, sampler.scaledWidth (), sampler.scaledHeight ());
    bm->setIsOpaque (true);
    if (mode == kDecodeBounds_Mode) {
        return true;
    }
    size_t rowRgb = (size_t)b->width * 3;
    SkAutoFree rgb (sk_calloc (rowRgb * b->height));
    uint8_t *pixels = (uint8_t *)rgb.get ();
    if (pixels == nullptr) {
        return false;
    }
    if (b->rle) {
        DecodeRle (*b, pixels);
    } else {
        for (int r = 0; r < b->height; r++) {
            int y = b->topDown ? r : b->height - 1 - r;
            DecodePlainRow (*b, b->file + b->pos + r * b->rowBytes, pixels + y * rowRgb);
        }
    }
    if (!allocPixelRef (bm, nullptr)) {
        return false;
    }
    SkAutoLockPixels lock (*bm);
    if (!sampler.setup (bm, SkScaledBitmapSampler::kRGB, getDitherImage ())) {
        return false;
    }
    for (int y = 0; y < sampler.scaledHeight (); y++) {
        // Whether a pixel had alpha says nothing of an opaque picture.
        (void)sampler.next (pixels + (size_t)(sampler.srcY0 () + y * sampler.srcDY ()) * rowRgb);
    }
    return true;
}

}  // namespace

SkImageDecoder *SkBMPImageDecoderCreate ()
{
    return new SkBMPImageDecoder;
}

SkImageDecoder *SkBMPImageDecoderFactory (SkStream *stream)
{
    uint8_t head[2] = { 0, 0 };
    if (stream->getLength () < 3 || stream->read (head, 2) != 2 || head[0] != 'B' || head[1] != 'M') {
        return nullptr;
    }
    return SkBMPImageDecoderCreate ();
}
