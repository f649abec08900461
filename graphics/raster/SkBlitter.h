/*
 * SkBlitter: the object through which every scan converter writes pixels. Converters only
 * call the operations below with device coordinates; the blitter chosen for the destination
 * and the paint (and wrapped for the clip when needed) decides what the pixels become.
 */
#ifndef GRAPHICS_RASTER_SKBLITTER_H_
#define GRAPHICS_RASTER_SKBLITTER_H_

#include "graphics/core/SkColor.h"
#include "graphics/raster/SkMask.h"
#include "graphics/region/SkRegion.h"

class SkBitmap;
class SkMatrix;
class SkPaint;

// Coverage runs: at index i, runs[i] = n > 0 says the n pixels from i on have coverage
// alpha[i]; the next run starts at i + n; a run of 0 ends the list.
class SkAlphaRuns {
public:
    // Splits the runs so that one starts at index x and one at index x + count.
    static void Break (int16_t runs[], uint8_t alpha[], int x, int count);
    // Splits the runs so that one starts at index x.
    static void BreakAt (uint8_t alpha[], int16_t runs[], int x);

    // A run pair of its own over caller-owned arrays: width + 1 runs and width + 2 alphas,
    // width at most 32767.
    void init (int16_t runs[], uint8_t alpha[], int width)
    {
        fRuns = runs;
        fAlpha = alpha;
        fWidth = width;
        reset ();
    }
    // One run of coverage 0 over the whole width.
    void reset ()
    {
        fRuns[0] = (int16_t)fWidth;
        fRuns[fWidth] = 0;
        fAlpha[0] = 0;
    }
    bool empty () const { return fAlpha[0] == 0 && fRuns[0] >= fWidth; }
    // Adds one sub-scanline span: startAlpha to pixel x (when not 0), maxValue to the
    // middleCount pixels after it, stopAlpha to the pixel after those (when not 0). Spans of
    // one sub-row arrive in increasing x: the search starts at offsetX, where the previous
    // addition ended; returns where this one ended. Coverage saturates at 255.
    int add (int x, unsigned startAlpha, int middleCount, unsigned stopAlpha, unsigned maxValue, int offsetX);
    // 256 (four full sub-rows) becomes 255; anything below stays.
    static uint8_t CatchOverflow (unsigned alpha) { return (uint8_t)(alpha - (alpha >> 8)); }

    int16_t *fRuns;
    uint8_t *fAlpha;

private:
    int fWidth;
};

// The run operations are inline: the anti-aliasing blitter calls them for every sub-row.
inline void SkAlphaRuns::BreakAt (uint8_t alpha[], int16_t runs[], int x)
{
    while (x > 0) {
        int n = runs[0];
        if (x < n) {
            alpha[x] = alpha[0];
            runs[0] = (int16_t)x;
            runs[x] = (int16_t)(n - x);
            break;
        }
        runs += n;
        alpha += n;
        x -= n;
    }
}

inline void SkAlphaRuns::Break (int16_t runs[], uint8_t alpha[], int x, int count)
{
    BreakAt (alpha, runs, x);
    BreakAt (alpha + x, runs + x, count);
}

inline int SkAlphaRuns::add (int x, unsigned startAlpha, int middleCount, unsigned stopAlpha, unsigned maxValue,
                             int offsetX)
{
    int16_t *runs = fRuns + offsetX;
    uint8_t *alpha = fAlpha + offsetX;
    uint8_t *lastAlpha = alpha;
    x -= offsetX;
    if (startAlpha != 0) {
        Break (runs, alpha, x, 1);
        alpha[x] = CatchOverflow (alpha[x] + startAlpha);
        runs += x + 1;
        alpha += x + 1;
        x = 0;
    }
    if (middleCount != 0) {
        Break (runs, alpha, x, middleCount);
        alpha += x;
        runs += x;
        x = 0;
        do {
            alpha[0] = CatchOverflow (alpha[0] + maxValue);
            int n = runs[0];
            alpha += n;
            runs += n;
            middleCount -= n;
        } while (middleCount > 0);
        lastAlpha = alpha;
    }
    if (stopAlpha != 0) {
        Break (runs, alpha, x, 1);
        alpha += x;
        alpha[0] = CatchOverflow (alpha[0] + stopAlpha);
        lastAlpha = alpha;
    }
    return (int)(lastAlpha - fAlpha);
}

