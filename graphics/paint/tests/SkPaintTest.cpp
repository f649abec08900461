// The paint as a value: defaults and the packed word, reference counts through setters, copy
// and assignment (self-assignment included), and the transfer-mode setters.
#include <gtest/gtest.h>

#include "graphics/effects/SkColorFilter.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/paint/SkPaintEffects.h"
#include "graphics/path/SkPath.h"

namespace {

int gLive = 0;

struct CountedFilter : SkColorFilter {
    CountedFilter () { gLive++; }
    ~CountedFilter () override { gLive--; }
    void filterSpan (const SkPMColor src[], int count, SkPMColor dst[]) override
    {
        for (int i = 0; i < count; i++) dst[i] = src[i];
    }
};

struct CountedLooper : SkDrawLooper {
    CountedLooper () { gLive++; }
    ~CountedLooper () override { gLive--; }
};

} // namespace

TEST (SkPaint, DefaultsAndPackedWord)
{
    SkPaint p;
    EXPECT_EQ (12.0f, p.getTextSize ());
    EXPECT_EQ (1.0f, p.getTextScaleX ());
    EXPECT_EQ (0.0f, p.getTextSkewX ());
    EXPECT_EQ (0xFF000000u, p.getColor ());
    EXPECT_EQ (0.0f, p.getStrokeWidth ());
    EXPECT_EQ (4.0f, p.getStrokeMiter ());
    EXPECT_EQ (0x01000000u, p.getBits ());
    EXPECT_EQ (SkPaint::kNormal_Hinting, p.getHinting ());
    EXPECT_EQ (nullptr, p.getShader ());
    EXPECT_EQ (nullptr, p.getXfermode ());

    p.setAntiAlias (true);
    p.setTextEncoding (SkPaint::kUTF16_TextEncoding);
    p.setStyle (SkPaint::kStrokeAndFill_Style);
    p.setStrokeJoin (SkPaint::kBevel_Join);
    p.setStrokeCap (SkPaint::kSquare_Cap);
    p.setTextAlign (SkPaint::kRight_Align);
    EXPECT_EQ (0x01000000u | 0x1u | (1u << 21) | (2u << 19) | (2u << 17) | (2u << 15) | (2u << 13), p.getBits ());
    p.setFlags (0xFFFFFFFF);
    EXPECT_EQ (0x1FFFu, p.getFlags ());
    EXPECT_EQ (SkPaint::kRight_Align, p.getTextAlign ());   // flags never spill into fields
    p.setAlpha (0x80);
    EXPECT_EQ (0x80000000u, p.getColor ());
}

TEST (SkPaint, EffectsAreReferencedBeforeTheOldOneIsReleased)
{
    {
        CountedFilter *f = new CountedFilter;
        SkPaint p;
        EXPECT_EQ (f, p.setColorFilter (f));
        EXPECT_EQ (2u, f->getRefCnt ());
        f->unref ();                        // the paint holds the only reference now
        EXPECT_EQ (f, p.setColorFilter (f)); // setting the same object keeps it alive
        EXPECT_EQ (1u, f->getRefCnt ());
        EXPECT_EQ (1, gLive);
        p.setColorFilter (nullptr);
        EXPECT_EQ (0, gLive);
    }
    EXPECT_EQ (0, gLive);
}

TEST (SkPaint, CopyAndAssignmentShareEffects)
{
    CountedFilter *f = new CountedFilter;
    CountedLooper *l = new CountedLooper;
    {
        SkPaint a;
        a.setColorFilter (f);
        a.setLooper (l);
        a.setColor (0x11223344);
        SkPaint b (a);
        EXPECT_EQ (3u, f->getRefCnt ());
        EXPECT_EQ (0x11223344u, b.getColor ());
        SkPaint c;
        c = a;
        EXPECT_EQ (4u, f->getRefCnt ());
        EXPECT_EQ (4u, l->getRefCnt ());
        c = c;                              // self-assignment keeps every effect alive
        EXPECT_EQ (4u, f->getRefCnt ());
        c = SkPaint ();
        EXPECT_EQ (3u, f->getRefCnt ());
        EXPECT_EQ (nullptr, c.getColorFilter ());
    }
    EXPECT_EQ (1u, f->getRefCnt ());
    f->unref ();
    l->unref ();
    EXPECT_EQ (0, gLive);
}

TEST (SkPaint, TransferModeSetters)
{
    SkPaint p;
    EXPECT_EQ (nullptr, p.setXfermodeMode (SkXfermode::kSrcOver_Mode));
    SkXfermode *m = p.setXfermodeMode (SkXfermode::kMultiply_Mode);
    ASSERT_NE (nullptr, m);
    SkXfermode::Mode mode;
    ASSERT_TRUE (m->asMode (&mode));
    EXPECT_EQ (SkXfermode::kMultiply_Mode, mode);
    EXPECT_EQ (1u, m->getRefCnt ());
    SkPaint copy (p);
    EXPECT_EQ (2u, m->getRefCnt ());
    EXPECT_EQ (nullptr, p.clearXfermode ());
    EXPECT_EQ (1u, m->getRefCnt ());
    EXPECT_EQ (m, copy.getXfermode ());
}

