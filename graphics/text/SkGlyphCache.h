/*
 * SkGlyphCache: per descriptor, the glyph records met so far with their metrics, images and
 * outlines. All caches share one most-recently-used list and one memory budget (768 KB); a
 * cache in use by a draw is detached from the list, so a purge never frees it.
 */
#ifndef GRAPHICS_TEXT_SKGLYPHCACHE_H_
#define GRAPHICS_TEXT_SKGLYPHCACHE_H_

#include "graphics/core/SkChunkAlloc.h"
#include "graphics/text/SkScalerContext.h"

class SkGlyphCache : public SkPoolObject, SkNoncopyable {
public:
    enum : uint64_t {
        kBudget = 0xC0000,
        kFixedCharge = 10424,       // the cache and both allocators' minimum blocks
        kGlyphCharge = 40,          // per glyph record
    };
    enum { kHashCount = 256, kInitialReserve = 165 };

    // Finds the cache for desc on the list (unlinked) or makes one, then runs proc. proc
    // false: the cache goes (back) to the head of the list and null is returned. proc true:
    // the caller keeps the cache and gives it back with AttachCache. Null also when memory
    // runs out for a new cache.
    typedef bool (*VisitProc) (const SkGlyphCache *cache, void *context);
    static SkGlyphCache *VisitCache (const SkDescriptor *desc, VisitProc proc, void *context);
    // The cache for desc, detached for the caller (who attaches it again), or null.
    static SkGlyphCache *DetachCache (const SkDescriptor *desc);
    static void AttachCache (SkGlyphCache *cache);
    // Frees caches from the least recently used until max(bytesNeeded, total / 4) bytes are
    // freed or none is left; returns the bytes freed.
    static size_t InternalFreeCache (size_t bytesNeeded);
    // Frees every cache on the list; whether anything was freed.
    static bool PurgeAll ();
    // Memory of the caches on the list, and their number (tests).
    static uint64_t GetTotalMemory ();
    static int CountCaches ();
    // Tests: adds to the list's total as if caches of that size were attached.
    static void SetTotalMemoryForTesting (uint64_t total);

    // Look-ups (none fails: when memory runs out a shared empty glyph is returned).
    const SkGlyph &getUnicharAdvance (SkUnichar code);
    const SkGlyph &getUnicharMetrics (SkUnichar code);
    const SkGlyph &getUnicharMetrics (SkUnichar code, SkFixed x, SkFixed y);
    const SkGlyph &getGlyphIDAdvance (uint16_t glyphID);
    const SkGlyph &getGlyphIDMetrics (uint16_t glyphID);
    const SkGlyph &getGlyphIDMetrics (uint16_t glyphID, SkFixed x, SkFixed y);
    // The image of glyph, rendered on first use; null for an empty or too wide glyph or when
    // memory runs out.
    const void *findImage (const SkGlyph &glyph);
    // The outline of glyph, made on first use; null when memory runs out.
    const SkPath *findPath (const SkGlyph &glyph);

    const SkDescriptor &getDescriptor () const { return *fDesc; }
    const SkPaint::FontMetrics &getFontMetricsY () const { return fFontMetricsY; }
    SkScalerContext *getScalerContext () const { return fScalerContext; }
    uint64_t getMemoryUsed () const { return fMemoryUsed; }
    int countGlyphs () const { return (int)fGlyphCount; }
    uint32_t fullMetricsCount () const { return fMetricsCount; }
    uint32_t advanceOnlyCount () const { return fAdvanceCount; }

    // Procedures run with their data when the cache is freed.
    typedef void (*AuxProc) (void *data);
    bool addAuxProc (AuxProc proc, void *data);

private:
    struct AuxProcRec {
        AuxProcRec *fNext;
        AuxProc fProc;
        void *fData;
    };
    struct CharHashRec {
        uint32_t fID;
        SkGlyph *fGlyph;
    };

    SkGlyphCache (SkDescriptor *desc, SkScalerContext *context);
    ~SkGlyphCache ();
    static SkGlyphCache *Create (const SkDescriptor *desc);
    static SkGlyphCache *FindAndUnlink (const SkDescriptor *desc);
    static void Free (SkGlyphCache *cache);
    void link ();
    void unlink ();

    SkGlyph *lookupMetrics (uint32_t id, bool full);
    SkGlyph *insertGlyph (int index, uint32_t id);
    const SkGlyph &charLookup (SkUnichar code, uint32_t key, uint32_t slot, bool full);
    const SkGlyph &idLookup (uint32_t id, bool full);

    SkGlyphCache *fNext;
    SkGlyphCache *fPrev;
    SkDescriptor *fDesc;
    SkScalerContext *fScalerContext;
    SkPaint::FontMetrics fFontMetricsY;
    SkGlyph *fGlyphHash[kHashCount];
    SkGlyph **fGlyphArray;
    uint32_t fGlyphReserve;
    uint32_t fGlyphCount;
    SkChunkAlloc fGlyphAlloc;
    SkChunkAlloc fImageAlloc;
    uint32_t fMetricsCount;
    uint32_t fAdvanceCount;
    CharHashRec fCharHash[kHashCount];
    uint64_t fMemoryUsed;
    AuxProcRec *fAuxProcList;
};

// Holds a detached cache and attaches it again at scope exit.
class SkAutoGlyphCache : SkNoncopyable {
public:
    explicit SkAutoGlyphCache (SkGlyphCache *cache) : fCache (cache) {}
    ~SkAutoGlyphCache () { if (fCache != nullptr) SkGlyphCache::AttachCache (fCache); }
    SkGlyphCache *get () const { return fCache; }
private:
    SkGlyphCache *fCache;
};

#endif
