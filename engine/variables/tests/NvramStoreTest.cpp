// The NVRAM store-image reader over images from the builders' writer and over
// hand-broken copies of them. Every image sits in a heap buffer of exactly its size,
// so a read past its end is caught by the address sanitizer.
#include <Builders/NvramImageBuilder.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/VariableGuids.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Builders::BYTES;
using Builders::NVAR_IMAGE;
using Builders::NVAR_VARIABLE_DESC;

constexpr EFI_GUID  kVendorA = { 0x4599D26F, 0x1A11, 0x49B8, { 0xB9, 0x1F, 0x85, 0x87, 0x45, 0xCF, 0xF8, 0x24 } };
constexpr EFI_GUID  kVendorB = BOARD_SETUP_VARIABLE_GUID;

// One image in an exact-size buffer, opened with a store cursor.
class OpenImage {
public:
  explicit OpenImage (const BYTES &Bytes, BOOLEAN CheckChecksum = TRUE)
    : mSize (Bytes.size ()), mBuffer (new UINT8[Bytes.size () == 0 ? 1 : Bytes.size ()])
  {
    std::copy (Bytes.begin (), Bytes.end (), mBuffer.get ());
    Store.Base = mBuffer.get ();
    Store.Size = mSize;
    Status     = InitNvarStore (&Store, 0, CheckChecksum, nullptr);
  }

  // The variable's data, or the status of a failed read.
  EFI_STATUS Read (const char16_t *Name, const EFI_GUID &Guid, BYTES &Data)
  {
    UINTN       Size = 0;
    EFI_STATUS  Result = NvarGetVariable (Name, &Guid, nullptr, &Size, nullptr, &Store, nullptr);

    Data.assign (Size, 0);
    if (Result == EFI_BUFFER_TOO_SMALL) {
      Result = NvarGetVariable (Name, &Guid, nullptr, &Size, Data.data (), &Store, nullptr);
    }

    return Result;
  }

  BYTES Data (const char16_t *Name, const EFI_GUID &Guid)
  {
    BYTES  Data;

    EXPECT_EQ (Read (Name, Guid, Data), EFI_SUCCESS);
    return Data;
  }

  EFI_STATUS  Status;
  NVAR_STORE  Store {};

private:
  size_t                      mSize;
  std::unique_ptr<UINT8 []>   mBuffer;
};

NVAR_VARIABLE_DESC
Var (std::u16string Name, const EFI_GUID &Guid, BYTES Data)
{
  NVAR_VARIABLE_DESC  V;

  V.Name = std::move (Name);
  V.Guid = Guid;
  V.Data = std::move (Data);
  return V;
}

// Setup (indexed GUID, UTF-16), Lang (inline GUID, 8-bit name), Other (second table entry).
std::vector<NVAR_VARIABLE_DESC>
ThreeVariablesDesc ()
{
  NVAR_VARIABLE_DESC  Lang = Var (u"Lang", kVendorA, { 'e', 'n' });

  Lang.InlineGuid = true;
  Lang.AsciiName  = true;
  return { Var (u"Setup", kVendorA, { 1, 2, 3, 4 }), Lang, Var (u"Other", kVendorB, { 9 }) };
}

NVAR_IMAGE
ThreeVariables ()
{
  return Builders::BuildNvarImage (ThreeVariablesDesc ());
}

// Indexed and inline GUIDs, both name forms; name and GUID must both match wholly.
TEST (NvramStore, ReadsIndexedAndInlineGuidsWithBothNameForms) {
  OpenImage  Image (ThreeVariables ().Bytes);
  BYTES      Data;

  ASSERT_EQ (Image.Status, EFI_SUCCESS);
  EXPECT_EQ (Image.Data (u"Setup", kVendorA), (BYTES { 1, 2, 3, 4 }));
  EXPECT_EQ (Image.Data (u"Lang", kVendorA), (BYTES { 'e', 'n' }));
  EXPECT_EQ (Image.Data (u"Other", kVendorB), (BYTES { 9 }));
  EXPECT_EQ (Image.Read (u"Setup", kVendorB, Data), EFI_NOT_FOUND);
  EXPECT_EQ (Image.Read (u"Setu", kVendorA, Data), EFI_NOT_FOUND);
  EXPECT_EQ (Image.Read (u"SetupX", kVendorA, Data), EFI_NOT_FOUND);
  EXPECT_EQ (Image.Read (u"lang", kVendorA, Data), EFI_NOT_FOUND);
}

