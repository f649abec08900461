// Anti-aliased fills and strokes held to their exact output. Three checks:
// - every call a fill makes to its blitter (each run and its coverage, each mask byte) hashed
//   and compared with the hash the run accumulation gave when these cases were recorded, over
//   convex, concave and self-crossing paths, both fill rules and their inverses, sub-pixel
//   slivers, rectangle and region clips, far coordinates and stroked outlines;
// - the pixels the real blitters make of some of them (opaque, translucent and black colours,
//   a gradient and a rotated bitmap shader, an 8-bit device), hashed the same way;
// - random polygons against an accumulation written here from the run operations alone.
// A changed hash means changed pixels for some blitter: the accumulation may get faster, but
// what it hands on must stay bit for bit.
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <random>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkGradientShader.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

// FNV-1a over 32-bit values.
class Hash {
public:
    void add (int64_t v)
    {
        for (int i = 0; i < 4; i++) {
            fValue ^= (uint8_t)(v >> (8 * i));
            fValue *= 1099511628211ull;
        }
    }
    uint64_t value () const { return fValue; }

private:
    uint64_t fValue = 14695981039346656037ull;
};

// Hashes every call with its arguments; for blitAntiH the run heads and their coverages in
// order, for blitMask the mask bytes inside the clip.
class CallHashBlitter : public SkBlitter {
public:
    void blitH (int x, int y, int width) override { record (1, x, y, width, 1); }
    void blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[]) override
    {
        fHash.add (2);
        fHash.add (x);
        fHash.add (y);
        for (int n; (n = runs[0]) > 0; runs += n, aa += n) {
            fHash.add (n);
            fHash.add (aa[0]);
        }
        antiCalls++;
    }
    void blitV (int x, int y, int height, SkAlpha alpha) override { record (3, x, y, height, alpha); }
    void blitRect (int x, int y, int width, int height) override { record (4, x, y, width, height); }
    void blitMask (const SkMask &mask, const SkIRect &clip) override
    {
        record (5, clip.fLeft, clip.fTop, clip.fRight, clip.fBottom);
        for (int y = clip.fTop; y < clip.fBottom; y++)
            for (int x = clip.fLeft; x < clip.fRight; x++) fHash.add (*mask.getAddr8 (x, y));
    }
    uint64_t value () const { return fHash.value (); }
    int antiCalls = 0;

private:
    void record (int kind, int a, int b, int c, int d)
    {
        fHash.add (kind);
        fHash.add (a);
        fHash.add (b);
        fHash.add (c);
        fHash.add (d);
    }
    Hash fHash;
};

SkPath with_fill (SkPath p, SkPath::FillType type)
{
    p.setFillType (type);
    return p;
}

SkPath circle (float cx, float cy, float r)
{
    SkPath p;
    p.addCircle (cx, cy, r);
    return p;
}

SkPath polygon (std::initializer_list<SkPoint> pts)
{
    SkPath p;
    bool first = true;
    for (const SkPoint &pt : pts) {
        if (first) p.moveTo (pt);
        else p.lineTo (pt);
        first = false;
    }
    p.close ();
    return p;
}

// n vertices scattered over [x0, x1) x [y0, y1): concave and self-crossing.
SkPath random_polygon (uint32_t seed, int n, float x0, float y0, float x1, float y1)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> x (x0, x1), y (y0, y1);
    SkPath p;
    p.moveTo (x (rng), y (rng));
    for (int i = 1; i < n; i++) p.lineTo (x (rng), y (rng));
    p.close ();
    return p;
}

SkPath stroked (const SkPath &src, float width, SkPaint::Join join, SkPaint::Cap cap)
{
    SkPaint paint;
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (width);
    paint.setStrokeJoin (join);
    paint.setStrokeCap (cap);
    SkPath dst;
    paint.getFillPath (src, &dst);
    return dst;
}

SkPath line (float x0, float y0, float x1, float y1)
{
    SkPath p;
    p.moveTo (x0, y0);
    p.lineTo (x1, y1);
    return p;
}

struct Case {
    std::string name;
    SkPath path;
    SkRegion clip;
};

