// Line and curve clippers: the documented cases exactly, and the winding of random lines,
// quads and cubics preserved at every sample point inside the clip.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "graphics/geometry/SkGeometry.h"
#include "graphics/raster/SkEdgeClipper.h"
#include "graphics/raster/SkLineClipper.h"

namespace {

SkPoint P (float x, float y) { return SkPoint::Make (x, y); }
const SkRect kClip = SkRect::MakeLTRB (10, 10, 20, 20);

struct Seg { SkPoint a, b; };

// Winding of a set of segments at (x, y): crossings of the horizontal line left of x, with
// the half-open rule on y, signed by direction.
int winding (const std::vector<Seg> &segs, double x, double y)
{
    int w = 0;
    for (const Seg &s : segs) {
        double y0 = s.a.fY, y1 = s.b.fY;
        if (y0 == y1) continue;
        bool down = y1 > y0;
        double lo = down ? y0 : y1, hi = down ? y1 : y0;
        if (y < lo || y >= hi) continue;
        double cx = s.a.fX + (s.b.fX - s.a.fX) * (y - y0) / (y1 - y0);
        if (cx < x) w += down ? 1 : -1;
    }
    return w;
}

double distance_to (const std::vector<Seg> &segs, double x, double y)
{
    double best = 1e9;
    for (const Seg &s : segs) {
        double dx = s.b.fX - s.a.fX, dy = s.b.fY - s.a.fY, len = dx * dx + dy * dy;
        double t = len > 0 ? ((x - s.a.fX) * dx + (y - s.a.fY) * dy) / len : 0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        best = std::min (best, std::hypot (s.a.fX + t * dx - x, s.a.fY + t * dy - y));
    }
    return best;
}

void add_curve (std::vector<Seg> &out, const SkPoint *pts, int count)
{
    const int kSteps = 256;
    SkPoint prev = pts[0];
    for (int i = 1; i <= kSteps; i++) {
        float t = (float)i / kSteps;
        SkPoint p;
        if (count == 2) p = P (pts[0].fX + (pts[1].fX - pts[0].fX) * t, pts[0].fY + (pts[1].fY - pts[0].fY) * t);
        else if (count == 3) SkEvalQuadAt (pts, t, &p);
        else SkEvalCubicAt (pts, t, &p, nullptr, nullptr);
        out.push_back ({ prev, p });
        prev = p;
    }
}

std::vector<Seg> clipper_output (SkEdgeClipper &clipper, int *verbs = nullptr)
{
    std::vector<Seg> out;
    SkPoint pts[4];
    int n = 0;
    for (SkEdgeClipper::Verb v; (v = clipper.next (pts)) != SkEdgeClipper::kDone_Verb; n++)
        add_curve (out, pts, v == SkEdgeClipper::kLine_Verb ? 2 : (v == SkEdgeClipper::kQuad_Verb ? 3 : 4));
    if (verbs) *verbs = n;
    return out;
}

// Compares windings at sample points strictly inside the clip and away from the curve.
void expect_same_winding (const std::vector<Seg> &orig, const std::vector<Seg> &clipped, const char *what, int iter,
                          const SkRect &clip = kClip)
{
    for (double y = clip.fTop + 0.0731; y < clip.fBottom; y += 0.37)
        for (double x = clip.fLeft + 0.0513; x < clip.fRight; x += 0.41) {
            if (distance_to (orig, x, y) < 0.05) continue;
            ASSERT_EQ (winding (orig, x, y), winding (clipped, x, y))
                << what << " iteration " << iter << " at " << x << ", " << y;
        }
}

SkPoint random_point (std::mt19937 &rng)
{
    std::uniform_real_distribution<float> d (0, 30);
    return P (d (rng), d (rng));
}

} // namespace

TEST (SkLineClipper, LineLeftOfClipBecomesVerticalLineOnTheLeftSide)
{
    SkPoint pts[2] = { P (2, 25), P (5, 5) }, out[4];
    ASSERT_EQ (1, SkLineClipper::ClipLine (pts, kClip, out));
    EXPECT_EQ (P (10, 20), out[0]);     // upward, as the input runs
    EXPECT_EQ (P (10, 10), out[1]);
}

