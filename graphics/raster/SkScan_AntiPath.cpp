/*
 * Anti-aliased path fill: the edge walker runs at four times the resolution in both axes,
 * and a super-sampling blitter turns its spans into 8-bit coverage: into one pixel row of
 * coverage runs flushed to the real blitter row by row, or, for small paths, into an A8 mask
 * handed over at once.
 */
#include "graphics/raster/SkScanPriv.h"

namespace {

const int SHIFT = 2;
const int SCALE = 1 << SHIFT;
const int MASK = SCALE - 1;

// Coverage of a whole pixel on sub-row y: 64, 64, 64, 63, so that four sub-rows give 255.
inline unsigned full_coverage (int y) { return 64 - (((y & MASK) + 1) >> SHIFT); }

// Coverage of aa (0..4) sub-pixels on one sub-row: 0, 16, 31, 47, 64.
inline unsigned partial_coverage (int aa) { return (unsigned)((aa << 4) - ((aa << 4) >> 5)); }

// Accumulates one pixel row of coverage runs over [left, left + width). A sub-row span adds a
// constant coverage to up to three stretches of pixels (partial first pixel, full middle,
// partial last pixel). For paths of a few segments each span is added to the run list
// directly, splitting the runs it meets; rows are crossed by few spans, so there are few runs
// to walk. Paths of many segments (combs, spiky outlines) cross rows with many spans, whose
// walks grow with the runs before them: their rows are kept instead as the change of coverage
// at each place where a stretch starts or ends, with a bit per place, so that a span costs a
// few stores. Such a row's flush walks the places in order and hands on one run from each to
// the next: the very runs, and sums, the run list would have had.
class SkSuperBlitter : public SkBlitter {
public:
    // block: BlockSize (width) bytes, zero-filled.
    SkSuperBlitter (SkBlitter *real, int left, int width, void *block, bool places)
        : fReal (real), fCurrIY (-1), fWidth (width), fLeft (left), fSuperLeft (left << SHIFT), fCurrY (-1),
          fOffsetX (0), fPlaces (places), fMinX (width + 1), fMaxX (-1)
    {
        // Places run from 0 to width (a stretch may end at the right edge).
        fMarks = (uint64_t *)block;
        fDeltas = (int16_t *)(fMarks + MarkWords (width));
        int16_t *runs = fDeltas + width + 1;
        fRuns.init (runs, (uint8_t *)(runs + width + 1), width);
    }
    static size_t BlockSize (int width)
    {
        return MarkWords (width) * sizeof (uint64_t) + (size_t)(width + 1) * 2 * sizeof (int16_t) + (size_t)(width + 2);
    }
    void blitH (int x, int y, int width) override;
    void blitRect (int x, int y, int width, int height) override
    {
        for (int i = 0; i < height; i++) blitH (x, y + i, width);
        flush ();
    }
    void flush ();
    // Paths with at least this many points keep their rows as places.
    enum { kPlacesPoints = 64 };

private:
    static size_t MarkWords (int width) { return (size_t)(width >> 6) + 1; }
    void mark (int x, int delta)
    {
        fDeltas[x] = (int16_t)(fDeltas[x] + delta);
        fMarks[x >> 6] |= (uint64_t)1 << (x & 63);
    }
    // Coverage value from pixel x to pixel end (exclusive), as places.
    void addPlaces (int x, int end, int value)
    {
        mark (x, value);
        mark (end, -value);
        fMinX = SkMin32 (fMinX, x);
        fMaxX = SkMax32 (fMaxX, end);
    }
    void flushPlaces ();

