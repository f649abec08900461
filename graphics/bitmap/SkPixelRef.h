/*
 * SkPixelRef, reference-counted pixel memory that is locked while in use, and
 * SkMallocPixelRef, the heap-backed pixel ref behind every allocation of the library.
 */
#ifndef GRAPHICS_BITMAP_SKPIXELREF_H_
#define GRAPHICS_BITMAP_SKPIXELREF_H_

#include "graphics/bitmap/SkColorTable.h"
#include "graphics/core/SkString.h"
#include "graphics/flatten/SkFlattenable.h"
#include "graphics/geometry/SkRect.h"

class SkBitmap;

class SkPixelRef : public SkRefCnt {
public:
    typedef SkPixelRefFactory Factory;

    SkPixelRef ();
    // Reads the flag word that flatten writes first.
    explicit SkPixelRef (SkFlattenableReadBuffer &buffer);
    ~SkPixelRef () override {}

    void *pixels () const { return fPixels; }
    SkColorTable *colorTable () const { return fColorTable; }
    uint32_t getLockCount () const { return fLockCount; }
    // The first lock gets the memory from onLockPixels; the last unlock releases it.
    void lockPixels ();
    void unlockPixels ();

    // A non-zero id that changes whenever the pixels are marked changed.
    uint32_t getGenerationID () const;
    void notifyPixelsChanged () { fGenerationID = 0; }
    const SkString &getURI () const { return fURI; }
    void setURI (const char uri[]) { fURI.set (uri); }
    bool isImmutable () const { return fIsImmutable != 0; }
    void setImmutable () { fIsImmutable = 1; }

    // A bitmap of the pixels (of any format) when the ref can produce one directly.
    bool readPixels (SkBitmap *dst, const SkIRect *subset = nullptr) { return onReadPixels (dst, subset); }

    // Bytes of pixel memory the ref provides while locked; 0 when it cannot tell, which a
    // reader of flattened bitmaps takes as too small for any pixels.
    virtual uint64_t memorySize () const { return 0; }
    virtual Factory getFactory () const { return nullptr; }
    virtual void flatten (SkFlattenableWriteBuffer &buffer) const;
    // Whether locked pixels may be written.
    virtual bool lockPixelsAreWritable () const { return true; }

    // Reads a length word and the padded name, and returns the factory registered under it.
    static Factory NameToFactory (SkFlattenableReadBuffer &buffer);
    static const char *FactoryToName (Factory factory) { return SkPixelRefRegistryName (factory); }
    static bool Register (const char name[], Factory factory) { return SkPixelRefRegistryRegister (name, factory); }

protected:
    // Returns the pixel memory and stores the colour table (or null) in *ctable. The base
    // has no memory. (No pure virtuals: the firmware build has no handler for them.)
    virtual void *onLockPixels (SkColorTable **ctable) { *ctable = nullptr; return nullptr; }
    virtual void onUnlockPixels () {}
    virtual bool onReadPixels (SkBitmap *, const SkIRect *) { return false; }

private:
    void *fPixels;
    SkColorTable *fColorTable;   // not owned: valid while locked
    uint32_t fLockCount;
    mutable uint32_t fGenerationID;
    SkString fURI;
    uint8_t fIsImmutable;
};

class SkMallocPixelRef : public SkPixelRef {
public:
    // Takes ownership of storage (null: size zeroed bytes are allocated; check pixels
    // storage () for null). The colour table gets a reference.
    SkMallocPixelRef (void *storage, size_t size, SkColorTable *ctable);
    ~SkMallocPixelRef () override;

    void *storage () const { return fStorage; }
    size_t size () const { return (size_t)fSize; }
    uint64_t memorySize () const override { return fSize; }

    Factory getFactory () const override { return Create; }
    void flatten (SkFlattenableWriteBuffer &buffer) const override;
    // Flag word, size word, the bytes padded to 4, then 1 and a colour table, or 0.
    static SkPixelRef *Create (SkFlattenableReadBuffer &buffer);

protected:
    void *onLockPixels (SkColorTable **ctable) override;
    void onUnlockPixels () override {}

private:
    explicit SkMallocPixelRef (SkFlattenableReadBuffer &buffer) : SkPixelRef (buffer),
        fStorage (nullptr), fSize (0), fColorTable (nullptr) {}

    void *fStorage;
    uint64_t fSize;
    SkColorTable *fColorTable;
};

#endif
