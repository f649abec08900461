// The blitter interface's default operations, coverage-run splitting and the clipping
// wrappers: on hand-made runs and masks, and on random operations checked against the
// unclipped result restricted to the clip.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "graphics/raster/SkBlitter.h"

namespace {

typedef std::map<std::pair<int, int>, int> Coverage;

// Records the coverage of every pixel it is asked to write (coverage 0 writes nothing).
struct RecordingBlitter : SkBlitter {
    Coverage fPixels;
    std::vector<std::vector<std::pair<int, int>>> fRunLists;    // (count, alpha) per blitAntiH
    int fRectCalls = 0;

    void put (int x, int y, int a)
    {
        if (a != 0) fPixels[{ x, y }] = a;
    }
    void blitH (int x, int y, int width) override
    {
        for (int i = 0; i < width; i++) put (x + i, y, 255);
    }
    void blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[]) override
    {
        std::vector<std::pair<int, int>> list;
        for (int n; (n = runs[0]) > 0; runs += n, aa += n, x += n) {
            list.push_back ({ n, aa[0] });
            for (int i = 0; i < n; i++) put (x + i, y, aa[0]);
        }
        fRunLists.push_back (list);
    }
    void blitRect (int x, int y, int w, int h) override
    {
        fRectCalls++;
        SkBlitter::blitRect (x, y, w, h);
    }
};

SkIRect R (int l, int t, int r, int b) { return SkIRect::MakeLTRB (l, t, r, b); }

} // namespace

TEST (SkBlitter, BlitVWithFullAlphaIsARectangle)
{
    RecordingBlitter b;
    b.blitV (3, 4, 5, 255);
    EXPECT_EQ (1, b.fRectCalls);
    EXPECT_EQ (5u, b.fPixels.size ());
    RecordingBlitter c;
    c.blitV (3, 4, 2, 77);
    EXPECT_EQ (0, c.fRectCalls);
    ASSERT_EQ (2u, c.fRunLists.size ());
    EXPECT_EQ (77, (c.fPixels[{ 3, 5 }]));
}

TEST (SkBlitter, A8MaskRowsBecomeOnePixelRuns)
{
    uint8_t image[3 * 4] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 };
    SkMask mask = { image, R (10, 20, 14, 23), 4, SkMask::kA8_Format };
    RecordingBlitter b;
    b.blitMask (mask, R (11, 21, 13, 23));
    EXPECT_EQ ((Coverage{ { { 11, 21 }, 6 }, { { 12, 21 }, 7 }, { { 11, 22 }, 10 }, { { 12, 22 }, 11 } }), b.fPixels);
    // Wider than the 64-entry stack buffer.
    std::vector<uint8_t> wide (100, 9);
    SkMask wideMask = { wide.data (), R (0, 0, 100, 1), 100, SkMask::kA8_Format };
    RecordingBlitter w;
    w.blitMask (wideMask, wideMask.fBounds);
    EXPECT_EQ (100u, w.fPixels.size ());
}

// Wider pixels are passed on byte by byte as well, from the mask's own address of the clip's
// left column: 2 bytes per pixel for LCD16, 4 for ARGB32 and LCD32.
TEST (SkBlitter, WideMaskRowsStartAtTheirOwnPixelAddress)
{
    uint8_t image[16];
    for (int i = 0; i < 16; i++) image[i] = (uint8_t)(i + 1);
    SkMask lcd16 = { image, R (10, 0, 18, 1), 16, SkMask::kLCD16_Format };
    RecordingBlitter b;
    b.blitMask (lcd16, R (12, 0, 14, 1));           // pixel 12 is bytes 4 and 5
    EXPECT_EQ ((Coverage{ { { 12, 0 }, 5 }, { { 13, 0 }, 6 } }), b.fPixels);
    SkMask argb = { image, R (10, 0, 14, 1), 16, SkMask::kARGB32_Format };
    RecordingBlitter c;
    c.blitMask (argb, R (11, 0, 13, 1));            // pixel 11 is bytes 4 to 7
    EXPECT_EQ ((Coverage{ { { 11, 0 }, 5 }, { { 12, 0 }, 6 } }), c.fPixels);
}

