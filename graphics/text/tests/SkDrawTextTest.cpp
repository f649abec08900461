// Text drawn through the canvas: alignment, clipping (glyphs outside the clip are never
// rendered) and decorations.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TextTestSupport.h"
#include "graphics/canvas/SkCanvas.h"
#include "graphics/canvas/SkDevice.h"

namespace {

using TextTest::MakePaint;

const int kW = 200, kH = 64;

struct Frame {
    SkBitmap bitmap;
    SkCanvas *canvas;
    Frame ()
    {
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
        EXPECT_TRUE (bitmap.allocPixels ());
        memset (bitmap.getPixels (), 0, (size_t)kH * bitmap.rowBytes ());
        canvas = new SkCanvas (bitmap);
    }
    ~Frame () { canvas->unref (); }
    uint8_t alpha (int x, int y) const { return (uint8_t)(*bitmap.getAddr32 (x, y) >> 24); }
    std::vector<uint32_t> pixels () const { return std::vector<uint32_t> (bitmap.getAddr32 (0, 0), bitmap.getAddr32 (0, 0) + kW * kH); }
};

// Centred text starts half its width to the left of x, right-aligned text its whole width.
TEST (SkDrawTextTest, AlignmentMovesTheStartByTheMeasuredWidth)
{
    const char16_t text[] = u"Align me";
    SkPaint paint = MakePaint (16);
    SkScalar width = paint.measureText (text, sizeof text - 2);
    ASSERT_GT (width, 20);
    Frame left, centre, right;
    left.canvas->drawText (text, sizeof text - 2, 100 - width / 2, 40, paint);
    paint.setTextAlign (SkPaint::kCenter_Align);
    centre.canvas->drawText (text, sizeof text - 2, 100, 40, paint);
    EXPECT_EQ (centre.pixels (), left.pixels ());
    Frame leftForRight;
    paint.setTextAlign (SkPaint::kLeft_Align);
    leftForRight.canvas->drawText (text, sizeof text - 2, 150 - width, 40, paint);
    paint.setTextAlign (SkPaint::kRight_Align);
    right.canvas->drawText (text, sizeof text - 2, 150, 40, paint);
    EXPECT_EQ (right.pixels (), leftForRight.pixels ());
}

// Text draws only inside the clip, and a glyph wholly outside it never gets an image.
TEST (SkDrawTextTest, GlyphsOutsideTheClipAreNeverRendered)
{
    SkGlyphCache::PurgeAll ();
    Frame frame;
    frame.canvas->clipRect (SkRect::MakeLTRB (0, 0, 30, kH));
    SkPaint paint = MakePaint (20);
    const char16_t text[] = u"Qj        Z";
    frame.canvas->drawText (text, sizeof text - 2, 4, 40, paint);
    int inside = 0;
    for (int y = 0; y < kH; y++) {
        for (int x = 0; x < kW; x++) {
            if (x >= 30) {
                ASSERT_EQ (frame.alpha (x, y), 0) << x << "," << y;
            } else {
                inside += frame.alpha (x, y) != 0;
            }
        }
    }
    EXPECT_GT (inside, 20);
    SkAutoGlyphCache cache (paint.detachCache (&SkMatrix::I ()));
    EXPECT_NE (cache.get ()->getUnicharMetrics ('Q').fImage, nullptr);
    EXPECT_EQ (cache.get ()->getUnicharMetrics ('Z').fImage, nullptr);
}

// A clip of two separate rectangles: each gets its part of the glyphs, nothing between.
TEST (SkDrawTextTest, ComplexClipsTakeEachRectangle)
{
    Frame frame, whole;
    SkRegion clip;
    clip.setRect (0, 0, 40, kH);
    clip.op (SkIRect::MakeLTRB (60, 0, 120, kH), SkRegion::kUnion_Op);
    frame.canvas->clipRegion (clip);
    SkPaint paint = MakePaint (24);
    const char16_t text[] = u"MMMMMMMM";
    frame.canvas->drawText (text, sizeof text - 2, 2, 40, paint);
    whole.canvas->drawText (text, sizeof text - 2, 2, 40, paint);
    for (int y = 0; y < kH; y++) {
        for (int x = 0; x < kW; x++) {
            bool in = x < 40 || (x >= 60 && x < 120);
            ASSERT_EQ (frame.alpha (x, y), in ? whole.alpha (x, y) : 0) << x << "," << y;
        }
    }
}

// The underline is a bar textSize / 18 high starting textSize / 9 under the baseline, as wide
// as the text; the strike-through starts 2/7 of the size above it.
TEST (SkDrawTextTest, DecorationsAreBarsAtTheirPlaces)
{
    const char16_t text[] = u"a   b";     // the spaces leave the bars alone in the middle
    SkPaint paint = MakePaint (36, 0xFF000000);
    SkScalar width = paint.measureText (text, sizeof text - 2);
    Frame plain, underlined, struck;
    plain.canvas->drawText (text, sizeof text - 2, 10, 30, paint);
    paint.setFlag (SkPaint::kUnderlineText_Flag, true);
    underlined.canvas->drawText (text, sizeof text - 2, 10, 30, paint);
    paint.setFlag (SkPaint::kUnderlineText_Flag, false);
    paint.setFlag (SkPaint::kStrikeThruText_Flag, true);
    struck.canvas->drawText (text, sizeof text - 2, 10, 30, paint);
    int middle = (int)(10 + width / 2);
    // Underline from 30 + 4 = 34 to 36; strike-through from 30 - 10.29 = 19.71 to 21.71.
    for (int y = 0; y < kH; y++) {
        EXPECT_EQ (plain.alpha (middle, y), 0) << y;
        bool under = y >= 34 && y < 36;
        EXPECT_EQ (underlined.alpha (middle, y) != 0, under) << y;
    }
    // Anti-aliased: row 19 is covered 0.29, row 20 wholly, row 21 0.71.
    EXPECT_NEAR (struck.alpha (middle, 19), 73, 2);
    EXPECT_EQ (struck.alpha (middle, 20), 255);
    EXPECT_NEAR (struck.alpha (middle, 21), 182, 2);
    EXPECT_EQ (struck.alpha (middle, 22), 0);
    EXPECT_NE (underlined.alpha ((int)(10 + width) - 1, 34), 0);
    EXPECT_EQ (underlined.alpha ((int)(10 + width) + 2, 34), 0);
}

// Positioned text reaches the device with two values per glyph (pos) or one (xpos); the
// library's own device draws none of it.
class PosTextDevice : public SkDevice {
public:
    explicit PosTextDevice (const SkBitmap &bitmap) : SkDevice (bitmap) {}
    void drawPosText (const SkDraw &, const void *text, size_t length, const SkScalar pos[], SkScalar constY,
                      int scalarsPerPos, const SkPaint &) override
    {
        fCalls.push_back ({ text, length, pos, constY, scalarsPerPos });
    }
    struct Call {
        const void *text;
        size_t length;
        const SkScalar *pos;
        SkScalar constY;
        int scalarsPerPos;
    };
    std::vector<Call> fCalls;
};

TEST (SkDrawTextTest, PositionedTextGoesToTheDevice)
{
    Frame frame, blank;
    PosTextDevice *device = new PosTextDevice (frame.bitmap);
    SkCanvas *canvas = new SkCanvas (device);
    const char16_t text[] = u"ab";
    SkPoint pos[2] = { { 10, 20 }, { 30, 20 } };
    SkScalar xpos[2] = { 10, 30 };
    SkPaint paint = MakePaint (16);
    canvas->drawPosText (text, 4, pos, paint);
    canvas->drawPosTextH (text, 4, xpos, 25, paint);
    ASSERT_EQ (device->fCalls.size (), 2u);
    EXPECT_EQ (device->fCalls[0].scalarsPerPos, 2);
    EXPECT_EQ (device->fCalls[0].pos, &pos[0].fX);
    EXPECT_EQ (device->fCalls[1].scalarsPerPos, 1);
    EXPECT_EQ (device->fCalls[1].constY, 25);
    EXPECT_EQ (device->fCalls[1].length, 4u);
    canvas->unref ();
    device->unref ();
    SkCanvas *plain = new SkCanvas (frame.bitmap);
    plain->drawPosText (text, 4, pos, paint);
    plain->unref ();
    EXPECT_EQ (frame.pixels (), blank.pixels ());
}

// Lines longer than 16.16 reaches (32767 pixels) measure in full and draw what is in view.
TEST (SkDrawTextTest, LinesPastSixteenBitsMeasureAndDraw)
{
    std::u16string line (200, u'W');
    SkPaint paint = MakePaint (200, 0xFF808080);
    SkScalar one = paint.measureText (u"W", 2);
    EXPECT_FLOAT_EQ (paint.measureText (line.data (), line.size () * 2), one * 200);
    Frame frame;
    frame.canvas->drawText (line.data (), line.size () * 2, -30000, 60, paint);
    paint.setTextAlign (SkPaint::kRight_Align);
    frame.canvas->drawText (line.data (), line.size () * 2, 100, 60, paint);
    int inked = 0;
    for (int x = 0; x < kW; x++) {
        inked += frame.alpha (x, 40) != 0;
    }
    EXPECT_GT (inked, 0);
}

TEST (SkDrawTextTest, EmptyTextDrawsNothing)
{
    Frame frame, blank;
    SkPaint paint = MakePaint (16);
    paint.setFlag (SkPaint::kUnderlineText_Flag, true);
    frame.canvas->drawText (nullptr, 4, 10, 30, paint);
    frame.canvas->drawText (u"x", 0, 10, 30, paint);
    EXPECT_EQ (frame.pixels (), blank.pixels ());
}

} // namespace
