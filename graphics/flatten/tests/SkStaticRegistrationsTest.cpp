// What the library registers before main: names and readers, the room left in each
// registry (which is how many entries it holds), and the decoder and encoder chains.
#include "graphics/bitmap/SkPixelRef.h"
#include "graphics/codec/SkImageDecoder.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBlurMaskFilter.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/flatten/SkFlattenable.h"

#include <gtest/gtest.h>

namespace {

class StartupRegistrations : public ::testing::Test {
protected:
    void TearDown () override { SkRestoreStartupRegistrationsForTests (); }
};

SkFlattenable *Reader (SkFlattenableReadBuffer &) { return nullptr; }
SkPixelRef *PixelRefReader (SkFlattenableReadBuffer &) { return nullptr; }

TEST_F (StartupRegistrations, EveryReaderIsFoundByItsNameAndNamesItself)
{
    const struct {
        const char *name;
        SkFlattenable::Factory factory;
    } kExpected[] = {
        { "SkBitmapProcShader", SkBitmapProcShader::CreateProc },
        { "SkProcCoeffXfermode", SkProcCoeffXfermode::CreateProc },
        { "SkClearXfermode", SkClearXfermode::CreateProc },
        { "SkSrcXfermode", SkSrcXfermode::CreateProc },
        { "SkDstInXfermode", SkDstInXfermode::CreateProc },
        { "SkDstOutXfermode", SkDstOutXfermode::CreateProc },
        { "SkColorMatrixFilter", SkColorMatrixFilter::CreateProc },
        { "SkBlurMaskFilter", SkBlurMaskFilter::CreateProc },
        { "Linear_Gradient", SkLinearGradient::CreateProc },
        { "Radial_Gradient", SkRadialGradient::CreateProc },
        { "Sweep_Gradient", SkSweepGradient::CreateProc },
        { "Two_Point_Radial_Gradient", SkTwoPointRadialGradient::CreateProc },
    };
    for (const auto &entry : kExpected) {
        SCOPED_TRACE (entry.name);
        EXPECT_EQ (SkFlattenable::NameToFactory (entry.name), entry.factory);
        EXPECT_STREQ (SkFlattenable::FactoryToName (entry.factory), entry.name);
    }
    EXPECT_EQ (SkPixelRefRegistryFind ("SkMallocPixelRef", 16), (SkPixelRefFactory)SkMallocPixelRef::Create);
    // The colour and filter shaders are flattened by address only: no name.
    EXPECT_EQ (SkFlattenable::FactoryToName (SkColorShader::CreateProc), nullptr);
    EXPECT_EQ (SkFlattenable::FactoryToName (SkFilterShader::CreateProc), nullptr);
}

TEST_F (StartupRegistrations, TwelveFlattenablesAndOnePixelRef)
{
    int added = 0;
    while (SkFlattenable::Register ("extra", Reader)) {
        added++;
    }
    EXPECT_EQ (added, 64 - 12);
    added = 0;
    while (SkPixelRefRegistryRegister ("extra", PixelRefReader)) {
        added++;
    }
    EXPECT_EQ (added, 16 - 1);
}

TEST_F (StartupRegistrations, RestoringAfterATestEmptiedTheRegistriesGivesTheSameEntries)
{
    SkFlattenable::ResetRegistryForTests ();
    SkPixelRefRegistryResetForTests ();
    EXPECT_EQ (SkFlattenable::NameToFactory ("Radial_Gradient"), nullptr);
    SkRestoreStartupRegistrationsForTests ();
    EXPECT_EQ (SkFlattenable::NameToFactory ("Radial_Gradient"), (SkFlattenable::Factory)SkRadialGradient::CreateProc);
    int added = 0;
    while (SkFlattenable::Register ("extra", Reader)) {
        added++;
    }
    EXPECT_EQ (added, 64 - 12);
}

TEST (StartupChains, DecodersArePngThenBmpAndOneEncoderAnswersTypeOne)
{
    ASSERT_NE (gSkImageDecoderChain, nullptr);
    EXPECT_EQ (gSkImageDecoderChain->fFactory, SkPNGImageDecoderFactory);
    ASSERT_NE (gSkImageDecoderChain->fNext, nullptr);
    EXPECT_EQ (gSkImageDecoderChain->fNext->fFactory, SkBMPImageDecoderFactory);
    EXPECT_EQ (gSkImageDecoderChain->fNext->fNext, nullptr);

    ASSERT_NE (gSkImageEncoderChain, nullptr);
    EXPECT_EQ (gSkImageEncoderChain->fNext, nullptr);
    SkImageEncoder *encoder = SkImageEncoder::Create (1);
    ASSERT_NE (encoder, nullptr);
    SkBitmap bitmap;
    EXPECT_FALSE (encoder->encode (bitmap, 100));
    delete encoder;
    EXPECT_EQ (SkImageEncoder::Create (0), nullptr);
    EXPECT_EQ (SkImageEncoder::Create (2), nullptr);
}

} // namespace
