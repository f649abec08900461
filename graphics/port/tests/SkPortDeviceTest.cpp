// Files on the firmware's file-system volumes, through the file layer, on the emulator's
// machine with host directories as volumes.
#include <gtest/gtest.h>

#include <Emulator/FileSystem.h>
#include <Emulator/StandardMachine.h>
#include <Library/PlatformLib.h>
#include <Protocol/LoadedImage.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/port/SkPortDevice.h"
#include "graphics/port/SkPortFile.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/SkFontHost.h"
#include "graphics/text/SkGlyphCache.h"

namespace {

namespace fs = std::filesystem;

class SkPortDeviceTest : public ::testing::Test {
protected:
    void SetUp () override
    {
        const char *tmp = std::getenv ("TEST_TMPDIR");
        fRoot = fs::path (tmp != nullptr ? tmp : fs::temp_directory_path ().string ())
                / ("volumes-" + std::string (::testing::UnitTest::GetInstance ()->current_test_info ()->name ()));
        fs::remove_all (fRoot);
        fDevices = Emu::BuildStandardMachine (fMachine, Emu::MACHINE_OPTIONS ());
        ASSERT_EQ (PlatformLibConstructor (fDevices.Image->ImageHandle (), fMachine.SystemTable ()), EFI_SUCCESS);
    }
    void TearDown () override { fs::remove_all (fRoot); }

    // Volume number n (volumes are numbered in the order they are made) over its own folder.
    Emu::FileSystemVolume &AddVolume (uint32_t n)
    {
        fs::path dir = fRoot / std::to_string (n);
        fs::create_directories (dir);
        return fMachine.Add (std::make_unique<Emu::FileSystemVolume> (fMachine, dir, n));
    }
    void Put (uint32_t volume, const std::string &name, const std::string &bytes)
    {
        fs::path path = fRoot / std::to_string (volume) / name;
        fs::create_directories (path.parent_path ());
        std::ofstream (path, std::ios::binary) << bytes;
    }
    // The program now seems to have been loaded from volume's device.
    void LoadFrom (const Emu::FileSystemVolume &volume)
    {
        EFI_LOADED_IMAGE_PROTOCOL *image = nullptr;
        ASSERT_EQ (gLibBS->HandleProtocol (fDevices.Image->ImageHandle (), &gEfiLoadedImageProtocolGuid, (VOID **)&image),
                   EFI_SUCCESS);
        image->DeviceHandle = volume.Handle ();
    }
    std::string ReadAll (const char *name)
    {
        SkPortFile *file = SkFileOpenForRead (name);
        if (file == nullptr) {
            return "<none>";
        }
        std::string bytes (SkFileSize (file), '\0');
        EXPECT_EQ (SkFileRead (file, bytes.data (), bytes.size ()), bytes.size ());
        SkFileClose (file);
        return bytes;
    }

