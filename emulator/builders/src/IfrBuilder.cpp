#include <Builders/IfrBuilder.h>

#include <initializer_list>
#include <stdexcept>

namespace Builders {

namespace {

constexpr EFI_GUID  kTianoGuid         = EFI_IFR_TIANO_GUID;
constexpr EFI_GUID  kCheckboxVariant   = { 0x7FDE1BF0, 0xD936, 0x4E50, { 0xAE, 0xF6, 0x56, 0xA1, 0x6D, 0x46, 0x1C, 0xB6 } };

void
AppendUnsigned (BYTES &Out, uint64_t Value, unsigned Width)
{
  for (unsigned Index = 0; Index < Width; Index++) {
    Out.push_back ((uint8_t)(Value >> (8 * Index)));
  }
}

// Little-endian u16 operands one after another, the body of many opcodes.
BYTES
Words (std::initializer_list<uint16_t> Values)
{
  BYTES  Out;

  for (uint16_t Value : Values) {
    AppendU16 (Out, Value);
  }

  return Out;
}

BYTES
GuidBytes (const EFI_GUID &Guid)
{
  BYTES  Out;

  AppendGuid (Out, Guid);
  return Out;
}

// ONE_OF and NUMERIC share their tail: flags, then minimum, maximum and step at the
// width the flags' size field gives.
BYTES
RangeTail (uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step)
{
  unsigned  Width = 1u << (Flags & EFI_IFR_NUMERIC_SIZE);
  BYTES     Tail;

  AppendU8 (Tail, Flags);
  AppendUnsigned (Tail, Min, Width);
  AppendUnsigned (Tail, Max, Width);
  AppendUnsigned (Tail, Step, Width);
  return Tail;
}

// GET and SET name the same variable-store fields.
BYTES
VarStoreAccessBody (EFI_VARSTORE_ID VarStoreId, uint16_t VarStoreInfo, uint8_t VarStoreType)
{
  BYTES  Body = Words ({ VarStoreId, VarStoreInfo });

  AppendU8 (Body, VarStoreType);
  return Body;
}

}  // namespace

BYTES
IfrQuestionHeaderBytes (const IFR_QUESTION &Q)
{
  BYTES  Out;

  AppendU16 (Out, Q.Prompt);
  AppendU16 (Out, Q.Help);
  AppendU16 (Out, Q.QuestionId);
  AppendU16 (Out, Q.VarStoreId);
  AppendU16 (Out, Q.VarOffset);
  AppendU8 (Out, Q.Flags);
  return Out;
}

BYTES
IfrBuilder::Package () const
{
  BYTES  Out;

  if (mOps.size () + 4 > EFI_HII_PACKAGE_MAX_LENGTH) {
    throw std::length_error ("forms package longer than 24 bits");
  }

  AppendU24 (Out, (uint32_t)(mOps.size () + 4));
  AppendU8 (Out, EFI_HII_PACKAGE_FORMS);
  AppendBytes (Out, mOps);
  return Out;
}

size_t
IfrBuilder::OpWithLength (uint8_t OpCode, uint8_t DeclaredLength, std::span<const uint8_t> Body, bool Scope)
{
  size_t  Offset = NextOffset ();

  if (DeclaredLength > EFI_IFR_MAX_LENGTH) {
    throw std::length_error ("IFR length field has 7 bits");
  }

  mOps.push_back (OpCode);
  mOps.push_back ((uint8_t)(DeclaredLength | (Scope ? 0x80 : 0)));
  AppendBytes (mOps, Body);
  return Offset;
}

size_t
IfrBuilder::RawBytes (std::span<const uint8_t> Bytes)
{
  size_t  Offset = NextOffset ();

  AppendBytes (mOps, Bytes);
  return Offset;
}

size_t
IfrBuilder::Op (uint8_t OpCode, std::span<const uint8_t> Body, bool Scope)
{
  if (Body.size () + 2 > EFI_IFR_MAX_LENGTH) {
    throw std::length_error ("IFR opcode longer than 127 bytes");
  }

  if (Scope) {
    mDepth++;
  }

  return OpWithLength (OpCode, (uint8_t)(Body.size () + 2), Body, Scope);
}

size_t
IfrBuilder::End ()
{
  if (mDepth == 0) {
    throw std::logic_error ("END without an open scope");
  }

  mDepth--;
  return OpWithLength (EFI_IFR_END_OP, 2, {});
}

size_t
IfrBuilder::FormSet (const EFI_GUID &Guid, EFI_STRING_ID Title, EFI_STRING_ID Help, const std::vector<EFI_GUID> &ClassGuids)
{
  BYTES  Body;

  if (ClassGuids.size () > EFI_IFR_FORM_SET_CLASS_GUID_COUNT_MASK) {
    throw std::invalid_argument ("a form set carries at most three class GUIDs");
  }

  AppendGuid (Body, Guid);
  AppendU16 (Body, Title);
  AppendU16 (Body, Help);
  AppendU8 (Body, (uint8_t)ClassGuids.size ());
  for (const EFI_GUID &Class : ClassGuids) {
    AppendGuid (Body, Class);
  }

  return Op (EFI_IFR_FORM_SET_OP, Body, true);
}

size_t
IfrBuilder::Form (EFI_FORM_ID FormId, EFI_STRING_ID Title)
{
  return Op (EFI_IFR_FORM_OP, Words ({ FormId, Title }), true);
}

size_t
IfrBuilder::FormMap (EFI_FORM_ID FormId, const std::vector<IFR_FORM_MAP_METHOD> &Methods)
{
  BYTES  Body;

  AppendU16 (Body, FormId);
  for (const IFR_FORM_MAP_METHOD &Method : Methods) {
    AppendU16 (Body, Method.Title);
    AppendGuid (Body, Method.Method);
  }

  return Op (EFI_IFR_FORM_MAP_OP, Body, true);
}

size_t
IfrBuilder::DefaultStore (EFI_STRING_ID Name, uint16_t DefaultId)
{
  return Op (EFI_IFR_DEFAULTSTORE_OP, Words ({ Name, DefaultId }));
}

size_t
IfrBuilder::VarStore (const EFI_GUID &Guid, EFI_VARSTORE_ID Id, uint16_t Size, std::string_view Name)
{
  BYTES  Body;

  AppendGuid (Body, Guid);
  AppendU16 (Body, Id);
  AppendU16 (Body, Size);
  AppendAsciiz (Body, Name);
  return Op (EFI_IFR_VARSTORE_OP, Body);
}

size_t
IfrBuilder::VarStoreEfi (EFI_VARSTORE_ID Id, const EFI_GUID &Guid, uint32_t Attributes, uint16_t Size, std::string_view Name)
{
  BYTES  Body;

  AppendU16 (Body, Id);
  AppendGuid (Body, Guid);
  AppendU32 (Body, Attributes);
  AppendU16 (Body, Size);
  AppendAsciiz (Body, Name);
  return Op (EFI_IFR_VARSTORE_EFI_OP, Body);
}

size_t
IfrBuilder::VarStoreNameValue (EFI_VARSTORE_ID Id, const EFI_GUID &Guid)
{
  BYTES  Body;

  AppendU16 (Body, Id);
  AppendGuid (Body, Guid);
  return Op (EFI_IFR_VARSTORE_NAME_VALUE_OP, Body);
}

size_t
IfrBuilder::VarStoreDevice (EFI_STRING_ID DevicePath)
{
  return Op (EFI_IFR_VARSTORE_DEVICE_OP, Words ({ DevicePath }));
}

size_t
IfrBuilder::Image (EFI_IMAGE_ID Id)
{
  return Op (EFI_IFR_IMAGE_OP, Words ({ Id }));
}

size_t
IfrBuilder::Animation (EFI_ANIMATION_ID Id)
{
  return Op (EFI_IFR_ANIMATION_OP, Words ({ Id }));
}

size_t
IfrBuilder::ModalTag ()
{
  return Op (EFI_IFR_MODAL_TAG_OP, {});
}

size_t
IfrBuilder::Locked ()
{
  return Op (EFI_IFR_LOCKED_OP, {});
}

size_t
IfrBuilder::Rule (uint8_t RuleId)
{
  const uint8_t  Body[] = { RuleId };

  return Op (EFI_IFR_RULE_OP, Body, true);
}

size_t
IfrBuilder::Subtitle (EFI_STRING_ID Prompt, EFI_STRING_ID Help, uint8_t Flags, bool Scope)
{
  BYTES  Body;

  AppendU16 (Body, Prompt);
  AppendU16 (Body, Help);
  AppendU8 (Body, Flags);
  return Op (EFI_IFR_SUBTITLE_OP, Body, Scope);
}

size_t
IfrBuilder::Text (EFI_STRING_ID Prompt, EFI_STRING_ID Help, EFI_STRING_ID TextTwo)
{
  return Op (EFI_IFR_TEXT_OP, Words ({ Prompt, Help, TextTwo }));
}

size_t
IfrBuilder::ResetButton (EFI_STRING_ID Prompt, EFI_STRING_ID Help, EFI_DEFAULT_ID DefaultId, bool Scope)
{
  return Op (EFI_IFR_RESET_BUTTON_OP, Words ({ Prompt, Help, DefaultId }), Scope);
}

size_t
IfrBuilder::Question (uint8_t OpCode, const IFR_QUESTION &Q, std::span<const uint8_t> Tail, bool Scope)
{
  BYTES  Body = IfrQuestionHeaderBytes (Q);

  AppendBytes (Body, Tail);
  return Op (OpCode, Body, Scope);
}

size_t
IfrBuilder::OneOf (const IFR_QUESTION &Q, uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step, bool Scope)
{
  return Question (EFI_IFR_ONE_OF_OP, Q, RangeTail (Flags, Min, Max, Step), Scope);
}

size_t
IfrBuilder::Numeric (const IFR_QUESTION &Q, uint8_t Flags, uint64_t Min, uint64_t Max, uint64_t Step, bool Scope)
{
  return Question (EFI_IFR_NUMERIC_OP, Q, RangeTail (Flags, Min, Max, Step), Scope);
}

size_t
IfrBuilder::Checkbox (const IFR_QUESTION &Q, uint8_t Flags, bool Scope)
{
  const uint8_t  Tail[] = { Flags };

  return Question (EFI_IFR_CHECKBOX_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Password (const IFR_QUESTION &Q, uint16_t MinSize, uint16_t MaxSize, bool Scope)
{
  return Question (EFI_IFR_PASSWORD_OP, Q, Words ({ MinSize, MaxSize }), Scope);
}

size_t
IfrBuilder::OrderedList (const IFR_QUESTION &Q, uint8_t MaxContainers, uint8_t Flags, bool Scope)
{
  const uint8_t  Tail[] = { MaxContainers, Flags };

  return Question (EFI_IFR_ORDERED_LIST_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::String (const IFR_QUESTION &Q, uint8_t MinSize, uint8_t MaxSize, uint8_t Flags, bool Scope)
{
  const uint8_t  Tail[] = { MinSize, MaxSize, Flags };

  return Question (EFI_IFR_STRING_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Date (const IFR_QUESTION &Q, uint8_t Flags, bool Scope)
{
  const uint8_t  Tail[] = { Flags };

  return Question (EFI_IFR_DATE_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Time (const IFR_QUESTION &Q, uint8_t Flags, bool Scope)
{
  const uint8_t  Tail[] = { Flags };

  return Question (EFI_IFR_TIME_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Action (const IFR_QUESTION &Q, EFI_STRING_ID QuestionConfig, bool Scope)
{
  return Question (EFI_IFR_ACTION_OP, Q, Words ({ QuestionConfig }), Scope);
}

size_t
IfrBuilder::Action1 (const IFR_QUESTION &Q, bool Scope)
{
  return Question (EFI_IFR_ACTION_OP, Q, {}, Scope);
}

size_t
IfrBuilder::Ref (const IFR_QUESTION &Q, EFI_FORM_ID FormId, bool Scope)
{
  return Question (EFI_IFR_REF_OP, Q, Words ({ FormId }), Scope);
}

size_t
IfrBuilder::Ref2 (const IFR_QUESTION &Q, EFI_FORM_ID FormId, EFI_QUESTION_ID RefQuestionId, bool Scope)
{
  return Question (EFI_IFR_REF_OP, Q, Words ({ FormId, RefQuestionId }), Scope);
}

size_t
IfrBuilder::Ref3 (const IFR_QUESTION &Q, EFI_FORM_ID FormId, EFI_QUESTION_ID RefQuestionId, const EFI_GUID &FormSetId, bool Scope)
{
  BYTES  Tail;

  AppendU16 (Tail, FormId);
  AppendU16 (Tail, RefQuestionId);
  AppendGuid (Tail, FormSetId);
  return Question (EFI_IFR_REF_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Ref4 (
  const IFR_QUESTION  &Q,
  EFI_FORM_ID         FormId,
  EFI_QUESTION_ID     RefQuestionId,
  const EFI_GUID      &FormSetId,
  EFI_STRING_ID       DevicePath,
  bool                Scope
  )
{
  BYTES  Tail;

  AppendU16 (Tail, FormId);
  AppendU16 (Tail, RefQuestionId);
  AppendGuid (Tail, FormSetId);
  AppendU16 (Tail, DevicePath);
  return Question (EFI_IFR_REF_OP, Q, Tail, Scope);
}

size_t
IfrBuilder::Ref5 (const IFR_QUESTION &Q, bool Scope)
{
  return Question (EFI_IFR_REF_OP, Q, {}, Scope);
}

size_t
IfrBuilder::OneOfOption (EFI_STRING_ID Option, uint8_t Flags, uint8_t Type, uint64_t Value)
{
  BYTES  Bytes;

  AppendUnsigned (Bytes, Value, IfrTypeValueWidth (Type));
  return OneOfOptionRaw (Option, Flags, Type, Bytes);
}

size_t
IfrBuilder::OneOfOptionRaw (EFI_STRING_ID Option, uint8_t Flags, uint8_t Type, std::span<const uint8_t> Value)
{
  BYTES  Body;

  AppendU16 (Body, Option);
  AppendU8 (Body, Flags);
  AppendU8 (Body, Type);
  AppendBytes (Body, Value);
  return Op (EFI_IFR_ONE_OF_OPTION_OP, Body);
}

size_t
IfrBuilder::Default (uint16_t DefaultId, uint8_t Type, uint64_t Value)
{
  BYTES  Bytes;

  AppendUnsigned (Bytes, Value, IfrTypeValueWidth (Type));
  return DefaultRaw (DefaultId, Type, Bytes);
}

size_t
IfrBuilder::DefaultRaw (uint16_t DefaultId, uint8_t Type, std::span<const uint8_t> Value)
{
  BYTES  Body;

  AppendU16 (Body, DefaultId);
  AppendU8 (Body, Type);
  AppendBytes (Body, Value);
  return Op (EFI_IFR_DEFAULT_OP, Body);
}

size_t
IfrBuilder::DefaultExpression (uint16_t DefaultId, uint8_t Type)
{
  BYTES  Body;

  AppendU16 (Body, DefaultId);
  AppendU8 (Body, Type);
  return Op (EFI_IFR_DEFAULT_OP, Body, true);
}

size_t
IfrBuilder::Value ()
{
  return Op (EFI_IFR_VALUE_OP, {}, true);
}

size_t
IfrBuilder::Refresh (uint8_t Interval)
{
  const uint8_t  Body[] = { Interval };

  return Op (EFI_IFR_REFRESH_OP, Body);
}

size_t
IfrBuilder::RefreshId (const EFI_GUID &EventGroup)
{
  return Op (EFI_IFR_REFRESH_ID_OP, GuidBytes (EventGroup));
}

size_t
IfrBuilder::SuppressIf ()
{
  return Op (EFI_IFR_SUPPRESS_IF_OP, {}, true);
}

size_t
IfrBuilder::GrayOutIf ()
{
  return Op (EFI_IFR_GRAY_OUT_IF_OP, {}, true);
}

size_t
IfrBuilder::DisableIf ()
{
  return Op (EFI_IFR_DISABLE_IF_OP, {}, true);
}

size_t
IfrBuilder::NoSubmitIf (EFI_STRING_ID Error)
{
  return Op (EFI_IFR_NO_SUBMIT_IF_OP, Words ({ Error }), true);
}

size_t
IfrBuilder::InconsistentIf (EFI_STRING_ID Error)
{
  return Op (EFI_IFR_INCONSISTENT_IF_OP, Words ({ Error }), true);
}

size_t
IfrBuilder::WarningIf (EFI_STRING_ID Warning, uint8_t TimeOut)
{
  BYTES  Body;

  AppendU16 (Body, Warning);
  AppendU8 (Body, TimeOut);
  return Op (EFI_IFR_WARNING_IF_OP, Body, true);
}

size_t
IfrBuilder::EqIdVal (EFI_QUESTION_ID QuestionId, uint16_t Value)
{
  return Op (EFI_IFR_EQ_ID_VAL_OP, Words ({ QuestionId, Value }));
}

size_t
IfrBuilder::EqIdId (EFI_QUESTION_ID QuestionId1, EFI_QUESTION_ID QuestionId2)
{
  return Op (EFI_IFR_EQ_ID_ID_OP, Words ({ QuestionId1, QuestionId2 }));
}

size_t
IfrBuilder::EqIdValList (EFI_QUESTION_ID QuestionId, const std::vector<uint16_t> &Values)
{
  BYTES  Body;

  AppendU16 (Body, QuestionId);
  AppendU16 (Body, (uint16_t)Values.size ());
  for (uint16_t Value : Values) {
    AppendU16 (Body, Value);
  }

  return Op (EFI_IFR_EQ_ID_VAL_LIST_OP, Body);
}

size_t
IfrBuilder::QuestionRef1 (EFI_QUESTION_ID QuestionId)
{
  return Op (EFI_IFR_QUESTION_REF1_OP, Words ({ QuestionId }));
}

size_t
IfrBuilder::QuestionRef2 ()
{
  return Op (EFI_IFR_QUESTION_REF2_OP, {});
}

size_t
IfrBuilder::QuestionRef3 ()
{
  return Op (EFI_IFR_QUESTION_REF3_OP, {});
}

size_t
IfrBuilder::QuestionRef3_2 (EFI_STRING_ID DevicePath)
{
  return Op (EFI_IFR_QUESTION_REF3_OP, Words ({ DevicePath }));
}

size_t
IfrBuilder::QuestionRef3_3 (EFI_STRING_ID DevicePath, const EFI_GUID &Guid)
{
  BYTES  Body;

  AppendU16 (Body, DevicePath);
  AppendGuid (Body, Guid);
  return Op (EFI_IFR_QUESTION_REF3_OP, Body);
}

size_t
IfrBuilder::RuleRef (uint8_t RuleId)
{
  const uint8_t  Body[] = { RuleId };

  return Op (EFI_IFR_RULE_REF_OP, Body);
}

size_t
IfrBuilder::StringRef1 (EFI_STRING_ID StringId)
{
  return Op (EFI_IFR_STRING_REF1_OP, Words ({ StringId }));
}

size_t
IfrBuilder::StringRef2 ()
{
  return Op (EFI_IFR_STRING_REF2_OP, {});
}

size_t
IfrBuilder::This ()
{
  return Op (EFI_IFR_THIS_OP, {});
}

size_t
IfrBuilder::Security (const EFI_GUID &Permissions)
{
  return Op (EFI_IFR_SECURITY_OP, GuidBytes (Permissions));
}

size_t
IfrBuilder::Get (EFI_VARSTORE_ID VarStoreId, uint16_t VarStoreInfo, uint8_t VarStoreType)
{
  return Op (EFI_IFR_GET_OP, VarStoreAccessBody (VarStoreId, VarStoreInfo, VarStoreType));
}

size_t
IfrBuilder::Set (EFI_VARSTORE_ID VarStoreId, uint16_t VarStoreInfo, uint8_t VarStoreType)
{
  return Op (EFI_IFR_SET_OP, VarStoreAccessBody (VarStoreId, VarStoreInfo, VarStoreType));
}

size_t
IfrBuilder::Uint8 (uint8_t Value)
{
  const uint8_t  Body[] = { Value };

  return Op (EFI_IFR_UINT8_OP, Body);
}

size_t
IfrBuilder::Uint16 (uint16_t Value)
{
  return Op (EFI_IFR_UINT16_OP, Words ({ Value }));
}

size_t
IfrBuilder::Uint32 (uint32_t Value)
{
  BYTES  Body;

  AppendU32 (Body, Value);
  return Op (EFI_IFR_UINT32_OP, Body);
}

size_t
IfrBuilder::Uint64 (uint64_t Value)
{
  BYTES  Body;

  AppendU64 (Body, Value);
  return Op (EFI_IFR_UINT64_OP, Body);
}

size_t
IfrBuilder::ToString (uint8_t Format)
{
  const uint8_t  Body[] = { Format };

  return Op (EFI_IFR_TO_STRING_OP, Body);
}

size_t
IfrBuilder::Find (uint8_t Format)
{
  const uint8_t  Body[] = { Format };

  return Op (EFI_IFR_FIND_OP, Body);
}

size_t
IfrBuilder::Span (uint8_t Flags)
{
  const uint8_t  Body[] = { Flags };

  return Op (EFI_IFR_SPAN_OP, Body);
}

size_t
IfrBuilder::Match2 (const EFI_GUID &SyntaxType)
{
  return Op (EFI_IFR_MATCH2_OP, GuidBytes (SyntaxType));
}

bool
IfrBuilder::IsHeaderOnlyOperator (uint8_t OpCode)
{
  switch (OpCode) {
    case EFI_IFR_AND_OP:
    case EFI_IFR_OR_OP:
    case EFI_IFR_NOT_OP:
    case EFI_IFR_TO_LOWER_OP:
    case EFI_IFR_TO_UPPER_OP:
    case EFI_IFR_MAP_OP:
    case EFI_IFR_VERSION_OP:
    case EFI_IFR_MATCH_OP:
    case EFI_IFR_READ_OP:
    case EFI_IFR_WRITE_OP:
    case EFI_IFR_TO_UINT_OP:
    case EFI_IFR_TO_BOOLEAN_OP:
    case EFI_IFR_MID_OP:
    case EFI_IFR_TOKEN_OP:
    case EFI_IFR_CONDITIONAL_OP:
    case EFI_IFR_TRUE_OP:
    case EFI_IFR_FALSE_OP:
    case EFI_IFR_ZERO_OP:
    case EFI_IFR_ONE_OP:
    case EFI_IFR_ONES_OP:
    case EFI_IFR_UNDEFINED_OP:
    case EFI_IFR_LENGTH_OP:
    case EFI_IFR_DUP_OP:
    case EFI_IFR_CATENATE_OP:
      return true;
    default:
      // The comparison, bitwise and arithmetic operators form one contiguous range.
      return OpCode >= EFI_IFR_EQUAL_OP && OpCode <= EFI_IFR_MODULO_OP;
  }
}

size_t
IfrBuilder::Operator (uint8_t OpCode)
{
  if (!IsHeaderOnlyOperator (OpCode)) {
    throw std::invalid_argument ("opcode carries operands; use its own emitter");
  }

  // MAP opens a scope that holds its key/value expression pairs.
  return Op (OpCode, {}, OpCode == EFI_IFR_MAP_OP);
}

size_t
IfrBuilder::Guid (const EFI_GUID &Guid, std::span<const uint8_t> Data, bool Scope)
{
  BYTES  Body;

  AppendGuid (Body, Guid);
  AppendBytes (Body, Data);
  return Op (EFI_IFR_GUID_OP, Body, Scope);
}

size_t
IfrBuilder::Extension (uint8_t ExtendOpCode, std::span<const uint8_t> Tail)
{
  BYTES  Data;

  AppendU8 (Data, ExtendOpCode);
  AppendBytes (Data, Tail);
  return Guid (kTianoGuid, Data);
}

size_t
IfrBuilder::GuidLabel (uint16_t Number)
{
  return Extension (EFI_IFR_EXTEND_OP_LABEL, Words ({ Number }));
}

size_t
IfrBuilder::GuidBanner (EFI_STRING_ID Title, uint16_t LineNumber, uint8_t Alignment)
{
  BYTES  Tail;

  AppendU16 (Tail, Title);
  AppendU16 (Tail, LineNumber);
  AppendU8 (Tail, Alignment);
  return Extension (EFI_IFR_EXTEND_OP_BANNER, Tail);
}

size_t
IfrBuilder::GuidTimeout (uint16_t TimeOut)
{
  return Extension (EFI_IFR_EXTEND_OP_TIMEOUT, Words ({ TimeOut }));
}

size_t
IfrBuilder::GuidClass (uint16_t Class)
{
  return Extension (EFI_IFR_EXTEND_OP_CLASS, Words ({ Class }));
}

size_t
IfrBuilder::GuidSubclass (uint16_t SubClass)
{
  return Extension (EFI_IFR_EXTEND_OP_SUBCLASS, Words ({ SubClass }));
}

size_t
IfrBuilder::CheckboxVariantGuid ()
{
  return Guid (kCheckboxVariant);
}

}  // namespace Builders
