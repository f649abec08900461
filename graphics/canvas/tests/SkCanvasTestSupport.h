// Canvas tests: bitmaps to draw into, pixel checks with guard areas, and a device that
// records the calls it gets.
#ifndef GRAPHICS_CANVAS_TESTS_SKCANVASTESTSUPPORT_H_
#define GRAPHICS_CANVAS_TESTS_SKCANVASTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/canvas/SkBounder.h"
#include "graphics/canvas/SkCanvas.h"

namespace canvas_test {

// A zeroed 32-bit bitmap of w x h filled with color.
inline void make_bitmap (SkBitmap *bitmap, int w, int h, uint32_t color = 0)
{
    bitmap->setConfig (SkBitmap::kARGB_8888_Config, w, h);
    ASSERT_TRUE (bitmap->allocPixels ());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) *bitmap->getAddr32 (x, y) = color;
}

inline uint32_t pixel (const SkBitmap &bitmap, int x, int y) { return *bitmap.getAddr32 (x, y); }

// The number of pixels outside allowed whose value is not background.
inline int count_changed_outside (const SkBitmap &bitmap, const SkRegion &allowed, uint32_t background)
{
    int n = 0;
    for (int y = 0; y < bitmap.height (); y++)
        for (int x = 0; x < bitmap.width (); x++)
            if (!allowed.contains (x, y) && pixel (bitmap, x, y) != background) n++;
    return n;
}

inline int count_color (const SkBitmap &bitmap, uint32_t color)
{
    int n = 0;
    for (int y = 0; y < bitmap.height (); y++)
        for (int x = 0; x < bitmap.width (); x++) n += pixel (bitmap, x, y) == color;
    return n;
}

// Answers fAnswer to every rectangle and records what it was asked; counts commits.
class CountingBounder : public SkBounder {
public:
    void commit () override { fCommits++; }
    int fCommits = 0;
    bool fAnswer = true;
    std::vector<SkIRect> fAsked;

protected:
    bool onIRect (const SkIRect &clipped, const SkIRect &) override
    {
        fAsked.push_back (clipped);
        return fAnswer;
    }
};

// Records each call as a line of text, then draws as the base device does.
class RecordingDevice : public SkDevice {
public:
    explicit RecordingDevice (const SkBitmap &bitmap) : SkDevice (bitmap) {}

    void drawPaint (const SkDraw &draw, const SkPaint &paint) override
    {
        fCalls.push_back ("paint");
        SkDevice::drawPaint (draw, paint);
    }
    void drawPoints (const SkDraw &draw, SkDraw::PointMode mode, size_t count, const SkPoint pts[],
                     const SkPaint &paint) override
    {
        fCalls.push_back ("points");
        SkDevice::drawPoints (draw, mode, count, pts, paint);
    }
    void drawRect (const SkDraw &draw, const SkRect &rect, const SkPaint &paint) override
    {
        fCalls.push_back ("rect");
        SkDevice::drawRect (draw, rect, paint);
    }
    void drawPath (const SkDraw &draw, const SkPath &path, const SkPaint &paint, const SkMatrix *pre,
                   bool isMutable) override
    {
        fCalls.push_back ("path");
        SkDevice::drawPath (draw, path, paint, pre, isMutable);
    }
    void drawBitmap (const SkDraw &draw, const SkBitmap &bitmap, const SkIRect *src, const SkMatrix &matrix,
                     const SkPaint &paint) override
    {
        fCalls.push_back ("bitmap");
        SkRect r = SkRect::MakeWH ((SkScalar)(src ? src->width () : bitmap.width ()),
                                   (SkScalar)(src ? src->height () : bitmap.height ()));
        matrix.mapRect (&r);
        fBitmapDst.push_back (r);
        SkDevice::drawBitmap (draw, bitmap, src, matrix, paint);
    }
    void drawSprite (const SkDraw &draw, const SkBitmap &bitmap, int x, int y, const SkPaint &paint) override
    {
        fCalls.push_back ("sprite");
        SkDevice::drawSprite (draw, bitmap, x, y, paint);
    }

    void setMatrixClip (const SkMatrix &, const SkRegion &clip, const SkClipStack &) override { fLastClip = clip; }
    void gainFocus (SkCanvas *, const SkMatrix &, const SkRegion &, const SkClipStack &) override { fFocus++; }
    void onBroadcast (uint32_t value) override { fBroadcasts.push_back (value); }
    // Layers get recording devices too.
    SkDevice *createCompatibleDevice (SkBitmap::Config config, int width, int height, bool isOpaque) override
    {
        SkBitmap bitmap;
        bitmap.setConfig (config, width, height);
        if (!bitmap.allocPixels ()) return nullptr;
        bitmap.setIsOpaque (isOpaque);
        RecordingDevice *device = new RecordingDevice (bitmap);
        fLayers.push_back (device);
        return device;
    }

    std::vector<std::string> fCalls;
    std::vector<SkRect> fBitmapDst;
    SkRegion fLastClip;
    int fFocus = 0;
    std::vector<uint32_t> fBroadcasts;
    std::vector<RecordingDevice *> fLayers;      // not owned: valid while their layer is open
};

} // namespace canvas_test

#endif
