/*
 * Glyph caches: the list, the budget and purge, and the look-ups.
 */
#include "graphics/text/SkGlyphCache.h"

#include "graphics/path/SkPath.h"

namespace {

constinit SkGlyphCache *gHead = nullptr;
constinit uint64_t gTotalMemory = 0;

// Returned when a record cannot be carved: format 0, no size, no image, never stored.
constinit SkGlyph gEmptyGlyph = {};

const uint32_t kEmptyCharID = 0xFFFFFFFF;

uint32_t char_slot (uint32_t key, uint32_t code) { return ((key >> 20) ^ code) & 0xFF; }

} // namespace

SkGlyphCache::SkGlyphCache (SkDescriptor *desc, SkScalerContext *context)
    : fNext (nullptr), fPrev (nullptr), fDesc (desc), fScalerContext (context), fGlyphArray (nullptr),
      fGlyphReserve (0), fGlyphCount (0), fGlyphAlloc (2560), fImageAlloc (1536), fMetricsCount (0),
      fAdvanceCount (0), fMemoryUsed (kFixedCharge), fAuxProcList (nullptr)
{
    memset (&fFontMetricsY, 0, sizeof (fFontMetricsY));
    context->getFontMetrics (nullptr, &fFontMetricsY);
    memset (fGlyphHash, 0, sizeof (fGlyphHash));
    for (int i = 0; i < kHashCount; i++) {
        fCharHash[i].fID = kEmptyCharID;
        fCharHash[i].fGlyph = nullptr;
    }
    fGlyphArray = (SkGlyph **)sk_malloc (kInitialReserve * sizeof (SkGlyph *));
    fGlyphReserve = fGlyphArray == nullptr ? 0 : kInitialReserve;
}

SkGlyphCache::~SkGlyphCache ()
{
    for (uint32_t i = 0; i < fGlyphCount; i++) {
        SkPath *path = fGlyphArray[i]->fPath;
        if (path != nullptr) {
            path->~SkPath ();
            sk_free (path);
        }
    }
    sk_free (fDesc);
    delete fScalerContext;
    while (fAuxProcList != nullptr) {
        AuxProcRec *rec = fAuxProcList;
        fAuxProcList = rec->fNext;
        rec->fProc (rec->fData);
        sk_free (rec);
    }
    fGlyphAlloc.reset ();
    fImageAlloc.reset ();
    sk_free (fGlyphArray);
}

SkGlyphCache *SkGlyphCache::Create (const SkDescriptor *desc)
{
    SkDescriptor *copy = desc->copy ();
    if (copy == nullptr) {
        return nullptr;
    }
    SkScalerContext *context = SkScalerContext::Create (copy);
    if (context == nullptr) {
        sk_free (copy);
        return nullptr;
    }
    SkGlyphCache *cache = new SkGlyphCache (copy, context);
    if (cache == nullptr) {
        delete context;
        sk_free (copy);
    }
    return cache;
}

// ---------------------------------------------------------------------------------------
// The list.

void SkGlyphCache::link ()
{
    fPrev = nullptr;
    fNext = gHead;
    if (gHead != nullptr) {
        gHead->fPrev = this;
    }
    gHead = this;
}

void SkGlyphCache::unlink ()
{
    if (fPrev != nullptr) {
        fPrev->fNext = fNext;
    } else {
        gHead = fNext;
    }
    if (fNext != nullptr) {
        fNext->fPrev = fPrev;
    }
    fNext = fPrev = nullptr;
}

SkGlyphCache *SkGlyphCache::FindAndUnlink (const SkDescriptor *desc)
{
    for (SkGlyphCache *cache = gHead; cache != nullptr; cache = cache->fNext) {
        if (cache->fDesc->equals (*desc)) {
            cache->unlink ();
            return cache;
        }
    }
    return nullptr;
}

SkGlyphCache *SkGlyphCache::VisitCache (const SkDescriptor *desc, VisitProc proc, void *context)
{
    SkGlyphCache *cache = FindAndUnlink (desc);
    bool found = cache != nullptr;
    if (!found) {
        cache = Create (desc);
        if (cache == nullptr) {
            return nullptr;
        }
    }
    if (!proc (cache, context)) {
        if (found) {
            cache->link ();     // its memory never left the total
        } else {
            AttachCache (cache);
        }
        return nullptr;
    }
    if (found) {
        gTotalMemory -= cache->fMemoryUsed;
    }
    return cache;
}

