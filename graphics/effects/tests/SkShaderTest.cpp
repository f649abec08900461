// The shader base (local matrix, context, matrix class), the empty and filter shaders, and
// flattening of the base, colour, empty and filter shaders.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/tests/SkInvertFilter.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"
#include "graphics/paint/SkPaint.h"

namespace {

std::vector<uint32_t> flatten_words (SkFlattenable *obj)
{
    SkFlattenableWriteBuffer writer;
    obj->flatten (writer);
    return words_of (writer);
}

SkBitmap device_8888 ()
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 4, 4);
    return bm;
}

} // namespace

TEST (SkShader, IdentityLocalMatrixIsDroppedAndNotFlattened)
{
    SkColorShader shader (0xFF102030);
    SkMatrix m;
    m.setTranslate (3, 4);
    shader.setLocalMatrix (m);
    SkMatrix got;
    EXPECT_TRUE (shader.getLocalMatrix (&got));
    EXPECT_EQ (3.0f, got.getTranslateX ());
    shader.setLocalMatrix (SkMatrix::I ());
    EXPECT_FALSE (shader.getLocalMatrix (&got));
    EXPECT_TRUE (got.isIdentity ());
    SkEmptyShader empty;
    empty.setLocalMatrix (SkMatrix::I ());
    EXPECT_EQ ((std::vector<uint32_t>{ 0 }), flatten_words (&empty));
}

TEST (SkShader, LocalMatrixReadsBackWithItsType)
{
    SkColorShader shader (0x80FF0000);
    SkMatrix m;
    m.setScale (2, 3);
    m.postTranslate (5, 6);
    shader.setLocalMatrix (m);
    std::vector<uint32_t> words = flatten_words (&shader);
    ASSERT_EQ (1u + 9u + 2u, words.size ());        // flag, nine values, inherit, colour
    EXPECT_EQ (1u, words[0]);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    SkFlattenable *back = SkColorShader::CreateProc (reader);
    ASSERT_NE (nullptr, back);
    SkMatrix got;
    ASSERT_TRUE (((SkShader *)back)->getLocalMatrix (&got));
    EXPECT_EQ (m, got);
    EXPECT_EQ (m.getType (), got.getType ());
    // The colour came back and draws.
    SkPaint paint;
    SkPMColor span[1];
    ASSERT_TRUE (((SkShader *)back)->setContext (device_8888 (), paint, SkMatrix::I ()));
    ((SkShader *)back)->shadeSpan (0, 0, span, 1);
    EXPECT_EQ (0x80800000u, span[0]);
    back->unref ();
}

TEST (SkShader, ContextNeedsAnInvertibleMatrix)
{
    SkColorShader shader (0xFFFFFFFF);
    SkPaint paint;
    SkMatrix singular;
    singular.setScale (0, 1);
    EXPECT_FALSE (shader.setContext (device_8888 (), paint, singular));
    SkMatrix persp;
    persp.reset ();
    persp.set (SkMatrix::kMPersp0, 0.5f);
    EXPECT_EQ (SkShader::kPerspective_MatrixClass, SkShader::ComputeMatrixClass (persp));
    persp.set (SkMatrix::kMPersp0, 1e-9f);
    persp.set (SkMatrix::kMPersp1, 0.5f);
    EXPECT_EQ (SkShader::kFixedStepInX_MatrixClass, SkShader::ComputeMatrixClass (persp));
    EXPECT_EQ (SkShader::kLinear_MatrixClass, SkShader::ComputeMatrixClass (singular));
    SkEmptyShader empty;
    EXPECT_FALSE (empty.setContext (device_8888 (), paint, SkMatrix::I ()));
}

TEST (SkShader, AlphaSpanComesInChunks)
{
    struct Ramp : SkShader {
        int fCalls = 0;
        void shadeSpan (int x, int, SkPMColor dst[], int count) override
        {
            fCalls++;
            for (int i = 0; i < count; i++) dst[i] = (uint32_t)(x + i) << 24;
        }
    } ramp;
    uint8_t alpha[50];
    ramp.shadeSpanAlpha (10, 0, alpha, 50);
    EXPECT_EQ (3, ramp.fCalls);                     // 24 + 24 + 2
    for (int i = 0; i < 50; i++) EXPECT_EQ (10 + i, alpha[i]);
}

TEST (SkFilterShader, FiltersSpansAndAdjustsFlags)
{
    SkColorShader *inner = new SkColorShader (0xFF102030);
    InvertFilter *filter = new InvertFilter (SkColorFilter::kAlphaUnchanged_Flag);
    SkFilterShader shader (inner, filter);
    SkPaint paint;
    ASSERT_TRUE (shader.setContext (device_8888 (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x09u, shader.getFlags ());          // 0x0B without the 16-bit flag
    filter->fFlags = 0;
    EXPECT_EQ (0x08u, shader.getFlags ());
    SkPMColor span[2];
    shader.shadeSpan (0, 0, span, 2);
    EXPECT_EQ (0xFFEFDFCFu, span[1]);

    SkFactorySet *set = new SkFactorySet;
    SkFlattenableWriteBuffer writer;
    writer.setFactoryRecorder (set);
    writer.writeFlattenable (&shader);
    std::vector<uint32_t> words = words_of (writer);
    std::vector<void *> factories (set->count ());
    set->copyToArray (factories.data ());
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    reader.setFactoryArray ((SkFlattenable::Factory *)factories.data (), set->count ());
    SkFlattenable *back = reader.readFlattenable ();
    ASSERT_NE (nullptr, back);
    ASSERT_TRUE (((SkShader *)back)->setContext (device_8888 (), paint, SkMatrix::I ()));
    ((SkShader *)back)->shadeSpan (0, 0, span, 1);
    EXPECT_EQ (0xFFEFDFCFu, span[0]);
    back->unref ();
    set->unref ();
    inner->unref ();
    filter->unref ();
}

// The base operations of the shader and colour-filter interfaces are plain functions, not
// pure ones: the base shader shades transparent pixels and the base filter passes colours on.
TEST (SkShader, BaseOperationsShadeTransparentAndPassColoursOn)
{
    struct BareShader : SkShader {} shader;
    SkPMColor span[3] = { 1, 2, 3 };
    shader.shadeSpan (0, 0, span, 3);
    EXPECT_EQ ((std::vector<uint32_t>{ 0, 0, 0 }), std::vector<uint32_t> (span, span + 3));
    struct BareFilter : SkColorFilter {} filter;
    SkPMColor src[2] = { 0x80402010, 0xFF000000 }, dst[2] = { 0, 0 };
    filter.filterSpan (src, 2, dst);
    EXPECT_EQ (0x80402010u, dst[0]);
    EXPECT_EQ (0xFF000000u, dst[1]);
    EXPECT_EQ (0u, filter.getFlags ());
}
