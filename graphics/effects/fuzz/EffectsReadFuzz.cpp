// The readers of the shader and filter kinds from any bytes. The first byte chooses the
// reader: 0 bitmap shader, 1 linear, 2 radial, 3 sweep, 4 two-point radial gradient. What
// reads back is drawn under a few matrices and written out again.
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/paint/SkPaint.h"

namespace {

const SkFlattenable::Factory kReaders[] = {
    SkBitmapProcShader::CreateProc, SkLinearGradient::CreateProc, SkRadialGradient::CreateProc,
    SkSweepGradient::CreateProc, SkTwoPointRadialGradient::CreateProc,
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    SkFlattenableReadBuffer reader (data + 1, size - 1);
    SkFlattenable *obj = kReaders[data[0] % kReaderCount] (reader);
    if (obj == nullptr) return 0;
    draw_with ((SkShader *)obj, data[0] / kReaderCount);
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    obj->flatten (writer);
    obj->unref ();
    return 0;
}