SkGlyphCache *SkGlyphCache::DetachCache (const SkDescriptor *desc)
{
    return VisitCache (desc, [] (const SkGlyphCache *, void *) { return true; }, nullptr);
}

void SkGlyphCache::AttachCache (SkGlyphCache *cache)
{
    if (cache == nullptr) {
        return;
    }
    if (gTotalMemory + cache->fMemoryUsed > kBudget) {
        InternalFreeCache ((size_t)(gTotalMemory + cache->fMemoryUsed - kBudget));
    }
    cache->link ();
    gTotalMemory += cache->fMemoryUsed;
}

void SkGlyphCache::Free (SkGlyphCache *cache)
{
    cache->unlink ();
    delete cache;
}

size_t SkGlyphCache::InternalFreeCache (size_t bytesNeeded)
{
    uint64_t target = SkTMax<uint64_t> (bytesNeeded, gTotalMemory / 4);
    SkGlyphCache *tail = gHead;
    while (tail != nullptr && tail->fNext != nullptr) {
        tail = tail->fNext;
    }
    uint64_t freed = 0;
    while (tail != nullptr && freed < target) {
        SkGlyphCache *prev = tail->fPrev;
        freed += tail->fMemoryUsed;
        Free (tail);
        tail = prev;
    }
    gTotalMemory = freed > gTotalMemory ? 0 : gTotalMemory - freed;
    return (size_t)freed;
}

bool SkGlyphCache::PurgeAll ()
{
    uint64_t freed = 0;
    while (gHead != nullptr) {
        freed += gHead->fMemoryUsed;
        Free (gHead);
    }
    gTotalMemory = 0;
    return freed != 0;
}

uint64_t SkGlyphCache::GetTotalMemory () { return gTotalMemory; }

void SkGlyphCache::SetTotalMemoryForTesting (uint64_t total) { gTotalMemory = total; }

int SkGlyphCache::CountCaches ()
{
    int count = 0;
    for (SkGlyphCache *cache = gHead; cache != nullptr; cache = cache->fNext) {
        count++;
    }
    return count;
}

bool SkGlyphCache::addAuxProc (AuxProc proc, void *data)
{
    AuxProcRec *rec = (AuxProcRec *)sk_malloc (sizeof (AuxProcRec));
    if (rec == nullptr) {
        return false;
    }
    rec->fNext = fAuxProcList;
    rec->fProc = proc;
    rec->fData = data;
    fAuxProcList = rec;
    return true;
}

// ---------------------------------------------------------------------------------------
// Look-ups.

SkGlyph *SkGlyphCache::insertGlyph (int index, uint32_t id)
{
    if (fGlyphCount == fGlyphReserve) {
        size_t reserve = SkGrowReserve (fGlyphCount + 1);
        SkGlyph **array = (SkGlyph **)sk_realloc (fGlyphArray, reserve * sizeof (SkGlyph *));
        if (array == nullptr) {
            return nullptr;
        }
        fGlyphArray = array;
        fGlyphReserve = (uint32_t)reserve;
    }
    SkGlyph *glyph = (SkGlyph *)fGlyphAlloc.alloc (sizeof (SkGlyph));
    if (glyph == nullptr) {
        return nullptr;
    }
    fMemoryUsed += kGlyphCharge;
    glyph->initWithID (id);
    memmove (fGlyphArray + index + 1, fGlyphArray + index, (fGlyphCount - index) * sizeof (SkGlyph *));
    fGlyphArray[index] = glyph;
    fGlyphCount++;
    return glyph;
}

SkGlyph *SkGlyphCache::lookupMetrics (uint32_t id, bool full)
{
    int lo = 0, hi = (int)fGlyphCount;
    while (lo < hi) {
        int mid = (lo + hi) >> 1;
        if (fGlyphArray[mid]->fID < id) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo < (int)fGlyphCount && fGlyphArray[lo]->fID == id) {
        SkGlyph *glyph = fGlyphArray[lo];
        if (full && glyph->isJustAdvance ()) {
            fScalerContext->getMetrics (glyph);
            fMetricsCount++;
        }
        return glyph;
    }
    SkGlyph *glyph = insertGlyph (lo, id);
    if (glyph == nullptr) {
        return nullptr;
    }
    if (full) {
        fScalerContext->getMetrics (glyph);
        fMetricsCount++;
    } else {
        fScalerContext->getAdvance (glyph);
        fAdvanceCount++;
    }
    return glyph;
}

