/*
 * The readers of the effects share one rule: an object read from short or corrupt data is
 * half made, so it is dropped rather than handed out.
 */
#ifndef GRAPHICS_EFFECTS_SKREADPRIV_H_
#define GRAPHICS_EFFECTS_SKREADPRIV_H_

#include "graphics/flatten/SkFlattenable.h"

// A new T read from buffer, or null when memory ran out or the buffer failed while reading.
template <typename T> SkFlattenable *SkReadUnlessFailed (SkFlattenableReadBuffer &buffer)
{
    T *obj = new T (buffer);
    if (obj != nullptr && buffer.failed ()) {
        obj->unref ();
        return nullptr;
    }
    return obj;
}

#endif
