// Text drawn through the canvas against cairo drawing the same string with its FreeType
// back end, from the same font file at the same size, hinted the same way.
//
// Tolerance. Both sides take each glyph's coverage from FreeType with the same load flags
// (bytecode hinting, no auto-hinter), so the glyph images are the same bytes; both place a
// glyph at its pen position rounded to whole pixels, and both advance by FreeType's hinted
// (whole-pixel) advance. What is left is how each blends coverage c into the surface: cairo
// (pixman) computes c × 255 / 255 with exact rounding, our A8 mask blitter scales by
// c + 1 (a 0..256 scale) and shifts, which is at most 1 level off. A grey text colour keeps
// the dark/light-text gamma of our glyph cache out of the comparison. So every pixel's alpha
// must agree within 1, and the inked areas must be the same pixels.
#include <gtest/gtest.h>
#include <cairo-ft.h>
#include <cairo.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <string>
#include <vector>

#include "TextTestSupport.h"
#include "graphics/canvas/SkCanvas.h"

namespace {

const int kWidth = 320, kHeight = 48;

std::vector<uint8_t> RenderOurs (const std::u16string &text, float size, float x, float y)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, kWidth, kHeight);
    EXPECT_TRUE (bitmap.allocPixels ());
    memset (bitmap.getPixels (), 0, (size_t)kHeight * bitmap.rowBytes ());
    SkCanvas canvas (bitmap);
    SkPaint paint = TextTest::MakePaint (size, 0xFF808080);
    canvas.drawText (text.data (), text.size () * 2, x, y, paint);
    std::vector<uint8_t> alpha (kWidth * kHeight);
    for (int row = 0; row < kHeight; row++) {
        for (int col = 0; col < kWidth; col++) {
            alpha[row * kWidth + col] = (uint8_t)(*bitmap.getAddr32 (col, row) >> 24);
        }
    }
    return alpha;
}

std::vector<uint8_t> RenderCairo (const std::vector<uint8_t> &font, const std::string &utf8, float size, float x,
                                  float y)
{
    FT_Library library;
    FT_Face face;
    EXPECT_EQ (FT_Init_FreeType (&library), 0);
    EXPECT_EQ (FT_New_Memory_Face (library, font.data (), (FT_Long)font.size (), 0, &face), 0);
    cairo_font_face_t *cairoFace = cairo_ft_font_face_create_for_ft_face (face, FT_LOAD_NO_AUTOHINT);
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t *cr = cairo_create (surface);
    cairo_font_options_t *options = cairo_font_options_create ();
    cairo_font_options_set_antialias (options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style (options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics (options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options (cr, options);
    cairo_set_font_face (cr, cairoFace);
    cairo_set_font_size (cr, size);
    cairo_set_source_rgba (cr, 0.5, 0.5, 0.5, 1);
    cairo_move_to (cr, x, y);
    cairo_show_text (cr, utf8.c_str ());
    cairo_surface_flush (surface);
    std::vector<uint8_t> alpha (kWidth * kHeight);
    const uint8_t *data = cairo_image_surface_get_data (surface);
    int stride = cairo_image_surface_get_stride (surface);
    for (int row = 0; row < kHeight; row++) {
        for (int col = 0; col < kWidth; col++) {
            alpha[row * kWidth + col] = (uint8_t)(((const uint32_t *)(data + row * stride))[col] >> 24);
        }
    }
    cairo_font_options_destroy (options);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    cairo_font_face_destroy (cairoFace);
    FT_Done_Face (face);
    FT_Done_FreeType (library);
    return alpha;
}

TEST (SkTextCairoTest, TextMatchesCairosFreeTypeRendering)
{
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    const std::u16string text = u"Hamburgefonstiv 0123 W@y%";
    const std::string utf8 = "Hamburgefonstiv 0123 W@y%";
    for (float size : { 12.0f, 16.0f, 20.0f }) {
        std::vector<uint8_t> ours = RenderOurs (text, size, 4, 32);
        std::vector<uint8_t> theirs = RenderCairo (font, utf8, size, 4, 32);
        int maxDiff = 0, inked = 0, inkMismatch = 0;
        for (size_t i = 0; i < ours.size (); i++) {
            maxDiff = std::max (maxDiff, std::abs (ours[i] - theirs[i]));
            inked += theirs[i] != 0;
            inkMismatch += (ours[i] != 0) != (theirs[i] != 0);
        }
        EXPECT_GT (inked, 200) << size;
        EXPECT_LE (maxDiff, 1) << size;
        EXPECT_EQ (inkMismatch, 0) << size;
    }
}

} // namespace
