/*
 * SkColorTable: palette storage and its flattened form.
 */
#include "graphics/bitmap/SkColorTable.h"

#include "graphics/core/SkColorPriv.h"
#include "graphics/flatten/SkFlattenable.h"

SkColorTable *SkColorTable::Create (const SkPMColor colors[], int count)
{
    if (count < 0 || count > 0xFFFF) {
        return nullptr;
    }
    SkColorTable *table = new SkColorTable;
    if (table == nullptr) {
        return nullptr;
    }
    table->fColors = (SkPMColor *)sk_calloc ((size_t)(count > 0 ? count : 1) * sizeof (SkPMColor));
    if (table->fColors == nullptr) {
        table->unref ();
        return nullptr;
    }
    if (colors != nullptr && count > 0) {
        memcpy (table->fColors, colors, (size_t)count * sizeof (SkPMColor));
    }
    table->fCount = (uint16_t)count;
    return table;
}

SkColorTable *SkColorTable::CreateFromBuffer (SkFlattenableReadBuffer &buffer)
{
    uint16_t count = (uint16_t)buffer.readU32 ();
    uint16_t flags = (uint16_t)buffer.readU32 ();
    if (buffer.failed () || (size_t)count * 4 > buffer.remaining ()) {
        buffer.markFailed ();
        return nullptr;
    }
    SkColorTable *table = Create (nullptr, count);
    if (table == nullptr) {
        buffer.skip ((size_t)count * 4);
        return nullptr;
    }
    buffer.read (table->fColors, (size_t)count * 4);
    table->fFlags = flags;
    return table;
}

SkColorTable::~SkColorTable ()
{
    sk_free (fColors);
    sk_free (f16BitCache);
}

const uint16_t *SkColorTable::lock16BitCache ()
{
    if (!f16BitCacheValid) {
        if (f16BitCache == nullptr) {
            f16BitCache = (uint16_t *)sk_malloc ((size_t)(fCount > 0 ? fCount : 1) * sizeof (uint16_t));
            if (f16BitCache == nullptr) {
                return nullptr;
            }
        }
        for (int i = 0; i < fCount; i++) {
            f16BitCache[i] = SkPixel32ToPixel16 (fColors[i]);
        }
        f16BitCacheValid = true;
    }
    return f16BitCache;
}

void SkColorTable::flatten (SkFlattenableWriteBuffer &buffer) const
{
    buffer.write32 (fCount);
    buffer.write32 (fFlags);
    buffer.writeMul4 (fColors, (size_t)fCount * 4);
}
