/*
 * Both forms of every row procedure under the same names, one namespace per form, so that the
 * table can pick the vector form and the tests can compare it with the plain one.
 */
#ifndef GRAPHICS_RASTER_SKBLITROWPRIV_H_
#define GRAPHICS_RASTER_SKBLITROWPRIV_H_

#include <stddef.h>
#include <stdint.h>

#include "graphics/core/SkProcForm.h"

namespace SkBlitRowPlain {
void blitRowOpaque32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void blitRowBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void blitRowSrcAlpha32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void blitRowSrcAlphaBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color);
void colorA8MaskRow (uint32_t *dst, const uint8_t *mask, int count, uint32_t pmColor);
void colorA8MaskBlackRow (uint32_t *dst, const uint8_t *mask, int count);
}

#if SK_PROCS_HAVE_VECTOR
namespace SkBlitRowSSE2 {
void blitRowBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void blitRowSrcAlpha32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void blitRowSrcAlphaBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
void color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color);
void colorA8MaskRow (uint32_t *dst, const uint8_t *mask, int count, uint32_t pmColor);
void colorA8MaskBlackRow (uint32_t *dst, const uint8_t *mask, int count);
}
#endif

#endif