TEST (SkBlitter, BWMaskHonoursClipInsideBytes)
{
    // Two rows of 24 bits, every bit set.
    uint8_t image[6] = { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF };
    SkMask mask = { image, R (0, 0, 24, 2), 3, SkMask::kBW_Format };
    RecordingBlitter b;
    b.blitMask (mask, R (3, 0, 16, 1));             // starts mid-byte, ends on a byte boundary
    for (auto &p : b.fPixels) {
        EXPECT_GE (p.first.first, 3);
        EXPECT_LT (p.first.first, 16);
        EXPECT_EQ (0, p.first.second);
    }
    EXPECT_EQ (13u, b.fPixels.size ());
    // Bits set past the mask width in the row padding never reach the device.
    uint8_t padded[2] = { 0xFF, 0xFF };             // width 10: bits 10..15 are padding
    SkMask pm = { padded, R (0, 0, 10, 1), 2, SkMask::kBW_Format };
    RecordingBlitter c;
    c.blitMask (pm, pm.fBounds);
    EXPECT_EQ (10u, c.fPixels.size ());
    // Runs of set bits come out as one blitH each.
    uint8_t pattern[1] = { 0xB6 };                  // 1011 0110
    SkMask pat = { pattern, R (0, 0, 8, 1), 1, SkMask::kBW_Format };
    RecordingBlitter d;
    d.blitMask (pat, pat.fBounds);
    EXPECT_EQ ((Coverage{ { { 0, 0 }, 255 }, { { 2, 0 }, 255 }, { { 3, 0 }, 255 }, { { 5, 0 }, 255 }, { { 6, 0 }, 255 } }), d.fPixels);
}