std::vector<Case> cases ()
{
    const SkRegion device (SkIRect::MakeWH (200, 200));
    const SkRegion rectClip (SkIRect::MakeLTRB (23, 17, 151, 133));
    // An L with a notch: three rectangles, so the clip is a region, not a rectangle.
    const SkRegion rgnClip = region_of ({ SkIRect::MakeLTRB (10, 10, 190, 60), SkIRect::MakeLTRB (10, 60, 70, 190),
                                          SkIRect::MakeLTRB (100, 90, 180, 150) });
    std::vector<Case> v;
    auto add = [&v] (std::string name, const SkPath &p, const SkRegion &clip) { v.push_back ({ name, p, clip }); };
    const SkPath::FillType types[] = { SkPath::kWinding_FillType, SkPath::kEvenOdd_FillType,
                                       SkPath::kInverseWinding_FillType, SkPath::kInverseEvenOdd_FillType };
    const char *typeNames[] = { "winding", "evenodd", "inverse-winding", "inverse-evenodd" };

    // Convex, concave and self-crossing shapes under every fill type and clip.
    struct Shape {
        const char *name;
        SkPath path;
    };
    SkPath rings = circle (100.3f, 97.8f, 80);
    rings.addCircle (100.3f, 97.8f, 50);
    rings.addCircle (120.1f, 110.6f, 30);
    SkPath rounded;
    rounded.addRoundRect (SkRect::MakeLTRB (12.25f, 30.7f, 187.6f, 171.1f), 25, 40);
    SkPath blob;
    blob.moveTo (20.5f, 100.2f);
    blob.cubicTo (20, -30, 260, 20, 170.3f, 120.9f);
    blob.quadTo (120, 230, 60.6f, 150);
    blob.cubicTo (200, 90, -40, 60, 20.5f, 100.2f);
    const Shape shapes[] = {
        { "circle", circle (100.3f, 97.8f, 73.4f) },
        { "rounded", rounded },
        { "triangle", polygon ({ { 3.3f, 190.1f }, { 99.9f, 4.6f }, { 196.2f, 170.4f } }) },
        { "star5", star_path (101.1f, 99.4f, 95, 5, 2) },
        { "star7", star_path (98.6f, 102.2f, 92, 7, 3) },
        { "concave", polygon ({ { 10, 10 }, { 190, 12.5f }, { 188, 60 }, { 60.4f, 70.2f }, { 62, 130 },
                               { 185.5f, 140.25f }, { 187, 188 }, { 12.75f, 186 } }) },
        { "bowtie", polygon ({ { 15, 20.5f }, { 185.2f, 180 }, { 185.2f, 20.5f }, { 15, 180 } }) },
        { "rings", rings },
        { "blob", blob },
        { "random", random_polygon (7, 40, -10, -10, 210, 210) },
    };
    for (const Shape &s : shapes)
        for (int t = 0; t < 4; t++) {
            std::string name = std::string (s.name) + "/" + typeNames[t];
            add (name, with_fill (s.path, types[t]), device);
            add (name + "/rect-clip", with_fill (s.path, types[t]), rectClip);
            add (name + "/region-clip", with_fill (s.path, types[t]), rgnClip);
        }

    // Thinner than a pixel, or within one.
    add ("sliver-vertical", polygon ({ { 40.1f, 5 }, { 40.3f, 5 }, { 40.3f, 150 }, { 40.1f, 150 } }), device);
    add ("sliver-horizontal", polygon ({ { 5, 20.3f }, { 190, 20.3f }, { 190, 20.45f }, { 5, 20.45f } }), device);
    add ("sliver-diagonal", polygon ({ { 5, 5 }, { 195, 180 }, { 195.05f, 180.1f }, { 5.05f, 5.1f } }), device);
    add ("sliver-shallow", polygon ({ { 2, 60 }, { 198, 71 }, { 198, 71.3f }, { 2, 60.3f } }), device);
    add ("dot", polygon ({ { 50.2f, 50.3f }, { 50.7f, 50.4f }, { 50.4f, 50.9f } }), device);
    add ("dot-wide-run", with_fill (polygon ({ { 50.2f, 50.3f }, { 50.7f, 50.4f }, { 50.4f, 50.9f } }),
                                    SkPath::kInverseWinding_FillType), rectClip);
    add ("comb", random_polygon (11, 120, 0, 90, 200, 94), device);
    add ("many-crossings", random_polygon (12, 200, 0, 0, 200, 200), device);
    add ("many-crossings-evenodd", with_fill (random_polygon (12, 200, 0, 0, 200, 200), SkPath::kEvenOdd_FillType),
         rgnClip);

    // Small enough for the mask accumulation, and just too large for it.
    add ("small-circle", circle (30.4f, 40.6f, 9.7f), device);
    add ("small-star", star_path (60.5f, 60.5f, 15.8f, 5, 2), rectClip);
    add ("wide-33", polygon ({ { 10, 10 }, { 43, 10.5f }, { 42.5f, 12.7f }, { 10.2f, 12 } }), device);

    // Far and huge coordinates: clipped by the edge builder, or beyond the super-sampled
    // range and drawn without anti-aliasing.
    add ("huge-triangle", polygon ({ { -1e6f, -3e5f }, { 1e6f, 150.5f }, { 40.3f, 1e6f } }), device);
    add ("huge-circle-edge", circle (-19900.3f, 100.2f, 20000), device);
    add ("near-limit", polygon ({ { -8000.5f, 20.2f }, { 180.6f, 10.1f }, { 8150.2f, 190.7f }, { 30.3f, 8100.1f } }),
         device);
    add ("beyond-limit", polygon ({ { 10.5f, 20.2f }, { 9000.6f, 100.1f }, { 20.3f, 190.7f } }), device);
    add ("far-offset", circle (5000.4f, 5000.6f, 60.2f), SkRegion (SkIRect::MakeLTRB (4950, 4960, 5100, 5080)));
    add ("huge-inverse", with_fill (circle (100.5f, 100.5f, 1e5f), SkPath::kInverseEvenOdd_FillType), rgnClip);

    // Stroked outlines: the lines of a chart, a zigzag with each join, thin curves.
    for (int i = 0; i < 12; i++) {
        double a = i * 0.5236 + 0.1;
        float x0 = 100.3f, y0 = 99.6f, x1 = x0 + (float)(90 * cos (a)), y1 = y0 + (float)(90 * sin (a));
        add ("line3-" + std::to_string (i), stroked (line (x0, y0, x1, y1), 3, SkPaint::kMiter_Join, SkPaint::kButt_Cap),
             device);
    }
    add ("line1-5-round", stroked (line (10.2f, 180.4f, 190.7f, 30.1f), 1.5f, SkPaint::kRound_Join, SkPaint::kRound_Cap),
         rectClip);
    SkPath zigzag;
    zigzag.moveTo (10, 150);
    for (int i = 1; i < 10; i++) zigzag.lineTo (10 + 20.3f * i, i & 1 ? 40.6f : 160.2f);
    const SkPaint::Join joins[] = { SkPaint::kMiter_Join, SkPaint::kRound_Join, SkPaint::kBevel_Join };
    for (int j = 0; j < 3; j++)
        add ("zigzag10-join" + std::to_string (j), stroked (zigzag, 10, joins[j], SkPaint::kSquare_Cap), device);
    add ("blob-stroke0-5", stroked (blob, 0.5f, SkPaint::kRound_Join, SkPaint::kButt_Cap), device);
    add ("star-stroke7", stroked (star_path (101.1f, 99.4f, 95, 5, 2), 7, SkPaint::kMiter_Join, SkPaint::kButt_Cap),
         rgnClip);
    return v;
}

