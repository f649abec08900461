// Test blitters for the scan converters: one that sums the coverage each pixel receives (so a
// pixel written twice shows more than 255) and counts the calls, over an area with a margin
// that catches writes outside it.
#ifndef GRAPHICS_RASTER_TESTS_SCANTESTSUPPORT_H_
#define GRAPHICS_RASTER_TESTS_SCANTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <initializer_list>
#include <string>
#include <vector>

#include "graphics/raster/SkScan.h"

class CoverageBlitter : public SkBlitter {
public:
    // The area [left, left + width) x [top, top + height) is recorded; anything else counts
    // as a stray write.
    CoverageBlitter (int left, int top, int width, int height)
        : fLeft (left), fTop (top), fWidth (width), fHeight (height), fCover ((size_t)width * height, 0)
    {
    }
    CoverageBlitter (int width, int height) : CoverageBlitter (0, 0, width, height) {}

    void blitH (int x, int y, int width) override
    {
        hCalls++;
        for (int i = 0; i < width; i++) add (x + i, y, 255);
        if (width <= 0) badCalls++;
    }
    void blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[]) override
    {
        antiCalls++;
        for (int guard = 0; runs[0] > 0 && guard < 100000; guard++) {
            int n = runs[0];
            for (int i = 0; i < n; i++) add (x + i, y, aa[0]);
            x += n;
            runs += n;
            aa += n;
        }
    }
    void blitV (int x, int y, int height, SkAlpha alpha) override
    {
        vCalls++;
        for (int i = 0; i < height; i++) add (x, y + i, alpha);
        if (height <= 0) badCalls++;
    }
    void blitRect (int x, int y, int width, int height) override
    {
        rectCalls++;
        for (int j = 0; j < height; j++)
            for (int i = 0; i < width; i++) add (x + i, y + j, 255);
        if (width <= 0 || height <= 0) badCalls++;
    }
    void blitMask (const SkMask &mask, const SkIRect &clip) override
    {
        maskCalls++;
        for (int y = clip.fTop; y < clip.fBottom; y++)
            for (int x = clip.fLeft; x < clip.fRight; x++) add (x, y, *mask.getAddr8 (x, y));
    }

    int at (int x, int y) const
    {
        if (x < fLeft || y < fTop || x >= fLeft + fWidth || y >= fTop + fHeight) return -1;
        return fCover[(size_t)(y - fTop) * fWidth + (x - fLeft)];
    }
    // Sum of all coverage, in units of a full pixel.
    double total () const { return std::accumulate (fCover.begin (), fCover.end (), 0.0) / 255.0; }
    int maxCover () const { return *std::max_element (fCover.begin (), fCover.end ()); }
    int countNonZero () const { return (int)fCover.size () - (int)std::count (fCover.begin (), fCover.end (), 0); }
    // Pixels written outside the rectangle r (in device coordinates).
    int countOutside (const SkIRect &r) const { return countOutside (SkRegion (r)); }
    int countOutside (const SkRegion &region) const
    {
        int n = stray;
        for (int y = fTop; y < fTop + fHeight; y++)
            for (int x = fLeft; x < fLeft + fWidth; x++)
                if (at (x, y) != 0 && !region.contains (x, y)) n++;
        return n;
    }
    std::string row (int y, int x0, int x1) const
    {
        std::string s;
        for (int x = x0; x < x1; x++) s += std::to_string (at (x, y)) + (x + 1 < x1 ? " " : "");
        return s;
    }

    int hCalls = 0, antiCalls = 0, vCalls = 0, rectCalls = 0, maskCalls = 0;
    int stray = 0, badCalls = 0;

private:
    void add (int x, int y, int a)
    {
        if (x < fLeft || y < fTop || x >= fLeft + fWidth || y >= fTop + fHeight) {
            stray++;
            return;
        }
        fCover[(size_t)(y - fTop) * fWidth + (x - fLeft)] += a;
    }

    int fLeft, fTop, fWidth, fHeight;
    std::vector<int> fCover;
};

