// The baseline JPEG decoder's colour conversion: the fixed-point formula with its rounding
// and 16-bit saturation, whatever shape the code gives it, and the MCU writer's placing of
// pixels (4:2:0 chroma doubled both ways, sinks cut at their edges, bytes that are not
// colour left alone) in the plain and the vector forms alike.
#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

uint8_t Saturated (int32_t Value)
{
    int16_t Low = (int16_t)Value;
    return (Low < 0) ? 0 : (Low > 255) ? 255 : (uint8_t)Low;
}

// The conversion as the decoder is defined to make it, on the samples' low 16 bits.
void Formula (int32_t Y, int32_t Cb, int32_t Cr, uint8_t Rgb[3])
{
    int32_t y = (int16_t)Y * 16384, cb = (int16_t)Cb, cr = (int16_t)Cr;
    Rgb[0] = Saturated ((y + cr * 23400) >> 14);
    Rgb[1] = Saturated ((y - cb * 5638 - cr * 11700) >> 14);
    Rgb[2] = Saturated ((y + ((cb * 5638) >> 3) + cb * 28190) >> 14);
}

::testing::AssertionResult SameAsFormula (int32_t Y, int32_t Cb, int32_t Cr)
{
    uint8_t Want[3], Got[3];
    Formula (Y, Cb, Cr, Want);
    JpegYCbCrToRgb (Y, Cb, Cr, Got);
    if (memcmp (Want, Got, 3) == 0) {
        return ::testing::AssertionSuccess ();
    }
    return ::testing::AssertionFailure () << "Y " << Y << " Cb " << Cb << " Cr " << Cr << ": " << (int)Got[0] << ","
                                          << (int)Got[1] << "," << (int)Got[2] << " want " << (int)Want[0] << ","
                                          << (int)Want[1] << "," << (int)Want[2];
}

TEST (JpegColour, EveryChromaValueGivesTheFormulasPixel)
{
    // Red reads Cr alone and blue Cb alone; green both, which the next case covers.
    for (int32_t Y : { -32768, -1, 0, 1, 127, 128, 255, 256, 383, 32767 }) {
        for (int32_t c = -32768; c <= 32767; c++) {
            ASSERT_TRUE (SameAsFormula (Y, 0, c));
            ASSERT_TRUE (SameAsFormula (Y, c, 0));
            ASSERT_TRUE (SameAsFormula (Y, c, -c));
        }
    }
}

TEST (JpegColour, EveryPairNearTheValidRangeGivesTheFormulasPixel)
{
    for (int32_t Cb = -600; Cb <= 600; Cb++) {
        for (int32_t Cr = -600; Cr <= 600; Cr++) {
            ASSERT_TRUE (SameAsFormula (128 + ((Cb ^ Cr) & 127), Cb, Cr));
        }
    }
    // Anywhere in 16 bits, and beyond, where only the low 16 bits count.
    uint32_t State = 99;
    for (int i = 0; i < 1000000; i++) {
        State = State * 1664525u + 1013904223u;
        int32_t Y = (int32_t)State >> 12;
        State = State * 1664525u + 1013904223u;
        int32_t Cb = (int32_t)State >> 8;
        State = State * 1664525u + 1013904223u;
        ASSERT_TRUE (SameAsFormula (Y, Cb, (int32_t)State >> 10));
    }
}

struct Mcu {
    int16_t blocks[6][64];
};

// Samples over the whole 16-bit range now and then, as corrupt data gives them.
Mcu RandomMcu (uint32_t *State)
{
    Mcu m;
    for (auto &Block : m.blocks) {
        for (int16_t &v : Block) {
            *State = *State * 1664525u + 1013904223u;
            uint32_t r = *State >> 4;
            v = (int16_t)((r % 13 == 0) ? (*State * 2654435761u) >> 16 : (r % 700) - 200);
        }
    }
    return m;
}

struct SinkShape {
    uint32_t pixelBytes;
    uint8_t red, green, blue;
};

// Writes m through a sink of the given shape whose bytes start as 0xA5, cut to Columns and
// Rows, at (Left, Top), the spare byte filled or kept.
std::vector<uint8_t> Written (const Mcu &m, uint8_t Sampling, SinkShape Shape, uint32_t Columns, uint32_t Rows,
                              uint32_t Left, uint32_t Top, SkProcForm Form, int32_t Fill = kJpegKeepSpareByte)
{
    const uint32_t Stride = 40;  // pixels a row, wider than any sink here
    std::vector<uint8_t> Bytes ((size_t)Stride * 40 * Shape.pixelBytes, 0xA5);
    JpegPixelSink Sink = { Bytes.data (), (size_t)Stride * Shape.pixelBytes, Shape.pixelBytes, Shape.red, Shape.green,
                           Shape.blue, Columns, Rows };
    SkProcForm Was = SkSetProcForm (Form);
    JpegWriteMcu (m.blocks, Sampling, &Sink, Left, Top, Fill);
    SkSetProcForm (Was);
    return Bytes;
}

