/** @file
  IFR (internal forms representation): opcode values and the packed layout of every
  opcode, as carried in HII forms packages.

  The engine's form parser and expression evaluator read these from other drivers'
  packages and the test-data builders write them, so each record is packed and its
  size and field offsets are pinned. Opcodes whose length varies (the value-carrying
  ones, names, lists) are declared with their largest or first-element form; their
  *_SIZE constants give the fixed part. The length byte of the header holds the
  opcode's length in bits 0-6 and the scope bit in bit 7.
**/
#ifndef UEFI_IFR_H_
#define UEFI_IFR_H_

#include <Uefi/UefiHii.h>

typedef UINT16  EFI_QUESTION_ID;
typedef UINT16  EFI_FORM_ID;
typedef UINT16  EFI_VARSTORE_ID;
typedef UINT16  EFI_DEFAULT_ID;

//
// Opcode values.
//
#define EFI_IFR_FORM_OP                 0x01
#define EFI_IFR_SUBTITLE_OP             0x02
#define EFI_IFR_TEXT_OP                 0x03
#define EFI_IFR_IMAGE_OP                0x04
#define EFI_IFR_ONE_OF_OP               0x05
#define EFI_IFR_CHECKBOX_OP             0x06
#define EFI_IFR_NUMERIC_OP              0x07
#define EFI_IFR_PASSWORD_OP             0x08
#define EFI_IFR_ONE_OF_OPTION_OP        0x09
#define EFI_IFR_SUPPRESS_IF_OP          0x0A
#define EFI_IFR_LOCKED_OP               0x0B
#define EFI_IFR_ACTION_OP               0x0C
#define EFI_IFR_RESET_BUTTON_OP         0x0D
#define EFI_IFR_FORM_SET_OP             0x0E
#define EFI_IFR_REF_OP                  0x0F
#define EFI_IFR_NO_SUBMIT_IF_OP         0x10
#define EFI_IFR_INCONSISTENT_IF_OP      0x11
#define EFI_IFR_EQ_ID_VAL_OP            0x12
#define EFI_IFR_EQ_ID_ID_OP             0x13
#define EFI_IFR_EQ_ID_VAL_LIST_OP       0x14
#define EFI_IFR_AND_OP                  0x15
#define EFI_IFR_OR_OP                   0x16
#define EFI_IFR_NOT_OP                  0x17
#define EFI_IFR_RULE_OP                 0x18
#define EFI_IFR_GRAY_OUT_IF_OP          0x19
#define EFI_IFR_DATE_OP                 0x1A
#define EFI_IFR_TIME_OP                 0x1B
#define EFI_IFR_STRING_OP               0x1C
#define EFI_IFR_REFRESH_OP              0x1D
#define EFI_IFR_DISABLE_IF_OP           0x1E
#define EFI_IFR_ANIMATION_OP            0x1F
#define EFI_IFR_TO_LOWER_OP             0x20
#define EFI_IFR_TO_UPPER_OP             0x21
#define EFI_IFR_MAP_OP                  0x22
#define EFI_IFR_ORDERED_LIST_OP         0x23
#define EFI_IFR_VARSTORE_OP             0x24
#define EFI_IFR_VARSTORE_NAME_VALUE_OP  0x25
#define EFI_IFR_VARSTORE_EFI_OP         0x26
#define EFI_IFR_VARSTORE_DEVICE_OP      0x27
#define EFI_IFR_VERSION_OP              0x28
#define EFI_IFR_END_OP                  0x29
#define EFI_IFR_MATCH_OP                0x2A
#define EFI_IFR_GET_OP                  0x2B
#define EFI_IFR_SET_OP                  0x2C
#define EFI_IFR_READ_OP                 0x2D
#define EFI_IFR_WRITE_OP                0x2E
#define EFI_IFR_EQUAL_OP                0x2F
#define EFI_IFR_NOT_EQUAL_OP            0x30
#define EFI_IFR_GREATER_THAN_OP         0x31
#define EFI_IFR_GREATER_EQUAL_OP        0x32
#define EFI_IFR_LESS_THAN_OP            0x33
#define EFI_IFR_LESS_EQUAL_OP           0x34
#define EFI_IFR_BITWISE_AND_OP          0x35
#define EFI_IFR_BITWISE_OR_OP           0x36
#define EFI_IFR_BITWISE_NOT_OP          0x37
#define EFI_IFR_SHIFT_LEFT_OP           0x38
#define EFI_IFR_SHIFT_RIGHT_OP          0x39
#define EFI_IFR_ADD_OP                  0x3A
#define EFI_IFR_SUBTRACT_OP             0x3B
#define EFI_IFR_MULTIPLY_OP             0x3C
#define EFI_IFR_DIVIDE_OP               0x3D
#define EFI_IFR_MODULO_OP               0x3E
#define EFI_IFR_RULE_REF_OP             0x3F
#define EFI_IFR_QUESTION_REF1_OP        0x40
#define EFI_IFR_QUESTION_REF2_OP        0x41
#define EFI_IFR_UINT8_OP                0x42
#define EFI_IFR_UINT16_OP               0x43
#define EFI_IFR_UINT32_OP               0x44
#define EFI_IFR_UINT64_OP               0x45
#define EFI_IFR_TRUE_OP                 0x46
#define EFI_IFR_FALSE_OP                0x47
#define EFI_IFR_TO_UINT_OP              0x48
#define EFI_IFR_TO_STRING_OP            0x49
#define EFI_IFR_TO_BOOLEAN_OP           0x4A
#define EFI_IFR_MID_OP                  0x4B
#define EFI_IFR_FIND_OP                 0x4C
#define EFI_IFR_TOKEN_OP                0x4D
#define EFI_IFR_STRING_REF1_OP          0x4E
#define EFI_IFR_STRING_REF2_OP          0x4F
#define EFI_IFR_CONDITIONAL_OP          0x50
#define EFI_IFR_QUESTION_REF3_OP        0x51
#define EFI_IFR_ZERO_OP                 0x52
#define EFI_IFR_ONE_OP                  0x53
#define EFI_IFR_ONES_OP                 0x54
#define EFI_IFR_UNDEFINED_OP            0x55
#define EFI_IFR_LENGTH_OP               0x56
#define EFI_IFR_DUP_OP                  0x57
#define EFI_IFR_THIS_OP                 0x58
#define EFI_IFR_SPAN_OP                 0x59
#define EFI_IFR_VALUE_OP                0x5A
#define EFI_IFR_DEFAULT_OP              0x5B
#define EFI_IFR_DEFAULTSTORE_OP         0x5C
#define EFI_IFR_FORM_MAP_OP             0x5D
#define EFI_IFR_CATENATE_OP             0x5E
#define EFI_IFR_GUID_OP                 0x5F
#define EFI_IFR_SECURITY_OP             0x60
#define EFI_IFR_MODAL_TAG_OP            0x61
#define EFI_IFR_REFRESH_ID_OP           0x62
#define EFI_IFR_WARNING_IF_OP           0x63
#define EFI_IFR_MATCH2_OP               0x64

