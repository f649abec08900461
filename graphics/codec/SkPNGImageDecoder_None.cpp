/*
 * A driver image configured without libpng's source tarball carries no PNG library: there
 * the chain's PNG factory takes no stream, so PNG files reach the BMP decoder, whose header
 * rules refuse them.
 */
#include <graphics/codec/SkImageDecoder.h>

#ifdef SETUP_UEFI_TARGET
SkImageDecoder *SkPNGImageDecoderFactory (SkStream *)
{
    return nullptr;
}
#endif
