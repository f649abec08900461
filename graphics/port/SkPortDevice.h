/*
 * Device files: the file layer's lower half, files on the firmware's Simple File System
 * volumes. A volume's number is its index among the handles with that protocol, found
 * again on every open so volumes that appear later are seen.
 */
#ifndef GRAPHICS_PORT_SKPORTDEVICE_H_
#define GRAPHICS_PORT_SKPORTDEVICE_H_

#include <Uefi.h>
#include <Protocol/DevicePath.h>
#include <Protocol/SimpleFileSystem.h>

#include "graphics/core/SkTypes.h"

class SkPortDevice {
public:
    // The file for the part of a "file://" name after the scheme: tried on the program's own
    // volume, then as an explicit fsN:\path, then on every other volume. Null when none
    // holds it (or the firmware's tables are not known).
    static SkPortDevice *OpenByName (const char *path, uint16_t mode);
    // path is fsN:\dir\file (N decimal); null when the volume or file cannot be opened.
    static SkPortDevice *Open (const char *path, uint16_t mode);

    // All or nothing: false past the end of the file or when the firmware fails.
    bool read (void *buffer, size_t count);
    // Origin 0 or 1 past the file's size: EFI_NOT_FOUND; origin 2 with an offset:
    // EFI_UNSUPPORTED; else the file's SetPosition status (the position kept on success).
    EFI_STATUS seek (int64_t offset, int origin);
    uint64_t size () const { return isValid () ? fFileSize : 0; }
    uint64_t position () const { return isValid () ? fPosition : 0; }
    // Closes the file and frees the record (a record without its signatures is left alone).
    void close ();

    const EFI_DEVICE_PATH_PROTOCOL *devicePath () const { return fDevicePath; }
    const EFI_FILE_SYSTEM_INFO *fileSystemInfo () const { return fFileSystemInfo; }

private:
    bool isValid () const;
    void release ();

    uint32_t fHead;                             // "AFMK"
    uint32_t fKind;                             // 3: a file on a file-system volume
    EFI_HANDLE fVolume;
    EFI_DEVICE_PATH_PROTOCOL *fDevicePath;      // the volume's path and the file's node
    uint64_t fPosition;
    uint64_t fFileSize;
    EFI_FILE_PROTOCOL *fFile;
    EFI_FILE_INFO *fFileInfo;
    EFI_FILE_SYSTEM_INFO *fFileSystemInfo;
    uint32_t fTail;                             // "VZMD"
};

#endif
