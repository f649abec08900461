/*
 * FreeType's system interface in the UEFI driver image, in place of its own (which needs a
 * C library): memory from the firmware pool, and files through the port layer's files (the
 * built-in files and the firmware's file systems).
 */

// The firmware's TRUE and FALSE first: FreeType's internal headers keep existing ones.
#include <Library/MemoryAllocationLib.h>

#define FT2_BUILD_LIBRARY
#include <ft2build.h>
#include <freetype/freetype.h>
#include <freetype/internal/ftobjs.h>
#include <freetype/internal/ftstream.h>

#include "graphics/port/SkPortFile.h"

namespace {

void *pool_alloc (FT_Memory memory, long size)
{
    (void)memory;
    return size > 0 ? AllocatePool ((UINTN)size) : nullptr;
}

void pool_free (FT_Memory memory, void *block)
{
    (void)memory;
    FreePool (block);
}

void *pool_realloc (FT_Memory memory, long curSize, long newSize, void *block)
{
    (void)memory;
    if (curSize < 0 || newSize <= 0) {
        return nullptr;
    }
    return ReallocatePool ((UINTN)curSize, (UINTN)newSize, block);
}

// A seek when count is 0 (0 on success), else the bytes read: all of count or none.
unsigned long port_file_read (FT_Stream stream, unsigned long offset, unsigned char *buffer, unsigned long count)
{
    SkPortFile *file = (SkPortFile *)stream->descriptor.pointer;
    if (EFI_ERROR (SkFileSeek (file, (int64_t)offset, kSkSeekSet))) {
        return count == 0 ? 1 : 0;
    }
    return count == 0 ? 0 : (unsigned long)SkFileRead (file, buffer, count);
}

void port_file_close (FT_Stream stream)
{
    SkFileClose ((SkPortFile *)stream->descriptor.pointer);
    stream->descriptor.pointer = nullptr;
    stream->size = 0;
    stream->base = nullptr;
}

} // namespace

FT_BASE_DEF (FT_Error) FT_Stream_Open (FT_Stream stream, const char *filepathname)
{
    if (stream == nullptr) {
        return FT_Err_Invalid_Stream_Handle;
    }
    SkPortFile *file = filepathname != nullptr ? SkFileOpenForRead (filepathname) : nullptr;
    if (file == nullptr) {
        return FT_Err_Cannot_Open_Resource;
    }
    stream->descriptor.pointer = file;
    stream->pathname.pointer = (char *)filepathname;
    stream->size = (unsigned long)SkFileSize (file);
    stream->pos = 0;
    stream->base = nullptr;
    stream->read = port_file_read;
    stream->close = port_file_close;
    return FT_Err_Ok;
}

FT_BASE_DEF (FT_Memory) FT_New_Memory (void)
{
    FT_Memory memory = (FT_Memory)AllocateZeroPool (sizeof (*memory));
    if (memory != nullptr) {
        memory->alloc = pool_alloc;
        memory->realloc = pool_realloc;
        memory->free = pool_free;
    }
    return memory;
}

FT_BASE_DEF (void) FT_Done_Memory (FT_Memory memory)
{
    FreePool (memory);
}