    fs::path fRoot;
    Emu::Machine fMachine;
    Emu::STANDARD_DEVICES fDevices;
};

// FILE:// in capitals, a bare path: the program's own volume first, then the others in order.
TEST_F (SkPortDeviceTest, BarePathsTryTheOwnVolumeFirst)
{
    AddVolume (0);
    Emu::FileSystemVolume &one = AddVolume (1);
    Put (0, "fonts/a.ttf", "zero");
    Put (1, "fonts/a.ttf", "one");
    EXPECT_EQ (ReadAll ("FILE://fonts\\a.ttf"), "zero");
    LoadFrom (one);
    EXPECT_EQ (ReadAll ("FILE://fonts\\a.ttf"), "one");
    EXPECT_EQ (ReadAll ("File://fonts\\missing.ttf"), "<none>");
    EXPECT_EQ (ReadAll ("file:/fonts\\a.ttf"), "<none>");     // not the scheme: a built-in name
    EXPECT_EQ (one.OpenFiles (), 0u);
}

// An explicit volume comes right after the own volume, before the other volumes.
TEST_F (SkPortDeviceTest, ExplicitVolumeComesBeforeTheOthers)
{
    Emu::FileSystemVolume &zero = AddVolume (0);
    AddVolume (1);
    AddVolume (2);
    Put (2, "a.ttf", "two");
    Put (1, "fs2:/a.ttf", "wrong");     // a file whose name looks like a volume
    LoadFrom (zero);
    EXPECT_EQ (ReadAll ("file://fs2:\\a.ttf"), "two");
    EXPECT_EQ (ReadAll ("file://FS2:\\a.ttf"), "two");
}

// Volumes numbered 10 and above are named with all their digits.
TEST_F (SkPortDeviceTest, VolumesPastNineKeepTheirNumbers)
{
    for (uint32_t n = 0; n < 12; n++) {
        AddVolume (n);
    }
    Put (11, "x.bin", "eleven");
    Put (1, "x1.bin", "one");
    EXPECT_EQ (ReadAll ("file://x.bin"), "eleven");
    EXPECT_EQ (ReadAll ("file://fs11:\\x.bin"), "eleven");
    EXPECT_EQ (ReadAll ("file://fs1:\\x.bin"), "<none>");
}

TEST_F (SkPortDeviceTest, ReadsAreAllOrNothingAndSeeksReportTheirStatus)
{
    Emu::FileSystemVolume &volume = AddVolume (0);
    Put (0, "data.bin", std::string (300, 'd'));
    SkPortFile *file = SkFileOpenForRead ("file://data.bin");
    ASSERT_NE (file, nullptr);
    EXPECT_EQ (SkFileSize (file), 300u);
    ASSERT_EQ (SkFileSeek (file, 294, kSkSeekSet), EFI_SUCCESS);
    char buffer[10];
    EXPECT_EQ (SkFileRead (file, buffer, 10), 0u);
    EXPECT_EQ (SkFileTell (file), 294u);
    EXPECT_EQ (SkFileRead (file, buffer, 6), 6u);
    EXPECT_EQ (SkFileSeek (file, 1, kSkSeekCur), EFI_NOT_FOUND);
    EXPECT_EQ (SkFileSeek (file, 301, kSkSeekSet), EFI_NOT_FOUND);
    EXPECT_EQ (SkFileSeek (file, 5, kSkSeekEnd), EFI_UNSUPPORTED);
    EXPECT_EQ (SkFileSeek (file, 0, kSkSeekEnd), EFI_SUCCESS);
    EXPECT_EQ (SkFileTell (file), 300u);
    EXPECT_EQ (SkFileSeek (file, 0, 7), EFI_INVALID_PARAMETER);
    EXPECT_EQ (volume.OpenFiles (), 1u);
    SkFileClose (file);
    EXPECT_EQ (volume.OpenFiles (), 0u);
}

// A file stream on a volume: skipping 100 bytes at position 50 leaves it at 150.
TEST_F (SkPortDeviceTest, FileStreamSkipsOnAVolume)
{
    AddVolume (0);
    std::string bytes;
    for (int i = 0; i < 256; i++) {
        bytes.push_back ((char)i);
    }
    Put (0, "dir/bytes.bin", bytes);
    SkFileStream stream ("file://dir\\bytes.bin");
    ASSERT_TRUE (stream.isValid ());
    EXPECT_EQ (stream.getLength (), 256u);
    uint8_t head[50];
    ASSERT_EQ (stream.read (head, 50), 50u);
    EXPECT_EQ (stream.skip (100), 100u);
    uint8_t next = 0;
    ASSERT_EQ (stream.read (&next, 1), 1u);
    EXPECT_EQ (next, 150);
    EXPECT_EQ (stream.skip (1000), 0u);
    EXPECT_TRUE (stream.rewind ());
    ASSERT_EQ (stream.read (&next, 1), 1u);
    EXPECT_EQ (next, 0);
}

// The device file knows its volume's path with the file's node, and the volume's info.
TEST_F (SkPortDeviceTest, DeviceFileKeepsItsPathAndVolumeInfo)
{
    AddVolume (0);
    Put (0, "f.bin", "12345");
    SkPortDevice *device = SkPortDevice::Open ("fs0:\\f.bin", kSkFileRead);
    ASSERT_NE (device, nullptr);
    ASSERT_NE (device->devicePath (), nullptr);
    ASSERT_NE (device->fileSystemInfo (), nullptr);
    EXPECT_TRUE (device->fileSystemInfo ()->ReadOnly);
    EXPECT_EQ (device->size (), 5u);
    device->close ();
    EXPECT_EQ (SkPortDevice::Open ("fs1:\\f.bin", kSkFileRead), nullptr);
    EXPECT_EQ (SkPortDevice::Open ("fs0:f.bin", kSkFileRead), nullptr);
    EXPECT_EQ (SkPortDevice::Open ("fs0:\\", kSkFileRead), nullptr);        // the root is no file
    EXPECT_EQ (SkPortDevice::Open ("fs0:\\f.bin", kSkFileRead | kSkFileWrite), nullptr);
}

// A string drawn with a font read from a volume on the machine, through the same file
// layer, font host and glyph cache as the driver image, is what the same font's bytes
// draw from memory; and it draws something.
TEST_F (SkPortDeviceTest, TextFromAVolumeFontDrawsAsFromMemory)
{
    AddVolume (0);
    fs::create_directories (fRoot / "0" / "fonts");
    fs::copy_file (fs::path (SETUP_FONT_DIR) / "DejaVuSans.ttf", fRoot / "0" / "fonts" / "sans.ttf");
    std::string bytes = ReadAll ("file://fonts\\sans.ttf");
    ASSERT_GT (bytes.size (), 1000u);

    auto draw = [] (SkTypeface *face) {
        SkBitmap bitmap;
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, 160, 40);
        EXPECT_TRUE (bitmap.allocPixels ());
        memset (bitmap.getPixels (), 0, 40 * bitmap.rowBytes ());
        SkCanvas *canvas = new SkCanvas (bitmap);
        SkPaint paint;
        paint.setAntiAlias (true);
        paint.setTypeface (face);
        paint.setTextSize (24);
        canvas->drawText ("Setup", 5, 4, 30, paint);
        canvas->unref ();
        const uint32_t *pixels = bitmap.getAddr32 (0, 0);
        return std::vector<uint32_t> (pixels, pixels + 160 * 40);
    };

    SkFileStream *stream = new SkFileStream ("file://fonts\\sans.ttf");
    ASSERT_TRUE (stream->isValid ());
    EXPECT_EQ (stream->getMemoryBase (), nullptr);      // FreeType reads it through the stream
    SkTypeface *fromVolume = SkFontHost::CreateTypefaceFromStream (stream);
    stream->unref ();
    SkMemoryStream *memory = new SkMemoryStream (bytes.data (), bytes.size ());
    SkTypeface *fromMemory = SkFontHost::CreateTypefaceFromStream (memory);
    memory->unref ();
    ASSERT_NE (fromVolume, nullptr);
    ASSERT_NE (fromMemory, nullptr);

    std::vector<uint32_t> drawn = draw (fromVolume);
    size_t inked = 0;
    for (uint32_t pixel : drawn) {
        inked += (pixel >> 24) != 0;
    }
    EXPECT_GT (inked, 100u);
    EXPECT_EQ (drawn, draw (fromMemory));
    SkGlyphCache::PurgeAll ();
    fromVolume->unref ();
    fromMemory->unref ();
}

} // namespace