// The hashes the run accumulation gave for cases (), in order.
const uint64_t kExpectedCalls[] = {
    0x7d4b49ad14cd5caeull, // circle/winding
    0xe502b7f58a4a3270ull, // circle/winding/rect-clip
    0xdd70f63dabd6983full, // circle/winding/region-clip
    0x7d4b49ad14cd5caeull, // circle/evenodd
    0xe502b7f58a4a3270ull, // circle/evenodd/rect-clip
    0xdd70f63dabd6983full, // circle/evenodd/region-clip
    0xac44df89cb5035f7ull, // circle/inverse-winding
    0xcf1b80ce27446046ull, // circle/inverse-winding/rect-clip
    0xcb19f62399ed1246ull, // circle/inverse-winding/region-clip
    0xac44df89cb5035f7ull, // circle/inverse-evenodd
    0xcf1b80ce27446046ull, // circle/inverse-evenodd/rect-clip
    0xcb19f62399ed1246ull, // circle/inverse-evenodd/region-clip
    0x2b1e3a017c182b1dull, // rounded/winding
    0x3a4ae1a7347b47aaull, // rounded/winding/rect-clip
    0x7e6471973236eaeaull, // rounded/winding/region-clip
    0x2b1e3a017c182b1dull, // rounded/evenodd
    0x3a4ae1a7347b47aaull, // rounded/evenodd/rect-clip
    0x7e6471973236eaeaull, // rounded/evenodd/region-clip
    0xbc7461c3a19380c2ull, // rounded/inverse-winding
    0x041dc006c98d7766ull, // rounded/inverse-winding/rect-clip
    0xe28e79057bcf1c48ull, // rounded/inverse-winding/region-clip
    0xbc7461c3a19380c2ull, // rounded/inverse-evenodd
    0x041dc006c98d7766ull, // rounded/inverse-evenodd/rect-clip
    0xe28e79057bcf1c48ull, // rounded/inverse-evenodd/region-clip
    0x098cfe6fa94d8cd8ull, // triangle/winding
    0xe6d38570d030bdfaull, // triangle/winding/rect-clip
    0x1a203140eeb02b13ull, // triangle/winding/region-clip
    0x098cfe6fa94d8cd8ull, // triangle/evenodd
    0xe6d38570d030bdfaull, // triangle/evenodd/rect-clip
    0x1a203140eeb02b13ull, // triangle/evenodd/region-clip
    0xf5bbca9099f99d7full, // triangle/inverse-winding
    0x4c0a34f21464f9e6ull, // triangle/inverse-winding/rect-clip
    0xee8d7f0235753440ull, // triangle/inverse-winding/region-clip
    0xf5bbca9099f99d7full, // triangle/inverse-evenodd
    0x4c0a34f21464f9e6ull, // triangle/inverse-evenodd/rect-clip
    0xee8d7f0235753440ull, // triangle/inverse-evenodd/region-clip
    0xf9deb29c1831569aull, // star5/winding
    0xb09769b4eb12fedcull, // star5/winding/rect-clip
    0xbf320478d8f59aabull, // star5/winding/region-clip
    0x36d59fcffb2a5094ull, // star5/evenodd
    0x06b3cdc98edc5133ull, // star5/evenodd/rect-clip
    0xb621ccea6911e1f3ull, // star5/evenodd/region-clip
    0x84b2a50c5122a8c1ull, // star5/inverse-winding
    0x9839712a7be7d5a4ull, // star5/inverse-winding/rect-clip
    0xf36f8352a102c13bull, // star5/inverse-winding/region-clip
    0x0bb42959011a58e2ull, // star5/inverse-evenodd
    0x658105b092b6bbfcull, // star5/inverse-evenodd/rect-clip
    0x6fb2bd1c22f6ecb3ull, // star5/inverse-evenodd/region-clip
    0x4c24c146fb25c996ull, // star7/winding
    0x744620f7b93fc841ull, // star7/winding/rect-clip
    0x6b708e30ec8bdfd6ull, // star7/winding/region-clip
    0x6cc6138471e6d1c8ull, // star7/evenodd
    0x537728d7e20ed110ull, // star7/evenodd/rect-clip
    0x2d3a9b0ea78f65e0ull, // star7/evenodd/region-clip
    0x537006094838b857ull, // star7/inverse-winding
    0x341d0acd32e23f01ull, // star7/inverse-winding/rect-clip
    0x7c4eed4acf1594ccull, // star7/inverse-winding/region-clip
    0x65acab40c58f03ceull, // star7/inverse-evenodd
    0x5d95a24448ce4824ull, // star7/inverse-evenodd/rect-clip
    0x836fb6e4f764a16aull, // star7/inverse-evenodd/region-clip
    0xbb4f7d61f2ead6bbull, // concave/winding
    0x1abdf33a9693383aull, // concave/winding/rect-clip
    0xa2489d5e0d7ce757ull, // concave/winding/region-clip
    0xbb4f7d61f2ead6bbull, // concave/evenodd
    0x1abdf33a9693383aull, // concave/evenodd/rect-clip
    0xa2489d5e0d7ce757ull, // concave/evenodd/region-clip
    0x293ded5018e9c93eull, // concave/inverse-winding
    0x9f0bd57becdc6aebull, // concave/inverse-winding/rect-clip
    0x35739d677ed1ece6ull, // concave/inverse-winding/region-clip
    0x293ded5018e9c93eull, // concave/inverse-evenodd
    0x9f0bd57becdc6aebull, // concave/inverse-evenodd/rect-clip
    0x35739d677ed1ece6ull, // concave/inverse-evenodd/region-clip
    0x05fd5a92b8461878ull, // bowtie/winding
    0x6621367463db3e8aull, // bowtie/winding/rect-clip
    0xbbce8f62555e0071ull, // bowtie/winding/region-clip
    0x05fd5a92b8461878ull, // bowtie/evenodd
    0x6621367463db3e8aull, // bowtie/evenodd/rect-clip
    0xbbce8f62555e0071ull, // bowtie/evenodd/region-clip
    0x2ff9559f00305d8cull, // bowtie/inverse-winding
    0x3f5bb5dea7b3e0bbull, // bowtie/inverse-winding/rect-clip
    0x478e9d6a274b0cf7ull, // bowtie/inverse-winding/region-clip
    0x2ff9559f00305d8cull, // bowtie/inverse-evenodd
    0x3f5bb5dea7b3e0bbull, // bowtie/inverse-evenodd/rect-clip
    0x478e9d6a274b0cf7ull, // bowtie/inverse-evenodd/region-clip
    0x93e35941a3c82f1cull, // rings/winding
    0x63649ec3549b203eull, // rings/winding/rect-clip
    0x6b63d9bcdf1fad7eull, // rings/winding/region-clip
    0x66b0cf7e8cbcf2a7ull, // rings/evenodd
    0xdd2a05c414aca8fdull, // rings/evenodd/rect-clip
    0x2d9e069821a663ccull, // rings/evenodd/region-clip
    0x1a5bedd57e99926full, // rings/inverse-winding
    0x60759f9fec08d24full, // rings/inverse-winding/rect-clip
    0x47a8ee1e191f1fe7ull, // rings/inverse-winding/region-clip
    0x3a83fdafd0693387ull, // rings/inverse-evenodd
    0xe024cd81e7c40ef2ull, // rings/inverse-evenodd/rect-clip
    0x3df19edc28a68cdaull, // rings/inverse-evenodd/region-clip
    0x99c5f6dec563ee35ull, // blob/winding
    0xfad71bd6291ae424ull, // blob/winding/rect-clip
    0xfe77daaef3b1773bull, // blob/winding/region-clip
    0x99c5f6dec563ee35ull, // blob/evenodd
    0xfad71bd6291ae424ull, // blob/evenodd/rect-clip
    0xfe77daaef3b1773bull, // blob/evenodd/region-clip
    0xef33f566d4528204ull, // blob/inverse-winding
    0xa3e900dfdb3be739ull, // blob/inverse-winding/rect-clip
    0xc6db1d08f1130384ull, // blob/inverse-winding/region-clip
    0xef33f566d4528204ull, // blob/inverse-evenodd
    0xa3e900dfdb3be739ull, // blob/inverse-evenodd/rect-clip
    0xc6db1d08f1130384ull, // blob/inverse-evenodd/region-clip
    0x7d2548759437f825ull, // random/winding
    0x06899acd127d1bb5ull, // random/winding/rect-clip
    0x9bf6b3935847ee77ull, // random/winding/region-clip
    0x3f45c92137328474ull, // random/evenodd
    0x33c67fffb8d9218dull, // random/evenodd/rect-clip
    0x1c3cb5411b63fcbdull, // random/evenodd/region-clip
    0x1d1c45a82a13b7a2ull, // random/inverse-winding
    0x7477d2a2cf9a70bcull, // random/inverse-winding/rect-clip
    0x20ddcf5e23da6b51ull, // random/inverse-winding/region-clip
    0x71a3fadb7bb67839ull, // random/inverse-evenodd
    0x890cf502b14efb77ull, // random/inverse-evenodd/rect-clip
    0x4f51703c076ed81cull, // random/inverse-evenodd/region-clip
    0xb85d89f2fc3bf4a2ull, // sliver-vertical
    0x0fdca8e869b76e5full, // sliver-horizontal
    0x6bc226b37245fabeull, // sliver-diagonal
    0xbc7ee42ca9d59510ull, // sliver-shallow
    0x83a55e8b6e0d93f0ull, // dot
    0x2697c3212fc4b8a0ull, // dot-wide-run
    0xfffccd77508f3b43ull, // comb
    0x4a36341dc05634adull, // many-crossings
    0xa5a0ce2e4f9fa06aull, // many-crossings-evenodd
    0xa3ad09ccb699bfe1ull, // small-circle
    0x931f717639cc0654ull, // small-star
    0x729c4ac1b17357b7ull, // wide-33
    0x12f293508ac9d425ull, // huge-triangle
    0x50c393a9a754af92ull, // huge-circle-edge
    0x0cbd5854b4509989ull, // near-limit
    0xb50027889c0fb10dull, // beyond-limit
    0x8b152f27523523e8ull, // far-offset
    0xcbf29ce484222325ull, // huge-inverse
    0xb5c2c3488158e3eeull, // line3-0
    0x55b662b959bf09a9ull, // line3-1
    0x4a55ddb56b456060ull, // line3-2
    0xef16be182c850da3ull, // line3-3
    0x1cb33e71612c89ffull, // line3-4
    0x89f888428f54f2b1ull, // line3-5
    0x1dcb3e48e4287a9bull, // line3-6
    0xa2d06f7f002f2e87ull, // line3-7
    0xdd4f645215aa3c13ull, // line3-8
    0x33c5bfcacf680c02ull, // line3-9
    0x5e3c5d9a1f96562bull, // line3-10
    0x5080c6e60ed57440ull, // line3-11
    0xc3bb88bc1f2d727full, // line1-5-round
    0xe8808dad82d0f377ull, // zigzag10-join0
    0x2c59517b0ee5141bull, // zigzag10-join1
    0xe8808dad82d0f377ull, // zigzag10-join2
    0xdd346a6a843e7dffull, // blob-stroke0-5
    0xe33787d899625e46ull, // star-stroke7
};

