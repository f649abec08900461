/*
 * SkBitmap: layout, pixel refs and locking, copies.
 */
#include "graphics/bitmap/SkBitmap.h"

namespace {

void unref_mipmap (SkBitmap::MipMap *mipMap)
{
    if (mipMap != nullptr && --mipMap->fRefCnt == 0) {
        sk_free (mipMap);
    }
}

} // namespace

SkBitmap::MipMap *SkBitmap::MipMap::Alloc (int levelCount)
{
    if (levelCount < 1 || levelCount > 32) {
        return nullptr;
    }
    size_t size = offsetof (MipMap, fLevels) + (size_t)levelCount * sizeof (MipLevel);
    MipMap *mipMap = (MipMap *)sk_calloc (size);
    if (mipMap != nullptr) {
        mipMap->fRefCnt = 1;
        mipMap->fLevelCount = (uint32_t)levelCount;
    }
    return mipMap;
}

SkBitmap::SkBitmap ()
{
    memset ((void *)this, 0, sizeof (*this));
}

SkBitmap::SkBitmap (const SkBitmap &other) : SkBitmap ()
{
    *this = other;
}

SkBitmap::~SkBitmap ()
{
    freePixels ();
}

SkBitmap &SkBitmap::operator= (const SkBitmap &other)
{
    if (this == &other) {
        return *this;
    }
    freePixels ();
    memcpy ((void *)this, (const void *)&other, sizeof (*this));
    SkSafeRef (fPixelRef);
    if (fMipMap != nullptr) {
        fMipMap->fRefCnt++;
    }
    fPixelLockCount = 0;
    if (fPixelRef != nullptr) {
        // The copy gets its pixels and colour table at its own first lock.
        fPixels = nullptr;
        fColorTable = nullptr;
    } else {
        SkSafeRef (fColorTable);
    }
    return *this;
}

void SkBitmap::swap (SkBitmap &other)
{
    SkTSwap (fMipMap, other.fMipMap);
    SkTSwap (fPixelRef, other.fPixelRef);
    SkTSwap (fPixelRefOffset, other.fPixelRefOffset);
    SkTSwap (fPixelLockCount, other.fPixelLockCount);
    SkTSwap (fPixels, other.fPixels);
    SkTSwap (fColorTable, other.fColorTable);
    SkTSwap (fRawGenerationID, other.fRawGenerationID);
    SkTSwap (fRowBytes, other.fRowBytes);
    SkTSwap (fWidth, other.fWidth);
    SkTSwap (fHeight, other.fHeight);
    SkTSwap (fConfig, other.fConfig);
    SkTSwap (fFlags, other.fFlags);
    SkTSwap (fBytesPerPixel, other.fBytesPerPixel);
}

void SkBitmap::reset ()
{
    freePixels ();
    memset ((void *)this, 0, sizeof (*this));
}

int SkBitmap::ComputeBytesPerPixel (Config config)
{
    static const uint8_t kBytes[kConfigCount] = { 0, 0, 1, 1, 2, 2, 4, 1 };
    return config < kConfigCount ? kBytes[config] : 0;
}

uint32_t SkBitmap::ComputeRowBytes (Config config, int width)
{
    if (width < 0) {
        return 0;
    }
    int64_t w = width;
    int64_t rowBytes;
    switch (config) {
    case kA1_Config: rowBytes = (w + 7) >> 3; break;
    case kA8_Config:
    case kIndex8_Config: rowBytes = w; break;
    case kRGB_565_Config:
    case kARGB_4444_Config: rowBytes = w * 2; break;
    case kARGB_8888_Config: rowBytes = w * 4; break;
    default: return 0;
    }
    return rowBytes <= INT32_MAX ? (uint32_t)rowBytes : 0;
}

Sk64 SkBitmap::ComputeSafeSize64 (Config config, int width, int height, uint32_t rowBytes)
{
    Sk64 size;
    size.setZero ();
    if (height > 0) {
        size.set64 ((int64_t)(height - 1) * rowBytes + ComputeRowBytes (config, width));
    }
    return size;
}

uint32_t SkBitmap::getSafeSize () const
{
    Sk64 size = ComputeSafeSize64 (config (), fWidth, fHeight, fRowBytes);
    // A size beyond 32 bits is reported as 0 rather than wrapped, so copies refuse it.
    return size.get64 () <= (int64_t)UINT32_MAX ? (uint32_t)size.get64 () : 0;
}

void SkBitmap::setConfig (Config config, int width, int height, int rowBytes)
{
    freePixels ();
    uint32_t minRowBytes = ComputeRowBytes (config, width);
    bool bad = width < 0 || height < 0 || rowBytes < 0 || config >= kConfigCount;
    if (!bad && rowBytes == 0) {
        rowBytes = (int)minRowBytes;
        bad = minRowBytes == 0 && config != kNo_Config;
    } else if (!bad && config != kNo_Config && config != kRLE_Index8_Config) {
        // Rows shorter than the pixels they hold would let every draw run past them; a
        // minimum of 0 for a non-empty row means it overflowed, not that any rows will do.
        // Rows that are no whole number of pixels would make every access misaligned.
        int bytesPerPixel = ComputeBytesPerPixel (config);
        bad = (uint32_t)rowBytes < minRowBytes || (minRowBytes == 0 && width > 0) ||
              (bytesPerPixel > 1 && rowBytes % bytesPerPixel != 0);
    }
    if (bad) {
        reset ();
        return;
    }
    fConfig = config;
    fWidth = width;
    fHeight = height;
    fRowBytes = (uint32_t)rowBytes;
    fBytesPerPixel = (uint8_t)ComputeBytesPerPixel (config);
}