//
// The opcodes that begin with a question header (prompt, help, question id, varstore
// id, varstore info, flags): ONE_OF, CHECKBOX, NUMERIC, PASSWORD, ACTION, REF, DATE,
// TIME, STRING and ORDERED_LIST. RESET_BUTTON is a statement: its statement header is
// followed by a default-store id, not by a question header.
//
static inline BOOLEAN
IsQuestionOpcode (
  IN UINT8  OpCode
  )
{
  switch (OpCode) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_CHECKBOX_OP:
    case EFI_IFR_NUMERIC_OP:
    case EFI_IFR_PASSWORD_OP:
    case EFI_IFR_ACTION_OP:
    case EFI_IFR_REF_OP:
    case EFI_IFR_DATE_OP:
    case EFI_IFR_TIME_OP:
    case EFI_IFR_STRING_OP:
    case EFI_IFR_ORDERED_LIST_OP:
      return TRUE;
    default:
      return FALSE;
  }
}

#define EFI_IFR_MAX_LENGTH  0x7F    // the 7-bit length field

//
// Class GUIDs of a FORM_SET, the standard FORM_MAP method, and the GUID of the
// common opcode-extension family (labels, banners, time-out, class, subclass).
//
#define EFI_HII_PLATFORM_SETUP_FORMSET_GUID \
  { 0x93039971, 0x8545, 0x4B04, { 0xB4, 0x5E, 0x32, 0xEB, 0x83, 0x26, 0x04, 0x0E } }
#define EFI_HII_DRIVER_HEALTH_FORMSET_GUID \
  { 0xF22FC20C, 0x8CF4, 0x45EB, { 0x8E, 0x06, 0xAD, 0x4E, 0x50, 0xB9, 0x5D, 0xD3 } }
#define EFI_HII_USER_CREDENTIAL_FORMSET_GUID \
  { 0x337F4407, 0x5AEE, 0x4B83, { 0xB2, 0xA7, 0x4E, 0xAD, 0xCA, 0x30, 0x88, 0xCD } }
#define EFI_HII_STANDARD_FORM_GUID \
  { 0x3BD2F4EC, 0xE524, 0x46E4, { 0xA9, 0xD8, 0x51, 0x01, 0x17, 0x42, 0x55, 0x62 } }
#define EFI_IFR_TIANO_GUID \
  { 0x0F0B1735, 0x87A0, 0x4193, { 0xB2, 0x66, 0x53, 0x8C, 0x38, 0xAF, 0x48, 0xCE } }
#define EFI_IFR_FRAMEWORK_GUID \
  { 0x31CA5D1A, 0xD511, 0x4931, { 0xB7, 0x82, 0xAE, 0x6B, 0x2B, 0x17, 0x8C, 0xD7 } }