TEST (ScanAntiPathExact, EveryCallMatchesTheRecordedAccumulation)
{
    std::vector<Case> all = cases ();
    ASSERT_EQ (all.size (), sizeof kExpectedCalls / sizeof kExpectedCalls[0]);
    for (size_t i = 0; i < all.size (); i++) {
        CallHashBlitter b;
        SkScan::AntiFillPath (all[i].path, all[i].clip, &b);
        EXPECT_EQ (b.value (), kExpectedCalls[i]) << all[i].name << ": 0x" << std::hex << b.value ();
    }
}

// --- pixels through the real blitters ---------------------------------------------------

// A device with a pattern in it, so that every blend shows.
SkBitmap patterned_device (SkBitmap::Config config, std::vector<uint32_t> &storage)
{
    SkBitmap bm;
    bm.setConfig (config, 200, 200);
    storage.assign (200 * 200, 0);
    bm.setPixels (storage.data ());
    uint8_t *bytes = (uint8_t *)storage.data ();
    for (int y = 0; y < 200; y++)
        for (int x = 0; x < 200; x++) {
            if (config == SkBitmap::kA8_Config) {
                bytes[y * bm.rowBytes () + x] = (uint8_t)((x * 7 + y * 3) & 0xFF);
            } else {
                unsigned a = 0x80 + ((x + y) & 0x7F), c = (x * 5 + y) % (a + 1);
                storage[(size_t)y * 200 + x] = a << 24 | c << 16 | (a - c) << 8 | (c / 2);
            }
        }
    return bm;
}

