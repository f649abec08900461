/*
 * SkBitmap contents: erase, copies, opacity, subsets, conversion to 32-bit, mip levels.
 */
#include "graphics/bitmap/SkBitmap.h"

#include "graphics/bitmap/SkPackBits.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkUtils.h"

void SkBitmap::eraseTransparent ()
{
    if (fWidth == 0 || fHeight == 0 || fConfig == kNo_Config || fConfig == kIndex8_Config) {
        return;
    }
    SkAutoLockPixels lock (*this);
    if (fPixels == nullptr || (fConfig == kRLE_Index8_Config && fColorTable == nullptr)) {
        return;
    }
    uint8_t *row = (uint8_t *)fPixels;
    for (int y = 0; y < fHeight; y++, row += fRowBytes) {
        switch (fConfig) {
        case kA1_Config: memset (row, 0, (size_t)(fWidth + 7) >> 3); break;
        case kA8_Config: memset (row, 0, (size_t)fWidth); break;
        case kRGB_565_Config:
        case kARGB_4444_Config: sk_memset16 ((uint16_t *)row, 0, fWidth); break;
        case kARGB_8888_Config: sk_memset32 ((uint32_t *)row, 0, fWidth); break;
        default: break;   // run-length rows are left alone
        }
    }
    notifyPixelsChanged ();
}

bool SkBitmap::copyPixelsFrom (const void *src, size_t srcSize)
{
    if (fConfig == kRLE_Index8_Config || src == nullptr ||
        fRowBytes < ComputeRowBytes (config (), fWidth)) {
        return false;
    }
    size_t safeSize = getSafeSize ();
    if (safeSize == 0 || srcSize < safeSize) {
        return false;
    }
    SkAutoLockPixels lock (*this);
    if (fPixels == nullptr) {
        return false;
    }
    memcpy (fPixels, src, safeSize);
    notifyPixelsChanged ();
    return true;
}

bool SkBitmap::isOpaque () const
{
    switch (fConfig) {
    case kNo_Config:
    case kRGB_565_Config:
        return true;
    case kA1_Config:
    case kA8_Config:
    case kARGB_4444_Config:
    case kARGB_8888_Config:
        return (fFlags & kImageIsOpaque_Flag) != 0;
    case kIndex8_Config:
    case kRLE_Index8_Config: {
        SkAutoLockPixels lock (*this);
        return fColorTable != nullptr && fColorTable->isOpaque ();
    }
    default:
        return false;
    }
}

void SkBitmap::setIsOpaque (bool opaque)
{
    fFlags = opaque ? (uint8_t)(fFlags | kImageIsOpaque_Flag) : (uint8_t)(fFlags & ~kImageIsOpaque_Flag);
}

bool SkBitmap::extractSubset (SkBitmap *result, const SkIRect &subset) const
{
    if (fPixelRef == nullptr && fPixels == nullptr) {
        return false;
    }
    SkIRect r;
    if (!r.intersect (subset, SkIRect::MakeWH (fWidth, fHeight))) {
        return false;
    }
    if (fConfig == kRLE_Index8_Config) {
        return extractRLESubset (result, r);
    }
    if (fConfig == kNo_Config || fConfig == kA1_Config || fConfig >= kConfigCount) {
        return false;
    }
    size_t offset = (size_t)r.fTop * fRowBytes + (size_t)r.fLeft * fBytesPerPixel;
    SkBitmap dst;
    dst.setConfig (config (), r.width (), r.height (), (int)fRowBytes);
    dst.setIsOpaque (isOpaque ());
    if (fPixelRef != nullptr) {
        dst.setPixelRef (fPixelRef, (size_t)fPixelRefOffset + offset);
    } else {
        dst.setPixels ((uint8_t *)fPixels + offset, fColorTable);
    }
    result->swap (dst);
    return true;
}

// Run-length rows cannot be addressed in place: the subset is decoded into Index8 pixels.
bool SkBitmap::extractRLESubset (SkBitmap *result, const SkIRect &r) const
{
    SkAutoLockPixels lock (*this);
    const RLEPixels *rle = (const RLEPixels *)fPixels;
    if (rle == nullptr) {
        return false;
    }
    SkBitmap dst;
    dst.setConfig (kIndex8_Config, r.width (), r.height ());
    if (!dst.allocPixels (fColorTable)) {
        return false;
    }
    for (int y = r.fTop; y < r.fBottom; y++) {
        SkPackBits::Unpack8 (dst.getAddr8 (0, y - r.fTop), (size_t)r.fLeft, (size_t)r.width (),
                             rle->packedAtY (y));
    }
    result->swap (dst);
    return true;
}

