// Drawing arbitrary shapes through a small canvas: the bytes are a list of commands (path
// segments with any float values, huge and non-finite ones included, paint settings, clips,
// save levels and layers, matrices, draws). Nothing may crash, hang or leak.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "graphics/canvas/SkCanvas.h"

namespace {

class Reader {
public:
    Reader (const uint8_t *data, size_t size) : fData (data), fSize (size) {}
    bool done () const { return fSize == 0; }
    uint8_t byte ()
    {
        if (fSize == 0) return 0;
        fSize--;
        return *fData++;
    }
    float scalar ()
    {
        uint32_t bits = 0;
        for (int i = 0; i < 4; i++) bits = bits << 8 | byte ();
        float v;
        memcpy (&v, &bits, sizeof (v));
        return v;
    }
    SkPoint point ()
    {
        float x = scalar ();
        return SkPoint::Make (x, scalar ());
    }

private:
    const uint8_t *fData;
    size_t fSize;
};

void add_segment (Reader &in, SkPath *path)
{
    switch (in.byte () % 5) {
    case 0: path->moveTo (in.point ()); break;
    case 1: path->lineTo (in.point ()); break;
    case 2: { SkPoint a = in.point (); path->quadTo (a, in.point ()); break; }
    case 3: { SkPoint a = in.point (), b = in.point (); path->cubicTo (a, b, in.point ()); break; }
    default: path->close (); break;
    }
}

void set_paint (Reader &in, SkPaint *paint)
{
    uint8_t b = in.byte ();
    paint->setAntiAlias (b & 1);
    paint->setStyle ((SkPaint::Style)((b >> 1) % 3));
    paint->setStrokeCap ((SkPaint::Cap)((b >> 3) % 3));
    paint->setStrokeJoin ((SkPaint::Join)((b >> 5) % 3));
    paint->setStrokeWidth (in.scalar ());
    paint->setStrokeMiter (in.scalar ());
    paint->setColor (0xFF000000u | in.byte ());
}

void run_command (Reader &in, SkCanvas &canvas, SkPath *path, SkPaint *paint)
{
    SkRegion::Op op = (SkRegion::Op)(in.byte () % 6);
    switch (in.byte () % 12) {
    case 0: add_segment (in, path); break;
    case 1: path->setFillType ((SkPath::FillType)(in.byte () & 3)); break;
    case 2: set_paint (in, paint); break;
    case 3: canvas.drawPath (*path, *paint); break;
    case 4: { SkPoint a = in.point (), b = in.point (); canvas.drawRect (SkRect::MakeLTRB (a.fX, a.fY, b.fX, b.fY), *paint); break; }
    case 5: canvas.clipPath (*path, op); break;
    case 6: { SkPoint a = in.point (), b = in.point (); canvas.clipRect (SkRect::MakeLTRB (a.fX, a.fY, b.fX, b.fY), op); break; }
    case 7: canvas.save (); break;
    case 8: { SkRect r = path->getBounds (); canvas.saveLayerAlpha (&r, in.byte ()); break; }
    case 9: canvas.restore (); break;
    case 10: { SkPoint a = in.point (); SkMatrix m; m.setAll (a.fX, in.scalar (), in.scalar (), in.scalar (), a.fY, in.scalar (), 0, 0, 1); canvas.concat (m); break; }
    default: { SkPoint pts[3] = { in.point (), in.point (), in.point () }; canvas.drawPoints ((SkCanvas::PointMode)(in.byte () % 3), 3, pts, *paint); break; }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, 64, 64);
    if (!bitmap.allocPixels ()) return 0;
    SkCanvas canvas (bitmap);
    SkPath path;
    SkPaint paint;
    Reader in (data, size);
    for (int n = 0; n < 64 && !in.done (); n++) {
        run_command (in, canvas, &path, &paint);
    }
    return 0;
}