uint64_t pixel_hash (const SkBitmap &bm)
{
    Hash h;
    for (int y = 0; y < bm.height (); y++)
        for (int x = 0; x < bm.width (); x++)
            h.add (bm.config () == SkBitmap::kA8_Config ? *bm.getAddr8 (x, y) : *bm.getAddr32 (x, y));
    return h.value ();
}

struct PaintCase {
    const char *name;
    SkBitmap::Config config;
    std::function<void (SkPaint &, SkMatrix &)> setup;
};

std::vector<PaintCase> paint_cases (const SkBitmap &texture)
{
    const SkBitmap::Config k32 = SkBitmap::kARGB_8888_Config, k8 = SkBitmap::kA8_Config;
    return {
        { "opaque", k32, [] (SkPaint &p, SkMatrix &) { p.setColor (0xFF2050A0); } },
        { "black", k32, [] (SkPaint &p, SkMatrix &) { p.setColor (0xFF000000); } },
        { "translucent", k32, [] (SkPaint &p, SkMatrix &) { p.setColor (0x80C04020); } },
        { "radial", k32,
          [] (SkPaint &p, SkMatrix &) {
              const SkColor colors[2] = { 0xFFFF0000, 0x400000FF };
              SkShader *s = SkGradientShader::CreateRadial (SkPoint::Make (90.3f, 110.7f), 83.1f, colors);
              p.setShader (s);
              s->unref ();
          } },
        { "bitmap-rotated", k32,
          [&texture] (SkPaint &p, SkMatrix &m) {
              SkShader *s = SkShader::CreateBitmapShader (texture);
              p.setShader (s);
              s->unref ();
              m.setRotate (17.5f, 100, 100);
          } },
        { "a8-opaque", k8, [] (SkPaint &p, SkMatrix &) { p.setColor (0xFF000000); } },
        { "a8-translucent", k8, [] (SkPaint &p, SkMatrix &) { p.setColor (0x60000000); } },
    };
}

