/*
 * The font host's registry: typefaces, families, the name table, the built-in font table,
 * stream typefaces and the custom font list, and FreeType's face records.
 */
#include "graphics/text/SkFontHost.h"

#include "graphics/core/SkTSearch.h"
#include "graphics/port/SkPortFile.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/host/SkFontHostPriv.h"
#include "graphics/text/SkGlyphCache.h"
#include "graphics/text/SkScalerContext.h"

namespace {

struct FamilyRec;

// ---------------------------------------------------------------------------------------
// Typefaces.

class FamilyTypeface : public SkTypeface {
public:
    FamilyTypeface (uint32_t style, bool sysFont, SkTypeface *familyMember, bool isFixedWidth);
    ~FamilyTypeface () override;
    bool ok () const { return fFamily != nullptr; }
    FamilyRec *family () const { return fFamily; }
    // Whether the typeface came from the built-in font table (a stream typeface did not).
    bool isSysFont () const { return fIsSysFont != 0; }

private:
    FamilyRec *fFamily;
    uint8_t fIsSysFont;
};

class StreamTypeface : public FamilyTypeface {
public:
    StreamTypeface (uint32_t style, SkStream *stream, bool isFixedWidth)
        : FamilyTypeface (style, false, nullptr, isFixedWidth), fStream (stream)
    {
        stream->ref ();
    }
    ~StreamTypeface () override { fStream->unref (); }
    SkStream *openStream () override
    {
        fStream->ref ();
        fStream->rewind ();
        return fStream;
    }

private:
    SkStream *fStream;
};

class FileTypeface : public FamilyTypeface {
public:
    FileTypeface (uint32_t style, bool sysFont, SkTypeface *familyMember, const char *path, bool isFixedWidth)
        : FamilyTypeface (style, sysFont, familyMember, isFixedWidth), fPath (path)
    {
    }
    SkStream *openStream () override
    {
        SkStream *stream = new SkFileStream (fPath.c_str ());
        if (stream != nullptr && stream->getLength () == 0) {
            stream->unref ();
            stream = nullptr;
        }
        return stream;
    }
    const char *getUniqueString () const override
    {
        const char *slash = strrchr (fPath.c_str (), '/');
        return slash == nullptr ? nullptr : slash + 1;
    }
    const char *getFilePath () const override { return fPath.c_str (); }

private:
    SkString fPath;
};

// ---------------------------------------------------------------------------------------
// Families and the name table.

struct FamilyRec {
    FamilyRec *fNext;
    SkTypeface *fFaces[4];
};

struct NameFamilyPair {
    char *fName;            // lower case, own heap copy
    FamilyRec *fFamily;
};

constinit uint32_t gUniqueFontID = 0;
constinit FamilyRec *gFamilyHead = nullptr;
constinit NameFamilyPair *gNames = nullptr;
constinit int gNameCount = 0;
constinit int gNameReserve = 0;

const int kMaxSystemFonts = 20;
const int kMaxCustomFonts = 19;
constinit SkTypeface *gSystemFonts[kMaxSystemFonts] = {};
constinit int gSystemFontCount = 0;
constinit uint32_t gCustomFontIDs[kMaxCustomFonts + 1] = {};
constinit int gCustomFontCount = 0;
constinit FamilyRec *gDefaultFamily = nullptr;
constinit SkTypeface *gDefaultNormal = nullptr;
constinit bool gSystemFontsLoaded = false;
constinit uint32_t gDefaultFontID = 0;
constinit bool gDefaultFontIDKnown = false;

FamilyTypeface::FamilyTypeface (uint32_t style, bool sysFont, SkTypeface *familyMember, bool isFixedWidth)
    : SkTypeface (style, ++gUniqueFontID, isFixedWidth), fFamily (nullptr), fIsSysFont (sysFont ? 1 : 0)
{
    if (familyMember != nullptr) {
        fFamily = ((FamilyTypeface *)familyMember)->fFamily;
    } else {
        fFamily = (FamilyRec *)sk_calloc (sizeof (FamilyRec));
        if (fFamily == nullptr) {
            return;
        }
        fFamily->fNext = gFamilyHead;
        gFamilyHead = fFamily;
    }
    fFamily->fFaces[style & 3] = this;
}

void remove_family_names (FamilyRec *family)
{
    int kept = 0;
    for (int i = 0; i < gNameCount; i++) {
        if (gNames[i].fFamily == family) {
            sk_free (gNames[i].fName);
        } else {
            gNames[kept++] = gNames[i];
        }
    }
    gNameCount = kept;
}

void unlink_family (FamilyRec *family)
{
    for (FamilyRec **link = &gFamilyHead; *link != nullptr; link = &(*link)->fNext) {
        if (*link == family) {
            *link = family->fNext;
            return;
        }
    }
}

FamilyTypeface::~FamilyTypeface ()
{
    if (fFamily == nullptr) {
        return;
    }
    for (SkTypeface *&slot : fFamily->fFaces) {
        if (slot == this) {
            slot = nullptr;
        }
    }
    for (SkTypeface *face : fFamily->fFaces) {
        if (face != nullptr) {
            return;
        }
    }
    remove_family_names (fFamily);
    unlink_family (fFamily);
    if (gDefaultFamily == fFamily) {
        gDefaultFamily = nullptr;
    }
    sk_free (fFamily);
}

SkTypeface *find_best_face (const FamilyRec *family)
{
    if (family == nullptr) {
        return nullptr;
    }
    if (family->fFaces[SkTypeface::kNormal] != nullptr) {
        return family->fFaces[SkTypeface::kNormal];
    }
    if (family->fFaces[SkTypeface::kItalic] != nullptr) {
        return family->fFaces[SkTypeface::kItalic];
    }
    for (SkTypeface *face : family->fFaces) {
        if (face != nullptr) {
            return face;
        }
    }
    return nullptr;
}

// Adds name (lower-cased) for family unless it is already there.
void add_name (const char *name, FamilyRec *family)
{
    int index = SkStrLCSearch (gNames, gNameCount, name, -1, sizeof (NameFamilyPair));
    if (index >= 0) {
        return;
    }
    index = ~index;
    if (gNameCount == gNameReserve) {
        int reserve = (int)SkGrowReserve ((size_t)gNameCount + 1);
        NameFamilyPair *names = (NameFamilyPair *)sk_realloc (gNames, reserve * sizeof (NameFamilyPair));
        if (names == nullptr) {
            return;     // the family stays reachable through its typefaces
        }
        gNames = names;
        gNameReserve = reserve;
    }
    size_t length = strlen (name);
    char *copy = (char *)sk_malloc (length + 1);
    if (copy == nullptr) {
        return;
    }
    for (size_t i = 0; i <= length; i++) {
        char c = name[i];
        copy[i] = (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
    }
    memmove (gNames + index + 1, gNames + index, (gNameCount - index) * sizeof (NameFamilyPair));
    gNames[index].fName = copy;
    gNames[index].fFamily = family;
    gNameCount++;
}

// ---------------------------------------------------------------------------------------
// The built-in font table. Only the first file is built in; the others are looked for and
// skipped when they cannot be opened.

struct FontInitRec {
    const char *fFileName;
    const char *const *fNames;      // null-terminated, or null: joins the previous family
};

const char *const kSansNames[] = { "sans-serif", "dejavu sans", "sans", "dejavu", "ui", nullptr };
const char *const kSerifNames[] = { "serif", "dejavu serif", "roman", "book", "text", "print", "body", "news",
                                    "fantasy", "cursive", "display", nullptr };
const char *const kMonoNames[] = { "monospace", "dejavu sans mono", "mono", "fixed", nullptr };

const FontInitRec kSystemFonts[] = {
    { kSkEmbeddedFontName, kSansNames },
    { "DejaVuSans-Bold.ttf", nullptr },
    { "DejaVuSerif.ttf", kSerifNames },
    { "DejaVuSerif-Bold.ttf", nullptr },
    { "DejaVuSerif-Italic.ttf", nullptr },
    { "DejaVuSansMono.ttf", kMonoNames },
};

// Makes the typeface of one table row; null when its file cannot be read.
SkTypeface *load_system_font (const FontInitRec &row, SkTypeface *familyMember)
{
    SkFileStream stream (row.fFileName);
    if (stream.getLength () == 0) {
        return nullptr;
    }
    SkString name;
    bool isFixedWidth = false;
    uint32_t style = SkFontHost_GetNameAndStyle (&stream, &name, &isFixedWidth);
    FileTypeface *face = new FileTypeface (style, true, familyMember, row.fFileName, isFixedWidth);
    if (face != nullptr && !face->ok ()) {
        face->unref ();
        face = nullptr;
    }
    return face;
}

void load_system_fonts ()
{
    if (gSystemFontsLoaded) {
        return;
    }
    gSystemFontsLoaded = true;
    SkTypeface *firstInFamily = nullptr;
    for (size_t i = 0; i < sizeof (kSystemFonts) / sizeof (kSystemFonts[0]); i++) {
        const FontInitRec &row = kSystemFonts[i];
        if (row.fNames != nullptr) {
            firstInFamily = nullptr;
        }
        SkTypeface *face = load_system_font (row, firstInFamily);
        if (face == nullptr || gSystemFontCount == kMaxSystemFonts) {
            SkSafeUnref (face);
            continue;
        }
        gSystemFonts[gSystemFontCount++] = face;
        if (row.fNames != nullptr) {
            firstInFamily = face;
            for (const char *const *name = row.fNames; *name != nullptr; name++) {
                add_name (*name, ((FamilyTypeface *)face)->family ());
            }
        }
        if (i == 0) {
            gDefaultFamily = ((FamilyTypeface *)face)->family ();
        }
    }
    gDefaultNormal = find_best_face (gDefaultFamily);
}

// ---------------------------------------------------------------------------------------
// FreeType's face records.

constinit FT_Library gFTLibrary = nullptr;
constinit int gFTCount = 0;
constinit SkFaceRec *gFaceRecHead = nullptr;

void free_face_rec (SkFaceRec *rec)
{
    SkSafeUnref (rec->fSkStream);
    sk_free (rec);
}

// Opens rec's face from the stream's memory when it has some, else through the stream.
bool open_face (SkFaceRec *rec)
{
    FT_Open_Args args;
    memset (&args, 0, sizeof (args));
    const void *memory = rec->fSkStream->getMemoryBase ();
    size_t length = rec->fSkStream->getLength ();
    if (memory != nullptr) {
        args.flags = FT_OPEN_MEMORY;
        args.memory_base = (const FT_Byte *)memory;
        args.memory_size = (FT_Long)length;
    } else {
        rec->fFTStream.size = (unsigned long)length;
        rec->fFTStream.descriptor.pointer = rec->fSkStream;
        rec->fFTStream.read = SkFontHost_StreamRead;
        args.flags = FT_OPEN_STREAM;
        args.stream = &rec->fFTStream;
    }
    return FT_Open_Face (gFTLibrary, &args, 0, &rec->fFace) == 0;
}

} // namespace

// ---------------------------------------------------------------------------------------

bool SkFontHost_RefLibrary (FT_Library *library)
{
    if (gFTCount == 0 && FT_Init_FreeType (&gFTLibrary) != 0) {
        gFTLibrary = nullptr;
        return false;
    }
    gFTCount++;
    *library = gFTLibrary;
    return true;
}

void SkFontHost_UnrefLibrary ()
{
    if (gFTCount > 0 && --gFTCount == 0) {
        FT_Done_FreeType (gFTLibrary);
        gFTLibrary = nullptr;
    }
}

SkFaceRec *SkFontHost_RefFace (uint32_t fontID)
{
    for (SkFaceRec *rec = gFaceRecHead; rec != nullptr; rec = rec->fNext) {
        if (rec->fFontID == fontID) {
            rec->fRefCnt++;
            return rec;
        }
    }
    SkTypeface *typeface = SkFontHost_FindTypeface (fontID);
    SkStream *stream = typeface == nullptr || gFTLibrary == nullptr ? nullptr : typeface->openStream ();
    if (stream == nullptr) {
        return nullptr;
    }
    SkFaceRec *rec = (SkFaceRec *)sk_calloc (sizeof (SkFaceRec));
    if (rec == nullptr || stream->getLength () == 0) {
        stream->unref ();
        sk_free (rec);
        return nullptr;
    }
    rec->fSkStream = stream;
    rec->fFontID = fontID;
    if (!open_face (rec)) {
        free_face_rec (rec);
        return nullptr;
    }
    rec->fRefCnt = 1;
    rec->fNext = gFaceRecHead;
    gFaceRecHead = rec;
    return rec;
}

void SkFontHost_UnrefFace (SkFaceRec *rec)
{
    if (rec == nullptr || --rec->fRefCnt != 0) {
        return;
    }
    for (SkFaceRec **link = &gFaceRecHead; *link != nullptr; link = &(*link)->fNext) {
        if (*link == rec) {
            *link = rec->fNext;
            break;
        }
    }
    FT_Done_Face (rec->fFace);
    free_face_rec (rec);
}

unsigned long SkFontHost_StreamRead (FT_Stream ftStream, unsigned long offset, unsigned char *buffer,
                                     unsigned long count)
{
    if (count == 0) {
        return 0;
    }
    SkStream *stream = (SkStream *)ftStream->descriptor.pointer;
    if (!stream->rewind ()) {
        return 0;
    }
    if (offset != 0 && stream->skip (offset) != offset) {
        return 0;
    }
    return stream->read (buffer, count) == count ? count : 0;
}

uint32_t SkFontHost_GetNameAndStyle (SkStream *stream, SkString *name, bool *isFixedWidth)
{
    name->reset ();
    *isFixedWidth = false;
    FT_Library library;
    if (FT_Init_FreeType (&library) != 0) {
        return 0;
    }
    SkFaceRec rec;
    memset (&rec, 0, sizeof (rec));
    rec.fSkStream = stream;
    FT_Library saved = gFTLibrary;
    gFTLibrary = library;
    bool opened = open_face (&rec);
    gFTLibrary = saved;
    uint32_t style = 0;
    if (opened) {
        FT_Face face = rec.fFace;
        if (face->family_name == nullptr || !name->set (face->family_name)) {
            name->reset ();
        }
        style = ((face->style_flags & FT_STYLE_FLAG_BOLD) ? SkTypeface::kBold : 0)
              | ((face->style_flags & FT_STYLE_FLAG_ITALIC) ? SkTypeface::kItalic : 0);
        *isFixedWidth = FT_IS_FIXED_WIDTH (face);
        FT_Done_Face (face);
    }
    FT_Done_FreeType (library);
    return style;
}

SkTypeface *SkFontHost_FindTypeface (uint32_t id)
{
    for (FamilyRec *family = gFamilyHead; family != nullptr; family = family->fNext) {
        for (SkTypeface *face : family->fFaces) {
            if (face != nullptr && face->uniqueID () == id) {
                return face;
            }
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------

uint32_t SkTypeface::UniqueID (const SkTypeface *typeface)
{
    if (typeface != nullptr) {
        return typeface->uniqueID ();
    }
    if (!gDefaultFontIDKnown) {
        load_system_fonts ();
        SkTypeface *face = find_best_face (gDefaultFamily);
        gDefaultFontID = face == nullptr ? 0 : face->uniqueID ();
        gDefaultFontIDKnown = true;
    }
    return gDefaultFontID;
}

SkTypeface *SkFontHost::CreateTypefaceFromStream (SkStream *stream)
{
    if (stream == nullptr || stream->getLength () == 0) {
        return nullptr;
    }
    SkString name;
    bool isFixedWidth = false;
    uint32_t style = SkFontHost_GetNameAndStyle (stream, &name, &isFixedWidth);
    if (name.isEmpty ()) {
        return nullptr;
    }
    StreamTypeface *face = new StreamTypeface (style, stream, isFixedWidth);
    if (face == nullptr) {
        return nullptr;
    }
    if (!face->ok ()) {
        face->unref ();
        return nullptr;
    }
    // A full list keeps its fonts: the new typeface works but is not a fallback.
    if (gCustomFontCount < kMaxCustomFonts) {
        gCustomFontIDs[gCustomFontCount++] = face->uniqueID ();
        gCustomFontIDs[gCustomFontCount] = 0;
    }
    return face;
}

SkTypeface *SkFontHost::CreateTypefaceFromName (const char *familyName, SkTypeface::Style style)
{
    load_system_fonts ();
    int index = SkStrLCSearch (gNames, gNameCount, familyName, -1, sizeof (NameFamilyPair));
    if (index < 0) {
        return nullptr;
    }
    FamilyRec *family = gNames[index].fFamily;
    SkTypeface *face = family->fFaces[style & 3];
    if (face == nullptr) {
        face = find_best_face (family);
    }
    SkSafeRef (face);
    return face;
}

uint32_t SkFontHost::NextLogicalFont (uint32_t fontID)
{
    load_system_fonts ();
    for (int i = 0; i < gCustomFontCount; i++) {
        if (gCustomFontIDs[i] == fontID) {
            return gCustomFontIDs[i + 1];
        }
    }
    return gCustomFontIDs[0];
}

void SkFontHost::Unload ()
{
    SkGlyphCache::PurgeAll ();
    for (int i = 0; i < gSystemFontCount; i++) {
        gSystemFonts[i]->unref ();
        gSystemFonts[i] = nullptr;
    }
    gSystemFontCount = 0;
    for (int i = 0; i < gNameCount; i++) {
        sk_free (gNames[i].fName);
    }
    sk_free (gNames);
    gNames = nullptr;
    gNameCount = gNameReserve = 0;
    gDefaultFamily = nullptr;
    gDefaultNormal = nullptr;
    gSystemFontsLoaded = false;
    gDefaultFontIDKnown = false;
}

int SkFontHost::CountFamilies ()
{
    int count = 0;
    for (FamilyRec *family = gFamilyHead; family != nullptr; family = family->fNext) {
        count++;
    }
    return count;
}

int SkFontHost::CountNames ()
{
    return gNameCount;
}

int SkFontHost::NameAt (int index, const char **name)
{
    if (index < 0 || index >= gNameCount) {
        return -1;
    }
    *name = gNames[index].fName;
    return index;
}
