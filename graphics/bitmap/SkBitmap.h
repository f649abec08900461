/*
 * SkBitmap describes a rectangle of pixels (format, size, row stride) and refers to the
 * memory that holds them: caller-owned pixels, or a reference-counted SkPixelRef whose
 * memory is available between lockPixels and unlockPixels. Copies share the pixel ref and
 * start unlocked.
 */
#ifndef GRAPHICS_BITMAP_SKBITMAP_H_
#define GRAPHICS_BITMAP_SKBITMAP_H_

#include "graphics/bitmap/SkPixelRef.h"
#include "graphics/core/Sk64.h"
#include "graphics/core/SkFixed.h"

class SkBitmap {
public:
    enum Config : uint8_t {
        kNo_Config = 0,
        kA1_Config = 1,           // 1-bit alpha
        kA8_Config = 2,           // 8-bit alpha
        kIndex8_Config = 3,       // 8-bit index into a colour table
        kRGB_565_Config = 4,
        kARGB_4444_Config = 5,
        kARGB_8888_Config = 6,    // premultiplied
        kRLE_Index8_Config = 7,   // PackBits rows of indices
        kConfigCount = 8,
    };

    enum Flags : uint8_t {
        kImageIsOpaque_Flag = 0x01,
    };

    // Pixel memory of an RLE Index8 bitmap: per-row pointers into PackBits data.
    struct RLEPixels {
        uint32_t fHeight;
        uint8_t **fYPtrs;
        const uint8_t *packedAtY (int y) const { return fYPtrs[y]; }
    };

    struct MipLevel {
        void *fPixels;
        uint32_t fRowBytes;
        uint32_t fWidth;
        uint32_t fHeight;
    };
    // Mip levels a client supplies; freed when its count reaches 0.
    struct MipMap {
        uint32_t fRefCnt;
        uint32_t fLevelCount;
        MipLevel fLevels[1];
        // Room for levelCount levels, count 1; null when memory runs out.
        static MipMap *Alloc (int levelCount);
    };

    // Makes pixel refs for bitmaps.
    class Allocator : public SkRefCnt {
    public:
        // Attaches a locked pixel ref for the bitmap's size and config; false on failure.
        virtual bool allocPixelRef (SkBitmap *, SkColorTable *) { return false; }
    };

    SkBitmap ();
    SkBitmap (const SkBitmap &other);
    ~SkBitmap ();
    SkBitmap &operator= (const SkBitmap &other);
    void swap (SkBitmap &other);
    // Frees the pixels and zeroes every field.
    void reset ();

    // --- layout ---------------------------------------------------------------------------
    // Minimal row bytes; 0 for a negative width, configs none, RLE and unknown values, and
    // when the result does not fit in a positive signed 32-bit value.
    static uint32_t ComputeRowBytes (Config config, int width);
    static int ComputeBytesPerPixel (Config config);
    // (height - 1) * rowBytes + minimal row bytes; 0 when height is 0.
    static Sk64 ComputeSafeSize64 (Config config, int width, int height, uint32_t rowBytes);
    // The same for this bitmap in 32 bits; 0 when it does not fit.
    uint32_t getSafeSize () const;
    // height * row bytes, the size of an allocation.
    Sk64 getSize64 () const { Sk64 s; s.setMul (fHeight, (int32_t)fRowBytes); return s; }

    // Frees the pixels, then sets the layout. A negative value, row bytes below the minimal
    // row bytes of configs 1 to 6 (or a row too long to measure in 31 bits), row bytes that
    // are not a multiple of the pixel size, or a config whose minimal row bytes are 0 (other
    // than none) leave the bitmap empty. rowBytes 0 means the minimal row bytes.
    void setConfig (Config config, int width, int height, int rowBytes = 0);

