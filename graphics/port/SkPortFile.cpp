/*
 * The file layer's upper half: name resolution, memory files, and the dispatch to device
 * files (SkPortDevice.h) for names on volumes.
 */
#include "graphics/port/SkPortFile.h"

#include "graphics/port/SkPortDevice.h"

namespace {

const char kFileScheme[] = "file";
const size_t kSchemeLength = 7;     // "file://"

bool has_file_scheme (const char *name)
{
    for (size_t i = 0; i < 4; i++) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') {
            c = (char)(c - 'A' + 'a');
        }
        if (c != kFileScheme[i]) {
            return false;
        }
    }
    return name[4] == ':' && name[5] == '/' && name[6] == '/';
}

SkPortFile *open_memory_file (const char *name, uint16_t mode)
{
    for (int i = 0; i < gSkBuiltInFileCount; i++) {
        const SkBuiltInFile &row = gSkBuiltInFiles[i];
        if (strcmp (row.fName, name) != 0) {
            continue;
        }
        SkPortFile *file = (SkPortFile *)sk_calloc (sizeof (SkPortFile));
        if (file == nullptr) {
            return nullptr;
        }
        file->fData = row.fData;
        file->fSize = *row.fSize;
        file->fMode = mode;
        file->fKind = SkPortFile::kMemory_Kind;
        return file;
    }
    return nullptr;
}

SkPortFile *open_device_file (const char *path, uint16_t mode)
{
    SkPortDevice *device = SkPortDevice::OpenByName (path, mode);
    if (device == nullptr) {
        return nullptr;
    }
    SkPortFile *file = (SkPortFile *)sk_calloc (sizeof (SkPortFile));
    if (file == nullptr) {
        device->close ();
        return nullptr;
    }
    uint64_t size = device->size ();
    file->fSize = size > UINT32_MAX ? UINT32_MAX : (uint32_t)size;
    file->fMode = mode;
    file->fKind = SkPortFile::kDevice_Kind;
    file->fDevice = device;
    return file;
}

EFI_STATUS seek_memory (SkPortFile *file, int64_t offset, int origin)
{
    int64_t base = origin == kSkSeekSet ? 0 : origin == kSkSeekCur ? file->fPosition : file->fSize;
    int64_t target = origin == kSkSeekEnd ? file->fSize : base + offset;
    if (target < 0 || target > (int64_t)file->fSize) {
        return EFI_INVALID_PARAMETER;
    }
    file->fPosition = (uint32_t)target;
    return EFI_SUCCESS;
}

} // namespace

SkPortFile *SkFileOpen (const char *name, uint16_t mode)
{
    if (name == nullptr) {
        return nullptr;
    }
    if (has_file_scheme (name)) {
        return open_device_file (name + kSchemeLength, mode);
    }
    return open_memory_file (name, mode);
}

SkPortFile *SkFileOpenForRead (const char *name)
{
    return SkFileOpen (name, kSkFileRead);
}

size_t SkFileRead (SkPortFile *file, void *buffer, size_t count)
{
    if (file == nullptr) {
        return 0;
    }
    if (file->fKind == SkPortFile::kDevice_Kind) {
        return ((SkPortDevice *)file->fDevice)->read (buffer, count) ? count : 0;
    }
    if (count > file->fSize - file->fPosition) {
        return 0;
    }
    const uint8_t *from = file->fData + file->fPosition;
    if (buffer != from && count != 0) {
        memcpy (buffer, from, count);
    }
    file->fPosition += (uint32_t)count;
    return count;
}

EFI_STATUS SkFileSeek (SkPortFile *file, int64_t offset, int origin)
{
    if (file == nullptr || origin < kSkSeekSet || origin > kSkSeekEnd) {
        return EFI_INVALID_PARAMETER;
    }
    if (file->fKind == SkPortFile::kDevice_Kind) {
        return ((SkPortDevice *)file->fDevice)->seek (offset, origin);
    }
    return seek_memory (file, offset, origin);
}

size_t SkFileSize (const SkPortFile *file)
{
    return file == nullptr ? 0 : file->fSize;
}

size_t SkFileTell (const SkPortFile *file)
{
    if (file == nullptr) {
        return 0;
    }
    if (file->fKind == SkPortFile::kDevice_Kind) {
        return (size_t)((SkPortDevice *)file->fDevice)->position ();
    }
    return file->fPosition;
}

void SkFileClose (SkPortFile *file)
{
    if (file == nullptr) {
        return;
    }
    if (file->fKind == SkPortFile::kDevice_Kind) {
        ((SkPortDevice *)file->fDevice)->close ();
    }
    sk_free (file);
}