int SkBitmap::extractMipLevel (SkBitmap *dst, SkFixed sx, SkFixed sy) const
{
    if (fMipMap == nullptr) {
        return 0;
    }
    uint32_t s = (uint32_t)SkMax32 (SkAbs32 (sx), SkAbs32 (sy));
    int level = 0;
    if (s >= 0x10000) {
        // floor(log2 (s / 0x10000)) from the position of the leading one.
        int clz = SkCLZ (s);
        level = (int)((((s << (clz + 1)) >> 16) - ((uint32_t)clz << 16) + 0xF0000) >> 16);
    }
    if (level < 1) {
        return 0;
    }
    if (level >= (int)fMipMap->fLevelCount) {
        level = (int)fMipMap->fLevelCount - 1;
    }
    if (dst != nullptr) {
        const MipLevel &mip = fMipMap->fLevels[level];
        dst->setConfig (config (), (int)mip.fWidth, (int)mip.fHeight, (int)mip.fRowBytes);
        dst->setPixels (mip.fPixels);
    }
    return level;
}

// -----------------------------------------------------------------------------------------

namespace {

// One source row widened to premultiplied 32-bit pixels.
void convert_row (const SkBitmap &src, int y, uint32_t *dst, uint8_t *scratch)
{
    int width = src.width ();
    const SkColorTable *table = src.getColorTable ();
    switch (src.config ()) {
    case SkBitmap::kA8_Config: {
        const uint8_t *s = src.getAddr8 (0, y);
        for (int x = 0; x < width; x++) dst[x] = (uint32_t)s[x] << 24;
        break;
    }
    case SkBitmap::kRGB_565_Config: {
        const uint16_t *s = src.getAddr16 (0, y);
        for (int x = 0; x < width; x++) dst[x] = SkPixel16ToPixel32 (s[x]);
        break;
    }
    case SkBitmap::kARGB_4444_Config: {
        const uint16_t *s = src.getAddr16 (0, y);
        for (int x = 0; x < width; x++) dst[x] = SkPixel4444ToPixel32 (s[x]);
        break;
    }
    case SkBitmap::kIndex8_Config:
    case SkBitmap::kRLE_Index8_Config: {
        const uint8_t *s = scratch;
        if (src.config () == SkBitmap::kIndex8_Config) {
            s = src.getAddr8 (0, y);
        } else {
            const SkBitmap::RLEPixels *rle = (const SkBitmap::RLEPixels *)src.getPixels ();
            SkPackBits::Unpack8 (scratch, 0, (size_t)width, rle->packedAtY (y));
        }
        int count = table->count ();
        for (int x = 0; x < width; x++) dst[x] = s[x] < count ? (*table)[s[x]] : 0;
        break;
    }
    default:
        break;
    }
}

} // namespace

// Widens each pixel directly (no drawing): 565 by bit replication with opaque alpha, 4444
// nibbles times 17, indices through the colour table, A8 as alpha only.
bool SkBitmap::convertTo8888 (SkBitmap *dst) const
{
    bool indexed = fConfig == kIndex8_Config || fConfig == kRLE_Index8_Config;
    if (fConfig == kNo_Config || fConfig == kA1_Config || fConfig >= kConfigCount) {
        return false;
    }
    // An empty bitmap has no 32-bit form: its layout would be refused.
    if (fPixels == nullptr || empty () || (indexed && fColorTable == nullptr)) {
        return false;
    }
    SkBitmap tmp;
    tmp.setConfig (kARGB_8888_Config, fWidth, fHeight);
    if (!tmp.allocPixels ()) {
        return false;
    }
    if (fConfig == kARGB_8888_Config) {
        if (fRowBytes == tmp.rowBytes ()) {
            memcpy (tmp.getPixels (), fPixels, tmp.getSafeSize ());
        } else {
            for (int y = 0; y < fHeight; y++) {
                memcpy (tmp.getAddr32 (0, y), getAddr32 (0, y), (size_t)fWidth * 4);
            }
        }
    } else {
        uint8_t *scratch = nullptr;
        if (fConfig == kRLE_Index8_Config) {
            scratch = (uint8_t *)sk_calloc ((size_t)fWidth);
            if (scratch == nullptr) {
                return false;
            }
        }
        for (int y = 0; y < fHeight; y++) {
            convert_row (*this, y, tmp.getAddr32 (0, y), scratch);
        }
        sk_free (scratch);
    }
    tmp.setIsOpaque (isOpaque ());
    dst->swap (tmp);
    return true;
}

bool SkBitmap::copyTo (SkBitmap *dst) const
{
    if (fConfig == kNo_Config || fConfig == kA1_Config || fConfig >= kConfigCount) {
        return false;
    }
    const SkBitmap *src = this;
    SkBitmap read;
    if (fPixelRef != nullptr && fPixelRef->readPixels (&read)) {
        if (read.config () == kARGB_8888_Config) {
            dst->swap (read);
            return true;
        }
        src = &read;
    }
    SkAutoLockPixels lock (*src);
    return src->convertTo8888 (dst);
}
