/*
 * SkData: immutable blobs and the one shared empty blob.
 */
#include "graphics/core/SkData.h"

namespace {
SkData *gEmptyData = nullptr;   // held for the rest of the run once made
}

void sk_free_proc (const void *data, size_t, void *)
{
    sk_free ((void *)data);
}

SkData::SkData (const void *ptr, size_t size, ReleaseProc proc, void *context)
    : fReleaseProc (proc), fReleaseProcContext (context), fPtr (ptr), fSize (size)
{
}

SkData::~SkData ()
{
    if (fReleaseProc != nullptr) {
        fReleaseProc (fPtr, (size_t)fSize, fReleaseProcContext);
    }
}

SkData *SkData::NewEmpty ()
{
    if (gEmptyData == nullptr) {
        gEmptyData = new SkData (nullptr, 0, nullptr, nullptr);
        if (gEmptyData == nullptr) {
            return nullptr;
        }
    }
    gEmptyData->ref ();
    return gEmptyData;
}

SkData *SkData::Create (const void *data, size_t length, bool copyData)
{
    if (!copyData) {
        return new SkData (data, length, nullptr, nullptr);
    }
    if (length == 0) {
        return NewEmpty ();
    }
    void *copy = sk_malloc (length);
    if (copy == nullptr) {
        return nullptr;
    }
    if (data != nullptr) {
        memcpy (copy, data, length);
    } else {
        memset (copy, 0, length);
    }
    SkData *blob = new SkData (copy, length, sk_free_proc, nullptr);
    if (blob == nullptr) {
        sk_free (copy);
    }
    return blob;
}

SkData *SkData::CreateWithProc (const void *data, size_t length, ReleaseProc proc, void *context)
{
    return new SkData (data, length, proc, context);
}
