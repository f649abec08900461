/** @file
  IFR builder: writes a forms package opcode by opcode, with each opcode's length and
  scope bit as the layouts in Uefi/UefiIfr.h say, so tests and the demo machine never
  carry hand-typed hex.

  Every emitter returns the opcode's offset from the start of the forms package (its
  4-byte package header included), which is the offset the compiled setup data
  stores for question and condition opcodes. Opcodes that open a scope are emitted
  with the scope bit set and must be closed with End(). The builder also writes
  malformed opcodes on request (zero length, length past the end, arbitrary bytes)
  for hardening tests.
**/
#ifndef BUILDERS_IFR_BUILDER_H_
#define BUILDERS_IFR_BUILDER_H_

#include <Builders/ByteWriter.h>
#include <Uefi/UefiIfr.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace Builders {

// The question header fields a question opcode carries.
struct IFR_QUESTION {
  EFI_STRING_ID      Prompt     = 0;
  EFI_STRING_ID      Help       = 0;
  EFI_QUESTION_ID    QuestionId = 0;
  EFI_VARSTORE_ID    VarStoreId = 0;
  uint16_t           VarOffset  = 0;   // or the VarName string id of a name/value store
  uint8_t            Flags      = 0;
};

struct IFR_FORM_MAP_METHOD {
  EFI_STRING_ID    Title = 0;
  EFI_GUID         Method {};
};

class IfrBuilder {
public:
  // Offset of the next opcode from the package start (header included).
  size_t NextOffset () const { return 4 + mOps.size (); }
  int    Depth () const { return mDepth; }

  // The forms package: 4-byte header (length, type 0x02) and the opcodes so far.
  BYTES Package () const;
  // The opcodes without the package header.
  const BYTES &Opcodes () const { return mOps; }

  // Any opcode: header with Length = 2 + Body.size() and the scope bit, then the body.
  size_t Op (uint8_t OpCode, std::span<const uint8_t> Body, bool Scope = false);
  size_t End ();

  // Malformed output for hardening tests.
  size_t OpWithLength (uint8_t OpCode, uint8_t DeclaredLength, std::span<const uint8_t> Body, bool Scope = false);
  size_t ZeroLengthOp (uint8_t OpCode) { return OpWithLength (OpCode, 0, {}); }
  size_t RawBytes (std::span<const uint8_t> Bytes);

  // Form sets and forms.
  size_t FormSet (const EFI_GUID &Guid, EFI_STRING_ID Title, EFI_STRING_ID Help, const std::vector<EFI_GUID> &ClassGuids);
  size_t Form (EFI_FORM_ID FormId, EFI_STRING_ID Title);
  size_t FormMap (EFI_FORM_ID FormId, const std::vector<IFR_FORM_MAP_METHOD> &Methods);
  size_t DefaultStore (EFI_STRING_ID Name, uint16_t DefaultId);
  size_t VarStore (const EFI_GUID &Guid, EFI_VARSTORE_ID Id, uint16_t Size, std::string_view Name);
  size_t VarStoreEfi (EFI_VARSTORE_ID Id, const EFI_GUID &Guid, uint32_t Attributes, uint16_t Size, std::string_view Name);
  size_t VarStoreNameValue (EFI_VARSTORE_ID Id, const EFI_GUID &Guid);
  size_t VarStoreDevice (EFI_STRING_ID DevicePath);
  size_t Image (EFI_IMAGE_ID Id);
  size_t Animation (EFI_ANIMATION_ID Id);
  size_t ModalTag ();
  size_t Locked ();
  size_t Rule (uint8_t RuleId);

  // Statements.
  size_t Subtitle (EFI_STRING_ID Prompt, EFI_STRING_ID Help, uint8_t Flags = 0, bool Scope = false);
  size_t Text (EFI_STRING_ID Prompt, EFI_STRING_ID Help, EFI_STRING_ID TextTwo = 0);
  size_t ResetButton (EFI_STRING_ID Prompt, EFI_STRING_ID Help, EFI_DEFAULT_ID DefaultId, bool Scope = false);

  // Questions. Scope defaults to open for the kinds that normally carry options or defaults.
  size_t OneOf (const IFR_QUESTION &Q, uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step, bool Scope = true);
  size_t Numeric (const IFR_QUESTION &Q, uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step, bool Scope = true);
  size_t Checkbox (const IFR_QUESTION &Q, uint8_t Flags, bool Scope = true);
  size_t Password (const IFR_QUESTION &Q, uint16_t MinSize, uint16_t MaxSize, bool Scope = true);
  size_t OrderedList (const IFR_QUESTION &Q, uint8_t MaxContainers, uint8_t Flags, bool Scope = true);
  size_t String (const IFR_QUESTION &Q, uint8_t MinSize, uint8_t MaxSize, uint8_t Flags, bool Scope = true);
  size_t Date (const IFR_QUESTION &Q, uint8_t Flags, bool Scope = true);
  size_t Time (const IFR_QUESTION &Q, uint8_t Flags, bool Scope = true);
  size_t Action (const IFR_QUESTION &Q, EFI_STRING_ID QuestionConfig, bool Scope = false);
  size_t Action1 (const IFR_QUESTION &Q, bool Scope = false);
  size_t Ref (const IFR_QUESTION &Q, EFI_FORM_ID FormId, bool Scope = false);
  size_t Ref2 (const IFR_QUESTION &Q, EFI_FORM_ID FormId, EFI_QUESTION_ID RefQuestionId, bool Scope = false);
  size_t Ref3 (const IFR_QUESTION &Q, EFI_FORM_ID FormId, EFI_QUESTION_ID RefQuestionId, const EFI_GUID &FormSetId, bool Scope = false);
  size_t Ref4 (
    const IFR_QUESTION &Q,
    EFI_FORM_ID         FormId,
    EFI_QUESTION_ID     RefQuestionId,
    const EFI_GUID     &FormSetId,
    EFI_STRING_ID       DevicePath,
    bool                Scope = false);
  size_t Ref5 (const IFR_QUESTION &Q, bool Scope = false);

