/*
 * Flattening: objects (shaders, transfer modes, filters, pixel refs...) written into a word
 * buffer and recreated from it by a factory found by name. Two global registries map names
 * to factories: one for flattenables (64 entries) and one for pixel refs (16 entries); later
 * registrations of a name win.
 */
#ifndef GRAPHICS_FLATTEN_SKFLATTENABLE_H_
#define GRAPHICS_FLATTEN_SKFLATTENABLE_H_

#include "graphics/core/SkRefCnt.h"
#include "graphics/core/SkTDArray.h"
#include "graphics/core/SkWriter32.h"

class SkFlattenableReadBuffer;
class SkFlattenableWriteBuffer;
class SkPixelRef;

class SkFlattenable : public SkRefCnt {
public:
    typedef SkFlattenable *(*Factory) (SkFlattenableReadBuffer &buffer);

    // The procedure that recreates this object from a buffer; null when it cannot be.
    virtual Factory getFactory () { return nullptr; }
    // Writes the object's data (read back by its factory).
    virtual void flatten (SkFlattenableWriteBuffer &) {}

    // The family of the object, so that a reader refuses an object of another family where
    // it needs, say, a shader: the firmware build has no RTTI to tell them apart.
    enum Type { kOther_Type, kShader_Type, kColorFilter_Type };
    virtual Type getFlattenableType () const { return kOther_Type; }

    // False when the registry is full (64 entries) or the arguments are null.
    static bool Register (const char name[], Factory factory);
    // The factory of the last entry with that name, or null.
    static Factory NameToFactory (const char name[]);
    static Factory NameToFactory (const char name[], size_t nameLength);
    // The name of the last entry with that factory, or null.
    static const char *FactoryToName (Factory factory);
    // A buffer without a factory set holds procedure addresses. The writer remembers each
    // factory it writes that way (false when the table of such factories is full), and a
    // reader turns an address into a factory only when it is a registered or remembered
    // one, so data never chooses where the program jumps.
    static bool RememberFactory (Factory factory);
    static Factory AddressToFactory (uint64_t address);
    // Empties the registry and the remembered factories (for tests).
    static void ResetRegistryForTests ();
};

// Empties both registries and registers again what start-up registered (for tests that
// emptied them). The factory chains are left as they are.
void SkRestoreStartupRegistrationsForTests ();

typedef SkPixelRef *(*SkPixelRefFactory) (SkFlattenableReadBuffer &buffer);

// The pixel-ref registry (16 entries), same rules.
bool SkPixelRefRegistryRegister (const char name[], SkPixelRefFactory factory);
SkPixelRefFactory SkPixelRefRegistryFind (const char name[], size_t nameLength);
const char *SkPixelRefRegistryName (SkPixelRefFactory factory);
void SkPixelRefRegistryResetForTests ();

// A sorted set of pointers, each with a 1-based index in order of first addition. The
// object set holds a reference on each member; the factory set holds plain procedures.
class SkRefCntSet : public SkRefCnt {
public:
    ~SkRefCntSet () override;
    // The pointer's index, adding it when new; 0 for null (nothing added) or when memory
    // runs out.
    uint32_t add (void *ptr);
    // The pointer's index, or 0 when absent.
    uint32_t find (const void *ptr) const;
    int count () const { return fRecs.count (); }
    // The members in index order (array of count ()).
    void copyToArray (void *array[]) const;
    void reset ();

protected:
    virtual void incPtr (void *ptr) { ((SkRefCnt *)ptr)->ref (); }
    virtual void decPtr (void *ptr) { ((SkRefCnt *)ptr)->unref (); }

private:
    struct Rec {
        void *fPtr;
        uint32_t fIndex;
    };
    int search (const void *ptr) const;   // index of the record, or ~insertion index

    SkTDArray<Rec> fRecs;
};

class SkFactorySet : public SkRefCntSet {
public:
    ~SkFactorySet () override { reset (); }
    uint32_t add (SkFlattenable::Factory factory) { return SkRefCntSet::add ((void *)factory); }
    uint32_t find (SkFlattenable::Factory factory) const { return SkRefCntSet::find ((const void *)factory); }

protected:
    void incPtr (void *) override {}
    void decPtr (void *) override {}
};

class SkFlattenableWriteBuffer : public SkPoolObject, SkNoncopyable {
public:
    enum Flags : uint32_t {
        kCrossProcess_Flag = 0x01,        // pixel data is written out
        kInlineFactoryNames_Flag = 0x02,  // factories by name, then by index
    };

    explicit SkFlattenableWriteBuffer (uint32_t minSize = 1024);
    virtual ~SkFlattenableWriteBuffer ();

    uint32_t getFlags () const { return fFlags; }
    void setFlags (uint32_t flags) { fFlags = flags; }
    bool isCrossProcess () const { return (fFlags & kCrossProcess_Flag) != 0; }

