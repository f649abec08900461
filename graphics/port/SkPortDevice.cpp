/*
 * Device files over the UEFI Simple File System protocol.
 */
#include "graphics/port/SkPortDevice.h"

#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>
#include <Protocol/LoadedImage.h>

#include "graphics/port/SkPortFile.h"

namespace {

const uint32_t kHeadSignature = 0x4B4D4641;     // "AFMK"
const uint32_t kTailSignature = 0x444D5A56;     // "VZMD"
const uint32_t kVolumeFileKind = 3;
const size_t kMaxPath = 1024;

// The Simple File System handles in volume-number order (the caller frees them with
// FreePool), and their count; false when there is none.
bool locate_volumes (EFI_HANDLE **handles, UINTN *count)
{
    *handles = nullptr;
    *count = 0;
    if (gLibBS == nullptr) {
        return false;
    }
    EFI_STATUS status = gLibBS->LocateHandleBuffer (ByProtocol, &gEfiSimpleFileSystemProtocolGuid, nullptr, count,
                                                    handles);
    return !EFI_ERROR (status) && *count != 0;
}

// The number of the volume the program was loaded from, or -1.
int own_volume (const EFI_HANDLE *handles, UINTN count)
{
    EFI_LOADED_IMAGE_PROTOCOL *image = nullptr;
    if (gLibImageHandle == nullptr
        || EFI_ERROR (gLibBS->HandleProtocol (gLibImageHandle, &gEfiLoadedImageProtocolGuid, (VOID **)&image))
        || image == nullptr) {
        return -1;
    }
    for (UINTN i = 0; i < count; i++) {
        if (handles[i] == image->DeviceHandle) {
            return (int)i;
        }
    }
    return -1;
}

// Parses "fsN:\" at path (case-insensitive "fs", decimal N); the rest in *rest.
bool parse_volume (const char *path, uint32_t *number, const char **rest)
{
    if ((path[0] != 'f' && path[0] != 'F') || (path[1] != 's' && path[1] != 'S')) {
        return false;
    }
    const char *p = path + 2;
    uint32_t n = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 6; p++, digits++) {
        n = n * 10 + (uint32_t)(*p - '0');
    }
    if (digits == 0 || p[0] != ':' || p[1] != '\\') {
        return false;
    }
    *number = n;
    *rest = p + 2;
    return true;
}

// "fs" + number (decimal, so volumes past 9 keep their own names) + ":\" + rest.
char *volume_path (uint32_t number, const char *rest)
{
    size_t length = strlen (rest);
    if (length > kMaxPath) {
        return nullptr;
    }
    char *path = (char *)sk_malloc (length + 16);
    if (path == nullptr) {
        return nullptr;
    }
    char digits[12];
    int count = 0;
    do {
        digits[count++] = (char)('0' + number % 10);
        number /= 10;
    } while (number != 0);
    size_t at = 0;
    path[at++] = 'f';
    path[at++] = 's';
    while (count > 0) {
        path[at++] = digits[--count];
    }
    path[at++] = ':';
    path[at++] = '\\';
    memcpy (path + at, rest, length + 1);
    return path;
}

// The path widened to UTF-16 byte by byte; "\" for an empty one.
CHAR16 *widen (const char *path)
{
    size_t length = strlen (path);
    if (length > kMaxPath) {
        return nullptr;
    }
    CHAR16 *wide = (CHAR16 *)sk_malloc ((length + 2) * sizeof (CHAR16));
    if (wide == nullptr) {
        return nullptr;
    }
    if (length == 0) {
        wide[0] = u'\\';
        wide[1] = 0;
        return wide;
    }
    for (size_t i = 0; i <= length; i++) {
        wide[i] = (CHAR16)(uint8_t)path[i];
    }
    return wide;
}

// An information record of file: asks its size first, then reads it (sk_malloc).
void *get_info (EFI_FILE_PROTOCOL *file, EFI_GUID *type)
{
    UINTN size = 0;
    if (file->GetInfo (file, type, &size, nullptr) != EFI_BUFFER_TOO_SMALL || size == 0) {
        return nullptr;
    }
    void *info = sk_calloc (size);
    if (info != nullptr && EFI_ERROR (file->GetInfo (file, type, &size, info))) {
        sk_free (info);
        info = nullptr;
    }
    return info;
}

} // namespace

bool SkPortDevice::isValid () const
{
    return fHead == kHeadSignature && fTail == kTailSignature;
}

