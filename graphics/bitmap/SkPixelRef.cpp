/*
 * Pixel refs: locking, generation ids, flattening, and the heap-backed pixel ref.
 */
#include "graphics/bitmap/SkPixelRef.h"

namespace {
uint32_t gNextGenerationID = 1;
}

SkPixelRef::SkPixelRef ()
    : fPixels (nullptr), fColorTable (nullptr), fLockCount (0), fGenerationID (0), fIsImmutable (0)
{
}

SkPixelRef::SkPixelRef (SkFlattenableReadBuffer &buffer) : SkPixelRef ()
{
    fIsImmutable = buffer.readBool () ? 1 : 0;
}

void SkPixelRef::lockPixels ()
{
    if (++fLockCount == 1) {
        fPixels = onLockPixels (&fColorTable);
    }
}

void SkPixelRef::unlockPixels ()
{
    if (fLockCount == 0) {
        return;
    }
    if (--fLockCount == 0) {
        onUnlockPixels ();
        fPixels = nullptr;
        fColorTable = nullptr;
    }
}

uint32_t SkPixelRef::getGenerationID () const
{
    if (fGenerationID == 0) {
        fGenerationID = gNextGenerationID++;
        if (gNextGenerationID == 0) {
            gNextGenerationID = 1;
        }
    }
    return fGenerationID;
}

void SkPixelRef::flatten (SkFlattenableWriteBuffer &buffer) const
{
    buffer.writeBool (fIsImmutable != 0);
}

SkPixelRef::Factory SkPixelRef::NameToFactory (SkFlattenableReadBuffer &buffer)
{
    uint32_t length = buffer.readU32 ();
    if (buffer.failed () || SkAlign4 (length) > buffer.remaining ()) {
        buffer.markFailed ();
        return nullptr;
    }
    // Names shorter than 256 characters are copied into the call's buffer.
    char local[256];
    char *name = length < sizeof (local) ? local : (char *)sk_malloc (length);
    if (name == nullptr) {
        buffer.skip (length);
        return nullptr;
    }
    buffer.readPad (name, length);
    Factory factory = SkPixelRefRegistryFind (name, length);
    if (name != local) {
        sk_free (name);
    }
    return factory;
}

// -----------------------------------------------------------------------------------------

SkMallocPixelRef::SkMallocPixelRef (void *storage, size_t size, SkColorTable *ctable)
    : fStorage (storage), fSize (size), fColorTable (ctable)
{
    if (fStorage == nullptr) {
        fStorage = sk_calloc (size);
    }
    SkSafeRef (ctable);
}

SkMallocPixelRef::~SkMallocPixelRef ()
{
    SkSafeUnref (fColorTable);
    sk_free (fStorage);
}

void *SkMallocPixelRef::onLockPixels (SkColorTable **ctable)
{
    *ctable = fColorTable;
    return fStorage;
}

void SkMallocPixelRef::flatten (SkFlattenableWriteBuffer &buffer) const
{
    SkPixelRef::flatten (buffer);
    buffer.write32 ((uint32_t)fSize);
    buffer.writePad (fStorage, (size_t)fSize);
    if (fColorTable != nullptr) {
        buffer.writeBool (true);
        fColorTable->flatten (buffer);
    } else {
        buffer.writeBool (false);
    }
}

SkPixelRef *SkMallocPixelRef::Create (SkFlattenableReadBuffer &buffer)
{
    SkMallocPixelRef *ref = new SkMallocPixelRef (buffer);
    if (ref == nullptr) {
        return nullptr;
    }
    uint32_t size = buffer.readU32 ();
    if (buffer.failed () || SkAlign4 (size) > buffer.remaining ()) {
        buffer.markFailed ();
        ref->unref ();
        return nullptr;
    }
    ref->fSize = size;
    ref->fStorage = sk_malloc (size);
    if (ref->fStorage == nullptr) {
        buffer.skip (size);
    } else {
        buffer.readPad (ref->fStorage, size);
    }
    if (buffer.readBool ()) {
        ref->fColorTable = SkColorTable::CreateFromBuffer (buffer);
    }
    if (ref->fStorage == nullptr || buffer.failed ()) {
        ref->unref ();
        return nullptr;
    }
    return ref;
}

