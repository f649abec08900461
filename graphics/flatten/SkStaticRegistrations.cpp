/*
 * What the library registers before any other code runs: the readers of its flattenable
 * objects and its pixel ref by name, and the decoder and encoder factory chains. The
 * registries and chain heads are defined here too, so that any program using them links
 * these registrations in. The order is fixed: it is the order of the registries' entries
 * and of the decoder chain.
 *
 * The driver image registers nothing: its roads unflatten no object and decode their logos
 * with the engine's own BMP and JPEG converters, and a registration is a reference that
 * would keep the shaders, gradients, filters, the PNG decoder with libpng and zlib, and the
 * BMP decoder in the image for no caller. The registries stay, empty, so that a lookup
 * there finds nothing rather than failing to link.
 */
#include "graphics/flatten/SkRegistryPriv.h"

#include "graphics/bitmap/SkPixelRef.h"
#include "graphics/codec/SkImageDecoder.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBlurMaskFilter.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/SkXfermode.h"

SkRegistry<SkFlattenable::Factory, 64> gSkFlattenableRegistry;
SkRegistry<SkPixelRefFactory, 16> gSkPixelRefRegistry;
SkRegistry<SkFlattenable::Factory, 32> gSkRememberedFactories;

SkImageDecoderNode *gSkImageDecoderChain;
SkImageEncoderNode *gSkImageEncoderChain;

#if !defined(SETUP_UEFI_TARGET)

namespace {

SkImageEncoder *EncoderFactory (int type)
{
    return type == 1 ? new SkImageEncoder : nullptr;
}

SkImageDecoderNode gBmpNode = { SkBMPImageDecoderFactory, nullptr };
SkImageDecoderNode gPngNode = { SkPNGImageDecoderFactory, nullptr };
SkImageEncoderNode gEncoderNode = { EncoderFactory, nullptr };

void RegisterShaderAndTransferModes ()
{
    SkFlattenable::Register ("SkBitmapProcShader", SkBitmapProcShader::CreateProc);
    SkFlattenable::Register ("SkProcCoeffXfermode", SkProcCoeffXfermode::CreateProc);
    SkFlattenable::Register ("SkClearXfermode", SkClearXfermode::CreateProc);
    SkFlattenable::Register ("SkSrcXfermode", SkSrcXfermode::CreateProc);
    SkFlattenable::Register ("SkDstInXfermode", SkDstInXfermode::CreateProc);
    SkFlattenable::Register ("SkDstOutXfermode", SkDstOutXfermode::CreateProc);
    SkPixelRef::Register ("SkMallocPixelRef", SkMallocPixelRef::Create);
}

void RegisterFiltersAndGradients ()
{
    SkFlattenable::Register ("SkColorMatrixFilter", SkColorMatrixFilter::CreateProc);
    SkFlattenable::Register ("SkBlurMaskFilter", SkBlurMaskFilter::CreateProc);
    SkFlattenable::Register ("Linear_Gradient", SkLinearGradient::CreateProc);
    SkFlattenable::Register ("Radial_Gradient", SkRadialGradient::CreateProc);
    SkFlattenable::Register ("Sweep_Gradient", SkSweepGradient::CreateProc);
    SkFlattenable::Register ("Two_Point_Radial_Gradient", SkTwoPointRadialGradient::CreateProc);
}

// Sixteen registrations, each into a registry with room for it, so none can fail.
struct StartupRegistrations {
    StartupRegistrations ()
    {
        RegisterShaderAndTransferModes ();
        SkLinkFactoryNode (&gSkImageDecoderChain, &gBmpNode);
        SkLinkFactoryNode (&gSkImageEncoderChain, &gEncoderNode);
        SkLinkFactoryNode (&gSkImageDecoderChain, &gPngNode);
        RegisterFiltersAndGradients ();
    }
};

StartupRegistrations gStartupRegistrations;

} // namespace

void SkRestoreStartupRegistrationsForTests ()
{
    SkFlattenable::ResetRegistryForTests ();
    SkPixelRefRegistryResetForTests ();
    RegisterShaderAndTransferModes ();
    RegisterFiltersAndGradients ();
}

#endif // !SETUP_UEFI_TARGET