void SkPortDevice::release ()
{
    if (fDevicePath != nullptr) {
        FreePool (fDevicePath);
    }
    sk_free (fFileInfo);
    sk_free (fFileSystemInfo);
    if (fFile != nullptr) {
        (void)fFile->Close (fFile);     // a read-only file has nothing to lose on close
    }
    fHead = fTail = 0;
    sk_free (this);
}

SkPortDevice *SkPortDevice::Open (const char *path, uint16_t mode)
{
    uint32_t number;
    const char *rest;
    EFI_HANDLE *handles;
    UINTN count;
    if (!parse_volume (path, &number, &rest) || !locate_volumes (&handles, &count)) {
        return nullptr;
    }
    EFI_HANDLE volume = number < count ? handles[number] : nullptr;
    FreePool (handles);
    CHAR16 *name = volume == nullptr ? nullptr : widen (rest);
    SkPortDevice *device = name == nullptr ? nullptr : (SkPortDevice *)sk_calloc (sizeof (SkPortDevice));
    if (device == nullptr) {
        sk_free (name);
        return nullptr;
    }
    device->fHead = kHeadSignature;
    device->fTail = kTailSignature;
    device->fKind = kVolumeFileKind;
    device->fVolume = volume;
    device->fDevicePath = FileDevicePath (volume, name);
    EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *fs = nullptr;
    EFI_FILE_PROTOCOL *root = nullptr;
    bool ok = device->fDevicePath != nullptr
              && !EFI_ERROR (gLibBS->HandleProtocol (volume, &gEfiSimpleFileSystemProtocolGuid, (VOID **)&fs))
              && fs != nullptr && !EFI_ERROR (fs->OpenVolume (fs, &root)) && root != nullptr;
    if (ok) {
        device->fFileSystemInfo = (EFI_FILE_SYSTEM_INFO *)get_info (root, &gEfiFileSystemInfoGuid);
        ok = !EFI_ERROR (root->Open (root, &device->fFile, name, mode, 0)) && device->fFile != nullptr;
        (void)root->Close (root);       // the opened file stays open without its root
    }
    sk_free (name);
    if (ok) {
        device->fFileInfo = (EFI_FILE_INFO *)get_info (device->fFile, &gEfiFileInfoGuid);
        ok = device->fFileInfo != nullptr && (device->fFileInfo->Attribute & EFI_FILE_DIRECTORY) == 0;
    }
    if (!ok) {
        device->release ();
        return nullptr;
    }
    device->fFileSize = device->fFileInfo->FileSize;
    return device;
}

SkPortDevice *SkPortDevice::OpenByName (const char *path, uint16_t mode)
{
    EFI_HANDLE *handles;
    UINTN count;
    if (!locate_volumes (&handles, &count)) {
        return nullptr;
    }
    int own = own_volume (handles, count);
    FreePool (handles);
    SkPortDevice *device = nullptr;
    for (int pass = -2; pass < (int)count && device == nullptr; pass++) {
        if (pass == -2 && own < 0) {
            continue;
        }
        if (pass == -1) {
            uint32_t number;
            const char *rest;
            device = parse_volume (path, &number, &rest) ? Open (path, mode) : nullptr;
            continue;
        }
        if (pass == own) {
            continue;       // tried first
        }
        char *full = volume_path ((uint32_t)(pass == -2 ? own : pass), path);
        device = full == nullptr ? nullptr : Open (full, mode);
        sk_free (full);
    }
    return device;
}

bool SkPortDevice::read (void *buffer, size_t count)
{
    if (!isValid () || count > fFileSize - fPosition || fPosition > fFileSize) {
        return false;       // past the end: EFI_END_OF_FILE
    }
    UINTN n = count;
    if (count != 0 && (EFI_ERROR (fFile->Read (fFile, &n, buffer)) || n != count)) {
        return false;
    }
    fPosition += n;
    return true;
}

EFI_STATUS SkPortDevice::seek (int64_t offset, int origin)
{
    if (!isValid ()) {
        return EFI_INVALID_PARAMETER;
    }
    int64_t target;
    if (origin == kSkSeekEnd) {
        if (offset != 0) {
            return EFI_UNSUPPORTED;
        }
        target = (int64_t)fFileSize;
    } else {
        target = (origin == kSkSeekSet ? 0 : (int64_t)fPosition) + offset;
        if (target < 0 || (uint64_t)target > fFileSize) {
            return EFI_NOT_FOUND;
        }
    }
    EFI_STATUS status = fFile->SetPosition (fFile, (UINT64)target);
    if (!EFI_ERROR (status)) {
        fPosition = (uint64_t)target;
    }
    return status;
}

void SkPortDevice::close ()
{
    if (isValid ()) {
        release ();
    }
}