// Extended opcodes carried in a GUID opcode under EFI_IFR_TIANO_GUID.
#define EFI_IFR_EXTEND_OP_LABEL      0x00
#define EFI_IFR_EXTEND_OP_BANNER     0x01
#define EFI_IFR_EXTEND_OP_TIMEOUT    0x02
#define EFI_IFR_EXTEND_OP_CLASS      0x03
#define EFI_IFR_EXTEND_OP_SUBCLASS   0x04

// Extended opcodes under EFI_IFR_FRAMEWORK_GUID.
#define EFI_IFR_EXTEND_OP_OPTIONKEY  0x00
#define EFI_IFR_EXTEND_OP_VAREQNAME  0x01

//
// Question flags (the Flags byte of the question header).
//
#define EFI_IFR_FLAG_READ_ONLY           0x01
#define EFI_IFR_FLAG_CALLBACK            0x04
#define EFI_IFR_FLAG_RESET_REQUIRED      0x10
#define EFI_IFR_FLAG_REST_STYLE          0x20
#define EFI_IFR_FLAG_RECONNECT_REQUIRED  0x40
#define EFI_IFR_FLAG_OPTIONS_ONLY        0x80

// Value types of ONE_OF_OPTION, DEFAULT and the value cell.
#define EFI_IFR_TYPE_NUM_SIZE_8   0x00
#define EFI_IFR_TYPE_NUM_SIZE_16  0x01
#define EFI_IFR_TYPE_NUM_SIZE_32  0x02
#define EFI_IFR_TYPE_NUM_SIZE_64  0x03
#define EFI_IFR_TYPE_BOOLEAN      0x04
#define EFI_IFR_TYPE_TIME         0x05
#define EFI_IFR_TYPE_DATE         0x06
#define EFI_IFR_TYPE_STRING       0x07
#define EFI_IFR_TYPE_OTHER        0x08
#define EFI_IFR_TYPE_UNDEFINED    0x09
#define EFI_IFR_TYPE_ACTION       0x0A
#define EFI_IFR_TYPE_BUFFER       0x0B
#define EFI_IFR_TYPE_REF          0x0C

// FORM_SET flags: the low two bits count the class GUIDs that follow.
#define EFI_IFR_FORM_SET_CLASS_GUID_COUNT_MASK  0x03

#define EFI_IFR_FLAGS_HORIZONTAL  0x01          // SUBTITLE

#define EFI_IFR_CHECKBOX_DEFAULT      0x01
#define EFI_IFR_CHECKBOX_DEFAULT_MFG  0x02

// NUMERIC and ONE_OF flags: size in bits 0-1, display form in bits 4-5.
#define EFI_IFR_NUMERIC_SIZE         0x03
#define EFI_IFR_NUMERIC_SIZE_1       0x00
#define EFI_IFR_NUMERIC_SIZE_2       0x01
#define EFI_IFR_NUMERIC_SIZE_4       0x02
#define EFI_IFR_NUMERIC_SIZE_8       0x03
#define EFI_IFR_DISPLAY              0x30
#define EFI_IFR_DISPLAY_INT_DEC      0x00
#define EFI_IFR_DISPLAY_UINT_DEC     0x10
#define EFI_IFR_DISPLAY_UINT_HEX     0x20

#define EFI_IFR_STRING_MULTI_LINE    0x01

#define EFI_IFR_UNIQUE_SET           0x01       // ORDERED_LIST
#define EFI_IFR_NO_EMPTY_SET         0x02

#define QF_DATE_YEAR_SUPPRESS        0x01
#define QF_DATE_MONTH_SUPPRESS       0x02
#define QF_DATE_DAY_SUPPRESS         0x04
#define QF_DATE_STORAGE              0x30
#define QF_TIME_HOUR_SUPPRESS        0x01
#define QF_TIME_MINUTE_SUPPRESS      0x02
#define QF_TIME_SECOND_SUPPRESS      0x04
#define QF_TIME_STORAGE              0x30
#define QF_DATE_STORAGE_NORMAL       0x00
#define QF_DATE_STORAGE_TIME         0x10       // kept in the real-time clock
#define QF_DATE_STORAGE_WAKEUP       0x20
#define QF_TIME_STORAGE_NORMAL       0x00
#define QF_TIME_STORAGE_TIME         0x10
#define QF_TIME_STORAGE_WAKEUP       0x20

#define EFI_IFR_OPTION_DEFAULT       0x10       // ONE_OF_OPTION
#define EFI_IFR_OPTION_DEFAULT_MFG   0x20

#define EFI_HII_DEFAULT_CLASS_STANDARD       0x0000
#define EFI_HII_DEFAULT_CLASS_MANUFACTURING  0x0001
#define EFI_HII_DEFAULT_CLASS_SAFE           0x0002