// Every byte: the formula's colour inside the cut, and Fill in the byte of a 4-byte pixel no
// channel takes where one is given; 0xA5 everywhere else.
void ExpectPixels (const std::vector<uint8_t> &Bytes, const Mcu &m, uint8_t Sampling, SinkShape Shape, uint32_t Columns,
                   uint32_t Rows, uint32_t Left, uint32_t Top, int32_t Fill = kJpegKeepSpareByte)
{
    bool Spare = Fill != kJpegKeepSpareByte && Shape.pixelBytes == 4 && Shape.red != Shape.green &&
                 Shape.green != Shape.blue && Shape.red != Shape.blue;
    uint32_t Side = (Sampling == 0x22) ? 16 : 8, Shift = (Sampling == 0x22) ? 1 : 0;
    std::vector<uint8_t> Want (Bytes.size (), 0xA5);
    for (uint32_t y = Top; (y < Top + Side) && (y < Rows); y++) {
        for (uint32_t x = Left; (x < Left + Side) && (x < Columns); x++) {
            uint32_t my = y - Top, mx = x - Left;
            int16_t Luma = (Side == 16) ? m.blocks[(my >> 3) * 2 + (mx >> 3)][(my & 7) * 8 + (mx & 7)] : m.blocks[0][my * 8 + mx];
            uint32_t c = (my >> Shift) * 8 + (mx >> Shift);
            uint8_t Rgb[3];
            Formula (Luma, m.blocks[4][c], m.blocks[5][c], Rgb);
            uint8_t *Pixel = &Want[((size_t)y * 40 + x) * Shape.pixelBytes];
            if (Spare) {
                Pixel[6 - Shape.red - Shape.green - Shape.blue] = (uint8_t)Fill;
            }
            Pixel[Shape.red] = Rgb[0], Pixel[Shape.green] = Rgb[1], Pixel[Shape.blue] = Rgb[2];
        }
    }
    ASSERT_EQ (Bytes, Want) << "sampling " << (int)Sampling << " bytes " << Shape.pixelBytes << " offsets " << (int)Shape.red
                            << (int)Shape.green << (int)Shape.blue << " cut " << Columns << "x" << Rows << " at " << Left
                            << "," << Top;
}

TEST (JpegColour, EveryFormPlacesTheFormulasPixels)
{
    const SinkShape Shapes[] = {
        { 4, 2, 1, 0 }, { 4, 0, 1, 2 }, { 4, 3, 0, 1 }, { 4, 1, 3, 2 }, { 3, 0, 1, 2 },
        { 3, 2, 1, 0 }, { 3, 1, 2, 0 }, { 5, 4, 0, 2 }, { 4, 1, 1, 2 }, { 2, 0, 1, 1 },
    };
    // Whole MCUs, and MCUs cut by the right edge, the bottom edge or both (one row alone too).
    const uint32_t Cuts[][4] = {
        { 16, 16, 0, 0 }, { 40, 40, 16, 8 }, { 27, 40, 16, 0 }, { 40, 25, 8, 16 }, { 21, 17, 8, 16 }, { 40, 33, 16, 32 },
        { 16, 9, 0, 0 },  { 5, 40, 0, 0 },
    };
    uint32_t State = 5;
    for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        for (uint8_t Sampling : { (uint8_t)0x22, (uint8_t)0x11 }) {
            for (const SinkShape &Shape : Shapes) {
                for (const auto &Cut : Cuts) {
                    Mcu m = RandomMcu (&State);
                    std::vector<uint8_t> Bytes = Written (m, Sampling, Shape, Cut[0], Cut[1], Cut[2], Cut[3], Form);
                    ExpectPixels (Bytes, m, Sampling, Shape, Cut[0], Cut[1], Cut[2], Cut[3]);
                }
            }
        }
    }
}

// A fill sets the spare byte of every pixel written, whichever byte that is, and nothing
// outside the cut; pixels of three bytes, of five and of channels sharing a byte have no one
// spare byte, and are written as without a fill.
TEST (JpegColour, AFillSetsTheSpareByteOfEveryPixelWritten)
{
    const SinkShape Shapes[] = {
        { 4, 2, 1, 0 }, { 4, 0, 1, 2 }, { 4, 3, 0, 1 }, { 4, 1, 3, 2 }, { 3, 0, 1, 2 }, { 5, 4, 0, 2 }, { 4, 1, 1, 2 },
    };
    const uint32_t Cuts[][4] = { { 16, 16, 0, 0 }, { 27, 40, 16, 0 }, { 21, 17, 8, 16 }, { 5, 40, 0, 0 } };
    uint32_t State = 9;
    for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        for (uint8_t Sampling : { (uint8_t)0x22, (uint8_t)0x11 }) {
            for (const SinkShape &Shape : Shapes) {
                for (const auto &Cut : Cuts) {
                    for (int32_t Fill : { 0xFF, 0x00, 0x5A }) {
                        Mcu m = RandomMcu (&State);
                        std::vector<uint8_t> Bytes = Written (m, Sampling, Shape, Cut[0], Cut[1], Cut[2], Cut[3], Form, Fill);
                        ExpectPixels (Bytes, m, Sampling, Shape, Cut[0], Cut[1], Cut[2], Cut[3], Fill);
                    }
                }
            }
        }
    }
}

// Every 16-bit chroma value through every form's MCU writer, each paired with values spread
// over the whole range, luma varying.
TEST (JpegColour, EveryChromaValueThroughEveryForm)
{
    const SinkShape Wide = { 4, 2, 1, 0 };
    for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        for (uint32_t First = 0; First < 65536; First += 64) {
            Mcu m;
            for (uint32_t i = 0; i < 64; i++) {
                uint32_t v = First + i;
                m.blocks[0][i] = (int16_t)((int32_t)((v * 7919u) % 700u) - 200);
                m.blocks[4][i] = (int16_t)v;
                m.blocks[5][i] = (int16_t)(v * 40503u);
            }
            ExpectPixels (Written (m, 0x11, Wide, 8, 8, 0, 0, Form), m, 0x11, Wide, 8, 8, 0, 0);
            std::swap (m.blocks[4], m.blocks[5]);
            ExpectPixels (Written (m, 0x11, Wide, 8, 8, 0, 0, Form), m, 0x11, Wide, 8, 8, 0, 0);
        }
    }
}

}  // namespace