void *SkBitmap::getAddr (int x, int y) const
{
    if (fPixels == nullptr || fBytesPerPixel == 0 || fConfig == kRLE_Index8_Config) {
        return nullptr;
    }
    return (uint8_t *)fPixels + (size_t)y * fRowBytes + (size_t)x * fBytesPerPixel;
}

// -----------------------------------------------------------------------------------------

void SkBitmap::updatePixelsFromRef ()
{
    if (fPixelRef == nullptr) {
        return;
    }
    if (fPixelLockCount > 0) {
        void *p = fPixelRef->pixels ();
        if (p != nullptr) {
            p = (uint8_t *)p + fPixelRefOffset;
        }
        fPixels = p;
        SkRefCntAssign (fColorTable, fPixelRef->colorTable ());
    } else {
        fPixels = nullptr;
        SkSafeUnref (fColorTable);
        fColorTable = nullptr;
    }
}

SkPixelRef *SkBitmap::setPixelRef (SkPixelRef *pixelRef, size_t offset)
{
    if (pixelRef == nullptr) {
        offset = 0;
    }
    if (fPixelRef == pixelRef) {
        if (fPixelRefOffset != offset) {
            fPixelRefOffset = offset;
            updatePixelsFromRef ();
        }
        return pixelRef;
    }
    freePixels ();
    SkSafeRef (pixelRef);
    fPixelRef = pixelRef;
    fPixelRefOffset = offset;
    updatePixelsFromRef ();
    return pixelRef;
}

void SkBitmap::lockPixels ()
{
    if (fPixelRef != nullptr) {
        if (++fPixelLockCount == 1) {
            fPixelRef->lockPixels ();
        }
        updatePixelsFromRef ();
    }
}

void SkBitmap::unlockPixels ()
{
    if (fPixelRef != nullptr && fPixelLockCount > 0) {
        if (--fPixelLockCount == 0) {
            fPixelRef->unlockPixels ();
        }
        updatePixelsFromRef ();
    }
}

void SkBitmap::setPixels (void *pixels, SkColorTable *ctable)
{
    freePixels ();
    fPixels = pixels;
    SkRefCntAssign (fColorTable, ctable);
}

bool SkBitmap::allocPixels (Allocator *allocator, SkColorTable *ctable)
{
    if (allocator != nullptr) {
        return allocator->allocPixelRef (this, ctable);
    }
    SkBitmapHeapAllocator heap;
    return heap.allocPixelRef (this, ctable);
}

void SkBitmap::freePixels ()
{
    unref_mipmap (fMipMap);
    fMipMap = nullptr;
    SkSafeUnref (fColorTable);
    fColorTable = nullptr;
    if (fPixelRef != nullptr) {
        if (fPixelLockCount > 0) {
            fPixelRef->unlockPixels ();
        }
        fPixelRef->unref ();
        fPixelRef = nullptr;
        fPixelRefOffset = 0;
    }
    fPixelLockCount = 0;
    fPixels = nullptr;
}

void SkBitmap::setMipMap (MipMap *mipMap)
{
    if (mipMap != nullptr) {
        mipMap->fRefCnt++;
    }
    unref_mipmap (fMipMap);
    fMipMap = mipMap;
}

uint32_t SkBitmap::getGenerationID () const
{
    return fPixelRef != nullptr ? fPixelRef->getGenerationID () : fRawGenerationID;
}

void SkBitmap::notifyPixelsChanged ()
{
    if (fPixelRef != nullptr) {
        fPixelRef->notifyPixelsChanged ();
    } else {
        fRawGenerationID = 0;
    }
}

bool SkBitmapHeapAllocator::allocPixelRef (SkBitmap *bitmap, SkColorTable *ctable)
{
    Sk64 size = bitmap->getSize64 ();
    if (size.isNeg () || !size.is32 () || size.get32 () < 0) {
        return false;
    }
    // Zero-filled, so nothing ever shows uninitialised memory, unless the one asking writes
    // every byte itself first.
    void *storage = fZeroFill ? sk_calloc ((size_t)size.get32 ()) : sk_malloc ((size_t)size.get32 ());
    if (storage == nullptr) {
        return false;
    }
    SkMallocPixelRef *ref = new SkMallocPixelRef (storage, (size_t)size.get32 (), ctable);
    if (ref == nullptr) {
        sk_free (storage);
        return false;
    }
    bitmap->setPixelRef (ref, 0);
    ref->unref ();   // the bitmap holds the only reference
    bitmap->lockPixels ();
    return true;
}
