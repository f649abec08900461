/*
 * The flattened form of a bitmap: five layout words, then a kind word and what it needs.
 *   0  no pixels
 *   1  colour table, then the pixels (cross-process, no pixel ref)
 *   2  the pixels (cross-process, no pixel ref, no colour table)
 *   3  pixel-ref offset, its factory's name, then the pixel ref's own data (cross-process)
 *   4  pixel-ref offset and its index in the buffer's reference set (same process)
 * Pixels are the safe size zero-padded to 4, then the rest of height * row bytes as zeros.
 */
#include "graphics/bitmap/SkBitmap.h"

namespace {

enum Kind : uint32_t {
    kNothing = 0,
    kColorTableAndPixels = 1,
    kPixels = 2,
    kPixelRefByName = 3,
    kPixelRefByIndex = 4,
};

void write_pixels (SkFlattenableWriteBuffer &buffer, const SkBitmap &bitmap)
{
    size_t safeSize = bitmap.getSafeSize ();
    buffer.writePad (bitmap.getPixels (), safeSize);
    int64_t total = bitmap.getSize64 ().get64 ();
    size_t tail = total > (int64_t)safeSize ? (size_t)(total - (int64_t)safeSize) : 0;
    if (tail != 0) {
        uint32_t *zeros = buffer.reserve (SkAlign4 (tail));
        if (zeros != nullptr) {
            memset (zeros, 0, SkAlign4 (tail));
        }
    }
}

} // namespace

void SkBitmap::flatten (SkFlattenableWriteBuffer &buffer) const
{
    buffer.write32 ((uint32_t)fWidth);
    buffer.write32 ((uint32_t)fHeight);
    buffer.write32 (fRowBytes);
    buffer.write32 (fConfig);
    buffer.writeBool (isOpaque ());
    if (!buffer.isCrossProcess ()) {
        if (fPixelRef == nullptr) {
            buffer.write32 (kNothing);
            return;
        }
        buffer.write32 (kPixelRefByIndex);
        buffer.write32 ((uint32_t)fPixelRefOffset);
        buffer.writeRefCnt (fPixelRef);
        return;
    }
    if (fPixelRef != nullptr) {
        const char *name = SkPixelRef::FactoryToName (fPixelRef->getFactory ());
        if (name == nullptr || name[0] == 0) {
            buffer.write32 (kNothing);
            return;
        }
        size_t len = strlen (name);
        buffer.write32 (kPixelRefByName);
        buffer.write32 ((uint32_t)fPixelRefOffset);
        buffer.write32 ((uint32_t)len);
        buffer.writePad (name, len);
        fPixelRef->flatten (buffer);
        return;
    }
    if (fPixels == nullptr) {
        buffer.write32 (kNothing);
        return;
    }
    if (fColorTable != nullptr) {
        buffer.write32 (kColorTableAndPixels);
        fColorTable->flatten (buffer);
    } else {
        buffer.write32 (kPixels);
    }
    write_pixels (buffer, *this);
}

bool SkBitmap::unflattenPixels (SkFlattenableReadBuffer &buffer, bool withColorTable)
{
    SkColorTable *ctable = nullptr;
    if (withColorTable) {
        ctable = SkColorTable::CreateFromBuffer (buffer);
        if (ctable == nullptr && buffer.failed ()) {
            return false;
        }
    }
    size_t safeSize = getSafeSize ();
    int64_t total = getSize64 ().get64 ();
    size_t tail = total > (int64_t)safeSize ? (size_t)(total - (int64_t)safeSize) : 0;
    size_t recorded = SkAlign4 (safeSize) + SkAlign4 (tail);
    if (recorded > buffer.remaining ()) {
        SkSafeUnref (ctable);
        buffer.markFailed ();
        return false;
    }
    // A table lost to memory leaves the indices meaningless: no pixels, but the pixel part
    // is still skipped so that what follows is read in its place.
    bool ok = (ctable != nullptr || !withColorTable) && allocPixels (ctable);
    SkSafeUnref (ctable);
    if (ok) {
        memcpy (fPixels, buffer.peek (), safeSize);
    }
    // When the allocation failed the whole pixel part is skipped.
    buffer.read (nullptr, recorded);
    return ok;
}

// A pixel ref read from a buffer is attached only when its memory holds every pixel of the
// layout (measured in 64 bits: a layout past 4 GB has a 32-bit safe size of 0) from an
// offset that is a whole number of pixels. Run-length bitmaps need row pointers, which no
// flattened pixel memory holds.
bool SkBitmap::canHoldPixelRef (const SkPixelRef *ref, uint64_t offset) const
{
    if (ref == nullptr || fConfig == kRLE_Index8_Config) {
        return false;
    }
    if (fBytesPerPixel > 1 && offset % fBytesPerPixel != 0) {
        return false;
    }
    uint64_t need = (uint64_t)ComputeSafeSize64 (config (), fWidth, fHeight, fRowBytes).get64 ();
    uint64_t size = ref->memorySize ();
    return offset <= size && need <= size - offset;
}

void SkBitmap::unflatten (SkFlattenableReadBuffer &buffer)
{
    reset ();
    int width = buffer.readInt ();
    int height = buffer.readInt ();
    int rowBytes = buffer.readInt ();
    // A word past the last config is refused by setConfig, not cut down to a byte.
    uint32_t cfgWord = buffer.readU32 ();
    Config cfg = cfgWord < kConfigCount ? (Config)cfgWord : kConfigCount;
    bool opaque = buffer.readBool ();
    setConfig (cfg, width, height, rowBytes);
    setIsOpaque (opaque);
    uint32_t kind = buffer.readU32 ();
    bool rejected = fConfig == kNo_Config && cfg != kNo_Config;
    if (rejected && (kind == kColorTableAndPixels || kind == kPixels || kind == kPixelRefByName)) {
        // A layout this build refuses: its pixel data cannot be measured, so stop here.
        buffer.markFailed ();
        return;
    }
    if (fConfig == kRLE_Index8_Config && (kind == kColorTableAndPixels || kind == kPixels)) {
        // Run-length pixel memory is row pointers: flattened bytes are never that.
        buffer.markFailed ();
        return;
    }
    switch (kind) {
    case kColorTableAndPixels:
    case kPixels:
        unflattenPixels (buffer, kind == kColorTableAndPixels);
        break;
    case kPixelRefByName: {
        size_t offset = buffer.readU32 ();
        SkPixelRef::Factory factory = SkPixelRef::NameToFactory (buffer);
        if (factory == nullptr) {
            // The pixel ref's data has no recorded size, so nothing after it can be read.
            buffer.markFailed ();
            break;
        }
        SkPixelRef *ref = factory (buffer);
        if (ref != nullptr && canHoldPixelRef (ref, offset)) {
            setPixelRef (ref, offset);
        } else if (ref != nullptr) {
            buffer.markFailed ();
        }
        SkSafeUnref (ref);
        break;
    }
    case kPixelRefByIndex: {
        size_t offset = buffer.readU32 ();
        // The buffer's reference array holds the pixel refs its writer recorded.
        SkPixelRef *ref = (SkPixelRef *)buffer.refCntAt (buffer.readU32 ());
        if (ref != nullptr && canHoldPixelRef (ref, offset)) {
            setPixelRef (ref, offset);
        } else if (ref != nullptr) {
            buffer.markFailed ();
        }
        break;
    }
    default:
        break;
    }
}
