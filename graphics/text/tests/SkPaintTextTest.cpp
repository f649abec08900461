// The text side of the paint: the scaler record, the descriptor, measuring and metrics.
#include <gtest/gtest.h>

#include "TextTestSupport.h"
#include "graphics/paint/SkTypeface.h"
#include "graphics/text/SkGlyphCache.h"
#include "graphics/text/SkGlyphProcs.h"

namespace {

using TextTest::MakePaint;

SkScalerContext::Rec RecOf (const SkPaint &paint, const SkMatrix *matrix = nullptr)
{
    SkScalerContext::Rec rec;
    SkScalerContext::MakeRec (paint, matrix, &rec);
    return rec;
}

TEST (SkMakeRecTest, RecordIsFortyEightBytes)
{
    EXPECT_EQ (sizeof (SkScalerContext::Rec), 48u);
}

// Fake bold at size 20: frame width 20 × ((20 − 9)/27 × (1/32 − 1/24) + 1/24), the fill
// becoming stroke-and-fill, dark-text gamma and normal hinting.
TEST (SkMakeRecTest, FakeBoldFillBecomesAFrame)
{
    SkPaint paint = MakePaint (20);
    paint.setFlag (SkPaint::kFakeBoldText_Flag, true);
    SkScalerContext::Rec rec = RecOf (paint);
    EXPECT_NEAR (rec.fFrameWidth, 0.74845679, 1e-6);
    EXPECT_EQ (rec.fMiterLimit, 4);
    EXPECT_EQ (rec.fStrokeJoin, 0);
    EXPECT_EQ (rec.fMaskFormat, SkMask::kA8_Format);
    EXPECT_EQ (rec.fFlags, 0x25);
    EXPECT_EQ (rec.fFontID, SkTypeface::UniqueID (nullptr));
    EXPECT_EQ (rec.fOrigFontID, rec.fFontID);
}

TEST (SkMakeRecTest, GammaFlagsFollowLuminance)
{
    EXPECT_EQ (RecOf (MakePaint (12, 0xFF000000)).fFlags & 0x0C, 0x04);
    EXPECT_EQ (RecOf (MakePaint (12, 0xFF404040)).fFlags & 0x0C, 0x04);     // luminance 64
    EXPECT_EQ (RecOf (MakePaint (12, 0xFF414141)).fFlags & 0x0C, 0x00);
    EXPECT_EQ (RecOf (MakePaint (12, 0xFFC0C0C0)).fFlags & 0x0C, 0x08);     // luminance 192
    EXPECT_EQ (RecOf (MakePaint (12, 0xFF00FF00)).fFlags & 0x0C, 0x00);     // (5 × 255) >> 3 = 159
    SkPaint mono = MakePaint (12);
    mono.setAntiAlias (false);
    EXPECT_EQ (RecOf (mono).fMaskFormat, SkMask::kBW_Format);
    EXPECT_EQ (RecOf (mono).fFlags & 0x0C, 0);
}

TEST (SkMakeRecTest, HintingIsReducedAsTheTextAsks)
{
    SkPaint paint = MakePaint (12);
    EXPECT_EQ (RecOf (paint).getHinting (), 2u);
    paint.setHinting (SkPaint::kFull_Hinting);
    EXPECT_EQ (RecOf (paint).getHinting (), 2u);
    paint.setFlag (SkPaint::kSubpixelText_Flag, true);
    EXPECT_EQ (RecOf (paint).getHinting (), 1u);
    EXPECT_EQ (RecOf (paint).fFlags & 0x100, 0x100);
    paint.setFlag (SkPaint::kLinearText_Flag, true);
    EXPECT_EQ (RecOf (paint).getHinting (), 0u);
    SkPaint skewed = MakePaint (12);
    skewed.setTextSkewX (-0.25f);
    EXPECT_EQ (RecOf (skewed).getHinting (), 0u);
    SkMatrix rotate;
    rotate.setRotate (30);
    EXPECT_EQ (RecOf (MakePaint (12), &rotate).getHinting (), 0u);
    rotate.setRotate (90);
    EXPECT_EQ (RecOf (MakePaint (12), &rotate).getHinting (), 2u);
}

// LCD text is asked for but not supported: 8-bit glyphs.
TEST (SkMakeRecTest, LcdTextFallsBackToAlpha)
{
    SkPaint paint = MakePaint (12);
    paint.setFlag (SkPaint::kLCDRenderText_Flag, true);
    EXPECT_EQ (RecOf (paint).fMaskFormat, SkMask::kA8_Format);
    paint.setFlag (SkPaint::kEmbeddedBitmapText_Flag | SkPaint::kAutoHinting_Flag | SkPaint::kDevKernText_Flag, true);
    EXPECT_EQ (RecOf (paint).fFlags & 0x242, 0x242);
}

TEST (SkMakeRecTest, MatrixIsRoundedToA1024th)
{
    SkMatrix m;
    m.setAll (1.0004f, 0.0006f, 5, 0, 2, 7, 0, 0, 1);
    SkScalerContext::Rec rec = RecOf (MakePaint (12), &m);
    EXPECT_EQ (rec.fPost2x2[0][0], 1.0f);
    EXPECT_EQ (rec.fPost2x2[0][1], 1.0f / 1024);
    EXPECT_EQ (rec.fPost2x2[1][1], 2.0f);
    SkPaint stroke = MakePaint (12);
    stroke.setStyle (SkPaint::kStroke_Style);
    stroke.setStrokeWidth (2);
    stroke.setStrokeJoin (SkPaint::kRound_Join);
    rec = RecOf (stroke);
    EXPECT_EQ (rec.fFrameWidth, 2);
    EXPECT_EQ (rec.fStrokeJoin, 1);
    EXPECT_EQ (rec.fFlags & 1, 0);
}

// One record: 12 + 8 + 48 bytes; the checksum rotates and xors every word after it.
TEST (SkDescriptorTest, RecordOnlyDescriptorAndItsChecksum)
{
    struct Capture {
        uint32_t words[17];
        uint32_t length;
    } capture = {};
    MakePaint (12).descriptorProc (nullptr, [] (const SkDescriptor *desc, void *context) {
        Capture *c = (Capture *)context;
        c->length = desc->getLength ();
        memcpy (c->words, desc, std::min<size_t> (desc->getLength (), sizeof c->words));
    }, &capture);
    ASSERT_EQ (capture.length, 68u);
    EXPECT_EQ (capture.words[2], 1u);
    EXPECT_EQ (capture.words[3], SkSetFourByteTag ('s', 'r', 'e', 'c'));
    EXPECT_EQ (capture.words[4], 48u);
    uint32_t sum = 0;
    for (int i = 1; i < 17; i++) {
        sum = ((sum << 1) | (sum >> 31)) ^ capture.words[i];
    }
    EXPECT_EQ (capture.words[0], sum);
}

TEST (SkMeasureTextTest, EmptyTextMeasuresNothing)
{
    SkPaint paint = MakePaint (12);
    int count = 7;
    EXPECT_EQ (paint.measureText (u"", 0, &count), 0);
    EXPECT_EQ (count, 0);
}

// The width is the sum of the glyphs' advances.
TEST (SkMeasureTextTest, WidthIsTheSumOfAdvances)
{
    SkPaint paint = MakePaint (16);
    const char16_t text[] = u"Hello, world";
    int count = 0;
    SkScalar width = paint.measureText (text, sizeof text - 2, &count);
    EXPECT_EQ (count, 12);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    SkFixed sum = 0;
    for (int i = 0; i < 12; i++) {
        sum += cache.get ()->getUnicharMetrics (text[i]).fAdvanceX;
    }
    EXPECT_FLOAT_EQ (width, sum / 65536.0f);
    SkPaint utf8 = paint;
    utf8.setTextEncoding (SkPaint::kUTF8_TextEncoding);
    EXPECT_FLOAT_EQ (utf8.measureText ("Hello, world", 12), width);
}

// A surrogate pair is one glyph; a lone low surrogate is a glyph of its own value, and a
// high surrogate at the end reads nothing past it.
TEST (SkMeasureTextTest, SurrogatesCountAsTheirCodePoints)
{
    SkPaint paint = MakePaint (12);
    int count = 0;
    const char16_t pair[] = { 0xD835, 0xDC00, 'a' };
    paint.measureText (pair, sizeof pair, &count);
    EXPECT_EQ (count, 2);
    const char16_t low[] = { 0xDC00, 'a' };
    paint.measureText (low, sizeof low, &count);
    EXPECT_EQ (count, 2);
    const char16_t high[] = { 'a', 0xD835 };
    paint.measureText (high, sizeof high, &count);
    EXPECT_EQ (count, 2);
    const char odd[] = { 'a', 0, 'b' };
    paint.measureText (odd, sizeof odd, &count);
    EXPECT_EQ (count, 1);
}

// Device-kerned text adds the rounded side-bearing deltas between glyphs.
TEST (SkMeasureTextTest, DeviceKerningAddsRoundedDeltas)
{
    // The auto-hinter moves side bearings, so its glyphs carry deltas.
    SkPaint paint = MakePaint (13);
    paint.setFlag (SkPaint::kDevKernText_Flag | SkPaint::kAutoHinting_Flag, true);
    const char16_t text[] = u"AVAWAY";
    SkFixed sum = 0;
    bool anyDelta = false;
    {
        SkAutoGlyphCache cache (paint.detachCache (nullptr));
        int prevRsb = 0;
        for (int i = 0; i < 6; i++) {
            const SkGlyph &glyph = cache.get ()->getUnicharMetrics (text[i]);
            if (i > 0) {
                sum += ((glyph.fLsbDelta - prevRsb + 32) >> 6) << 16;
            }
            anyDelta |= glyph.fLsbDelta != 0 || glyph.fRsbDelta != 0;
            prevRsb = glyph.fRsbDelta;
            sum += glyph.fAdvanceX;
        }
    }
    EXPECT_TRUE (anyDelta);
    EXPECT_FLOAT_EQ (paint.measureText (text, 12), sum / 65536.0f);
}

// Linear text measures its metrics at size 64 and scales them back, size-dependent
// averages included; the paint is left as it was.
TEST (SkFontMetricsTest, LinearTextScalesFromSixtyFour)
{
    SkPaint paint = MakePaint (16);
    paint.setFlag (SkPaint::kLinearText_Flag, true);
    SkPaint::FontMetrics linear;
    SkScalar spacing = paint.getFontMetrics (&linear);
    EXPECT_EQ (paint.getTextSize (), 16);
    SkPaint big = MakePaint (64);
    big.setHinting (SkPaint::kNo_Hinting);
    SkPaint::FontMetrics at64;
    big.getFontMetrics (&at64);
    EXPECT_FLOAT_EQ (linear.fAscent, at64.fAscent / 4);
    EXPECT_FLOAT_EQ (linear.fDescent, at64.fDescent / 4);
    EXPECT_FLOAT_EQ (linear.fAvgCharWidth, at64.fAvgCharWidth / 4);
    EXPECT_FLOAT_EQ (linear.fXHeight, at64.fXHeight / 4);
    EXPECT_FLOAT_EQ (linear.fXMax, at64.fXMax);
    EXPECT_FLOAT_EQ (spacing, linear.fDescent - linear.fAscent + linear.fLeading);
    EXPECT_GT (paint.getFontMetrics (nullptr, 2), spacing * 1.9f);
}

// Fake-bold glyphs are drawn from their outlines with a frame: filled, and wider.
TEST (SkScalerContextTest, FakeBoldGlyphsAreFilledAndWider)
{
    SkPaint plain = MakePaint (24, 0xFF808080);
    SkPaint bold = plain;
    bold.setFlag (SkPaint::kFakeBoldText_Flag, true);
    SkAutoGlyphCache plainCache (plain.detachCache (nullptr));
    SkAutoGlyphCache boldCache (bold.detachCache (nullptr));
    const SkGlyph &p = plainCache.get ()->getUnicharMetrics ('l');
    const SkGlyph &b = boldCache.get ()->getUnicharMetrics ('l');
    ASSERT_NE (plainCache.get ()->findImage (p), nullptr);
    ASSERT_NE (boldCache.get ()->findImage (b), nullptr);
    EXPECT_GE (b.fWidth, p.fWidth);
    auto ink = [] (const SkGlyph &g) {
        int sum = 0;
        for (uint8_t v : TextTest::GlyphPixels (g)) {
            sum += v;
        }
        return sum;
    };
    EXPECT_GT (ink (b), ink (p));
    // The stem's middle row is solid across: filled, not a hollow outline.
    std::vector<uint8_t> pixels = TextTest::GlyphPixels (b);
    int row = b.fHeight / 2;
    int solid = 0;
    for (int x = 0; x < b.fWidth; x++) {
        solid += pixels[row * b.fWidth + x] == 255;
    }
    EXPECT_GE (solid, 1);
}

// Fake bold without anti-aliasing is drawn too (1-bit images from outlines).
TEST (SkScalerContextTest, FakeBoldMonoGlyphsHaveInk)
{
    SkPaint bold = MakePaint (24);
    bold.setAntiAlias (false);
    bold.setFlag (SkPaint::kFakeBoldText_Flag, true);
    SkAutoGlyphCache cache (bold.detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('H');
    ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
    EXPECT_EQ (glyph.fMaskFormat, SkMask::kBW_Format);
    int set = 0;
    for (uint8_t v : TextTest::GlyphPixels (glyph)) {
        set += v == 255;
    }
    EXPECT_GT (set, glyph.fHeight * 4);
}

} // namespace
