/*
 * Name-to-factory registries and the reference-counted pointer sets.
 */
#include "graphics/flatten/SkFlattenable.h"

namespace {

template <typename F, int N> struct Registry {
    struct Entry {
        const char *fName;
        F fFactory;
    };
    Entry fEntries[N];
    int fCount;

    bool add (const char name[], F factory)
    {
        if (name == nullptr || factory == nullptr || fCount >= N) {
            return false;
        }
        fEntries[fCount].fName = name;
        fEntries[fCount].fFactory = factory;
        fCount++;
        return true;
    }
    // Lookups run from the last entry, so a later registration of a name wins.
    F find (const char name[], size_t len) const
    {
        for (int i = fCount - 1; i >= 0; i--) {
            const char *entry = fEntries[i].fName;
            if (strlen (entry) == len && memcmp (entry, name, len) == 0) {
                return fEntries[i].fFactory;
            }
        }
        return nullptr;
    }
    // The registered factory whose address that is; never the address itself.
    F at (uint64_t address) const
    {
        for (int i = fCount - 1; i >= 0; i--) {
            if ((uint64_t)(uintptr_t)fEntries[i].fFactory == address) {
                return fEntries[i].fFactory;
            }
        }
        return nullptr;
    }
    const char *name (F factory) const
    {
        for (int i = fCount - 1; i >= 0; i--) {
            if (fEntries[i].fFactory == factory) {
                return fEntries[i].fName;
            }
        }
        return nullptr;
    }
};

Registry<SkFlattenable::Factory, 64> gFlattenables;
Registry<SkPixelRefFactory, 16> gPixelRefs;
// Factories written by address that have no name (the colour and filter shaders); the
// names here are empty and never looked up.
Registry<SkFlattenable::Factory, 32> gRemembered;

} // namespace

bool SkFlattenable::Register (const char name[], Factory factory)
{
    return gFlattenables.add (name, factory);
}

SkFlattenable::Factory SkFlattenable::NameToFactory (const char name[])
{
    return name == nullptr ? nullptr : gFlattenables.find (name, strlen (name));
}

SkFlattenable::Factory SkFlattenable::NameToFactory (const char name[], size_t nameLength)
{
    return name == nullptr ? nullptr : gFlattenables.find (name, nameLength);
}

const char *SkFlattenable::FactoryToName (Factory factory)
{
    return gFlattenables.name (factory);
}

bool SkFlattenable::RememberFactory (Factory factory)
{
    uint64_t address = (uint64_t)(uintptr_t)factory;
    if (factory == nullptr || gFlattenables.at (address) != nullptr || gRemembered.at (address) != nullptr) {
        return factory != nullptr;
    }
    return gRemembered.add ("", factory);
}

SkFlattenable::Factory SkFlattenable::AddressToFactory (uint64_t address)
{
    Factory factory = gFlattenables.at (address);
    return factory != nullptr ? factory : gRemembered.at (address);
}

void SkFlattenable::ResetRegistryForTests ()
{
    gFlattenables.fCount = 0;
    gRemembered.fCount = 0;
}

bool SkPixelRefRegistryRegister (const char name[], SkPixelRefFactory factory)
{
    return gPixelRefs.add (name, factory);
}

SkPixelRefFactory SkPixelRefRegistryFind (const char name[], size_t nameLength)
{
    return gPixelRefs.find (name, nameLength);
}

const char *SkPixelRefRegistryName (SkPixelRefFactory factory)
{
    return gPixelRefs.name (factory);
}

void SkPixelRefRegistryResetForTests ()
{
    gPixelRefs.fCount = 0;
}

// -----------------------------------------------------------------------------------------

SkRefCntSet::~SkRefCntSet ()
{
    reset ();
}

void SkRefCntSet::reset ()
{
    for (int i = 0; i < fRecs.count (); i++) {
        decPtr (fRecs[i].fPtr);
    }
    fRecs.reset ();
}

// Records are ordered by the full pointer value: a total order on every host, unlike a
// difference of truncated pointers.
int SkRefCntSet::search (const void *ptr) const
{
    uintptr_t key = (uintptr_t)ptr;
    int lo = 0;
    int hi = fRecs.count () - 1;
    while (lo <= hi) {
        int mid = (lo + hi) >> 1;
        uintptr_t v = (uintptr_t)fRecs[mid].fPtr;
        if (v == key) {
            return mid;
        }
        if (v < key) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return ~lo;
}

uint32_t SkRefCntSet::find (const void *ptr) const
{
    if (ptr == nullptr) {
        return 0;
    }
    int index = search (ptr);
    return index >= 0 ? fRecs[index].fIndex : 0;
}

uint32_t SkRefCntSet::add (void *ptr)
{
    if (ptr == nullptr) {
        return 0;
    }
    int index = search (ptr);
    if (index >= 0) {
        return fRecs[index].fIndex;
    }
    Rec *rec = fRecs.insert (~index, 1);
    if (rec == nullptr) {
        return 0;
    }
    incPtr (ptr);
    rec->fPtr = ptr;
    rec->fIndex = (uint32_t)fRecs.count ();
    return rec->fIndex;
}

void SkRefCntSet::copyToArray (void *array[]) const
{
    for (int i = 0; i < fRecs.count (); i++) {
        array[fRecs[i].fIndex - 1] = fRecs[i].fPtr;
    }
}