// The hashes for paint_cases (), in order.
const uint64_t kExpectedPixels[] = {
    0xfbd923b6d6b679b6ull, // opaque
    0x91151068e93f4974ull, // black
    0x4f35b4909d7cadc5ull, // translucent
    0x86b19fe7cdf96f14ull, // radial
    0xb2de4ddfdf960f59ull, // bitmap-rotated
    0xc6278fdeaff3fc65ull, // a8-opaque
    0x5f07b4c644837449ull, // a8-translucent
};

TEST (ScanAntiPathExact, PixelsOfEveryBlitterMatchTheRecordedOnes)
{
    std::vector<uint32_t> texels (32 * 24);
    for (size_t i = 0; i < texels.size (); i++) texels[i] = 0xFF000000u | (uint32_t)(i * 2654435761u >> 8);
    SkBitmap texture;
    texture.setConfig (SkBitmap::kARGB_8888_Config, 32, 24);
    texture.setPixels (texels.data ());
    std::vector<Case> all = cases ();
    std::vector<PaintCase> paints = paint_cases (texture);
    ASSERT_EQ (paints.size (), sizeof kExpectedPixels / sizeof kExpectedPixels[0]);
    for (size_t p = 0; p < paints.size (); p++) {
        // One hash over the pixels of every third case: all kinds above, in less time.
        Hash h;
        for (size_t i = 0; i < all.size (); i += 3) {
            std::vector<uint32_t> storage;
            SkBitmap device = patterned_device (paints[p].config, storage);
            SkPaint paint;
            SkMatrix matrix;
            matrix.reset ();
            paints[p].setup (paint, matrix);
            SkBlitter *blitter = SkBlitter::Choose (device, matrix, paint, nullptr, 0);
            ASSERT_NE (blitter, nullptr);
            SkScan::AntiFillPath (all[i].path, all[i].clip, blitter);
            delete blitter;
            h.add ((int64_t)pixel_hash (device));
            h.add ((int64_t)(pixel_hash (device) >> 32));
        }
        EXPECT_EQ (h.value (), kExpectedPixels[p]) << paints[p].name << ": 0x" << std::hex << h.value ();
    }
}