    SkRefCntSet *getTypefaceRecorder () const { return fTFSet; }
    SkRefCntSet *getRefCntRecorder () const { return fRCSet; }
    SkFactorySet *getFactoryRecorder () const { return fFactorySet; }
    void setTypefaceRecorder (SkRefCntSet *set) { SkRefCntAssign (fTFSet, set); }
    void setRefCntRecorder (SkRefCntSet *set) { SkRefCntAssign (fRCSet, set); }
    void setFactoryRecorder (SkFactorySet *set) { SkRefCntAssign (fFactorySet, set); }

    SkWriter32 &writer () { return fWriter; }
    uint32_t size () const { return fWriter.size (); }
    void flatten (void *dst) const { fWriter.flatten (dst); }

    bool write32 (uint32_t value) { return fWriter.write32 (value); }
    bool writeInt (int32_t value) { return fWriter.writeInt (value); }
    bool writeBool (bool value) { return fWriter.writeBool (value); }
    bool writeScalar (float value) { return fWriter.writeScalar (value); }
    bool write64 (uint64_t value) { return fWriter.write64 (value); }
    bool writePad (const void *data, size_t size) { return fWriter.writePad (data, size); }
    bool writeMul4 (const void *data, size_t size) { return fWriter.writeMul4 (data, size); }
    uint32_t *reserve (size_t size) { return fWriter.reserve (size); }

    // The object's factory (as an address, a set index or an inline name), a size word and
    // the object's own data; a null object or one without factory writes a zero.
    void writeFlattenable (SkFlattenable *obj);
    // The object's 1-based index in the reference set; 0 without a set or object.
    void writeRefCnt (SkRefCnt *obj);

private:
    SkWriter32 fWriter;
    uint32_t fFlags;
    SkRefCntSet *fTFSet;
    SkRefCntSet *fRCSet;
    SkFactorySet *fFactorySet;
};

// Reads what a write buffer wrote. Every read is bounded by the end: a read past it yields
// zeros, leaves the position at the end and marks the buffer failed. While a factory runs,
// the end is that of the object's recorded size, and objects nest at most kMaxDepth deep.
class SkFlattenableReadBuffer : SkNoncopyable {
public:
    static constexpr int kMaxDepth = 16;

    SkFlattenableReadBuffer ();
    SkFlattenableReadBuffer (const void *data, size_t size);
    ~SkFlattenableReadBuffer () {}

    void setMemory (const void *data, size_t size);
    size_t offset () const { return (size_t)(fCurr - fStart); }
    size_t remaining () const { return (size_t)(fStop - fCurr); }
    bool eof () const { return fCurr >= fStop; }
    bool failed () const { return fFailed; }
    void markFailed () { fFailed = true; fCurr = fStop; }
    const uint8_t *peek () const { return fCurr; }

    uint32_t readU32 ();
    int32_t readInt () { return (int32_t)readU32 (); }
    bool readBool () { return readU32 () != 0; }
    float readScalar ();
    uint64_t read64 ();
    // size bytes into dst (null: skipped); false past the end.
    bool read (void *dst, size_t size);
    // size bytes rounded up to a multiple of 4.
    bool skip (size_t size);
    // size bytes into dst followed by the padding to a multiple of 4.
    bool readPad (void *dst, size_t size);

    // Factories: a fixed array (indices written by a factory set), or a list built from
    // inline names as they are read.
    void setFactoryArray (SkFlattenable::Factory array[], int count) { fFactoryArray = array; fFactoryCount = count; }
    void setFactoryList (SkTDArray<SkFlattenable::Factory> *list) { fFactoryList = list; }
    // Objects that index 1..count of a reference set stand for.
    void setRefCntArray (SkRefCnt *array[], int count) { fRCArray = array; fRCCount = count; }
    // The object written with writeRefCnt (not ref'd), or null.
    SkRefCnt *readRefCnt ();
    SkRefCnt *refCntAt (uint32_t index) const;

    // A new object (count 1) or null.
    SkFlattenable *readFlattenable ();
    // The same, where only an object of one family can be held: another family's object is
    // dropped and the buffer marked failed.
    SkFlattenable *readFlattenable (SkFlattenable::Type type);

private:
    SkFlattenable::Factory readFactory (bool *sizeFollows);
    SkFlattenable *runFactory (SkFlattenable::Factory factory, size_t size);

    const uint8_t *fCurr;
    const uint8_t *fStop;
    const uint8_t *fStart;
    bool fFailed;
    SkRefCnt **fRCArray;
    int fRCCount;
    SkTDArray<SkFlattenable::Factory> *fFactoryList;
    SkFlattenable::Factory *fFactoryArray;
    int32_t fFactoryCount;
    int fDepth;
};

#endif