class SkBlitter : public SkPoolObject, SkNoncopyable {
public:
    virtual ~SkBlitter ();
    // Full coverage of width pixels of row y from x.
    virtual void blitH (int x, int y, int width);
    // Row y from x with the coverages of a run list; the callee may change both arrays.
    virtual void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]);
    // A column of height pixels from (x, y) with one coverage.
    virtual void blitV (int x, int y, int height, SkAlpha alpha);
    virtual void blitRect (int x, int y, int width, int height);
    // The part of mask inside clip (clip lies inside mask.fBounds).
    virtual void blitMask (const SkMask &mask, const SkIRect &clip);
    // When every pixel written at full coverage gets one value: the device and the value.
    virtual const SkBitmap *justAnOpaqueColor (uint32_t *value);

    // blitRect for each rectangle of the region (or of the region within rect).
    void blitRegion (const SkRegion &clip);
    void blitRectRegion (const SkIRect &rect, const SkRegion &clip);

    // A new blitter for drawing into device with paint (the caller deletes it); storage is
    // not used. A device format without a blitter gives one that draws nothing; null only
    // when memory runs out.
    static SkBlitter *Choose (const SkBitmap &device, const SkMatrix &matrix, const SkPaint &paint,
                              void *storage, size_t storageSize);
    // A sprite blitter set up for drawing source with its origin at (left, top), or null
    // (the caller then draws through a bitmap shader). Only 32-bit devices get one.
    static SkBlitter *ChooseSprite (const SkBitmap &device, const SkPaint &paint, const SkBitmap &source,
                                    int left, int top, void *storage);
};

class SkNullBlitter : public SkBlitter {
public:
    void blitH (int, int, int) override {}
    void blitAntiH (int, int, SkAlpha[], int16_t[]) override {}
    void blitV (int, int, int, SkAlpha) override {}
    void blitRect (int, int, int, int) override {}
    void blitMask (const SkMask &, const SkIRect &) override {}
    const SkBitmap *justAnOpaqueColor (uint32_t *) override { return nullptr; }
};

// Passes on only what lies inside a rectangle.
class SkRectClipBlitter : public SkBlitter {
public:
    void init (SkBlitter *blitter, const SkIRect &clipRect) { fBlitter = blitter; fClipRect = clipRect; }
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
    void blitV (int x, int y, int height, SkAlpha alpha) override;
    void blitRect (int x, int y, int width, int height) override;
    void blitMask (const SkMask &mask, const SkIRect &clip) override;
    const SkBitmap *justAnOpaqueColor (uint32_t *value) override { return fBlitter->justAnOpaqueColor (value); }

private:
    SkBlitter *fBlitter;
    SkIRect fClipRect;
};

// Passes on only what lies inside a region.
class SkRegionClipBlitter : public SkBlitter {
public:
    void init (SkBlitter *blitter, const SkRegion *clipRgn) { fBlitter = blitter; fRgn = clipRgn; }
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
    void blitV (int x, int y, int height, SkAlpha alpha) override;
    void blitRect (int x, int y, int width, int height) override;
    void blitMask (const SkMask &mask, const SkIRect &clip) override;
    const SkBitmap *justAnOpaqueColor (uint32_t *value) override { return fBlitter->justAnOpaqueColor (value); }

private:
    SkBlitter *fBlitter;
    const SkRegion *fRgn;
};

// Holds one of each wrapper so that choosing one allocates nothing; lives on the stack.
class SkBlitterClipper {
public:
    // The blitter to draw through for clip; bounds, when given, is what will be drawn.
    SkBlitter *apply (SkBlitter *blitter, const SkRegion *clip, const SkIRect *bounds = nullptr);

private:
    SkNullBlitter fNullBlitter;
    SkRectClipBlitter fRectBlitter;
    SkRegionClipBlitter fRgnBlitter;
};

#endif
