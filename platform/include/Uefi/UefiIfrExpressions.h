/** @file
  IFR expression opcodes: the packed layout of every expression opcode that carries
  operands in the opcode itself, and the header-only operators. UefiIfr.h holds the
  opcode values, the headers and every other opcode, and includes this file.
**/
#ifndef UEFI_IFR_EXPRESSIONS_H_
#define UEFI_IFR_EXPRESSIONS_H_

#include <Uefi/UefiIfr.h>

#pragma pack(push, 1)

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_QUESTION_ID      QuestionId;
  UINT16               Value;
} EFI_IFR_EQ_ID_VAL;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_QUESTION_ID      QuestionId1;
  EFI_QUESTION_ID      QuestionId2;
} EFI_IFR_EQ_ID_ID;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_QUESTION_ID      QuestionId;
  UINT16               ListLength;
  UINT16               ValueList[1];
} EFI_IFR_EQ_ID_VAL_LIST;

#define EFI_IFR_EQ_ID_VAL_LIST_SIZE(Count)  (6 + 2 * (Count))

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_QUESTION_ID      QuestionId;
} EFI_IFR_QUESTION_REF1;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_QUESTION_REF2;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_QUESTION_REF3;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        DevicePath;
} EFI_IFR_QUESTION_REF3_2;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        DevicePath;
  EFI_GUID             Guid;
} EFI_IFR_QUESTION_REF3_3;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                RuleId;
} EFI_IFR_RULE_REF;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_STRING_ID        StringId;
} EFI_IFR_STRING_REF1;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_STRING_REF2;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_THIS;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             Permissions;
} EFI_IFR_SECURITY;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_VARSTORE_ID      VarStoreId;
  union {
    EFI_STRING_ID    VarName;
    UINT16           VarOffset;
  } VarStoreInfo;
  UINT8                VarStoreType;
} EFI_IFR_GET;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_VARSTORE_ID      VarStoreId;
  union {
    EFI_STRING_ID    VarName;
    UINT16           VarOffset;
  } VarStoreInfo;
  UINT8                VarStoreType;
} EFI_IFR_SET;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                Value;
} EFI_IFR_UINT8;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT16               Value;
} EFI_IFR_UINT16;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT32               Value;
} EFI_IFR_UINT32;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT64               Value;
} EFI_IFR_UINT64;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                Format;
} EFI_IFR_TO_STRING;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                Format;
} EFI_IFR_FIND;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  UINT8                Flags;
} EFI_IFR_SPAN;

typedef struct {
  EFI_IFR_OP_HEADER    Header;
  EFI_GUID             SyntaxType;
} EFI_IFR_MATCH2;

// Expression opcodes that carry nothing but their header share this layout:
// READ, WRITE, TRUE, FALSE, ONE, ONES, ZERO, UNDEFINED, VERSION, LENGTH, NOT,
// BITWISE_NOT, TO_BOOLEAN, TO_UINT, TO_UPPER, TO_LOWER, DUP, AND, OR, EQUAL,
// NOT_EQUAL, GREATER_THAN, GREATER_EQUAL, LESS_THAN, LESS_EQUAL, BITWISE_AND,
// BITWISE_OR, SHIFT_LEFT, SHIFT_RIGHT, ADD, SUBTRACT, MULTIPLY, DIVIDE, MODULO,
// CATENATE, MATCH, MID, TOKEN, CONDITIONAL, MAP.
typedef struct {
  EFI_IFR_OP_HEADER    Header;
} EFI_IFR_OPERATOR;

