// Variable attributes, deletion, the two-call size protocol, enumeration, the
// write log, failure injection and the NVRAM file form.
#include <Emulator/Machine.h>

#include <Fixtures.h>
#include <gtest/gtest.h>

#include <string>

namespace {

EFI_GUID  gVendor = { 0xEF152FB4, 0x7B2F, 0x427D, { 0xBD, 0xB4, 0x7E, 0x0A, 0x05, 0x82, 0x6E, 0x64 } };
EFI_GUID  gOther  = { 0x3D5E7A21, 0x6C04, 0x4E1B, { 0x92, 0x17, 0x5A, 0xC3, 0x08, 0x6F, 0xD4, 0x41 } };

constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

class VariablesTest : public ::testing::Test {
protected:
  Emu::Machine         Machine;
  EFI_RUNTIME_SERVICES *RT = Machine.RuntimeServices ();
};

// First call without a buffer gives EFI_BUFFER_TOO_SMALL, the size and the
// attributes; the second call reads the bytes.
TEST_F (VariablesTest, GetVariableTwoCallProtocol)
{
  UINT32  Value = 0x11223344;
  UINT32  Attributes = 0;
  UINTN   Size  = 0;
  UINT32  Read  = 0;

  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"BootFlow", &gVendor, EFI_VARIABLE_BOOTSERVICE_ACCESS, 4, &Value), EFI_SUCCESS);
  EXPECT_EQ (RT->GetVariable ((CHAR16 *)u"BootFlow", &gVendor, &Attributes, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 4u);
  EXPECT_EQ (Attributes, (UINT32)EFI_VARIABLE_BOOTSERVICE_ACCESS);
  ASSERT_EQ (RT->GetVariable ((CHAR16 *)u"BootFlow", &gVendor, nullptr, &Size, &Read), EFI_SUCCESS);
  EXPECT_EQ (Read, Value);
  EXPECT_EQ (RT->GetVariable ((CHAR16 *)u"BootFlow", &gOther, nullptr, &Size, &Read), EFI_NOT_FOUND);
}

// Size 0 deletes, attributes 0 deletes, and deleting a missing variable is
// EFI_NOT_FOUND.
TEST_F (VariablesTest, SizeZeroOrNoAttributesDeletes)
{
  UINT8  Byte = 1;
  UINTN  Size = 1;

  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"A", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"B", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"A", &gVendor, kNvBsRt, 0, nullptr), EFI_SUCCESS);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"B", &gVendor, 0, 1, &Byte), EFI_SUCCESS);
  EXPECT_EQ (RT->GetVariable ((CHAR16 *)u"A", &gVendor, nullptr, &Size, &Byte), EFI_NOT_FOUND);
  EXPECT_EQ (RT->GetVariable ((CHAR16 *)u"B", &gVendor, nullptr, &Size, &Byte), EFI_NOT_FOUND);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"A", &gVendor, kNvBsRt, 0, nullptr), EFI_NOT_FOUND);
  // Neither access bit is no access too, even with the non-volatile bit: it
  // deletes, and creates nothing.
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"C", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"C", &gVendor, EFI_VARIABLE_NON_VOLATILE, 1, &Byte), EFI_SUCCESS);
  EXPECT_EQ (Machine.Variables ().Lookup (u"C", gVendor), nullptr);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"C", &gVendor, EFI_VARIABLE_NON_VOLATILE, 1, &Byte), EFI_NOT_FOUND);
  EXPECT_EQ (Machine.Variables ().Lookup (u"C", gVendor), nullptr);
}

// Attribute rules: runtime access needs boot-service access, an existing variable
// keeps its attributes, and append adds bytes.
TEST_F (VariablesTest, AttributeRulesAreEnforced)
{
  UINT8  Bytes[2] = { 1, 2 };

  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"X", &gVendor, EFI_VARIABLE_RUNTIME_ACCESS, 1, Bytes), EFI_INVALID_PARAMETER);
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"X", &gVendor, kNvBsRt, 1, Bytes), EFI_SUCCESS);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"X", &gVendor, EFI_VARIABLE_BOOTSERVICE_ACCESS, 1, Bytes),
    EFI_INVALID_PARAMETER);
  // A delete by size 0 under other attributes is refused too, and keeps the variable.
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"X", &gVendor, EFI_VARIABLE_BOOTSERVICE_ACCESS, 0, nullptr),
    EFI_INVALID_PARAMETER);
  ASSERT_NE (Machine.Variables ().Lookup (u"X", gVendor), nullptr);
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"X", &gVendor, kNvBsRt | EFI_VARIABLE_APPEND_WRITE, 1, &Bytes[1]),
    EFI_SUCCESS);
  const Emu::VARIABLE  *Stored = Machine.Variables ().Lookup (u"X", gVendor);
  ASSERT_NE (Stored, nullptr);
  EXPECT_EQ (Stored->Data, (std::vector<UINT8> { 1, 2 }));
  EXPECT_EQ (Stored->Attributes, kNvBsRt);
  // Appending nothing must not create an empty variable.
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"Y", &gVendor, kNvBsRt | EFI_VARIABLE_APPEND_WRITE, 0, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Machine.Variables ().Lookup (u"Y", gVendor), nullptr);
}