TEST (SkAlphaRuns, BreakSplitsRunsKeepingTheirAlpha)
{
    int16_t runs[11] = { 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    uint8_t aa[11] = { 50 };
    SkAlphaRuns::Break (runs, aa, 3, 4);
    EXPECT_EQ (3, runs[0]);
    EXPECT_EQ (4, runs[3]);
    EXPECT_EQ (3, runs[7]);
    EXPECT_EQ (50, aa[3]);
    EXPECT_EQ (50, aa[7]);
}

TEST (SkRectClipBlitter, CutRunKeepsItsAlphaOnBothSides)
{
    RecordingBlitter inner;
    SkRectClipBlitter clip;
    clip.init (&inner, R (5, 0, 8, 10));
    int16_t runs[11] = { 4, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0 };
    uint8_t aa[11] = { 10, 0, 0, 0, 20 };
    clip.blitAntiH (2, 3, aa, runs);                // pixels 2..5 at 10, 6..11 at 20
    ASSERT_EQ (1u, inner.fRunLists.size ());
    EXPECT_EQ ((std::vector<std::pair<int, int>>{ { 1, 10 }, { 2, 20 } }), inner.fRunLists[0]);
}

TEST (SkRegionClipBlitter, GapsBetweenSpansGetZeroCoverage)
{
    SkRegion rgn (R (0, 0, 4, 10));
    rgn.op (R (6, 0, 9, 10), SkRegion::kUnion_Op);
    RecordingBlitter inner;
    SkRegionClipBlitter clip;
    clip.init (&inner, &rgn);
    int16_t runs[13] = { 12, 0 };
    uint8_t aa[13] = { 99 };
    clip.blitAntiH (0, 2, aa, runs);
    ASSERT_EQ (1u, inner.fRunLists.size ());
    EXPECT_EQ ((std::vector<std::pair<int, int>>{ { 4, 99 }, { 2, 0 }, { 3, 99 } }), inner.fRunLists[0]);
}

TEST (SkBlitterClipper, ChoosesTheCheapestWrapper)
{
    RecordingBlitter inner;
    SkBlitterClipper clipper;
    SkRegion empty, rect (R (0, 0, 10, 10)), complex (R (0, 0, 10, 10));
    complex.op (R (2, 2, 4, 4), SkRegion::kDifference_Op);
    EXPECT_NE (&inner, clipper.apply (&inner, &empty));
    SkIRect inside = R (1, 1, 5, 5), far = R (20, 20, 30, 30), across = R (5, 5, 15, 15);
    EXPECT_EQ (&inner, clipper.apply (&inner, &rect, &inside));
    SkBlitter *nothing = clipper.apply (&inner, &rect, &far);
    nothing->blitRect (20, 20, 5, 5);
    EXPECT_TRUE (inner.fPixels.empty ());
    SkBlitter *wrapped = clipper.apply (&inner, &rect, &across);
    wrapped->blitRect (5, 5, 10, 10);
    EXPECT_EQ (25u, inner.fPixels.size ());
    inner.fPixels.clear ();
    clipper.apply (&inner, &complex, &inside)->blitRect (0, 0, 10, 10);
    EXPECT_EQ (96u, inner.fPixels.size ());
}

// Random operations through both wrappers give exactly the unclipped pixels inside the clip.
TEST (SkClipBlitters, NeverWriteOutsideTheClip)
{
    std::mt19937 rng (99);
    std::vector<uint8_t> maskImage (40 * 40);
    for (auto &m : maskImage) m = (uint8_t)(rng () % 3 == 0 ? 0 : rng ());
    for (int iter = 0; iter < 200; iter++) {
        SkRegion rgn (R (rng () % 20, rng () % 20, 20 + rng () % 20, 20 + rng () % 20));
        rgn.op (R (rng () % 30, rng () % 30, 10 + rng () % 30, 10 + rng () % 30), (SkRegion::Op)(rng () % 4));
        RecordingBlitter plain, clipped;
        SkBlitterClipper clipper;
        SkBlitter *wrapper = clipper.apply (&clipped, &rgn);
        for (int op = 0; op < 6; op++) {
            int x = (int)(rng () % 44) - 2, y = (int)(rng () % 44) - 2, w = 1 + rng () % 30, h = 1 + rng () % 20;
            if (op == 0) { plain.blitH (x, y, w); wrapper->blitH (x, y, w); }
            if (op == 1) { plain.blitRect (x, y, w, h); wrapper->blitRect (x, y, w, h); }
            if (op == 2) { SkAlpha a = (SkAlpha)(1 + rng () % 255); plain.blitV (x, y, h, a); wrapper->blitV (x, y, h, a); }
            if (op == 3 || op == 4) {
                std::vector<int16_t> runs;
                std::vector<uint8_t> aa;
                for (int total = 0; total < w;) {
                    int n = std::min<int> (w - total, 1 + rng () % 6);
                    runs.push_back ((int16_t)n);
                    aa.push_back ((uint8_t)(rng () % 256));
                    for (int k = 1; k < n; k++) { runs.push_back (0); aa.push_back (0); }
                    total += n;
                }
                runs.push_back (0);
                aa.push_back (0);
                std::vector<int16_t> runs2 = runs;
                std::vector<uint8_t> aa2 = aa;
                plain.blitAntiH (x, y, aa.data (), runs.data ());
                wrapper->blitAntiH (x, y, aa2.data (), runs2.data ());
            }
            if (op == 5) {
                SkMask mask = { maskImage.data (), R (0, 0, 40, 40), 40, SkMask::kA8_Format };
                SkIRect clip = R (rng () % 20, rng () % 20, 20 + rng () % 20, 20 + rng () % 20);
                plain.blitMask (mask, clip);
                wrapper->blitMask (mask, clip);
            }
        }
        Coverage want;
        for (auto &p : plain.fPixels)
            if (rgn.contains (p.first.first, p.first.second)) want.insert (p);
        ASSERT_EQ (want, clipped.fPixels) << "iteration " << iter;
    }
}
