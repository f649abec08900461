/*
 * SkString: shared copy-on-write records.
 */
#include "graphics/core/SkString.h"

namespace {

// The empty record needs room for its terminator right behind its header, where text ()
// looks for it.
struct EmptyRecStorage {
    SkString::Rec fHeader;
    char fText[4];
};
static_assert (offsetof (EmptyRecStorage, fText) == sizeof (SkString::Rec),
               "the empty record's text must follow its header");

EmptyRecStorage gEmptyStorage = { { 0, 0 }, { 0 } };
SkString::Rec &gEmptyRec = gEmptyStorage.fHeader;

size_t rec_bytes (size_t len)
{
    return sizeof (SkString::Rec) + ((len >> 2) + 1) * 4;
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
        memcpy (rec->text (), text, len);
    }
    rec->text ()[len] = 0;
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
    return fRec->fLength == len && (len == 0 || memcmp (fRec->text (), text, len) == 0);
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
        Rec *copy = AllocRec (fRec->text (), (size_t)fRec->fLength);
        if (copy == nullptr) {
            return nullptr;
        }
        unrefRec (fRec);
        fRec = copy;
    }
    return fRec->text ();
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
    // The static empty record (count 0) is never written in place. Its address is tested
    // too: the compiler cannot know that count stays 0, and would otherwise take a new
    // string's first set () for a write past the empty record's room.
    bool ownsRec = fRec != &gEmptyRec && fRec->fRefCnt == 1;
    if (ownsRec && (len <= fRec->fLength || (len >> 2) == (fRec->fLength >> 2))) {
        if (text != nullptr) {
            memmove (fRec->text (), text, len);
        }
        fRec->text ()[len] = 0;
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
    memcpy (rec->text (), fRec->text (), oldLen);
    memcpy (rec->text () + oldLen, text, len);
    unrefRec (fRec);
    fRec = rec;
    return true;
}