// --- random polygons against the run operations -------------------------------------------

// The accumulation written from SkAlphaRuns::add alone: one pixel row of runs, each span of a
// sub-row added where the last one ended, flushed when the next pixel row begins.
class RunsSuperBlitter : public SkBlitter {
public:
    RunsSuperBlitter (SkBlitter *real, int left, int width)
        : fReal (real), fLeft (left), fWidth (width), fRunStore (width + 1), fAlphaStore (width + 2)
    {
        fRuns.init (fRunStore.data (), fAlphaStore.data (), width);
    }
    void blitH (int x, int y, int width) override
    {
        x -= fLeft * 4;
        if (x < 0) {
            width += x;
            x = 0;
        }
        width = std::min (width, fWidth * 4 - x);
        if (width <= 0) return;
        if (y != fCurrY) {
            fOffsetX = 0;
            fCurrY = y;
        }
        if (y >> 2 != fCurrIY) {
            flush ();
            fCurrIY = y >> 2;
        }
        auto partial = [] (int aa) { return (unsigned)((aa << 4) - ((aa << 4) >> 5)); };
        int start = x, stop = x + width;
        int fb = start & 3, fe = stop & 3, n = (stop >> 2) - (start >> 2) - 1;
        if (n < 0) {
            fb = fe - fb;
            n = 0;
            fe = 0;
        } else if (fb == 0) {
            n += 1;
        } else {
            fb = 4 - fb;
        }
        fOffsetX = fRuns.add (x >> 2, partial (fb), n, partial (fe), 64 - (((y & 3) + 1) >> 2), fOffsetX);
    }
    void flush ()
    {
        if (fCurrIY >= 0 && !fRuns.empty ()) {
            fReal->blitAntiH (fLeft, fCurrIY, fRuns.fAlpha, fRuns.fRuns);
            fRuns.reset ();
            fOffsetX = 0;
        }
        fCurrIY = -1;
    }

private:
    SkBlitter *fReal;
    int fLeft, fWidth, fCurrIY = -1, fCurrY = -1, fOffsetX = 0;
    std::vector<int16_t> fRunStore;
    std::vector<uint8_t> fAlphaStore;
    SkAlphaRuns fRuns;
};