#define EFI_IFR_STRING_UNSIGNED_DEC   0         // TO_STRING formats
#define EFI_IFR_STRING_SIGNED_DEC     1
#define EFI_IFR_STRING_LOWERCASE_HEX  2
#define EFI_IFR_STRING_UPPERCASE_HEX  3
#define EFI_IFR_STRING_ASCII          0
#define EFI_IFR_STRING_UNICODE        8

#define EFI_IFR_FF_CASE_SENSITIVE     0x00      // FIND formats
#define EFI_IFR_FF_CASE_INSENSITIVE   0x01

#define EFI_IFR_FLAGS_FIRST_MATCHING      0x00  // SPAN flags
#define EFI_IFR_FLAGS_FIRST_NON_MATCHING  0x01

#define EFI_IFR_VARSTORE_TYPE_BUFFER      0x00  // GET and SET VarStoreType
#define EFI_IFR_VARSTORE_TYPE_NAME_VALUE  0x01
#define EFI_IFR_VARSTORE_TYPE_EFI_VARIABLE 0x02

#define EFI_IFR_BANNER_ALIGN_LEFT    0
#define EFI_IFR_BANNER_ALIGN_CENTER  1
#define EFI_IFR_BANNER_ALIGN_RIGHT   2

#pragma pack(push, 1)

typedef struct {
  UINT8    Hour;
  UINT8    Minute;
  UINT8    Second;
} EFI_HII_TIME;

typedef struct {
  UINT16    Year;
  UINT8     Month;
  UINT8     Day;
} EFI_HII_DATE;

typedef struct {
  EFI_QUESTION_ID    QuestionId;
  EFI_FORM_ID        FormId;
  EFI_GUID           FormSetGuid;
  EFI_STRING_ID      DevicePath;
} EFI_HII_REF;

typedef union {
  UINT8            u8;
  UINT16           u16;
  UINT32           u32;
  UINT64           u64;
  BOOLEAN          b;
  EFI_HII_TIME     time;
  EFI_HII_DATE     date;
  EFI_STRING_ID    string;
  EFI_HII_REF      ref;
  // A BUFFER value follows the type byte with the opcode's remaining bytes.
} EFI_IFR_TYPE_VALUE;

typedef struct {
  UINT8    OpCode;
  UINT8    Length : 7;
  UINT8    Scope  : 1;
} EFI_IFR_OP_HEADER;

typedef struct {
  EFI_STRING_ID    Prompt;
  EFI_STRING_ID    Help;
} EFI_IFR_STATEMENT_HEADER;

typedef struct {
  EFI_IFR_STATEMENT_HEADER    Header;
  EFI_QUESTION_ID             QuestionId;
  EFI_VARSTORE_ID             VarStoreId;
  union {
    EFI_STRING_ID    VarName;           // name/value stores
    UINT16           VarOffset;         // buffer stores
  } VarStoreInfo;
  UINT8                       Flags;
} EFI_IFR_QUESTION_HEADER;

typedef union {
  struct {
    UINT8    MinValue;
    UINT8    MaxValue;
    UINT8    Step;
  } u8;
  struct {
    UINT16    MinValue;
    UINT16    MaxValue;
    UINT16    Step;
  } u16;
  struct {
    UINT32    MinValue;
    UINT32    MaxValue;
    UINT32    Step;
  } u32;
  struct {
    UINT64    MinValue;
    UINT64    MaxValue;
    UINT64    Step;
  } u64;
} MINMAXSTEP_DATA;

//
// Form-set and form structure.
//
typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  EFI_STRING_ID        FormSetTitle;
  EFI_STRING_ID        Help;
  UINT8                Flags;
  EFI_GUID             ClassGuid[1];     // (Flags & 3) GUIDs
} EFI_IFR_FORM_SET;

#define EFI_IFR_FORM_SET_SIZE(ClassGuidCount)  (23 + 16 * (ClassGuidCount))

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_END;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_FORM_ID          FormId;
  EFI_STRING_ID        FormTitle;
} EFI_IFR_FORM;

typedef struct {
  EFI_STRING_ID    MethodTitle;
  EFI_GUID         MethodIdentifier;
} EFI_IFR_FORM_MAP_METHOD;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_FORM_ID                FormId;
  EFI_IFR_FORM_MAP_METHOD    Methods[1];
} EFI_IFR_FORM_MAP;

#define EFI_IFR_FORM_MAP_SIZE(MethodCount)  (4 + 18 * (MethodCount))

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_IMAGE_ID         Id;
} EFI_IFR_IMAGE;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_ANIMATION_ID     Id;
} EFI_IFR_ANIMATION;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_MODAL_TAG;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_LOCKED;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                RuleId;
} EFI_IFR_RULE;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        DefaultName;
  UINT16               DefaultId;
} EFI_IFR_DEFAULTSTORE;

//
// Storage.
//
typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  EFI_VARSTORE_ID      VarStoreId;
  UINT16               Size;
  UINT8                Name[1];          // ASCII, NUL terminated
} EFI_IFR_VARSTORE;

