// Drawing arbitrary shapes through a small canvas: the bytes are a list of commands (path
// segments with any float values, huge and non-finite ones included, paint settings, clips,
// save levels and layers, matrices, draws, and bitmaps under any matrix, perspective
// included). Nothing may crash, hang or leak.
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

// A 32-bit picture and an 8-bit alpha one, each 5 × 3.
struct Pictures {
    SkBitmap color, alpha;
    bool make ()
    {
        color.setConfig (SkBitmap::kARGB_8888_Config, 5, 3);
        alpha.setConfig (SkBitmap::kA8_Config, 5, 3);
        if (!color.allocPixels () || !alpha.allocPixels ()) return false;
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 5; x++) {
                *color.getAddr32 (x, y) = 0xFF000000u | (uint32_t)(x * 50) << 16 | (uint32_t)(y * 100);
                *alpha.getAddr8 (x, y) = (uint8_t)(x * 60);
            }
        return true;
    }
};

void draw_picture (Reader &in, SkCanvas &canvas, const Pictures &pictures, SkPaint *paint)
{
    uint8_t b = in.byte ();
    const SkBitmap &bitmap = (b & 1) ? pictures.alpha : pictures.color;
    paint->setFilterBitmap (b & 2);
    float v[9];
    for (float &f : v) f = in.scalar ();
    SkMatrix m;
    m.setAll (v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
    switch ((b >> 2) % 4) {
    case 0: canvas.drawBitmapMatrix (bitmap, m, paint); break;
    case 1: canvas.drawSprite (bitmap, (int)(int8_t)in.byte (), (int)(int8_t)in.byte (), paint); break;
    case 2: { SkIRect src = SkIRect::MakeLTRB (-1, 0, 4, 2); canvas.drawBitmapRect (bitmap, &src, SkRect::MakeLTRB (v[0], v[1], v[2], v[3]), paint); break; }
    default: canvas.drawBitmapNine (bitmap, SkIRect::MakeLTRB (1, 1, 3, 2), SkRect::MakeLTRB (v[0], v[1], v[2], v[3]), paint); break;
    }
}

void run_command (Reader &in, SkCanvas &canvas, const Pictures &pictures, SkPath *path, SkPaint *paint)
{
    SkRegion::Op op = (SkRegion::Op)(in.byte () % 6);
    switch (in.byte () % 13) {
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
    case 12: draw_picture (in, canvas, pictures, paint); break;
    default: { SkPoint pts[3] = { in.point (), in.point (), in.point () }; canvas.drawPoints ((SkCanvas::PointMode)(in.byte () % 3), 3, pts, *paint); break; }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, 64, 64);
    if (!bitmap.allocPixels ()) return 0;
    Pictures pictures;
    if (!pictures.make ()) return 0;
    SkCanvas canvas (bitmap);
    SkPath path;
    SkPaint paint;
    Reader in (data, size);
    for (int n = 0; n < 64 && !in.done (); n++) {
        run_command (in, canvas, pictures, &path, &paint);
    }
    return 0;
}