const SkGlyph &SkGlyphCache::charLookup (SkUnichar code, uint32_t key, uint32_t slot, bool full)
{
    CharHashRec &rec = fCharHash[slot];
    if (rec.fID == key && rec.fGlyph != nullptr) {
        if (full && rec.fGlyph->isJustAdvance ()) {
            fScalerContext->getMetrics (rec.fGlyph);
            fMetricsCount++;
        }
        return *rec.fGlyph;
    }
    uint32_t id = fScalerContext->charToGlyphID (code) | (key & ~(uint32_t)SkGlyph::kCodeMask);
    SkGlyph *glyph = lookupMetrics (id, full);
    if (glyph == nullptr) {
        return gEmptyGlyph;
    }
    rec.fID = key;
    rec.fGlyph = glyph;
    return *glyph;
}

const SkGlyph &SkGlyphCache::getUnicharAdvance (SkUnichar code)
{
    uint32_t key = (uint32_t)code;
    return charLookup (code, key, char_slot (key, key), false);
}

const SkGlyph &SkGlyphCache::getUnicharMetrics (SkUnichar code)
{
    uint32_t key = (uint32_t)code;
    return charLookup (code, key, char_slot (key, key), true);
}

const SkGlyph &SkGlyphCache::getUnicharMetrics (SkUnichar code, SkFixed x, SkFixed y)
{
    uint32_t key = SkGlyph::MakeID ((uint32_t)code & SkGlyph::kCodeMask, x, y);
    return charLookup (code, key, char_slot (key, (uint32_t)code), true);
}

const SkGlyph &SkGlyphCache::idLookup (uint32_t id, bool full)
{
    SkGlyph *&slot = fGlyphHash[((id >> 20) ^ id) & 0xFF];
    if (slot != nullptr && slot->fID == id) {
        if (full && slot->isJustAdvance ()) {
            fScalerContext->getMetrics (slot);
            fMetricsCount++;
        }
        return *slot;
    }
    SkGlyph *glyph = lookupMetrics (id, full);
    if (glyph == nullptr) {
        return gEmptyGlyph;
    }
    slot = glyph;
    return *glyph;
}

const SkGlyph &SkGlyphCache::getGlyphIDAdvance (uint16_t glyphID) { return idLookup (glyphID, false); }

const SkGlyph &SkGlyphCache::getGlyphIDMetrics (uint16_t glyphID) { return idLookup (glyphID, true); }

const SkGlyph &SkGlyphCache::getGlyphIDMetrics (uint16_t glyphID, SkFixed x, SkFixed y)
{
    return idLookup (SkGlyph::MakeID (glyphID, x, y), true);
}

const void *SkGlyphCache::findImage (const SkGlyph &glyph)
{
    if (glyph.fWidth == 0 || glyph.fWidth >= 8192 || &glyph == &gEmptyGlyph) {
        return nullptr;
    }
    if (glyph.fImage == nullptr) {
        size_t size = glyph.computeImageSize ();
        void *image = fImageAlloc.alloc (size);
        if (image == nullptr) {
            return nullptr;
        }
        const_cast<SkGlyph &> (glyph).fImage = image;
        fScalerContext->getImage (glyph);
        fMemoryUsed += size;
    }
    return glyph.fImage;
}

const SkPath *SkGlyphCache::findPath (const SkGlyph &glyph)
{
    if (&glyph == &gEmptyGlyph) {
        return nullptr;
    }
    if (glyph.fPath == nullptr) {
        void *memory = sk_malloc (sizeof (SkPath));
        if (memory == nullptr) {
            return nullptr;
        }
        SkPath *path = new (memory) SkPath;
        fScalerContext->getPath (glyph, path);
        const_cast<SkGlyph &> (glyph).fPath = path;
    }
    return glyph.fPath;
}