#define EFI_IFR_VARSTORE_FIXED_SIZE  22

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_VARSTORE_ID      VarStoreId;
  EFI_GUID             Guid;
  UINT32               Attributes;
  UINT16               Size;
  UINT8                Name[1];          // ASCII, NUL terminated
} EFI_IFR_VARSTORE_EFI;

#define EFI_IFR_VARSTORE_EFI_FIXED_SIZE  26

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_VARSTORE_ID      VarStoreId;
  EFI_GUID             Guid;
} EFI_IFR_VARSTORE_NAME_VALUE;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        DevicePath;
} EFI_IFR_VARSTORE_DEVICE;

//
// Statements.
//
typedef struct {
  EFI_IFR_OP_HEADER           Header;
  EFI_IFR_STATEMENT_HEADER    Statement;
  UINT8                       Flags;
} EFI_IFR_SUBTITLE;

typedef struct {
  EFI_IFR_OP_HEADER           Header;
  EFI_IFR_STATEMENT_HEADER    Statement;
  EFI_STRING_ID               TextTwo;
} EFI_IFR_TEXT;

typedef struct {
  EFI_IFR_OP_HEADER           Header;
  EFI_IFR_STATEMENT_HEADER    Statement;
  EFI_DEFAULT_ID              DefaultId;
} EFI_IFR_RESET_BUTTON;

//
// Questions.
//
typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  EFI_FORM_ID                FormId;
} EFI_IFR_REF;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  EFI_FORM_ID                FormId;
  EFI_QUESTION_ID            QuestionId;
} EFI_IFR_REF2;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  EFI_FORM_ID                FormId;
  EFI_QUESTION_ID            QuestionId;
  EFI_GUID                   FormSetId;
} EFI_IFR_REF3;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  EFI_FORM_ID                FormId;
  EFI_QUESTION_ID            QuestionId;
  EFI_GUID                   FormSetId;
  EFI_STRING_ID              DevicePath;
} EFI_IFR_REF4;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
} EFI_IFR_REF5;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  EFI_STRING_ID              QuestionConfig;
} EFI_IFR_ACTION;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
} EFI_IFR_ACTION_1;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      Flags;
  MINMAXSTEP_DATA            data;        // only the member that Flags' size names is present
} EFI_IFR_ONE_OF;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      Flags;
  MINMAXSTEP_DATA            data;
} EFI_IFR_NUMERIC;

// Length of a NUMERIC or ONE_OF whose value is ByteWidth (1, 2, 4, 8) bytes wide.
#define EFI_IFR_NUMERIC_SIZE_FOR_WIDTH(ByteWidth)  (14 + 3 * (ByteWidth))

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      Flags;
} EFI_IFR_CHECKBOX;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT16                     MinSize;
  UINT16                     MaxSize;
} EFI_IFR_PASSWORD;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      MaxContainers;
  UINT8                      Flags;
} EFI_IFR_ORDERED_LIST;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      MinSize;
  UINT8                      MaxSize;
  UINT8                      Flags;
} EFI_IFR_STRING;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      Flags;
} EFI_IFR_DATE;

typedef struct {
  EFI_IFR_OP_HEADER          Header;
  EFI_IFR_QUESTION_HEADER    Question;
  UINT8                      Flags;
} EFI_IFR_TIME;

typedef struct {
  EFI_IFR_OP_HEADER     Header;
  EFI_STRING_ID         Option;
  UINT8                 Flags;
  UINT8                 Type;
  EFI_IFR_TYPE_VALUE    Value;           // as wide as Type says
} EFI_IFR_ONE_OF_OPTION;

#define EFI_IFR_ONE_OF_OPTION_FIXED_SIZE  6

typedef struct {
  EFI_IFR_OP_HEADER     Header;
  UINT16                DefaultId;
  UINT8                 Type;
  EFI_IFR_TYPE_VALUE    Value;           // as wide as Type says
} EFI_IFR_DEFAULT;

#define EFI_IFR_DEFAULT_FIXED_SIZE  5

// A DEFAULT whose value is the expression in its scope.
typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT16               DefaultId;
  UINT8                Type;
} EFI_IFR_DEFAULT_2;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_VALUE;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                RefreshInterval;
} EFI_IFR_REFRESH;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             RefreshEventGroupId;
} EFI_IFR_REFRESH_ID;

//
// Conditions.
//
typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_SUPPRESS_IF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_GRAY_OUT_IF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_DISABLE_IF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        Error;
} EFI_IFR_NO_SUBMIT_IF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        Error;
} EFI_IFR_INCONSISTENT_IF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        Warning;
  UINT8                TimeOut;
} EFI_IFR_WARNING_IF;