TEST (NvramStore, GetVariableFollowsTheTwoCallSizeProtocol) {
  OpenImage  Image (ThreeVariables ().Bytes);
  UINT8      Buffer[8] = {};
  UINT32     Attributes = 0;
  UINTN      Size = 0;

  EXPECT_EQ (NvarGetVariable (u"Setup", &kVendorA, &Attributes, &Size, nullptr, &Image.Store, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 4u);
  Size = 3;
  EXPECT_EQ (NvarGetVariable (u"Setup", &kVendorA, nullptr, &Size, Buffer, &Image.Store, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 4u);
  EXPECT_EQ (Buffer[0], 0);                       // nothing copied into a short buffer
  Size = sizeof (Buffer);
  EXPECT_EQ (NvarGetVariable (u"Setup", &kVendorA, &Attributes, &Size, Buffer, &Image.Store, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Size, 4u);
  EXPECT_EQ (BYTES (Buffer, Buffer + 4), (BYTES { 1, 2, 3, 4 }));
  EXPECT_EQ (Attributes, (UINT32)(EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS));
}

TEST (NvramStore, GetVariableRefusesMissingArguments) {
  OpenImage  Image (ThreeVariables ().Bytes);
  UINT8      Buffer[4];
  UINTN      Size = 4;

  EXPECT_EQ (NvarGetVariable (nullptr, &kVendorA, nullptr, &Size, Buffer, &Image.Store, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (NvarGetVariable (u"Setup", nullptr, nullptr, &Size, Buffer, &Image.Store, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (NvarGetVariable (u"Setup", &kVendorA, nullptr, nullptr, Buffer, &Image.Store, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (NvarGetVariable (u"Setup", &kVendorA, nullptr, &Size, nullptr, &Image.Store, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (NvarGetVariable (u"Nothing", &kVendorA, nullptr, &Size, Buffer, &Image.Store, nullptr), EFI_NOT_FOUND);
  NVAR_STORE  Empty {};
  EXPECT_EQ (InitNvarStore (&Empty, 0, TRUE, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (InitNvarStore (nullptr, 0, TRUE, nullptr), EFI_INVALID_PARAMETER);
}

TEST (NvramStore, LinkedCopiesGiveTheNewestData) {
  NVAR_VARIABLE_DESC  Two = Var (u"Two", kVendorA, { 0xA0 });
  NVAR_VARIABLE_DESC  Three = Var (u"Three", kVendorA, { 0xB0 });

  Two.NewerCopies   = { { 0xA1, 0xA1 } };
  Three.NewerCopies = { { 0xB1 }, { 0xB2, 0xB2, 0xB2 } };
  OpenImage  Image (Builders::BuildNvarImage ({ Two, Three, Var (u"After", kVendorA, { 7 }) }).Bytes);

  EXPECT_EQ (Image.Data (u"Two", kVendorA), (BYTES { 0xA1, 0xA1 }));
  EXPECT_EQ (Image.Data (u"Three", kVendorA), (BYTES { 0xB2, 0xB2, 0xB2 }));
  EXPECT_EQ (Image.Data (u"After", kVendorA), (BYTES { 7 }));
}

TEST (NvramStore, ABrokenNewerCopyLeavesTheLastValidOne) {
  NVAR_VARIABLE_DESC  V = Var (u"V", kVendorA, { 1 });

  V.NewerCopies = { { 2 }, { 3 } };
  NVAR_IMAGE  Built = Builders::BuildNvarImage ({ V });
  Built.Bytes[Built.Copies[0][1]] = 'X';          // signature of the newest copy
  OpenImage   Image (Built.Bytes);

  EXPECT_EQ (Image.Data (u"V", kVendorA), (BYTES { 2 }));
}

// Only valid head records are found; an erased flags byte is stepped over by size.
TEST (NvramStore, OnlyValidHeadRecordsAreFound) {
  for (bool Erased : { false, true }) {
    NVAR_IMAGE  Built = Builders::BuildNvarImage ({ Var (u"Old", kVendorA, { 1 }), Var (u"Kept", kVendorA, { 2 }) });
    uint8_t     &Flags = Built.Bytes[Built.Heads[0] + 9];

    Flags = Erased ? 0xFF : (uint8_t)(Flags & ~NVAR_FLAG_VALID);
    OpenImage  Image (Built.Bytes);
    BYTES      Data;

    EXPECT_EQ (Image.Read (u"Old", kVendorA, Data), EFI_NOT_FOUND) << Erased;
    EXPECT_EQ (Image.Data (u"Kept", kVendorA), (BYTES { 2 })) << Erased;
    EXPECT_EQ (FirstNvarRecord (&Image.Store), Image.Store.Base + Built.Heads[1]) << Erased;
    EXPECT_EQ (NextNvarRecord (FirstNvarRecord (&Image.Store), &Image.Store), nullptr) << Erased;
  }
}

// The walk stops at an erased, too small or too large size (a record running past the
// image).
TEST (NvramStore, TheWalkStopsAtAnErasedOrTooSmallSize) {
  for (uint16_t Size : { (uint16_t)0xFFFF, (uint16_t)10, (uint16_t)0, (uint16_t)0xFFF0 }) {
    NVAR_IMAGE  Built = Builders::BuildNvarImage ({ Var (u"First", kVendorA, { 1 }), Var (u"Behind", kVendorA, { 2 }),
                                                    Var (u"Last", kVendorA, { 3 }) });

    Builders::PutU16 (Built.Bytes, Built.Heads[1] + 4, Size);
    OpenImage  Image (Built.Bytes);
    BYTES      Data;

    EXPECT_EQ (Image.Data (u"First", kVendorA), (BYTES { 1 })) << Size;
    EXPECT_EQ (Image.Read (u"Behind", kVendorA, Data), EFI_NOT_FOUND) << Size;
    EXPECT_EQ (Image.Read (u"Last", kVendorA, Data), EFI_NOT_FOUND) << Size;
  }
}

// A GUID index that reaches below the GUID table (into the records) or out of the
// image names no GUID. Index 3 lands on the last 16 bytes of the record area, which
// here hold B's own vendor GUID as data: read as a table entry, it would match.
TEST (NvramStore, AGuidIndexOutsideTheTableIsRefused) {
  BYTES       GuidBytes ((const uint8_t *)&kVendorB, (const uint8_t *)&kVendorB + sizeof (EFI_GUID));
  NVAR_IMAGE  Built = Builders::BuildNvarImage ({ Var (u"A", kVendorA, { 1 }), Var (u"B", kVendorB, GuidBytes) }, 16);

  ASSERT_EQ (Built.Bytes.size () - 4 * 16, Built.RecordAreaEnd - 16);
  for (uint8_t Index : { (uint8_t)3, (uint8_t)0xFF }) {
    BYTES  Bytes = Built.Bytes;

    Bytes[Built.Heads[1] + 10] = Index;
    OpenImage  Image (Bytes);
    BYTES      Data;

    EXPECT_EQ (Image.Store.GuidTableEnd, Image.Store.Base + Built.RecordAreaEnd);
    EXPECT_EQ (Image.Read (u"B", kVendorB, Data), EFI_NOT_FOUND) << (int)Index;
    EXPECT_EQ (Image.Data (u"A", kVendorA), (BYTES { 1 })) << (int)Index;
  }
}

TEST (NvramStore, ANameWithoutTerminatorInsideItsRecordIsRefused) {
  NVAR_VARIABLE_DESC  Ascii = Var (u"Name", kVendorA, {});

  Ascii.AsciiName = true;
  for (const NVAR_VARIABLE_DESC &V : { Var (u"Name", kVendorA, {}), Ascii }) {
    NVAR_IMAGE  Built = Builders::BuildNvarImage ({ V });
    size_t      Size  = Builders::GetU16 (Built.Bytes, 4);

    Built.Bytes[Size - 1] = 'x';                 // the terminator's last byte
    if (!V.AsciiName) {
      Built.Bytes[Size - 2] = 'x';
    }

    OpenImage  Image (Built.Bytes);
    BYTES      Data;
    EXPECT_EQ (Image.Read (u"Name", kVendorA, Data), EFI_NOT_FOUND);
  }
}

TEST (NvramStore, ExtendedFieldsGiveTheDataSize) {
  NVAR_VARIABLE_DESC  V = Var (u"Ext", kVendorA, { 5, 6, 7 });

  V.Extended = true;
  V.Slack    = 4;
  NVAR_IMAGE  Built = Builders::BuildNvarImage ({ V });
  OpenImage   Image (Built.Bytes);

  EXPECT_EQ (Image.Data (u"Ext", kVendorA), (BYTES { 5, 6, 7 }));

  // A stated size beyond the room between the name and the extended fields.
  size_t  Fields = Builders::GetU16 (Built.Bytes, 4) - NVAR_EXTENDED_SIZE;
  Builders::PutU32 (Built.Bytes, Fields + 2, 3 + 4 + 1);
  OpenImage  TooLong (Built.Bytes);
  BYTES      Data;
  EXPECT_EQ (TooLong.Read (u"Ext", kVendorA, Data), EFI_NOT_FOUND);
  Builders::PutU32 (Built.Bytes, Fields + 2, 0xFFFFFFFF);
  OpenImage  Huge (Built.Bytes);
  EXPECT_EQ (Huge.Read (u"Ext", kVendorA, Data), EFI_NOT_FOUND);
}

TEST (NvramStore, ARecordWithAWrongChecksumIsInvalidUnlessChecksumsAreOff) {
  NVAR_VARIABLE_DESC  V = Var (u"Sum", kVendorA, { 1, 2, 3 });

  V.Checksum    = true;
  V.NewerCopies = { { 4, 5 } };
  NVAR_IMAGE  Built = Builders::BuildNvarImage ({ V });

  EXPECT_EQ (OpenImage (Built.Bytes).Data (u"Sum", kVendorA), (BYTES { 4, 5 }));
  Built.Bytes[Built.Copies[0][0] + NVAR_HEADER_SIZE] ^= 0x40;   // the copy's data, checksum now wrong
  EXPECT_EQ (OpenImage (Built.Bytes).Data (u"Sum", kVendorA), (BYTES { 1, 2, 3 }));
  EXPECT_EQ (OpenImage (Built.Bytes, FALSE).Data (u"Sum", kVendorA), (BYTES { 0x44, 5 }));
  Builders::SealNvarRecord (Built.Bytes, Built.Copies[0][0]);
  EXPECT_EQ (OpenImage (Built.Bytes).Data (u"Sum", kVendorA), (BYTES { 0x44, 5 }));
}

TEST (NvramStore, LinksMustPointForwardPastTheRecordAndInsideTheImage) {
  NVAR_VARIABLE_DESC  V = Var (u"V", kVendorA, { 1 });

  V.NewerCopies = { { 2 } };
  NVAR_IMAGE  Built = Builders::BuildNvarImage ({ V });
  size_t      HeadSize = Builders::GetU16 (Built.Bytes, 4);

  // A link shorter than its record (here: to itself) or past the image makes the
  // head invalid; a chain can therefore never loop.
  for (uint32_t Link : { (uint32_t)0, (uint32_t)(HeadSize - 1), (uint32_t)Built.Bytes.size (), (uint32_t)0xFFFFFE }) {
    BYTES  Bytes = Built.Bytes;

    Builders::PutU16 (Bytes, 6, (uint16_t)Link);
    Bytes[8] = (uint8_t)(Link >> 16);
    OpenImage  Image (Bytes);
    BYTES      Data;
    EXPECT_EQ (Image.Read (u"V", kVendorA, Data), EFI_NOT_FOUND) << Link;
  }
}

// Every cut of a well-formed image is read without a byte outside it, and a variable
// whose records were cut off is not found.
TEST (NvramStore, EveryTruncatedImageIsReadInsideItsBounds) {
  NVAR_VARIABLE_DESC  Ext = Var (u"Ext", kVendorB, { 8, 8 });

  Ext.Checksum    = true;
  Ext.AsciiName   = true;
  Ext.NewerCopies = { { 9 } };
  std::vector<NVAR_VARIABLE_DESC>  Vars = ThreeVariablesDesc ();
  Vars.push_back (Ext);
  NVAR_IMAGE  Built = Builders::BuildNvarImage (Vars);

  for (size_t Cut = 0; Cut <= Built.Bytes.size (); Cut++) {
    OpenImage  Image (BYTES (Built.Bytes.begin (), Built.Bytes.begin () + Cut));
    BYTES      Data;

    for (const char16_t *Name : { u"Setup", u"Lang", u"Other", u"Ext" }) {
      (VOID)Image.Read (Name, kVendorA, Data);
      (VOID)Image.Read (Name, kVendorB, Data);
    }
  }

  // Cut inside the GUID table: indexed GUIDs are lost, inline ones stay.
  OpenImage  NoTable (BYTES (Built.Bytes.begin (), Built.Bytes.begin () + Built.GuidTableStart));
  BYTES      Data;
  EXPECT_EQ (NoTable.Read (u"Setup", kVendorA, Data), EFI_NOT_FOUND);
  EXPECT_EQ (NoTable.Data (u"Lang", kVendorA), (BYTES { 'e', 'n' }));
}

}  // namespace
