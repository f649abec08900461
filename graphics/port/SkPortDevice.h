/*
 * Device files: the file layer's lower half, files on the firmware's file-system volumes.
 * A name is a path of the form fsN:\dir\file (N the volume's number) or a bare path tried on
 * the program's own volume first, then on every volume in number order.
 */
#ifndef GRAPHICS_PORT_SKPORTDEVICE_H_
#define GRAPHICS_PORT_SKPORTDEVICE_H_

#include <Uefi.h>

#include "graphics/core/SkTypes.h"

class SkPortDevice {
public:
    // The open file for the path after "file://", or null when no volume holds it.
    static SkPortDevice *OpenByName (const char *path, uint16_t mode);
    // All or nothing; false past the end of the file or when the firmware fails.
    bool read (void *buffer, size_t count);
    EFI_STATUS seek (int64_t offset, int origin);
    uint64_t size () const { return fFileSize; }
    uint64_t position () const { return fPosition; }
    // Closes the file and frees the record.
    void close ();

private:
    uint64_t fPosition;
    uint64_t fFileSize;
};

#endif