  // Values inside question scopes. Numeric forms take the value's width from Type.
  size_t OneOfOption (EFI_STRING_ID Option, uint8_t Flags, uint8_t Type, uint64_t Value);
  size_t OneOfOptionRaw (EFI_STRING_ID Option, uint8_t Flags, uint8_t Type, std::span<const uint8_t> Value);
  size_t Default (uint16_t DefaultId, uint8_t Type, uint64_t Value);
  size_t DefaultRaw (uint16_t DefaultId, uint8_t Type, std::span<const uint8_t> Value);
  size_t DefaultExpression (uint16_t DefaultId, uint8_t Type);   // DEFAULT_2, opens a scope
  size_t Value ();                                                // opens a scope
  size_t Refresh (uint8_t Interval);
  size_t RefreshId (const EFI_GUID &EventGroup);

  // Conditions; all open a scope.
  size_t SuppressIf ();
  size_t GrayOutIf ();
  size_t DisableIf ();
  size_t NoSubmitIf (EFI_STRING_ID Error);
  size_t InconsistentIf (EFI_STRING_ID Error);
  size_t WarningIf (EFI_STRING_ID Warning, uint8_t TimeOut);

  // Expressions with operands.
  size_t EqIdVal (EFI_QUESTION_ID QuestionId, uint16_t Value);
  size_t EqIdId (EFI_QUESTION_ID QuestionId1, EFI_QUESTION_ID QuestionId2);
  size_t EqIdValList (EFI_QUESTION_ID QuestionId, const std::vector<uint16_t> &Values);
  size_t QuestionRef1 (EFI_QUESTION_ID QuestionId);
  size_t QuestionRef2 ();
  size_t QuestionRef3 ();
  size_t QuestionRef3_2 (EFI_STRING_ID DevicePath);
  size_t QuestionRef3_3 (EFI_STRING_ID DevicePath, const EFI_GUID &Guid);
  size_t RuleRef (uint8_t RuleId);
  size_t StringRef1 (EFI_STRING_ID StringId);
  size_t StringRef2 ();
  size_t This ();
  size_t Security (const EFI_GUID &Permissions);
  size_t Get (EFI_VARSTORE_ID VarStoreId, uint16_t VarStoreInfo, uint8_t VarStoreType);
  size_t Set (EFI_VARSTORE_ID VarStoreId, uint16_t VarStoreInfo, uint8_t VarStoreType);
  size_t Uint8 (uint8_t Value);
  size_t Uint16 (uint16_t Value);
  size_t Uint32 (uint32_t Value);
  size_t Uint64 (uint64_t Value);
  size_t ToString (uint8_t Format);
  size_t Find (uint8_t Format);
  size_t Span (uint8_t Flags);
  size_t Match2 (const EFI_GUID &SyntaxType);
  // Header-only operators (AND, OR, NOT, EQUAL ... CATENATE, MAP, READ, WRITE, TRUE ...).
  // MAP opens a scope; the others do not. Throws for an opcode that carries operands.
  size_t Operator (uint8_t OpCode);

  // GUID opcode and the common extensions.
  size_t Guid (const EFI_GUID &Guid, std::span<const uint8_t> Data = {}, bool Scope = false);
  size_t GuidLabel (uint16_t Number);
  size_t GuidBanner (EFI_STRING_ID Title, uint16_t LineNumber, uint8_t Alignment);
  size_t GuidTimeout (uint16_t TimeOut);
  size_t GuidClass (uint16_t Class);
  size_t GuidSubclass (uint16_t SubClass);
  // The GUID opcode that turns a checkbox into the checkbox variant.
  size_t CheckboxVariantGuid ();

  static bool IsHeaderOnlyOperator (uint8_t OpCode);

private:
  size_t Question (uint8_t OpCode, const IFR_QUESTION &Q, std::span<const uint8_t> Tail, bool Scope);
  size_t Extension (uint8_t ExtendOpCode, std::span<const uint8_t> Tail);

  BYTES  mOps;
  int    mDepth = 0;
};

// The question header bytes (11) of Q, for callers that build opcodes by hand.
BYTES IfrQuestionHeaderBytes (const IFR_QUESTION &Q);

}  // namespace Builders

#endif