TEST (SkLineClipper, DiagonalCrossingGivesThreeLines)
{
    SkPoint pts[2] = { P (5, 12), P (25, 18) }, out[4];
    ASSERT_EQ (3, SkLineClipper::ClipLine (pts, kClip, out));
    EXPECT_EQ (P (10, 12), out[0]);
    EXPECT_EQ (10, out[1].fX);
    EXPECT_FLOAT_EQ (13.5f, out[1].fY);
    EXPECT_EQ (20, out[2].fX);
    EXPECT_FLOAT_EQ (16.5f, out[2].fY);
    EXPECT_EQ (P (20, 18), out[3]);
    // The same segment reversed comes out reversed.
    SkPoint rev[2] = { pts[1], pts[0] }, out2[4];
    ASSERT_EQ (3, SkLineClipper::ClipLine (rev, kClip, out2));
    for (int i = 0; i < 4; i++) EXPECT_EQ (out[3 - i], out2[i]);
}

TEST (SkLineClipper, TouchingTopOrBottomGivesNothing)
{
    SkPoint above[2] = { P (12, 2), P (15, 10) }, below[2] = { P (12, 20), P (15, 28) }, out[4];
    EXPECT_EQ (0, SkLineClipper::ClipLine (above, kClip, out));
    EXPECT_EQ (0, SkLineClipper::ClipLine (below, kClip, out));
}

TEST (SkLineClipper, IntersectLineKeepsBorderVerticalsAndCutsTheRest)
{
    SkPoint onRight[2] = { P (20, 12), P (20, 18) }, out[2];
    EXPECT_TRUE (SkLineClipper::IntersectLine (onRight, kClip, out));
    EXPECT_EQ (onRight[0], out[0]);
    EXPECT_EQ (onRight[1], out[1]);
    SkPoint touching[2] = { P (20, 12), P (25, 18) };
    EXPECT_FALSE (SkLineClipper::IntersectLine (touching, kClip, out));
    SkPoint across[2] = { P (0, 15), P (30, 15) };
    ASSERT_TRUE (SkLineClipper::IntersectLine (across, kClip, out));
    EXPECT_EQ (P (10, 15), out[0]);
    EXPECT_EQ (P (20, 15), out[1]);
    SkPoint diag[2] = { P (30, 30), P (0, 0) };
    ASSERT_TRUE (SkLineClipper::IntersectLine (diag, kClip, out));
    EXPECT_EQ (P (20, 20), out[0]);
    EXPECT_EQ (P (10, 10), out[1]);
}

// Cut to the clip's rows, this huge segment (from far above to far right) is a vertical one
// far to the right of the clip: it misses the clip, and nothing outside it comes back.
TEST (SkLineClipper, IntersectLineRejectsAVerticalLeftBesideTheClipByTheRowCut)
{
    SkPoint huge[2] = { P (3.67791801e-40f, -1.58457572e+29f), P (1.58457534e+29f, 1.40129846e-45f) }, out[2];
    const SkRect clip = SkRect::MakeLTRB (0, 0, 64, 64);
    EXPECT_FALSE (SkLineClipper::IntersectLine (huge, clip, out));
    SkPoint beside[2] = { P (70, -1e30f), P (70, 1e30f) };
    EXPECT_FALSE (SkLineClipper::IntersectLine (beside, clip, out));
}

TEST (SkEdgeClipper, QuadBulgingRightGivesQuadLineAndRest)
{
    SkPoint quad[3] = { P (15, 11), P (35, 15), P (15, 19) };   // x peaks at 25 at y 15
    SkEdgeClipper clipper;
    ASSERT_TRUE (clipper.clipQuad (quad, kClip));
    std::vector<SkEdgeClipper::Verb> verbs;
    std::vector<std::vector<SkPoint>> pieces;
    SkPoint pts[4];
    for (SkEdgeClipper::Verb v; (v = clipper.next (pts)) != SkEdgeClipper::kDone_Verb;) {
        verbs.push_back (v);
        pieces.push_back (std::vector<SkPoint> (pts, pts + (v == SkEdgeClipper::kLine_Verb ? 2 : 3)));
    }
    // Each x-monotonic half gives a quad inside and a vertical line on the right side.
    ASSERT_EQ (4u, verbs.size ());
    int lines = 0;
    for (size_t i = 0; i < verbs.size (); i++) {
        const auto &p = pieces[i];
        EXPECT_LT (p.front ().fY, p.back ().fY) << "piece " << i << " keeps the downward direction";
        if (verbs[i] == SkEdgeClipper::kLine_Verb) {
            lines++;
            EXPECT_EQ (20, p[0].fX);
            EXPECT_EQ (20, p[1].fX);
        } else {
            for (const SkPoint &q : p) EXPECT_LE (q.fX, 20);
        }
    }
    EXPECT_EQ (2, lines);
    // Nothing when the curve lies wholly above.
    SkPoint high[3] = { P (0, 0), P (5, 2), P (9, 9) };
    EXPECT_FALSE (clipper.clipQuad (high, kClip));
}

