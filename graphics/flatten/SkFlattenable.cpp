/*
 * Name-to-factory registries and the reference-counted pointer sets.
 */
#include "graphics/flatten/SkFlattenable.h"
#include "graphics/flatten/SkRegistryPriv.h"

// The registries live with the start-up registrations that fill them
// (SkStaticRegistrations.cpp), so that whatever uses them links those in.

bool SkFlattenable::Register (const char name[], Factory factory)
{
    return gSkFlattenableRegistry.add (name, factory);
}

SkFlattenable::Factory SkFlattenable::NameToFactory (const char name[])
{
    return name == nullptr ? nullptr : gSkFlattenableRegistry.find (name, strlen (name));
}

SkFlattenable::Factory SkFlattenable::NameToFactory (const char name[], size_t nameLength)
{
    return name == nullptr ? nullptr : gSkFlattenableRegistry.find (name, nameLength);
}

const char *SkFlattenable::FactoryToName (Factory factory)
{
    return gSkFlattenableRegistry.name (factory);
}

bool SkFlattenable::RememberFactory (Factory factory)
{
    uint64_t address = (uint64_t)(uintptr_t)factory;
    if (factory == nullptr || gSkFlattenableRegistry.at (address) != nullptr || gSkRememberedFactories.at (address) != nullptr) {
        return factory != nullptr;
    }
    return gSkRememberedFactories.add ("", factory);
}

SkFlattenable::Factory SkFlattenable::AddressToFactory (uint64_t address)
{
    Factory factory = gSkFlattenableRegistry.at (address);
    return factory != nullptr ? factory : gSkRememberedFactories.at (address);
}

void SkFlattenable::ResetRegistryForTests ()
{
    gSkFlattenableRegistry.fCount = 0;
    gSkRememberedFactories.fCount = 0;
}

bool SkPixelRefRegistryRegister (const char name[], SkPixelRefFactory factory)
{
    return gSkPixelRefRegistry.add (name, factory);
}

SkPixelRefFactory SkPixelRefRegistryFind (const char name[], size_t nameLength)
{
    return gSkPixelRefRegistry.find (name, nameLength);
}

const char *SkPixelRefRegistryName (SkPixelRefFactory factory)
{
    return gSkPixelRefRegistry.name (factory);
}

void SkPixelRefRegistryResetForTests ()
{
    gSkPixelRefRegistry.fCount = 0;
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
