// The readers of the shader and filter kinds from any bytes. The first byte chooses the
// reader: 0 bitmap shader, 1 linear, 2 radial, 3 sweep, 4 two-point radial gradient, 5 colour
// matrix, 6 blur. What reads back is used (shaders drawn under a few matrices, colours
// filtered, a mask blurred) and written out again.
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBlurMaskFilter.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/paint/SkPaint.h"

namespace {

const SkFlattenable::Factory kReaders[] = {
    SkBitmapProcShader::CreateProc, SkLinearGradient::CreateProc, SkRadialGradient::CreateProc,
    SkSweepGradient::CreateProc, SkTwoPointRadialGradient::CreateProc, SkColorMatrixFilter::CreateProc,
    SkBlurMaskFilter::CreateProc,
};
const int kReaderCount = (int)(sizeof (kReaders) / sizeof (kReaders[0]));

void draw_with (SkShader *shader, uint8_t variant)
{
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, 64, 4);
    SkPaint paint;
    paint.setFilterBitmap ((variant & 1) != 0);
    paint.setAlpha ((variant & 2) ? 0x80 : 0xFF);
    SkMatrix matrices[3];
    matrices[1].setRotate (30);
    matrices[1].preScale (3, 0.5f);
    matrices[2].setAll (1, 0.2f, 5, 0.1f, 2, -3, 0.001f, 0.002f, 1);
    for (const SkMatrix &m : matrices) {
        if (!shader->setContext (device, paint, m)) continue;
        SkPMColor span[300];
        shader->beginSession ();
        shader->shadeSpan (-20, 1, span, 300);
        shader->endSession ();
    }
}

void filter_with (SkColorMatrixFilter *filter)
{
    SkPMColor colors[4] = { 0, 0x80402010, 0xFFFFFFFF, 0x01010101 };
    uint16_t pixels[3] = { 0, 0xFFFF, 0x1234 };
    filter->filterSpan (colors, 4, colors);
    filter->filterSpan16 (pixels, 3, pixels);
    (void)filter->getFlags ();
}

void blur_with (SkMaskFilter *filter)
{
    uint8_t image[6 * 5];
    for (int i = 0; i < 30; i++) image[i] = (uint8_t)(i * 37);
    SkMask src;
    src.fImage = image;
    src.fBounds = SkIRect::MakeXYWH (-2, 3, 6, 5);
    src.fRowBytes = 6;
    src.fFormat = SkMask::kA8_Format;
    SkMatrix matrix;
    matrix.setScale (0.5f, 1.5f);
    SkMask dst;
    if (filter->filterMask (&dst, src, matrix, nullptr)) sk_free (dst.fImage);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    SkFlattenableReadBuffer reader (data + 1, size - 1);
    int kind = data[0] % kReaderCount;
    SkFlattenable *obj = kReaders[kind] (reader);
    if (obj == nullptr) return 0;
    if (kind == 5) {
        filter_with ((SkColorMatrixFilter *)obj);
    } else if (kind == 6) {
        blur_with ((SkMaskFilter *)obj);
    } else {
        draw_with ((SkShader *)obj, data[0] / kReaderCount);
    }
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    obj->flatten (writer);
    obj->unref ();
    return 0;
}