    SkBlitter *fReal;
    int fCurrIY, fWidth, fLeft, fSuperLeft, fCurrY, fOffsetX;
    bool fPlaces;               // rows are kept as places, not in fRuns
    int fMinX, fMaxX;           // the first and last place marked in this row
    uint64_t *fMarks;           // one bit per place where a stretch starts or ends
    int16_t *fDeltas;           // change of coverage at each place
    SkAlphaRuns fRuns;
};

void SkSuperBlitter::flushPlaces ()
{
    // Each place starts a run whose coverage is the sum of the changes up to it; it saturates
    // at 255 as the run list's additions do (only four full sub-rows reach 256).
    int16_t *runs = fRuns.fRuns;
    uint8_t *alpha = fRuns.fAlpha;
    int prev = 0, sum = 0;
    for (int w = fMinX >> 6, last = fMaxX >> 6; w <= last; w++) {
        uint64_t bits = fMarks[w];
        if (bits == 0) continue;
        fMarks[w] = 0;
        do {
            int x = (w << 6) + __builtin_ctzll (bits);
            bits &= bits - 1;
            if (x >= fWidth) {
                fDeltas[x] = 0;     // the right edge starts no run
                break;
            }
            if (x > prev) {
                runs[prev] = (int16_t)(x - prev);
                alpha[prev] = SkAlphaRuns::CatchOverflow ((unsigned)sum);
                prev = x;
            }
            sum += fDeltas[x];
            fDeltas[x] = 0;
        } while (bits != 0);
    }
    runs[prev] = (int16_t)(fWidth - prev);
    alpha[prev] = SkAlphaRuns::CatchOverflow ((unsigned)sum);
    runs[fWidth] = 0;
    fReal->blitAntiH (fLeft, fCurrIY, alpha, runs);
    fMinX = fWidth + 1;
    fMaxX = -1;
}

void SkSuperBlitter::flush ()
{
    if (fCurrIY >= 0) {
        if (fPlaces) {
            if (fMinX <= fMaxX) flushPlaces ();
        } else if (!fRuns.empty ()) {
            fReal->blitAntiH (fLeft, fCurrIY, fRuns.fAlpha, fRuns.fRuns);
            fRuns.reset ();
            fOffsetX = 0;
        }
    }
    fCurrIY = -1;
}

void SkSuperBlitter::blitH (int x, int y, int width)
{
    x -= fSuperLeft;
    if (x < 0) {
        width += x;
        x = 0;
    }
    // The run buffer ends at the clip; what lies beyond cannot show.
    width = SkMin32 (width, (fWidth << SHIFT) - x);
    if (width <= 0) return;
    if (y != fCurrY) {
        fOffsetX = 0;
        fCurrY = y;
    }
    int iy = y >> SHIFT;
    if (iy != fCurrIY) {
        flush ();
        fCurrIY = iy;
    }
    int start = x, stop = x + width;
    int fb = start & MASK, fe = stop & MASK, n = (stop >> SHIFT) - (start >> SHIFT) - 1;
    if (n < 0) {
        fb = fe - fb;
        n = 0;
        fe = 0;
    } else if (fb == 0) {
        n += 1;
    } else {
        fb = SCALE - fb;
    }
    if (!fPlaces) {
        fOffsetX = fRuns.add (x >> SHIFT, partial_coverage (fb), n, partial_coverage (fe), full_coverage (y), fOffsetX);
        return;
    }
    // As the run list adds: the first pixel when partly covered, the middle, the last.
    int px = x >> SHIFT;
    if (fb != 0) {
        addPlaces (px, px + 1, (int)partial_coverage (fb));
        px++;
    }
    if (n != 0) {
        addPlaces (px, px + n, (int)full_coverage (y));
        px += n;
    }
    if (fe != 0) addPlaces (px, px + 1, (int)partial_coverage (fe));
}

// Small paths: coverage accumulated in an A8 mask over the path's bounds, one blitMask.
class SkMaskSuperBlitter : public SkBlitter {
public:
    enum { kMaxStorage = 1024 };

    // Fits ir when it is at most 32 pixels wide and its rows, rounded up to 4 bytes, hold
    // at most kMaxStorage bytes.
    static bool CanHandle (const SkIRect &ir)
    {
        int width = ir.width ();
        return width <= 32 && (int64_t)((width + 3) & ~3) * ir.height () <= kMaxStorage;
    }

