/*
 * SkData, a reference-counted immutable byte blob, optionally with a procedure that
 * releases the bytes when the blob dies.
 */
#ifndef GRAPHICS_CORE_SKDATA_H_
#define GRAPHICS_CORE_SKDATA_H_

#include "graphics/core/SkRefCnt.h"

class SkData : public SkRefCnt {
public:
    typedef void (*ReleaseProc) (const void *data, size_t size, void *context);

    const void *data () const { return fPtr; }
    const uint8_t *bytes () const { return (const uint8_t *)fPtr; }
    size_t size () const { return (size_t)fSize; }
    bool isEmpty () const { return fSize == 0; }

    // copyData: length 0 gives the shared empty blob (one more reference); otherwise the
    // bytes are copied into new memory that the blob frees. Without copyData the blob points
    // at the caller's memory, which the caller keeps alive. Null when memory runs out.
    static SkData *Create (const void *data, size_t length, bool copyData);
    // A blob over data whose release procedure is called with (data, length, context).
    static SkData *CreateWithProc (const void *data, size_t length, ReleaseProc proc, void *context);
    // The shared empty blob with one more reference; null only when it cannot be made.
    static SkData *NewEmpty ();

    ~SkData () override;

private:
    SkData (const void *ptr, size_t size, ReleaseProc proc, void *context);

    ReleaseProc fReleaseProc;
    void *fReleaseProcContext;
    const void *fPtr;
    uint64_t fSize;
};

// Release procedure that frees a copy made by SkData::Create (null does nothing).
void sk_free_proc (const void *data, size_t size, void *context);

#endif