    Config config () const { return (Config)fConfig; }
    int width () const { return fWidth; }
    int height () const { return fHeight; }
    uint32_t rowBytes () const { return fRowBytes; }
    int bytesPerPixel () const { return fBytesPerPixel; }
    bool empty () const { return fWidth == 0 || fHeight == 0; }
    bool isNull () const { return fPixels == nullptr && fPixelRef == nullptr; }
    void *getPixels () const { return fPixels; }
    SkColorTable *getColorTable () const { return fColorTable; }
    SkPixelRef *pixelRef () const { return fPixelRef; }
    size_t pixelRefOffset () const { return (size_t)fPixelRefOffset; }
    int lockCount () const { return fPixelLockCount; }
    MipMap *mipMap () const { return fMipMap; }

    // Address of pixel (x, y) for byte-sized and larger configs; null without pixels.
    void *getAddr (int x, int y) const;
    uint32_t *getAddr32 (int x, int y) const { return (uint32_t *)getAddr (x, y); }
    uint16_t *getAddr16 (int x, int y) const { return (uint16_t *)getAddr (x, y); }
    uint8_t *getAddr8 (int x, int y) const { return (uint8_t *)getAddr (x, y); }

    // --- pixels ---------------------------------------------------------------------------
    SkPixelRef *setPixelRef (SkPixelRef *pixelRef, size_t offset = 0);
    void lockPixels ();
    void unlockPixels ();
    // Caller-owned pixels (not freed by the bitmap) and a counted colour table.
    void setPixels (void *pixels, SkColorTable *ctable = nullptr);
    // Pixels from the allocator (null: the heap), left locked.
    bool allocPixels (Allocator *allocator, SkColorTable *ctable);
    bool allocPixels (SkColorTable *ctable = nullptr) { return allocPixels (nullptr, ctable); }
    void freePixels ();
    void setMipMap (MipMap *mipMap);

    uint32_t getGenerationID () const;
    void notifyPixelsChanged ();

    // --- contents -------------------------------------------------------------------------
    void eraseTransparent ();
    // Copies getSafeSize () bytes laid out with this bitmap's row bytes.
    bool copyPixelsFrom (const void *src, size_t srcSize);
    bool isOpaque () const;
    void setIsOpaque (bool opaque);
    bool extractSubset (SkBitmap *result, const SkIRect &subset) const;
    // An ARGB8888 copy of the pixels.
    bool copyTo (SkBitmap *dst) const;
    // The mip level for 16.16 scales sx, sy (0: none).
    int extractMipLevel (SkBitmap *dst, SkFixed sx, SkFixed sy) const;

    void flatten (SkFlattenableWriteBuffer &buffer) const;
    void unflatten (SkFlattenableReadBuffer &buffer);

private:
    void updatePixelsFromRef ();
    bool unflattenPixels (SkFlattenableReadBuffer &buffer, bool withColorTable);
    bool canHoldPixelRef (const SkPixelRef *ref, uint64_t offset) const;
    bool extractRLESubset (SkBitmap *result, const SkIRect &r) const;
    bool convertTo8888 (SkBitmap *dst) const;

    MipMap *fMipMap;
    SkPixelRef *fPixelRef;
    uint64_t fPixelRefOffset;
    int32_t fPixelLockCount;
    void *fPixels;
    SkColorTable *fColorTable;
    uint32_t fRawGenerationID;
    uint32_t fRowBytes;
    int32_t fWidth;
    int32_t fHeight;
    uint8_t fConfig;
    uint8_t fFlags;
    uint8_t fBytesPerPixel;
};

// The heap allocator: one SkMallocPixelRef per bitmap, at most 2^31 - 1 bytes, zero-filled
// unless made for a writer that sets every byte before anyone reads the pixels.
class SkBitmapHeapAllocator : public SkBitmap::Allocator {
public:
    explicit SkBitmapHeapAllocator (bool zeroFill = true) : fZeroFill (zeroFill) {}
    bool allocPixelRef (SkBitmap *bitmap, SkColorTable *ctable) override;

private:
    bool fZeroFill;
};

// Locks a bitmap's pixels for the scope.
class SkAutoLockPixels : SkNoncopyable {
public:
    explicit SkAutoLockPixels (const SkBitmap &bitmap) : fBitmap (const_cast<SkBitmap &> (bitmap)) { fBitmap.lockPixels (); }
    ~SkAutoLockPixels () { fBitmap.unlockPixels (); }
private:
    SkBitmap &fBitmap;
};

#endif