// The union of the rectangles.
inline SkRegion region_of (std::initializer_list<SkIRect> rects)
{
    SkRegion rgn;
    for (const SkIRect &r : rects) rgn.op (r, SkRegion::kUnion_Op);
    return rgn;
}

// A closed polygon through points vertices on a circle, joining every step-th one (step 2 on
// 5 points makes the usual self-crossing star).
inline SkPath star_path (float cx, float cy, float r, int points, int step)
{
    SkPath p;
    for (int i = 0; i < points; i++) {
        double a = -M_PI / 2 + i * 2 * M_PI * step / points;
        float x = cx + (float)(r * std::cos (a)), y = cy + (float)(r * std::sin (a));
        if (i == 0) p.moveTo (x, y);
        else p.lineTo (x, y);
    }
    p.close ();
    return p;
}

// A path flattened finely in double precision, for point-in-path tests at pixel centres.
class ReferencePolygon {
public:
    explicit ReferencePolygon (const SkPath &path, int stepsPerCurve = 256)
    {
        SkPath::Iter iter (path, true);
        SkPoint pts[4];
        for (SkPath::Verb v; (v = iter.next (pts)) != SkPath::kDone_Verb;) {
            if (v == SkPath::kLine_Verb) add (pts[0], pts[1]);
            if (v != SkPath::kQuad_Verb && v != SkPath::kCubic_Verb) continue;
            double px = pts[0].fX, py = pts[0].fY;
            for (int i = 1; i <= stepsPerCurve; i++) {
                double t = (double)i / stepsPerCurve, u = 1 - t, x, y;
                if (v == SkPath::kQuad_Verb) {
                    x = u * u * pts[0].fX + 2 * u * t * pts[1].fX + t * t * pts[2].fX;
                    y = u * u * pts[0].fY + 2 * u * t * pts[1].fY + t * t * pts[2].fY;
                } else {
                    x = u * u * u * pts[0].fX + 3 * u * u * t * pts[1].fX + 3 * u * t * t * pts[2].fX + t * t * t * pts[3].fX;
                    y = u * u * u * pts[0].fY + 3 * u * u * t * pts[1].fY + 3 * u * t * t * pts[2].fY + t * t * t * pts[3].fY;
                }
                fSegs.push_back ({ px, py, x, y });
                px = x;
                py = y;
            }
        }
    }
    // Winding number of the point.
    int winding (double x, double y) const
    {
        int w = 0;
        for (const Seg &s : fSegs) {
            if ((s.y0 <= y) == (s.y1 <= y)) continue;
            double cx = s.x0 + (y - s.y0) * (s.x1 - s.x0) / (s.y1 - s.y0);
            if (cx > x) w += s.y1 > s.y0 ? 1 : -1;
        }
        return w;
    }
    bool inside (double x, double y, bool evenOdd) const
    {
        int w = winding (x, y);
        return evenOdd ? (w & 1) != 0 : w != 0;
    }
    // Distance from the point to the nearest segment.
    double distance (double x, double y) const
    {
        double best = 1e300;
        for (const Seg &s : fSegs) {
            double dx = s.x1 - s.x0, dy = s.y1 - s.y0, len = dx * dx + dy * dy;
            double t = len > 0 ? ((x - s.x0) * dx + (y - s.y0) * dy) / len : 0;
            t = t < 0 ? 0 : (t > 1 ? 1 : t);
            best = std::fmin (best, std::hypot (s.x0 + t * dx - x, s.y0 + t * dy - y));
        }
        return best;
    }

private:
    struct Seg {
        double x0, y0, x1, y1;
    };
    void add (const SkPoint &a, const SkPoint &b) { fSegs.push_back ({ a.fX, a.fY, b.fX, b.fY }); }
    std::vector<Seg> fSegs;
};

#endif
