/*
 * SkString, an 8-bit string whose text lives in a shared, copy-on-write record. An empty
 * string points at one static record that is never counted or freed.
 */
#ifndef GRAPHICS_CORE_SKSTRING_H_
#define GRAPHICS_CORE_SKSTRING_H_

#include "graphics/core/SkTypes.h"

class SkString {
public:
    // The header of a record; its ((length >> 2) + 1) * 4 characters of room follow it in
    // the same block, so that a string costs one allocation.
    struct Rec {
        uint64_t fLength;     // characters, without the terminator
        uint32_t fRefCnt;     // 0 only for the static empty record

        char *text () { return reinterpret_cast<char *> (this + 1); }
        const char *text () const { return reinterpret_cast<const char *> (this + 1); }
    };

    SkString ();
    explicit SkString (const char *text);
    SkString (const char *text, size_t len);
    SkString (const SkString &other);
    ~SkString ();
    SkString &operator= (const SkString &other);
    SkString &operator= (const char *text) { set (text); return *this; }

    size_t size () const { return (size_t)fRec->fLength; }
    const char *c_str () const { return fRec->text (); }
    bool isEmpty () const { return fRec->fLength == 0; }
    bool equals (const SkString &other) const;
    bool equals (const char *text) const;
    bool equals (const char *text, size_t len) const;
    bool operator== (const SkString &other) const { return equals (other); }

    // Points the string at the empty record.
    void reset ();
    // A writable pointer to the characters; a shared record is copied first. Null only when
    // that copy cannot be allocated.
    char *writable_str ();
    // Replaces the text; the record is reused in place when it is not shared and the new
    // text fits its room. False when memory runs out (the string is then left unchanged).
    bool set (const char *text);
    bool set (const char *text, size_t len);
    bool append (const char *text);
    bool append (const char *text, size_t len);
    void swap (SkString &other) { SkTSwap (fRec, other.fRec); }

    // The record of len characters copied from text (uninitialised when text is null);
    // the empty record for len 0; null when memory runs out.
    static Rec *AllocRec (const char *text, size_t len);
    static void unrefRec (Rec *rec);
    static const Rec *EmptyRec ();

    const Rec *rec () const { return fRec; }   // for tests of record sharing

private:
    Rec *fRec;
};

#endif
