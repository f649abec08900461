// The bitmap shader: what CreateBitmapShader makes of each bitmap, the flags a context
// reports, the dump string, and flattening.
#include <gtest/gtest.h>

#include "graphics/bitmap/SkColorTable.h"
#include "graphics/core/SkString.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/tests/ShaderTestSupport.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

SkColor color_of (SkShader *shader)
{
    SkColor color = 0;
    SkShader::GradientInfo info = {};
    info.fColorCount = 1;
    info.fColors = &color;
    EXPECT_EQ (SkShader::kColor_GradientType, shader->asAGradient (&info));
    return color;
}

} // namespace

TEST (SkBitmapShaderFactory, TranslucentOnePixelBitmapBecomesItsUnpremultipliedColour)
{
    uint32_t pixel = 0x80402010;
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 1, 1);
    bm.setPixels (&pixel);
    SkAutoTUnref<SkShader> shader (SkShader::CreateBitmapShader (bm));
    ASSERT_NE (nullptr, shader.get ());
    EXPECT_EQ (0x80804020u, color_of (shader.get ()));
    EXPECT_EQ (SkShader::kNone_BitmapType, shader->asABitmap (nullptr, nullptr, nullptr, nullptr));
}

TEST (SkBitmapShaderFactory, OnePixel565AndIndexedBitmapsBecomeColours)
{
    uint16_t p565 = (0x1F << 11) | (0x20 << 5) | 0x01;
    SkBitmap bm;
    bm.setConfig (SkBitmap::kRGB_565_Config, 1, 1);
    bm.setPixels (&p565);
    SkAutoTUnref<SkShader> from565 (SkShader::CreateBitmapShader (bm));
    EXPECT_EQ (0xFFFF8208u, color_of (from565.get ()));

    uint8_t index = 1;
    SkPMColor colors[] = { 0, 0x40200000 };
    SkAutoTUnref<SkColorTable> table (SkColorTable::Create (colors, 2));
    bm.setConfig (SkBitmap::kIndex8_Config, 1, 1);
    bm.setPixels (&index, table.get ());
    SkAutoTUnref<SkShader> indexed (SkShader::CreateBitmapShader (bm));
    EXPECT_EQ (0x40800000u, color_of (indexed.get ()));

    // Without its table the index is no colour: the bitmap shader takes it, and draws nothing.
    bm.setPixels (&index, nullptr);
    SkAutoTUnref<SkShader> untabled (SkShader::CreateBitmapShader (bm));
    EXPECT_EQ (SkShader::kDefault_BitmapType, untabled->asABitmap (nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE (untabled->setContext (shader_device (), SkPaint (), SkMatrix::I ()));
}

TEST (SkBitmapShaderFactory, TallerBitmapBecomesABitmapShader)
{
    TestBitmap src (1, 2, coded_pixel);
    SkAutoTUnref<SkShader> shader (SkShader::CreateBitmapShader (src.bitmap));
    SkBitmap texture;
    SkMatrix matrix;
    matrix.setScale (3, 3);
    SkShader::TileMode modes[2] = { SkShader::kMirror_TileMode, SkShader::kMirror_TileMode };
    EXPECT_EQ (SkShader::kDefault_BitmapType, shader->asABitmap (&texture, &matrix, modes, nullptr));
    EXPECT_EQ (src.pixels.data (), texture.getPixels ());
    EXPECT_TRUE (matrix.isIdentity ());
    EXPECT_EQ (SkShader::kClamp_TileMode, modes[0]);
    EXPECT_EQ (SkShader::kClamp_TileMode, modes[1]);
    std::vector<uint32_t> row = shade_row (*shader.get (), SkMatrix::I (), SkPaint (), 0, 1, 2);
    EXPECT_EQ (coded_pixel (0, 1), row[1]);
}

TEST (SkBitmapShaderFactory, EmptyBitmapDrawsNothing)
{
    SkBitmap empty;
    SkAutoTUnref<SkShader> shader (SkShader::CreateBitmapShader (empty));
    ASSERT_NE (nullptr, shader.get ());
    EXPECT_FALSE (shader->setContext (shader_device (), SkPaint (), SkMatrix::I ()));
    EXPECT_EQ (SkShader::kNone_BitmapType, shader->asABitmap (nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ (SkShader::kNone_GradientType, shader->asAGradient (nullptr));
}

TEST (SkBitmapProcShader, ContextNeedsPixelsAnd8888AndAnInvertibleMatrix)
{
    SkBitmap noPixels;
    noPixels.setConfig (SkBitmap::kARGB_8888_Config, 4, 4);
    SkBitmapProcShader a (noPixels, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    EXPECT_FALSE (a.setContext (shader_device (), SkPaint (), SkMatrix::I ()));

    std::vector<uint8_t> alpha (16, 0x80);
    SkBitmap a8;
    a8.setConfig (SkBitmap::kA8_Config, 4, 4);
    a8.setPixels (alpha.data ());
    SkBitmapProcShader b (a8, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    EXPECT_FALSE (b.setContext (shader_device (), SkPaint (), SkMatrix::I ()));

    TestBitmap src (4, 4, coded_pixel);
    SkBitmapProcShader c (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkMatrix singular;
    singular.setScale (0, 2);
    EXPECT_FALSE (c.setContext (shader_device (), SkPaint (), singular));
    EXPECT_TRUE (c.setContext (shader_device (), SkPaint (), SkMatrix::I ()));
}

TEST (SkBitmapProcShader, FlagsFollowOpacityAlphaDitherAndHeight)
{
    TestBitmap src (4, 4, coded_pixel);
    src.bitmap.setIsOpaque (true);
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkPaint paint;
    ASSERT_TRUE (shader.setContext (shader_device (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x03u, shader.getFlags ());
    paint.setDither (true);
    ASSERT_TRUE (shader.setContext (shader_device (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x01u, shader.getFlags ());
    paint.setDither (false);
    paint.setAlpha (128);
    ASSERT_TRUE (shader.setContext (shader_device (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x02u, shader.getFlags ());
    src.bitmap.setIsOpaque (false);
    SkBitmapProcShader translucent (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    ASSERT_TRUE (translucent.setContext (shader_device (), SkPaint (), SkMatrix::I ()));
    EXPECT_EQ (0x00u, translucent.getFlags ());

    TestBitmap strip (8, 1, coded_pixel);
    strip.bitmap.setIsOpaque (true);
    SkBitmapProcShader stripShader (strip.bitmap, SkShader::kRepeat_TileMode, SkShader::kClamp_TileMode);
    SkMatrix m;
    m.setScale (2, 5);
    ASSERT_TRUE (stripShader.setContext (shader_device (), SkPaint (), m));
    EXPECT_EQ (0x1Bu, stripShader.getFlags ());
    m.setRotate (10);
    ASSERT_TRUE (stripShader.setContext (shader_device (), SkPaint (), m));
    EXPECT_EQ (0x03u, stripShader.getFlags ());
}

TEST (SkBitmapProcShader, DumpStringNamesTheTileModes)
{
    TestBitmap src (2, 2, coded_pixel);
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kMirror_TileMode);
    SkString str;
    EXPECT_TRUE (shader.toDumpString (&str));
    EXPECT_STREQ (" [clamp mirror]]", str.c_str ());
    SkMatrix m;
    m.setTranslate (1, 0);
    shader.setLocalMatrix (m);
    SkString withMatrix;
    shader.toDumpString (&withMatrix);
    EXPECT_STREQ ("  [clamp mirror]]", withMatrix.c_str ());
}

TEST (SkBitmapProcShader, FlattenedShaderDrawsTheSame)
{
    TestBitmap src (3, 2, coded_pixel);
    SkBitmapProcShader shader (src.bitmap, SkShader::kMirror_TileMode, SkShader::kRepeat_TileMode);
    SkMatrix local;
    local.setScale (2, 2);
    shader.setLocalMatrix (local);
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);     // the pixels travel
    shader.flatten (writer);
    std::vector<uint32_t> words = words_of (writer);
    EXPECT_EQ (1u, words[0]);
    EXPECT_EQ ((uint32_t)SkShader::kRepeat_TileMode, words.back ());
    EXPECT_EQ ((uint32_t)SkShader::kMirror_TileMode, words[words.size () - 2]);

    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    SkAutoTUnref<SkFlattenable> back (SkBitmapProcShader::CreateProc (reader));
    ASSERT_NE (nullptr, back.get ());
    std::vector<uint32_t> want = shade_row (shader, SkMatrix::I (), SkPaint (), -5, 3, 16);
    std::vector<uint32_t> got = shade_row (*(SkShader *)back.get (), SkMatrix::I (), SkPaint (), -5, 3, 16);
    EXPECT_EQ (want, got);

    // A tile mode that does not exist is refused.
    words.back () = 3;
    SkFlattenableReadBuffer bad (words.data (), words.size () * 4);
    EXPECT_EQ (nullptr, SkBitmapProcShader::CreateProc (bad));
    // So is short data.
    SkFlattenableReadBuffer shortData (words.data (), (words.size () - 1) * 4);
    EXPECT_EQ (nullptr, SkBitmapProcShader::CreateProc (shortData));
}