// --- what draws need of the paint ---------------------------------------------------------------

namespace {

// Doubles the stroke width and replaces the path by its first two points as a line.
class WideningEffect : public SkPathEffect {
public:
    bool filterPath (SkPath *dst, const SkPath &src, SkScalar *width) override
    {
        fSeenWidth = *width;
        dst->moveTo (src.getPoint (0));
        dst->lineTo (src.getPoint (1));
        *width = fNewWidth;
        return true;
    }
    SkScalar fSeenWidth = 0;
    SkScalar fNewWidth = 4;
};

SkPath line_path ()
{
    SkPath p;
    p.moveTo (0, 0);
    p.lineTo (10, 0);
    return p;
}

} // namespace

TEST (SkPaintFillPathTest, FillAndHairlineKeepThePathAndSayWhichTheyAre)
{
    SkPaint paint;
    SkPath dst;
    EXPECT_TRUE (paint.getFillPath (line_path (), &dst));
    EXPECT_EQ (dst.countPoints (), 2);
    paint.setStyle (SkPaint::kStroke_Style);
    EXPECT_FALSE (paint.getFillPath (line_path (), &dst));     // width 0: a hairline
    EXPECT_EQ (dst.countPoints (), 2);
    paint.setStyle (SkPaint::kStrokeAndFill_Style);
    EXPECT_TRUE (paint.getFillPath (line_path (), &dst));      // no stroke to add
    EXPECT_EQ (dst.countPoints (), 2);
}

TEST (SkPaintFillPathTest, PositiveWidthsAreStrokedWithThePaintsCapAndJoin)
{
    SkPaint paint;
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (2);
    paint.setStrokeCap (SkPaint::kSquare_Cap);
    SkPath dst = line_path ();
    EXPECT_TRUE (paint.getFillPath (dst, &dst));
    EXPECT_EQ (dst.getBounds (), SkRect::MakeLTRB (-1, -1, 11, 1));
    // Stroke and fill also holds the source.
    paint.setStyle (SkPaint::kStrokeAndFill_Style);
    SkPath both;
    paint.getFillPath (line_path (), &both);
    EXPECT_EQ (both.countPoints (), dst.countPoints () + 2);
    // An empty source is not stroked.
    SkPath empty, out;
    empty.moveTo (3, 3);
    paint.getFillPath (empty, &out);
    EXPECT_EQ (out.countVerbs (), 1);
}

TEST (SkPaintFillPathTest, PathEffectSeesAFillForStrokeAndFillAndMayChangeTheWidth)
{
    SkPaint paint;
    WideningEffect *effect = new WideningEffect;
    paint.setPathEffect (effect);
    effect->unref ();
    paint.setStyle (SkPaint::kStroke_Style);
    paint.setStrokeWidth (1);
    SkPath src = line_path (), dst;
    src.lineTo (10, 10);
    EXPECT_TRUE (paint.getFillPath (src, &dst));
    EXPECT_EQ (effect->fSeenWidth, 1);
    EXPECT_EQ (dst.getBounds (), SkRect::MakeLTRB (0, -2, 10, 2));     // the new width, 4
    paint.setStyle (SkPaint::kStrokeAndFill_Style);
    effect->fNewWidth = -1;       // left as a fill: the paint's own width strokes it
    EXPECT_TRUE (paint.getFillPath (src, &dst));
    EXPECT_EQ (effect->fSeenWidth, -1);
    EXPECT_EQ (dst.getBounds (), SkRect::MakeLTRB (0, -0.5f, 10, 0.5f));
}

TEST (SkPaintFillPathTest, FastBoundsGrowByWhatTheStrokeCanReach)
{
    SkPaint paint;
    SkRect r = SkRect::MakeLTRB (0, 0, 10, 10), storage;
    EXPECT_EQ (&paint.computeFastBounds (r, &storage), &r);
    paint.setStyle (SkPaint::kStroke_Style);
    EXPECT_EQ (paint.computeFastBounds (r, &storage), SkRect::MakeLTRB (-1, -1, 11, 11));     // hairline
    paint.setStrokeWidth (4);
    EXPECT_EQ (paint.computeFastBounds (r, &storage), SkRect::MakeLTRB (-8, -8, 18, 18));     // 2 x miter 4
    paint.setStrokeJoin (SkPaint::kRound_Join);
    EXPECT_EQ (paint.computeFastBounds (r, &storage), SkRect::MakeLTRB (-2, -2, 12, 12));
    // A square cap's corner lies sqrt(2) half-widths beyond the end.
    paint.setStrokeCap (SkPaint::kSquare_Cap);
    EXPECT_NEAR (paint.computeFastBounds (r, &storage).fLeft, -2 * 1.4142136f, 1e-5);
    EXPECT_TRUE (paint.canComputeFastBounds ());
    paint.setPathEffect (new WideningEffect);
    paint.getPathEffect ()->unref ();
    EXPECT_FALSE (paint.canComputeFastBounds ());
}