typedef EFI_IFR_OPERATOR  EFI_IFR_READ;
typedef EFI_IFR_OPERATOR  EFI_IFR_WRITE;
typedef EFI_IFR_OPERATOR  EFI_IFR_TRUE;
typedef EFI_IFR_OPERATOR  EFI_IFR_FALSE;
typedef EFI_IFR_OPERATOR  EFI_IFR_ONE;
typedef EFI_IFR_OPERATOR  EFI_IFR_ONES;
typedef EFI_IFR_OPERATOR  EFI_IFR_ZERO;
typedef EFI_IFR_OPERATOR  EFI_IFR_UNDEFINED;
typedef EFI_IFR_OPERATOR  EFI_IFR_VERSION;
typedef EFI_IFR_OPERATOR  EFI_IFR_LENGTH;
typedef EFI_IFR_OPERATOR  EFI_IFR_NOT;
typedef EFI_IFR_OPERATOR  EFI_IFR_BITWISE_NOT;
typedef EFI_IFR_OPERATOR  EFI_IFR_TO_BOOLEAN;
typedef EFI_IFR_OPERATOR  EFI_IFR_TO_UINT;
typedef EFI_IFR_OPERATOR  EFI_IFR_TO_UPPER;
typedef EFI_IFR_OPERATOR  EFI_IFR_TO_LOWER;
typedef EFI_IFR_OPERATOR  EFI_IFR_DUP;
typedef EFI_IFR_OPERATOR  EFI_IFR_AND;
typedef EFI_IFR_OPERATOR  EFI_IFR_OR;
typedef EFI_IFR_OPERATOR  EFI_IFR_EQUAL;
typedef EFI_IFR_OPERATOR  EFI_IFR_NOT_EQUAL;
typedef EFI_IFR_OPERATOR  EFI_IFR_GREATER_THAN;
typedef EFI_IFR_OPERATOR  EFI_IFR_GREATER_EQUAL;
typedef EFI_IFR_OPERATOR  EFI_IFR_LESS_THAN;
typedef EFI_IFR_OPERATOR  EFI_IFR_LESS_EQUAL;
typedef EFI_IFR_OPERATOR  EFI_IFR_BITWISE_AND;
typedef EFI_IFR_OPERATOR  EFI_IFR_BITWISE_OR;
typedef EFI_IFR_OPERATOR  EFI_IFR_SHIFT_LEFT;
typedef EFI_IFR_OPERATOR  EFI_IFR_SHIFT_RIGHT;
typedef EFI_IFR_OPERATOR  EFI_IFR_ADD;
typedef EFI_IFR_OPERATOR  EFI_IFR_SUBTRACT;
typedef EFI_IFR_OPERATOR  EFI_IFR_MULTIPLY;
typedef EFI_IFR_OPERATOR  EFI_IFR_DIVIDE;
typedef EFI_IFR_OPERATOR  EFI_IFR_MODULO;
typedef EFI_IFR_OPERATOR  EFI_IFR_CATENATE;
typedef EFI_IFR_OPERATOR  EFI_IFR_MATCH;
typedef EFI_IFR_OPERATOR  EFI_IFR_MID;
typedef EFI_IFR_OPERATOR  EFI_IFR_TOKEN;
typedef EFI_IFR_OPERATOR  EFI_IFR_CONDITIONAL;
typedef EFI_IFR_OPERATOR  EFI_IFR_MAP;

#pragma pack(pop)

//
// Sizes and offsets. An opcode's length must equal these for the fixed-size forms.
//
static_assert (offsetof (EFI_IFR_EQ_ID_VAL, Value) == 4 && sizeof (EFI_IFR_EQ_ID_VAL) == 6, "EQ_ID_VAL");
static_assert (sizeof (EFI_IFR_EQ_ID_ID) == 6, "EQ_ID_ID");
static_assert (offsetof (EFI_IFR_EQ_ID_VAL_LIST, ListLength) == 4, "EQ_ID_VAL_LIST length");
static_assert (offsetof (EFI_IFR_EQ_ID_VAL_LIST, ValueList) == 6, "EQ_ID_VAL_LIST values");
static_assert (sizeof (EFI_IFR_EQ_ID_VAL_LIST) == EFI_IFR_EQ_ID_VAL_LIST_SIZE (1), "EQ_ID_VAL_LIST");
static_assert (sizeof (EFI_IFR_QUESTION_REF1) == 4 && sizeof (EFI_IFR_QUESTION_REF2) == 2, "QUESTION_REF1/2");
static_assert (sizeof (EFI_IFR_QUESTION_REF3) == 2 && sizeof (EFI_IFR_QUESTION_REF3_2) == 4, "QUESTION_REF3");
static_assert (offsetof (EFI_IFR_QUESTION_REF3_3, Guid) == 4 && sizeof (EFI_IFR_QUESTION_REF3_3) == 20, "QUESTION_REF3_3");
static_assert (sizeof (EFI_IFR_RULE_REF) == 3, "RULE_REF");
static_assert (sizeof (EFI_IFR_STRING_REF1) == 4 && sizeof (EFI_IFR_STRING_REF2) == 2, "STRING_REF");
static_assert (sizeof (EFI_IFR_THIS) == 2, "THIS");
static_assert (sizeof (EFI_IFR_SECURITY) == 18, "SECURITY");
static_assert (offsetof (EFI_IFR_GET, VarStoreInfo) == 4 && offsetof (EFI_IFR_GET, VarStoreType) == 6, "GET fields");
static_assert (sizeof (EFI_IFR_GET) == 7 && sizeof (EFI_IFR_SET) == 7, "GET, SET");
static_assert (sizeof (EFI_IFR_UINT8) == 3 && sizeof (EFI_IFR_UINT16) == 4, "UINT8, UINT16");
static_assert (sizeof (EFI_IFR_UINT32) == 6 && sizeof (EFI_IFR_UINT64) == 10, "UINT32, UINT64");
static_assert (sizeof (EFI_IFR_TO_STRING) == 3 && sizeof (EFI_IFR_FIND) == 3, "TO_STRING, FIND");
static_assert (sizeof (EFI_IFR_SPAN) == 3, "SPAN");
static_assert (sizeof (EFI_IFR_MATCH2) == 18, "MATCH2");
static_assert (sizeof (EFI_IFR_OPERATOR) == 2, "header-only operators");

#endif