//
// GUID opcode and its extensions.
//
typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  // Optional data follows.
} EFI_IFR_GUID;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  UINT16               Number;
} EFI_IFR_GUID_LABEL;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  EFI_STRING_ID        Title;
  UINT16               LineNumber;
  UINT8                Alignment;
} EFI_IFR_GUID_BANNER;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  UINT16               TimeOut;
} EFI_IFR_GUID_TIMEOUT;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  UINT16               Class;
} EFI_IFR_GUID_CLASS;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  UINT16               SubClass;
} EFI_IFR_GUID_SUBCLASS;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  EFI_QUESTION_ID      QuestionId;
  EFI_STRING_ID        NameId;
} EFI_IFR_GUID_VAREQNAME;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Guid;
  UINT8                ExtendOpCode;
  EFI_QUESTION_ID      QuestionId;
  EFI_IFR_TYPE_VALUE   OptionValue;
  UINT16               KeyValue;
} EFI_IFR_GUID_OPTIONKEY;

#pragma pack(pop)

//
// Sizes and offsets. An opcode's length must equal these for the fixed-size forms.
//
static_assert (sizeof (EFI_HII_TIME) == 3, "EFI_HII_TIME");
static_assert (sizeof (EFI_HII_DATE) == 4, "EFI_HII_DATE");
static_assert (offsetof (EFI_HII_DATE, Month) == 2 && offsetof (EFI_HII_DATE, Day) == 3, "date fields");
static_assert (sizeof (EFI_HII_REF) == 22, "EFI_HII_REF");
static_assert (offsetof (EFI_HII_REF, FormId) == 2, "ref form");
static_assert (offsetof (EFI_HII_REF, FormSetGuid) == 4, "ref form set");
static_assert (offsetof (EFI_HII_REF, DevicePath) == 20, "ref device path");
static_assert (sizeof (EFI_IFR_TYPE_VALUE) == 22, "EFI_IFR_TYPE_VALUE");
static_assert (sizeof (EFI_IFR_OP_HEADER) == 2, "op header");
static_assert (sizeof (EFI_IFR_STATEMENT_HEADER) == 4, "statement header");
static_assert (offsetof (EFI_IFR_QUESTION_HEADER, QuestionId) == 4, "question id");
static_assert (offsetof (EFI_IFR_QUESTION_HEADER, VarStoreId) == 6, "varstore id");
static_assert (offsetof (EFI_IFR_QUESTION_HEADER, VarStoreInfo) == 8, "varstore info");
static_assert (offsetof (EFI_IFR_QUESTION_HEADER, Flags) == 10, "question flags");
static_assert (sizeof (EFI_IFR_QUESTION_HEADER) == 11, "question header");
static_assert (sizeof (MINMAXSTEP_DATA) == 24, "min/max/step");

static_assert (offsetof (EFI_IFR_FORM_SET, Guid) == 2, "form set GUID");
static_assert (offsetof (EFI_IFR_FORM_SET, FormSetTitle) == 18, "form set title");
static_assert (offsetof (EFI_IFR_FORM_SET, Help) == 20, "form set help");
static_assert (offsetof (EFI_IFR_FORM_SET, Flags) == 22, "form set flags");
static_assert (offsetof (EFI_IFR_FORM_SET, ClassGuid) == 23, "form set class GUIDs");
static_assert (sizeof (EFI_IFR_FORM_SET) == EFI_IFR_FORM_SET_SIZE (1), "form set");
static_assert (sizeof (EFI_IFR_END) == 2, "END");
static_assert (offsetof (EFI_IFR_FORM, FormTitle) == 4 && sizeof (EFI_IFR_FORM) == 6, "FORM");
static_assert (sizeof (EFI_IFR_FORM_MAP_METHOD) == 18, "form map method");
static_assert (offsetof (EFI_IFR_FORM_MAP, Methods) == 4, "form map methods");
static_assert (sizeof (EFI_IFR_FORM_MAP) == EFI_IFR_FORM_MAP_SIZE (1), "FORM_MAP");
static_assert (sizeof (EFI_IFR_IMAGE) == 4, "IMAGE");
static_assert (sizeof (EFI_IFR_ANIMATION) == 4, "ANIMATION");
static_assert (sizeof (EFI_IFR_MODAL_TAG) == 2, "MODAL_TAG");
static_assert (sizeof (EFI_IFR_LOCKED) == 2, "LOCKED");
static_assert (sizeof (EFI_IFR_RULE) == 3, "RULE");
static_assert (offsetof (EFI_IFR_DEFAULTSTORE, DefaultId) == 4 && sizeof (EFI_IFR_DEFAULTSTORE) == 6, "DEFAULTSTORE");

