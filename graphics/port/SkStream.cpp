/*
 * Memory and file streams.
 */
#include "graphics/port/SkStream.h"

#include "graphics/port/SkPortFile.h"

SkMemoryStream::SkMemoryStream (const void *data, size_t length)
    : fData (SkData::Create (data, length, false)), fOffset (0)
{
}

SkMemoryStream::~SkMemoryStream ()
{
    SkSafeUnref (fData);
}

bool SkMemoryStream::setMemory (const void *data, size_t length, bool copyData)
{
    SkSafeUnref (fData);
    fData = SkData::Create (data, length, copyData);
    fOffset = 0;
    return fData != nullptr;
}

size_t SkMemoryStream::read (void *buffer, size_t size)
{
    size_t length = fData == nullptr ? 0 : fData->size ();
    if (buffer == nullptr && size == 0) {
        return length;
    }
    // The offset never passes the length: every read takes at most what is left.
    size_t n = SkTMin (size, length - (size_t)fOffset);
    if (buffer != nullptr && n != 0) {
        memcpy (buffer, fData->bytes () + fOffset, n);
    }
    fOffset += n;
    return n;
}

SkFileStream::SkFileStream (const char *path) : fFile (nullptr)
{
    if (path == nullptr) {
        return;
    }
    if (!fName.set (path)) {
        return;     // the name cannot be kept: the stream stays empty
    }
    fFile = SkFileOpenForRead (path);
}

SkFileStream::~SkFileStream ()
{
    if (fFile != nullptr) {
        SkFileClose (fFile);
    }
}

bool SkFileStream::rewind ()
{
    if (fFile == nullptr) {
        return false;
    }
    if (SkFileSeek (fFile, 0, kSkSeekSet) != EFI_SUCCESS) {
        // A file that cannot go back is of no further use to the stream.
        SkFileClose (fFile);
        fFile = nullptr;
        return false;
    }
    return true;
}

size_t SkFileStream::read (void *buffer, size_t size)
{
    if (fFile == nullptr) {
        return 0;
    }
    if (buffer == nullptr) {
        if (size == 0) {
            return SkFileSize (fFile);
        }
        if (size > INT64_MAX) {
            return 0;
        }
        return SkFileSeek (fFile, (int64_t)size, kSkSeekCur) == EFI_SUCCESS ? size : 0;
    }
    return SkFileRead (fFile, buffer, size);
}
