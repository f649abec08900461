/*
 * Device files. Volumes are not reachable yet: every name on a volume opens nothing.
 */
#include "graphics/port/SkPortDevice.h"

SkPortDevice *SkPortDevice::OpenByName (const char *path, uint16_t mode)
{
    (void)path;
    (void)mode;
    return nullptr;
}

bool SkPortDevice::read (void *buffer, size_t count)
{
    (void)buffer;
    (void)count;
    return false;
}

EFI_STATUS SkPortDevice::seek (int64_t offset, int origin)
{
    (void)offset;
    (void)origin;
    return EFI_UNSUPPORTED;
}

void SkPortDevice::close ()
{
}