static_assert (offsetof (EFI_IFR_VARSTORE, VarStoreId) == 18, "VARSTORE id");
static_assert (offsetof (EFI_IFR_VARSTORE, Size) == 20, "VARSTORE size");
static_assert (offsetof (EFI_IFR_VARSTORE, Name) == EFI_IFR_VARSTORE_FIXED_SIZE, "VARSTORE name");
static_assert (sizeof (EFI_IFR_VARSTORE) == 23, "VARSTORE");
static_assert (offsetof (EFI_IFR_VARSTORE_EFI, Guid) == 4, "VARSTORE_EFI GUID");
static_assert (offsetof (EFI_IFR_VARSTORE_EFI, Attributes) == 20, "VARSTORE_EFI attributes");
static_assert (offsetof (EFI_IFR_VARSTORE_EFI, Size) == 24, "VARSTORE_EFI size");
static_assert (offsetof (EFI_IFR_VARSTORE_EFI, Name) == EFI_IFR_VARSTORE_EFI_FIXED_SIZE, "VARSTORE_EFI name");
static_assert (sizeof (EFI_IFR_VARSTORE_EFI) == 27, "VARSTORE_EFI");
static_assert (offsetof (EFI_IFR_VARSTORE_NAME_VALUE, Guid) == 4 && sizeof (EFI_IFR_VARSTORE_NAME_VALUE) == 20, "VARSTORE_NAME_VALUE");
static_assert (sizeof (EFI_IFR_VARSTORE_DEVICE) == 4, "VARSTORE_DEVICE");

static_assert (offsetof (EFI_IFR_SUBTITLE, Flags) == 6 && sizeof (EFI_IFR_SUBTITLE) == 7, "SUBTITLE");
static_assert (offsetof (EFI_IFR_TEXT, TextTwo) == 6 && sizeof (EFI_IFR_TEXT) == 8, "TEXT");
static_assert (offsetof (EFI_IFR_RESET_BUTTON, DefaultId) == 6 && sizeof (EFI_IFR_RESET_BUTTON) == 8, "RESET_BUTTON");

static_assert (offsetof (EFI_IFR_REF, FormId) == 13 && sizeof (EFI_IFR_REF) == 15, "REF");
static_assert (offsetof (EFI_IFR_REF2, QuestionId) == 15 && sizeof (EFI_IFR_REF2) == 17, "REF2");
static_assert (offsetof (EFI_IFR_REF3, FormSetId) == 17 && sizeof (EFI_IFR_REF3) == 33, "REF3");
static_assert (offsetof (EFI_IFR_REF4, DevicePath) == 33 && sizeof (EFI_IFR_REF4) == 35, "REF4");
static_assert (sizeof (EFI_IFR_REF5) == 13, "REF5");
static_assert (offsetof (EFI_IFR_ACTION, QuestionConfig) == 13 && sizeof (EFI_IFR_ACTION) == 15, "ACTION");
static_assert (sizeof (EFI_IFR_ACTION_1) == 13, "ACTION_1");
static_assert (offsetof (EFI_IFR_ONE_OF, Flags) == 13 && offsetof (EFI_IFR_ONE_OF, data) == 14, "ONE_OF fields");
static_assert (sizeof (EFI_IFR_ONE_OF) == EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (8), "ONE_OF");
static_assert (offsetof (EFI_IFR_NUMERIC, Flags) == 13 && offsetof (EFI_IFR_NUMERIC, data) == 14, "NUMERIC fields");
static_assert (sizeof (EFI_IFR_NUMERIC) == 38, "NUMERIC");
static_assert (EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (1) == 17 && EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (2) == 20, "narrow NUMERIC");
static_assert (EFI_IFR_NUMERIC_SIZE_FOR_WIDTH (4) == 26, "32-bit NUMERIC");
static_assert (offsetof (EFI_IFR_CHECKBOX, Flags) == 13 && sizeof (EFI_IFR_CHECKBOX) == 14, "CHECKBOX");
static_assert (offsetof (EFI_IFR_PASSWORD, MaxSize) == 15 && sizeof (EFI_IFR_PASSWORD) == 17, "PASSWORD");
static_assert (offsetof (EFI_IFR_ORDERED_LIST, Flags) == 14 && sizeof (EFI_IFR_ORDERED_LIST) == 15, "ORDERED_LIST");
static_assert (offsetof (EFI_IFR_STRING, Flags) == 15 && sizeof (EFI_IFR_STRING) == 16, "STRING");
static_assert (offsetof (EFI_IFR_DATE, Flags) == 13 && sizeof (EFI_IFR_DATE) == 14, "DATE");
static_assert (offsetof (EFI_IFR_TIME, Flags) == 13 && sizeof (EFI_IFR_TIME) == 14, "TIME");
static_assert (offsetof (EFI_IFR_ONE_OF_OPTION, Flags) == 4, "ONE_OF_OPTION flags");
static_assert (offsetof (EFI_IFR_ONE_OF_OPTION, Type) == 5, "ONE_OF_OPTION type");
static_assert (offsetof (EFI_IFR_ONE_OF_OPTION, Value) == EFI_IFR_ONE_OF_OPTION_FIXED_SIZE, "ONE_OF_OPTION value");
static_assert (sizeof (EFI_IFR_ONE_OF_OPTION) == 28, "ONE_OF_OPTION");
static_assert (offsetof (EFI_IFR_DEFAULT, DefaultId) == 2 && offsetof (EFI_IFR_DEFAULT, Type) == 4, "DEFAULT fields");
static_assert (offsetof (EFI_IFR_DEFAULT, Value) == EFI_IFR_DEFAULT_FIXED_SIZE && sizeof (EFI_IFR_DEFAULT) == 27, "DEFAULT");
static_assert (sizeof (EFI_IFR_DEFAULT_2) == 5, "DEFAULT_2");
static_assert (sizeof (EFI_IFR_VALUE) == 2, "VALUE");
static_assert (sizeof (EFI_IFR_REFRESH) == 3, "REFRESH");
static_assert (sizeof (EFI_IFR_REFRESH_ID) == 18, "REFRESH_ID");

