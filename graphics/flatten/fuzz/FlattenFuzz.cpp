// Flattened effects read back from any bytes. The first byte chooses how factories are
// written: 0 indices into a fixed factory array (a factory set), 1 inline names, 2
// procedure addresses. The array is: colour shader, transfer mode, filter shader, colour
// filter, empty shader, then the other transfer-mode readers. What reads back is drawn with
// and written out again.
#include <cstddef>
#include <cstdint>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/effects/tests/SkInvertFilter.h"
#include "graphics/paint/SkPaint.h"

namespace {

SkFlattenable::Factory gFactories[] = {
    SkColorShader::CreateProc, SkProcCoeffXfermode::CreateProc, SkFilterShader::CreateProc,
    InvertFilter::CreateProc, SkEmptyShader::CreateProc, SkClearXfermode::CreateProc,
    SkSrcXfermode::CreateProc, SkDstInXfermode::CreateProc, SkDstOutXfermode::CreateProc,
    SkProcXfermode::CreateProc,
};

void register_once ()
{
    static bool done = false;
    if (done) return;
    done = true;
    SkFlattenable::Register ("InvertFilter", InvertFilter::CreateProc);
    SkFlattenable::RememberFactory (SkColorShader::CreateProc);
    SkFlattenable::RememberFactory (SkFilterShader::CreateProc);
    SkFlattenable::RememberFactory (SkEmptyShader::CreateProc);
}

void draw_with (SkFlattenable *obj)
{
    if (obj->getFlattenableType () != SkFlattenable::kShader_Type) return;
    SkShader *shader = (SkShader *)obj;
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, 8, 1);
    SkPaint paint;
    if (!shader->setContext (device, paint, SkMatrix::I ())) return;
    SkPMColor span[8];
    uint8_t alpha[8];
    shader->beginSession ();
    shader->shadeSpan (0, 0, span, 8);
    shader->shadeSpanAlpha (0, 0, alpha, 8);
    shader->endSession ();
    (void)shader->getFlags ();
}

void write_again (SkFlattenable *obj)
{
    SkFlattenableWriteBuffer writer;
    SkFactorySet *set = new SkFactorySet;
    writer.setFactoryRecorder (set);
    set->unref ();
    writer.setFlags (SkFlattenableWriteBuffer::kInlineFactoryNames_Flag);
    writer.writeFlattenable (obj);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    register_once ();
    SkFlattenableReadBuffer reader (data + 1, size - 1);
    SkTDArray<SkFlattenable::Factory> list;
    if (data[0] % 3 == 0) {
        reader.setFactoryArray (gFactories, (int)(sizeof (gFactories) / sizeof (gFactories[0])));
    } else if (data[0] % 3 == 1) {
        reader.setFactoryList (&list);
    }
    for (int i = 0; i < 32 && !reader.eof () && !reader.failed (); i++) {
        SkFlattenable *obj = reader.readFlattenable ();
        if (obj == nullptr) continue;
        draw_with (obj);
        write_again (obj);
        obj->unref ();
    }
    return 0;
}
