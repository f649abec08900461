/*
 * Flattenable write and read buffers.
 */
#include "graphics/flatten/SkFlattenable.h"

SkFlattenableWriteBuffer::SkFlattenableWriteBuffer (uint32_t minSize)
    : fWriter (minSize), fFlags (0), fTFSet (nullptr), fRCSet (nullptr), fFactorySet (nullptr)
{
}

SkFlattenableWriteBuffer::~SkFlattenableWriteBuffer ()
{
    SkSafeUnref (fTFSet);
    SkSafeUnref (fRCSet);
    SkSafeUnref (fFactorySet);
    fWriter.reset ();
}

void SkFlattenableWriteBuffer::writeRefCnt (SkRefCnt *obj)
{
    write32 (fRCSet != nullptr && obj != nullptr ? fRCSet->add (obj) : 0);
}

void SkFlattenableWriteBuffer::writeFlattenable (SkFlattenable *obj)
{
    SkFlattenable::Factory factory = obj != nullptr ? obj->getFactory () : nullptr;
    if (factory == nullptr) {
        if (fFactorySet == nullptr) {
            write64 (0);
        } else {
            write32 (0);
        }
        return;
    }
    if (fFactorySet == nullptr) {
        // A procedure address: meaningful only inside the running program, and read back
        // only when the program knows it (see RememberFactory).
        if (!SkFlattenable::RememberFactory (factory)) {
            write64 (0);
            return;
        }
        write64 ((uint64_t)(uintptr_t)factory);
    } else if (!(fFlags & kInlineFactoryNames_Flag)) {
        write32 ((uint32_t)-(int32_t)fFactorySet->add (factory));
    } else {
        uint32_t index = fFactorySet->find (factory);
        if (index != 0) {
            write32 ((uint32_t)-(int32_t)index);
        } else {
            const char *name = SkFlattenable::FactoryToName (factory);
            if (name == nullptr) {
                write32 (0);
                return;
            }
            size_t len = strlen (name);
            write32 ((uint32_t)len);
            writePad (name, len + 1);   // with its terminator
            fFactorySet->add (factory);
        }
    }
    // The size slot is filled in after the object wrote itself; blocks never move, so the
    // slot stays valid even when the data runs into later blocks.
    uint32_t *sizeSlot = reserve (4);
    uint32_t start = size ();
    obj->flatten (*this);
    if (sizeSlot != nullptr) {
        *sizeSlot = size () - start;
    }
}

// -----------------------------------------------------------------------------------------

SkFlattenableReadBuffer::SkFlattenableReadBuffer () : SkFlattenableReadBuffer (nullptr, 0) {}

SkFlattenableReadBuffer::SkFlattenableReadBuffer (const void *data, size_t size)
    : fCurr (nullptr), fStop (nullptr), fStart (nullptr), fFailed (false), fRCArray (nullptr),
      fRCCount (0), fFactoryList (nullptr), fFactoryArray (nullptr), fFactoryCount (0), fDepth (0)
{
    setMemory (data, size);
}

void SkFlattenableReadBuffer::setMemory (const void *data, size_t size)
{
    fStart = (const uint8_t *)data;
    fCurr = fStart;
    fStop = fStart + (data != nullptr ? size : 0);
    fFailed = false;
}

bool SkFlattenableReadBuffer::read (void *dst, size_t size)
{
    if (size > remaining ()) {
        if (dst != nullptr && size != 0) {
            memset (dst, 0, size);
        }
        markFailed ();
        return false;
    }
    if (dst != nullptr && size != 0) {
        memcpy (dst, fCurr, size);
    }
    fCurr += size;
    return true;
}

bool SkFlattenableReadBuffer::skip (size_t size)
{
    if (size > SIZE_MAX - 3) {
        markFailed ();
        return false;
    }
    return read (nullptr, SkAlign4 (size));
}

bool SkFlattenableReadBuffer::readPad (void *dst, size_t size)
{
    if (size > SIZE_MAX - 3 || SkAlign4 (size) > remaining ()) {
        // Only the caller's size bytes are dst's: the padding that is missing is no reason
        // to clear more than that.
        if (dst != nullptr && size != 0) {
            memset (dst, 0, size);
        }
        markFailed ();
        return false;
    }
    read (dst, size);
    return read (nullptr, SkAlign4 (size) - size);
}