// A platform reset keeps non-volatile variables only.
TEST_F (VariablesTest, ResetDropsVolatileVariables)
{
  UINT8  Byte = 7;

  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"BootCurrent", &gVendor, EFI_VARIABLE_BOOTSERVICE_ACCESS, 1, &Byte),
    EFI_SUCCESS);
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"Setup", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  Machine.Variables ().DropVolatile ();
  EXPECT_EQ (Machine.Variables ().Lookup (u"BootCurrent", gVendor), nullptr);
  EXPECT_NE (Machine.Variables ().Lookup (u"Setup", gVendor), nullptr);
}

// GetNextVariableName walks every variable once, tells the name size it needs,
// and rejects a name that does not exist.
TEST_F (VariablesTest, GetNextVariableNameEnumerates)
{
  UINT8  Byte = 0;
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"First", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  ASSERT_EQ (RT->SetVariable ((CHAR16 *)u"Second", &gOther, kNvBsRt, 1, &Byte), EFI_SUCCESS);

  CHAR16    Name[32] = { 0 };
  EFI_GUID  Guid {};
  UINTN     Size = 4;
  EXPECT_EQ (RT->GetNextVariableName (&Size, Name, &Guid), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, sizeof (u"First"));
  Size = sizeof (Name);
  ASSERT_EQ (RT->GetNextVariableName (&Size, Name, &Guid), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Name), u"First");
  Size = sizeof (Name);
  ASSERT_EQ (RT->GetNextVariableName (&Size, Name, &Guid), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Name), u"Second");
  EXPECT_EQ (Guid.Data1, gOther.Data1);
  Size = sizeof (Name);
  EXPECT_EQ (RT->GetNextVariableName (&Size, Name, &Guid), EFI_NOT_FOUND);
  Guid = gVendor;
  EXPECT_EQ (RT->GetNextVariableName (&Size, Name, &Guid), EFI_INVALID_PARAMETER);
}

// Every SetVariable is logged with its result; an injected fault fails the named
// variable only, as often as asked.
TEST_F (VariablesTest, WriteLogAndInjectedFaults)
{
  UINT8  Byte = 5;

  Machine.Variables ().InjectFault (Emu::VARIABLE_FAULT { Emu::VariableOp::Set, u"Setup", EFI_DEVICE_ERROR, 1 });
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"Other", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"Setup", &gVendor, kNvBsRt, 1, &Byte), EFI_DEVICE_ERROR);
  EXPECT_EQ (RT->SetVariable ((CHAR16 *)u"Setup", &gVendor, kNvBsRt, 1, &Byte), EFI_SUCCESS);
  const auto  &Log = Machine.Variables ().WriteLog ();
  ASSERT_EQ (Log.size (), 3u);
  EXPECT_EQ (Log[1].Name, u"Setup");
  EXPECT_EQ (Log[1].Status, EFI_DEVICE_ERROR);
  EXPECT_EQ (Log[2].Data, (std::vector<UINT8> { 5 }));
  EXPECT_EQ (Log[2].Attributes, kNvBsRt);
}

// The OVMF export loads record by record, and saving keeps the non-volatile ones
// byte for byte in the same layout.
TEST_F (VariablesTest, NvramFileRoundTrip)
{
  std::string  Error;

  ASSERT_TRUE (Machine.Variables ().LoadBytes (Fixtures::Read ("ovmf/VARS.BIN"), &Error)) << Error;
  static const EFI_GUID  Global = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };
  const Emu::VARIABLE    *Lang  = Machine.Variables ().Lookup (u"PlatformLangCodes", Global);
  ASSERT_NE (Lang, nullptr);
  EXPECT_EQ (std::string (Lang->Data.begin (), Lang->Data.end () - 1), "en;fr;en-US;fr-FR");

  std::vector<UINT8>  Saved = Machine.Variables ().SaveBytes ();
  Emu::VariableStore  Copy;
  ASSERT_TRUE (Copy.LoadBytes (Saved, &Error)) << Error;
  for (const Emu::VARIABLE &Variable : Copy.All ()) {
    EXPECT_NE (Variable.Attributes & EFI_VARIABLE_NON_VOLATILE, 0u);
  }
  EXPECT_FALSE (Copy.LoadBytes (std::vector<UINT8>(Saved.begin (), Saved.end () - 1), &Error));
}

}  // namespace