    SkMaskSuperBlitter (const SkIRect &ir, const SkRegion &clip) : fClipRect (ir)
    {
        fMask.fImage = fStorage;
        fMask.fBounds = ir;
        fMask.fRowBytes = (uint32_t)ir.width ();
        fMask.fFormat = SkMask::kA8_Format;
        if (!fClipRect.intersect (clip.getBounds ())) fClipRect = ir;
        memset (fStorage, 0, (size_t)ir.height () * fMask.fRowBytes + 1);
    }
    void blitH (int x, int y, int width) override;
    const SkMask &mask () const { return fMask; }
    const SkIRect &clipRect () const { return fClipRect; }

private:
    SkMask fMask;
    SkIRect fClipRect;
    uint8_t fStorage[kMaxStorage + 1];
};

inline void add_clamped (uint8_t *pixel, unsigned value)
{
    unsigned tmp = *pixel + value;
    *pixel = (uint8_t)(tmp - (tmp >> 8));
}

void SkMaskSuperBlitter::blitH (int x, int y, int width)
{
    int iy = (y >> SHIFT) - fMask.fBounds.fTop;
    if (iy < 0 || iy >= fMask.fBounds.height ()) return;
    x -= fMask.fBounds.fLeft << SHIFT;
    if (x < 0) {
        width += x;
        x = 0;
    }
    width = SkMin32 (width, (int)(fMask.fRowBytes << SHIFT) - x);
    if (width <= 0) return;
    uint8_t *row = fStorage + iy * fMask.fRowBytes + (x >> SHIFT);
    int fb = x & MASK, fe = (x + width) & MASK, n = ((x + width) >> SHIFT) - (x >> SHIFT) - 1;
    if (n < 0) {
        add_clamped (row, partial_coverage (fe - fb));
        return;
    }
    unsigned maxValue = full_coverage (y);
    // A first pixel covered from its left edge is a full pixel, as in the run accumulation.
    add_clamped (row++, fb == 0 ? maxValue : partial_coverage (SCALE - fb));
    for (; n > 0; n--) add_clamped (row++, maxValue);
    if (fe != 0) add_clamped (row, partial_coverage (fe));
}

bool outside_super_range (const SkIRect &ir)
{
    // Values that survive a shift left by 16 + SHIFT and back.
    return ir.fLeft < -8192 || ir.fTop < -8192 || ir.fRight > 8191 || ir.fBottom > 8191;
}

// Longest run list: run lengths are 16-bit.
const int kMaxRunWidth = 32767;

// The pixel columns the walker can emit: the path's, and for an inverse fill the clip's;
// cut to the clip, since nothing beyond it shows.
void run_range (const SkIRect &ir, const SkIRect &cb, bool inverse, int *left, int *right)
{
    *left = inverse ? cb.fLeft : SkMax32 (ir.fLeft, cb.fLeft);
    *right = inverse ? cb.fRight : SkMin32 (ir.fRight, cb.fRight);
}

void fill_with_runs (const SkPath &path, const SkIRect &ir, const SkIRect *superClip, SkBlitter *blitter,
                     const SkRegion &clip)
{
    int left, right;
    run_range (ir, clip.getBounds (), path.isInverseFillType (), &left, &right);
    int width = right - left;
    if (width <= 0 || width > kMaxRunWidth) return;
    void *block = sk_calloc (SkSuperBlitter::BlockSize (width));
    if (block == nullptr) return;       // out of memory: draw nothing
    SkSuperBlitter super (blitter, left, width, block, path.countPoints () >= SkSuperBlitter::kPlacesPoints);
    sk_fill_path (path, superClip, &super, ir.fTop, ir.fBottom, SHIFT, clip);
    super.flush ();
    sk_free (block);
}

} // namespace

void SkScan::AntiFillPath (const SkPath &path, const SkRegion &origClip, SkBlitter *blitter)
{
    // The clip, like the path, must survive the scaling by SCALE.
    SkRegion storage;
    const SkRegion &clip = *sk_scan_limit_clip (origClip, &storage);
    if (clip.isEmpty ()) return;
    SkIRect ir;
    if (!sk_scan_path_is_finite (path) || !sk_scan_round_out_bounds (path.getBounds (), &ir)) return;
    bool inverse = path.isInverseFillType ();
    if (ir.isEmpty ()) {
        // No area: the complement is the whole clip.
        if (inverse) blitter->blitRegion (clip);
        return;
    }
    int left, right;
    run_range (ir, clip.getBounds (), inverse, &left, &right);
    // Wider than a run list can say (an inverse fill in a clip wider than any device) or too
    // far out for the super-sampled fixed point: filled without anti-aliasing.
    if (outside_super_range (ir) || right - left > kMaxRunWidth) {
        FillPath (path, clip, blitter);
        return;
    }
    SkScanClipper clipper (blitter, &clip, ir);
    if (clipper.getBlitter () == nullptr) {
        if (inverse) blitter->blitRegion (clip);
        return;
    }
    blitter = clipper.getBlitter ();
    const SkIRect &cb = clip.getBounds ();
    if (inverse && cb.fTop < ir.fTop) blitter->blitRectRegion (SkIRect::MakeLTRB (cb.fLeft, cb.fTop, cb.fRight, ir.fTop), clip);
    SkIRect superRect, *superClip = nullptr;
    if (clipper.getClipRect () != nullptr) {
        const SkIRect &r = *clipper.getClipRect ();
        superRect.set (SkLeftShift (r.fLeft, SHIFT), SkLeftShift (r.fTop, SHIFT), SkLeftShift (r.fRight, SHIFT),
                       SkLeftShift (r.fBottom, SHIFT));
        superClip = &superRect;
    }
    if (!inverse && SkMaskSuperBlitter::CanHandle (ir)) {
        SkMaskSuperBlitter super (ir, clip);
        sk_fill_path (path, superClip, &super, ir.fTop, ir.fBottom, SHIFT, clip);
        blitter->blitMask (super.mask (), super.clipRect ());
    } else {
        fill_with_runs (path, ir, superClip, blitter, clip);
    }
    if (inverse && ir.fBottom < cb.fBottom)
        blitter->blitRectRegion (SkIRect::MakeLTRB (cb.fLeft, ir.fBottom, cb.fRight, cb.fBottom), clip);
}
