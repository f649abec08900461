/*
 * Streams: how the library reads fonts and images. SkMemoryStream reads a blob of memory;
 * SkFileStream reads a file of the port's file layer (SkPortFile.h), built-in or on a volume.
 */
#ifndef GRAPHICS_PORT_SKSTREAM_H_
#define GRAPHICS_PORT_SKSTREAM_H_

#include "graphics/core/SkData.h"
#include "graphics/core/SkString.h"

struct SkPortFile;

class SkStream : public SkRefCnt {
public:
    // Back at the start: true; false when the stream cannot go back.
    virtual bool rewind () { return false; }
    // The name the stream was opened with, or null.
    virtual const char *getFileName () { return nullptr; }
    // Reads up to size bytes into buffer and returns the count. A null buffer with size 0
    // asks for the total length; a null buffer with a size skips that many bytes.
    virtual size_t read (void *buffer, size_t size) { (void)buffer; (void)size; return 0; }
    // The memory behind the stream, or null when it has none.
    virtual const void *getMemoryBase () { return nullptr; }

    size_t getLength () { return read (nullptr, 0); }
    size_t skip (size_t size) { return size == 0 ? 0 : read (nullptr, size); }
};

class SkMemoryStream : public SkStream {
public:
    // Wraps the caller's memory without copying; the caller keeps it alive.
    SkMemoryStream (const void *data, size_t length);
    ~SkMemoryStream () override;
    // Drops the current blob and takes a new one (copied when copyData). False when memory
    // runs out; the stream is then empty.
    bool setMemory (const void *data, size_t length, bool copyData);

    bool rewind () override { fOffset = 0; return true; }
    size_t read (void *buffer, size_t size) override;
    const void *getMemoryBase () override { return fData == nullptr ? nullptr : fData->data (); }

private:
    SkData *fData;
    uint64_t fOffset;
};

class SkFileStream : public SkStream {
public:
    // Opens path for reading through the file layer; a null path opens nothing, and a
    // stream without a file reads nothing.
    explicit SkFileStream (const char *path);
    ~SkFileStream () override;
    bool isValid () const { return fFile != nullptr; }

    bool rewind () override;
    const char *getFileName () override { return fName.c_str (); }
    size_t read (void *buffer, size_t size) override;

private:
    SkPortFile *fFile;
    SkString fName;
};

#endif
