// Paths from any bytes through every scan converter and into a region, clipped to a small
// rectangle or region: nothing may be written outside the clip, whatever the coordinates
// (huge, NaN, infinite) or the shape. Layout: one byte of flags (bit 0 complex clip, bits
// 1-2 fill type), then records of one verb byte and up to three points of two 32-bit floats.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/path/SkPath.h"
#include "graphics/raster/SkScan.h"

namespace {

const int kSize = 48;

// Fails the run on any write outside the clip.
class GuardBlitter : public SkBlitter {
public:
    explicit GuardBlitter (const SkRegion &clip) : fClip (clip) {}
    void blitH (int x, int y, int width) override
    {
        for (int i = 0; i < width; i++) check (x + i, y);
    }
    void blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[]) override
    {
        for (int n; (n = runs[0]) > 0; x += n, runs += n, aa += n)
            if (aa[0] != 0)
                for (int i = 0; i < n; i++) check (x + i, y);
    }
    void blitV (int x, int y, int height, SkAlpha) override
    {
        for (int i = 0; i < height; i++) check (x, y + i);
    }
    void blitRect (int x, int y, int width, int height) override
    {
        for (int j = 0; j < height; j++) blitH (x, y + j, width);
    }
    void blitMask (const SkMask &mask, const SkIRect &clip) override
    {
        for (int y = clip.fTop; y < clip.fBottom; y++)
            for (int x = clip.fLeft; x < clip.fRight; x++)
                if (*mask.getAddr8 (x, y) != 0) check (x, y);
    }

private:
    void check (int x, int y)
    {
        if (!fClip.contains (x, y)) __builtin_trap ();
    }
    const SkRegion &fClip;
};

float read_float (const uint8_t *p)
{
    float f;
    memcpy (&f, p, 4);
    return f;
}

SkPath read_path (const uint8_t *data, size_t size)
{
    SkPath path;
    path.setFillType ((SkPath::FillType)((data[0] >> 1) & 3));
    const uint8_t *p = data + 1, *end = data + size;
    for (int verbs = 0; verbs < 64 && p < end; verbs++) {
        int verb = *p++ % 5, count = verb == 0 ? 1 : verb;
        if (verb == 4) {
            path.close ();
            continue;
        }
        if (end - p < count * 8) break;
        SkPoint pts[3];
        for (int i = 0; i < count; i++, p += 8) pts[i] = SkPoint::Make (read_float (p), read_float (p + 4));
        if (verb == 0) path.moveTo (pts[0]);
        else if (verb == 1) path.lineTo (pts[0]);
        else if (verb == 2) path.quadTo (pts[0], pts[1]);
        else path.cubicTo (pts[0], pts[1], pts[2]);
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    SkRegion clip (SkIRect::MakeLTRB (4, 4, kSize - 4, kSize - 4));
    if (data[0] & 1) {
        clip.op (SkIRect::MakeLTRB (14, 14, 20, 30), SkRegion::kDifference_Op);
        clip.op (SkIRect::MakeLTRB (40, 0, 47, 10), SkRegion::kUnion_Op);
    }
    SkPath path = read_path (data, size);
    GuardBlitter guard (clip);
    SkScan::FillPath (path, clip, &guard);
    SkScan::AntiFillPath (path, clip, &guard);
    SkScan::HairPath (path, &clip, &guard, SkScan::HairLine);
    SkScan::HairPath (path, &clip, &guard, SkScan::AntiHairLine);
    if (path.countPoints () >= 2) {
        SkRect r = SkRect::MakeLTRB (path.getPoint (0).fX, path.getPoint (0).fY, path.getPoint (1).fX, path.getPoint (1).fY);
        SkScan::AntiFillRect (r, &clip, &guard);
        SkScan::AntiFrameRect (r, SkPoint::Make (path.getPoint (1).fX - path.getPoint (0).fX, 1.5f), &clip, &guard);
        SkScan::FrameRect (r, SkPoint::Make (2, 2), &clip, &guard);
        SkScan::HairRect (r, &clip, &guard);
    }
    SkRegion rgn;
    rgn.setPath (path, clip);
    if (!rgn.isEmpty () && !clip.contains (rgn)) __builtin_trap ();
    return 0;
}
