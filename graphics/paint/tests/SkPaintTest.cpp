// The paint as a value: defaults and the packed word, reference counts through setters, copy
// and assignment (self-assignment included), and the transfer-mode setters.
#include <gtest/gtest.h>

#include "graphics/effects/SkColorFilter.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/paint/SkPaintEffects.h"

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