TEST (ScanAntiPathExact, RandomPolygonsMatchTheRunAccumulation)
{
    // Paths wider than the mask accumulation takes, inside the clip, so that the fill is the
    // run accumulation alone.
    const SkRegion clip (SkIRect::MakeWH (400, 300));
    std::mt19937 rng (40);
    for (int i = 0; i < 300; i++) {
        int vertices = 3 + (int)(rng () % 60);
        float w = 40 + (float)(rng () % 350), h = 1 + (float)(rng () % 290);
        SkPath path = random_polygon (rng (), vertices, 2.5f, 2.5f, 2.5f + w, 2.5f + h);
        if (rng () & 1) path.setFillType (SkPath::kEvenOdd_FillType);
        SkIRect ir;
        path.getBounds ().roundOut (&ir);
        if (ir.width () <= 32) continue;
        CallHashBlitter ours, reference;
        SkScan::AntiFillPath (path, clip, &ours);
        RunsSuperBlitter runs (&reference, ir.fLeft, ir.width ());
        sk_fill_path (path, nullptr, &runs, ir.fTop, ir.fBottom, 2, clip);
        runs.flush ();
        EXPECT_GT (ours.antiCalls, 0);
        ASSERT_EQ (ours.value (), reference.value ()) << "polygon " << i;
    }
}

} // namespace