uint32_t SkFlattenableReadBuffer::readU32 ()
{
    uint32_t v = 0;
    read (&v, 4);
    return v;
}

float SkFlattenableReadBuffer::readScalar ()
{
    uint32_t bits = readU32 ();
    float v;
    memcpy (&v, &bits, 4);
    return v;
}

uint64_t SkFlattenableReadBuffer::read64 ()
{
    uint64_t lo = readU32 ();
    uint64_t hi = readU32 ();
    return lo | (hi << 32);
}

SkRefCnt *SkFlattenableReadBuffer::refCntAt (uint32_t index) const
{
    if (fRCArray == nullptr || index < 1 || index > (uint32_t)fRCCount) {
        return nullptr;
    }
    return fRCArray[index - 1];
}

SkRefCnt *SkFlattenableReadBuffer::readRefCnt ()
{
    return refCntAt (readU32 ());
}

// The factory of the next object; *sizeFollows tells whether a size word comes next.
SkFlattenable::Factory SkFlattenableReadBuffer::readFactory (bool *sizeFollows)
{
    *sizeFollows = false;
    if (fFactoryCount >= 1) {
        int32_t v = readInt ();
        if (v == 0) {
            return nullptr;
        }
        *sizeFollows = true;
        int64_t index = -(int64_t)v - 1;
        return (index >= 0 && index < fFactoryCount) ? fFactoryArray[index] : nullptr;
    }
    if (fFactoryList != nullptr) {
        int32_t v = readInt ();
        if (v == 0) {
            return nullptr;
        }
        *sizeFollows = true;
        if (v > 0) {
            const char *name = (const char *)fCurr;
            if (!skip ((size_t)v + 1)) {
                *sizeFollows = false;
                return nullptr;
            }
            SkFlattenable::Factory factory = SkFlattenable::NameToFactory (name, (size_t)v);
            // Unknown names take their place in the list too, so that later indices written
            // for the same writer's set still line up.
            fFactoryList->push (factory);
            return factory;
        }
        int64_t index = -(int64_t)v - 1;
        return index < fFactoryList->count () ? (*fFactoryList)[(int)index] : nullptr;
    }
    uint64_t address = read64 ();
    if (address == 0) {
        return nullptr;
    }
    SkFlattenable::Factory factory = SkFlattenable::AddressToFactory (address);
    if (factory == nullptr) {
        markFailed ();   // not a factory of this program: corrupt or foreign data
        return nullptr;
    }
    *sizeFollows = true;
    return factory;
}

SkFlattenable *SkFlattenableReadBuffer::readFlattenable ()
{
    bool sizeFollows;
    SkFlattenable::Factory factory = readFactory (&sizeFollows);
    if (!sizeFollows) {
        return nullptr;
    }
    uint32_t size = readU32 ();
    if (failed () || size > remaining ()) {
        markFailed ();
        return nullptr;
    }
    if (factory == nullptr) {
        skip (size);
        return nullptr;
    }
    return runFactory (factory, size);
}

// The factory reads within the object's record only: a read past it fails the buffer
// instead of reading the next object's bytes, which the reader would then read again.
// Nesting is bounded too, since each level takes stack.
SkFlattenable *SkFlattenableReadBuffer::runFactory (SkFlattenable::Factory factory, size_t size)
{
    if (fDepth >= kMaxDepth) {
        markFailed ();
        return nullptr;
    }
    const uint8_t *stop = fStop;
    const uint8_t *end = SkAlign4 (size) <= remaining () ? fCurr + SkAlign4 (size) : fStop;
    fStop = fCurr + size;
    fDepth++;
    SkFlattenable *obj = factory (*this);
    fDepth--;
    fStop = stop;
    // Whatever the factory read, the next object starts after the recorded size.
    fCurr = failed () ? fStop : end;
    return obj;
}

SkFlattenable *SkFlattenableReadBuffer::readFlattenable (SkFlattenable::Type type)
{
    SkFlattenable *obj = readFlattenable ();
    if (obj != nullptr && obj->getFlattenableType () != type) {
        obj->unref ();
        markFailed ();
        return nullptr;
    }
    return obj;
}