static_assert (sizeof (EFI_IFR_SUPPRESS_IF) == 2 && sizeof (EFI_IFR_GRAY_OUT_IF) == 2, "SUPPRESS_IF, GRAY_OUT_IF");
static_assert (sizeof (EFI_IFR_DISABLE_IF) == 2, "DISABLE_IF");
static_assert (sizeof (EFI_IFR_NO_SUBMIT_IF) == 4 && sizeof (EFI_IFR_INCONSISTENT_IF) == 4, "NO_SUBMIT_IF, INCONSISTENT_IF");
static_assert (offsetof (EFI_IFR_WARNING_IF, TimeOut) == 4 && sizeof (EFI_IFR_WARNING_IF) == 5, "WARNING_IF");

static_assert (sizeof (EFI_IFR_GUID) == 18, "GUID");
static_assert (offsetof (EFI_IFR_GUID_LABEL, ExtendOpCode) == 18, "extended opcode");
static_assert (offsetof (EFI_IFR_GUID_LABEL, Number) == 19 && sizeof (EFI_IFR_GUID_LABEL) == 21, "label");
static_assert (offsetof (EFI_IFR_GUID_BANNER, LineNumber) == 21, "banner line");
static_assert (sizeof (EFI_IFR_GUID_BANNER) == 24, "banner");
static_assert (sizeof (EFI_IFR_GUID_TIMEOUT) == 21, "time-out");
static_assert (offsetof (EFI_IFR_GUID_CLASS, Class) == 19 && sizeof (EFI_IFR_GUID_CLASS) == 21, "class");
static_assert (offsetof (EFI_IFR_GUID_SUBCLASS, SubClass) == 19 && sizeof (EFI_IFR_GUID_SUBCLASS) == 21, "subclass");
static_assert (sizeof (EFI_IFR_GUID_VAREQNAME) == 23, "VAREQNAME");
static_assert (offsetof (EFI_IFR_GUID_OPTIONKEY, OptionValue) == 21 && sizeof (EFI_IFR_GUID_OPTIONKEY) == 45, "OPTIONKEY");

//
// Header readers. IFR arrives at any alignment, so these read bytes.
//
static inline UINT8
IfrOpCode (
  IN CONST VOID  *Op
  )
{
  return ((CONST UINT8 *)Op)[0];
}

/** The opcode's length in bytes, header included (0 and 1 mean malformed IFR). */
static inline UINT8
IfrOpLength (
  IN CONST VOID  *Op
  )
{
  return (UINT8)(((CONST UINT8 *)Op)[1] & 0x7F);
}

/** TRUE when the opcode opens a scope that a later END closes. */
static inline BOOLEAN
IfrOpScope (
  IN CONST VOID  *Op
  )
{
  return (((CONST UINT8 *)Op)[1] & 0x80) != 0 ? TRUE : FALSE;
}

/**
  Width in bytes of a value of the given IFR type as it appears in ONE_OF_OPTION and
  DEFAULT, or 0 for types whose width the opcode does not fix (OTHER, UNDEFINED,
  ACTION, BUFFER, unknown).
**/
static inline UINT8
IfrTypeValueWidth (
  IN UINT8  Type
  )
{
  switch (Type) {
    case EFI_IFR_TYPE_NUM_SIZE_8:  return 1;
    case EFI_IFR_TYPE_NUM_SIZE_16: return 2;
    case EFI_IFR_TYPE_NUM_SIZE_32: return 4;
    case EFI_IFR_TYPE_NUM_SIZE_64: return 8;
    case EFI_IFR_TYPE_BOOLEAN:     return 1;
    case EFI_IFR_TYPE_TIME:        return 3;
    case EFI_IFR_TYPE_DATE:        return 4;
    case EFI_IFR_TYPE_STRING:      return 2;
    case EFI_IFR_TYPE_REF:         return 22;
    default:                       return 0;
  }
}

// The expression opcodes, after everything they build on.
#include <Uefi/UefiIfrExpressions.h>

#endif
