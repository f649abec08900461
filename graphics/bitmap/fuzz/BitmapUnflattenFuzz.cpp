// A flattened bitmap read from any bytes, then used as callers use one: copied to 32 bits,
// erased, cut into a subset, read back at its corners and written out again. The buffer's
// reference array holds two heap pixel refs, of 64 and of 0 bytes, for same-process kinds.
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap/SkBitmap.h"

namespace {

SkRefCnt **pixel_refs ()
{
    static SkRefCnt *refs[2] = { nullptr, nullptr };
    if (refs[0] == nullptr) {
        refs[0] = new SkMallocPixelRef (nullptr, 64, nullptr);
        refs[1] = new SkMallocPixelRef (nullptr, 0, nullptr);
    }
    return refs;
}

void touch_corners (const SkBitmap &bitmap)
{
    if (bitmap.empty ()) return;
    SkAutoLockPixels lock (bitmap);
    const uint8_t *first = (const uint8_t *)bitmap.getAddr (0, 0);
    const uint8_t *last = (const uint8_t *)bitmap.getAddr (bitmap.width () - 1, bitmap.height () - 1);
    if (first == nullptr || last == nullptr) return;
    volatile uint8_t sink = (uint8_t)(first[0] + last[bitmap.bytesPerPixel () - 1]);
    (void)sink;
}

void write_again (const SkBitmap &bitmap, uint32_t flags)
{
    SkFlattenableWriteBuffer writer;
    writer.setFlags (flags);
    bitmap.flatten (writer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    SkFlattenableReadBuffer reader (data, size);
    reader.setRefCntArray (pixel_refs (), 2);
    SkBitmap bitmap;
    bitmap.unflatten (reader);
    touch_corners (bitmap);
    SkBitmap copy;
    if (bitmap.copyTo (&copy)) touch_corners (copy);
    SkBitmap subset;
    if (bitmap.extractSubset (&subset, SkIRect::MakeLTRB (1, 1, 3, 2))) touch_corners (subset);
    (void)bitmap.isOpaque ();
    write_again (bitmap, SkFlattenableWriteBuffer::kCrossProcess_Flag);
    write_again (bitmap, 0);
    bitmap.eraseTransparent ();
    return 0;
}
