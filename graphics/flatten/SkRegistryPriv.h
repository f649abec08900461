/*
 * The name-to-factory registries: pairs {name, factory} in registration order with a
 * count. Private to the flattening code and the start-up registrations.
 */
#ifndef GRAPHICS_FLATTEN_SK_REGISTRY_PRIV_H_
#define GRAPHICS_FLATTEN_SK_REGISTRY_PRIV_H_

#include "graphics/flatten/SkFlattenable.h"

#include <string.h>

template <typename F, int N> struct SkRegistry {
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

// Zero-initialised before any code runs, so registrations from static initialisers find
// them empty whatever the order of initialisation.
extern SkRegistry<SkFlattenable::Factory, 64> gSkFlattenableRegistry;
extern SkRegistry<SkPixelRefFactory, 16> gSkPixelRefRegistry;
// Factories written by address that have no name (the colour and filter shaders); the
// names here are empty and never looked up.
extern SkRegistry<SkFlattenable::Factory, 32> gSkRememberedFactories;

#endif
