/*
 * SkString: shared copy-on-write records.
 */
#include "graphics/core/SkString.h"

namespace {

SkString::Rec gEmptyRec = { 0, 0, { 0 } };

size_t rec_bytes (size_t len)
{
    return offsetof (SkString::Rec, fText) + ((len >> 2) + 1) * 4;
}

} // namespace

const SkString::Rec *SkString::EmptyRec () { return &gEmptyRec; }

SkString::Rec *SkString::AllocRec (const char *text, size_t len)
{
    if (len == 0) {
        return &gEmptyRec;
    }
    if (len > SIZE_MAX / 2) {
        return nullptr;
    }
    Rec *rec = (Rec *)sk_malloc (rec_bytes (len));
    if (rec == nullptr) {
        return nullptr;
    }
    rec->fLength = len;
    rec->fRefCnt = 1;
    if (text != nullptr) {
        memcpy (rec->fText, text, len);
    }
    rec->fText[len] = 0;
    return rec;
}

void SkString::unrefRec (Rec *rec)
{
    if (rec == nullptr || rec->fLength == 0) {
        return;
    }
    SkASSERT (rec->fRefCnt > 0);
    if (--rec->fRefCnt == 0) {
        sk_free (rec);
    }
}

SkString::SkString () : fRec (&gEmptyRec) {}

SkString::SkString (const char *text) : fRec (&gEmptyRec)
{
    set (text);
}

SkString::SkString (const char *text, size_t len) : fRec (&gEmptyRec)
{
    set (text, len);
}

SkString::SkString (const SkString &other) : fRec (other.fRec)
{
    if (fRec->fLength != 0) {
        fRec->fRefCnt++;
    }
}

SkString::~SkString ()
{
    unrefRec (fRec);
}

SkString &SkString::operator= (const SkString &other)
{
    if (this != &other) {
        if (other.fRec->fLength != 0) {
            other.fRec->fRefCnt++;
        }
        unrefRec (fRec);
        fRec = other.fRec;
    }
    return *this;
}

bool SkString::equals (const char *text, size_t len) const
{
    return fRec->fLength == len && (len == 0 || memcmp (fRec->fText, text, len) == 0);
}

bool SkString::equals (const SkString &other) const
{
    return fRec == other.fRec || equals (other.c_str (), other.size ());
}

bool SkString::equals (const char *text) const
{
    return equals (text, text != nullptr ? strlen (text) : 0);
}

void SkString::reset ()
{
    unrefRec (fRec);
    fRec = &gEmptyRec;
}

char *SkString::writable_str ()
{
    if (fRec->fLength != 0 && fRec->fRefCnt > 1) {
        Rec *copy = AllocRec (fRec->fText, (size_t)fRec->fLength);
        if (copy == nullptr) {
            return nullptr;
        }
        unrefRec (fRec);
        fRec = copy;
    }
    return fRec->fText;
}

bool SkString::set (const char *text)
{
    return set (text, text != nullptr ? strlen (text) : 0);
}

bool SkString::set (const char *text, size_t len)
{
    if (len == 0) {
        reset ();
        return true;
    }
    // The static empty record has count 0, so it is never written in place.
    if (fRec->fRefCnt == 1 && (len <= fRec->fLength || (len >> 2) == (fRec->fLength >> 2))) {
        if (text != nullptr) {
            memmove (fRec->fText, text, len);
        }
        fRec->fText[len] = 0;
        fRec->fLength = len;
        return true;
    }
    Rec *rec = AllocRec (text, len);
    if (rec == nullptr) {
        return false;
    }
    unrefRec (fRec);
    fRec = rec;
    return true;
}

bool SkString::append (const char *text)
{
    return append (text, text != nullptr ? strlen (text) : 0);
}

bool SkString::append (const char *text, size_t len)
{
    if (len == 0) {
        return true;
    }
    size_t oldLen = (size_t)fRec->fLength;
    Rec *rec = AllocRec (nullptr, oldLen + len);
    if (rec == nullptr) {
        return false;
    }
    memcpy (rec->fText, fRec->fText, oldLen);
    memcpy (rec->fText + oldLen, text, len);
    unrefRec (fRec);
    fRec = rec;
    return true;
}