TEST (SkClipperWinding, RandomLinesKeepWinding)
{
    std::mt19937 rng (11);
    for (int iter = 0; iter < 400; iter++) {
        SkPoint pts[2] = { random_point (rng), random_point (rng) }, out[4];
        std::vector<Seg> orig = { { pts[0], pts[1] } }, clipped;
        int n = SkLineClipper::ClipLine (pts, kClip, out);
        for (int i = 0; i < n; i++) clipped.push_back ({ out[i], out[i + 1] });
        expect_same_winding (orig, clipped, "line", iter);
    }
}

TEST (SkClipperWinding, RandomQuadsAndCubicsKeepWinding)
{
    std::mt19937 rng (12);
    SkEdgeClipper clipper;
    for (int iter = 0; iter < 100; iter++) {
        SkPoint q[3] = { random_point (rng), random_point (rng), random_point (rng) };
        std::vector<Seg> orig;
        add_curve (orig, q, 3);
        clipper.clipQuad (q, kClip);
        expect_same_winding (orig, clipper_output (clipper), "quad", iter);

        SkPoint c[4] = { random_point (rng), random_point (rng), random_point (rng), random_point (rng) };
        orig.clear ();
        add_curve (orig, c, 4);
        clipper.clipCubic (c, kClip);
        int verbs = 0;
        std::vector<Seg> out = clipper_output (clipper, &verbs);
        ASSERT_LT (verbs, (int)SkEdgeClipper::kMaxVerbs);
        expect_same_winding (orig, out, "cubic", iter);
    }
}

// The largest output one cubic can give with exact arithmetic: three x-runs that each cross
// the whole clip (a line, the cubic and a line: 8 points) and two y-extrema inside the clip
// that split two of the runs (4 points more each): 32 points, all of the old buffer. A root
// found twice through rounding would have written past it; the buffer now holds three
// x-pieces for each of three y-pieces, and this case must come out whole.
TEST (SkEdgeClipper, WorstCaseCubicComesOutWhole)
{
    SkPoint c[4] = { P (-33.713295f, 20.4343109f), P (88.9943695f, -19.5384865f), P (-42.5462875f, 73.6611938f),
                     P (22.1704712f, 57.4234467f) };
    const SkRect tall = SkRect::MakeLTRB (10, -100, 20, 100);
    SkEdgeClipper clipper;
    ASSERT_TRUE (clipper.clipCubic (c, tall));
    std::vector<int> verbs;
    int points = 0;
    std::vector<Seg> out;
    SkPoint pts[4];
    for (SkEdgeClipper::Verb v; (v = clipper.next (pts)) != SkEdgeClipper::kDone_Verb;) {
        verbs.push_back (v);
        int n = v == SkEdgeClipper::kLine_Verb ? 2 : 4;
        points += n;
        add_curve (out, pts, n);
    }
    EXPECT_EQ ((std::vector<int>{ 1, 3, 3, 1, 1, 3, 1, 1, 3, 3, 1 }), verbs);
    EXPECT_EQ (32, points);
    std::vector<Seg> orig;
    add_curve (orig, c, 4);
    expect_same_winding (orig, out, "worst-case cubic", 0, tall);
}

// A y-monotonic cubic piece may have its far control point outside the clip. Pinning that
// point to the clip edge (as well as the cut point) used to bend the curve by several pixels,
// moving its left-edge crossing from y ~10.6 to y ~14.5.
TEST (SkEdgeClipper, FarControlPointOutsideClipIsNotPinned)
{
    SkPoint c[4] = { P (22.7094f, 26.0594f), P (16.1587f, 3.73283f), P (5.12203f, 25.7574f), P (6.46638f, 0.721773f) };
    SkEdgeClipper clipper;
    ASSERT_TRUE (clipper.clipCubic (c, kClip));
    std::vector<Seg> orig;
    add_curve (orig, c, 4);
    expect_same_winding (orig, clipper_output (clipper), "steep cubic", 0);
}
