/*
 * The port's file layer: the library's only contact with storage. Names of the form
 * "file://<path>" are files on the firmware's file-system volumes; any other name is one of
 * the built-in memory files (the embedded font). Positions and sizes are in bytes.
 */
#ifndef GRAPHICS_PORT_SKPORTFILE_H_
#define GRAPHICS_PORT_SKPORTFILE_H_

#include <Uefi.h>

#include "graphics/core/SkTypes.h"

enum SkFileMode { kSkFileRead = 1, kSkFileWrite = 2 };
enum SkSeekOrigin { kSkSeekSet = 0, kSkSeekCur = 1, kSkSeekEnd = 2 };

// A row of the built-in file table: the name (compared exactly, case-sensitive) and bytes.
// The size is reached through a pointer so that the table needs no code to initialise it.
struct SkBuiltInFile {
    const char *fName;
    const uint8_t *fData;
    const uint32_t *fSize;
};

// The table of built-in files, and the name under which the embedded font is served (the
// regular sans-serif file of the font table).
extern const SkBuiltInFile gSkBuiltInFiles[];
extern const int gSkBuiltInFileCount;
extern const char kSkEmbeddedFontName[];

// An open file.
struct SkPortFile {
    enum Kind { kMemory_Kind = 0, kDevice_Kind = 1 };
    const uint8_t *fData;       // memory files
    uint32_t fPosition;         // memory files
    uint16_t fMode;
    uint32_t fSize;
    uint32_t fKind;
    void *fDevice;              // device files
};

// A new open file for name, or null. mode: kSkFileRead and/or kSkFileWrite.
SkPortFile *SkFileOpen (const char *name, uint16_t mode);
SkPortFile *SkFileOpenForRead (const char *name);
// All or nothing: count when the whole count was read, else 0 (the position unchanged).
size_t SkFileRead (SkPortFile *file, void *buffer, size_t count);
// EFI_SUCCESS, or EFI_INVALID_PARAMETER (unknown origin, or past the end of a memory file),
// EFI_NOT_FOUND (past the end of a device file), EFI_UNSUPPORTED (an offset from the end).
EFI_STATUS SkFileSeek (SkPortFile *file, int64_t offset, int origin);
size_t SkFileSize (const SkPortFile *file);
size_t SkFileTell (const SkPortFile *file);
void SkFileClose (SkPortFile *file);

#endif
