// BrowserCallback as a fake driver calls it from its question callback: the browser's
// copy of the driver's store read as a configuration block and changed by one, the
// variable chosen by the callback or by GUID and name, and the refusals.
#include <engine/testing/DriverStoreTest.h>

#include <engine/browser/DriverCallbacks.h>
#include <engine/browser/FormBrowser.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Builders::BYTES;

struct ANSWER {
  EFI_STATUS      Status = EFI_ABORTED;
  UINTN           Size   = 0;
  std::u16string  Text;
};

class BrowserCallbackTest : public DriverStoreTest {
protected:
  // A one-of of question 5 at offset 2 of the driver's store, two bytes wide.
  CONTROL_RECORD BoardQuestion (UINT32 Variable = kBoardIndex)
  {
    size_t  OneOf = Forms.OneOf ({ .Prompt = 1, .Help = 2, .QuestionId = 5, .VarStoreId = 1, .VarOffset = 2 },
                      EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0, false);
    UsePackage (Forms);
    return VariableControl (OneOf, CONTROL_TYPE_ONE_OF, Variable);
  }

  // Runs Inside from the driver's FORM_OPEN callback of the question: one call, nothing written back.
  EFI_STATUS FromCallback (CONTROL_RECORD &C, std::function<void ()> Inside)
  {
    Driver->OnCallback = [Inside] (Emu::FakeDriver &, EFI_BROWSER_ACTION, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *,
                           EFI_BROWSER_ACTION_REQUEST *) {
      Inside ();
      return EFI_SUCCESS;
    };
    return InvokeControlCallback (&C, 5, 0, EFI_BROWSER_ACTION_FORM_OPEN);
  }

  static ANSWER Retrieve (UINTN Size, const EFI_GUID *Guid = nullptr, const CHAR16 *Name = nullptr)
  {
    ANSWER                 A;
    std::vector<CHAR16>    Buffer (Size / sizeof (CHAR16) + 1, u'#');

    A.Size   = Size;
    A.Status = BrowserCallback (nullptr, &A.Size, Buffer.data (), TRUE, Guid, Name);
    if (A.Status == EFI_SUCCESS) {
      A.Text = Buffer.data ();
    }
    return A;
  }

  static EFI_STATUS Send (const std::u16string &Text, const EFI_GUID *Guid = nullptr, const CHAR16 *Name = nullptr)
  {
    std::u16string  Copy = Text;
    UINTN           Size = (Copy.size () + 1) * sizeof (CHAR16);

    return BrowserCallback (nullptr, &Size, Copy.data (), FALSE, Guid, Name);
  }

  Builders::IfrBuilder  Forms;
};

const BYTES  kStored = { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17 };

TEST_F (BrowserCallbackTest, OutsideADriverCallbackTheBrowserServesNobody) {
  EXPECT_EQ (Retrieve (200).Status, EFI_UNSUPPORTED);
  EXPECT_EQ (Send (u"OFFSET=0&WIDTH=1&VALUE=01", &kStoreGuid, u"Board"), EFI_UNSUPPORTED);
  EXPECT_EQ (Cached (kBoardIndex), kStored);
}

TEST_F (BrowserCallbackTest, RetrieveGivesTheWholeVariableAsOneBlockAndTheSizeItNeeds) {
  CONTROL_RECORD  C = BoardQuestion ();
  ANSWER          Empty;
  ANSWER          Full;
  ANSWER          Named;
  const std::u16string  Block = u"OFFSET=0&WIDTH=8&VALUE=1716151413121110";

  ASSERT_EQ (FromCallback (C, [&] {
    Empty = Retrieve (0);
    Full  = Retrieve (Empty.Size);
    Named = Retrieve (Empty.Size, &kStoreGuid, u"Board");
  }), EFI_SUCCESS);

  EXPECT_EQ (Empty.Status, EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Empty.Size, (Block.size () + 1) * sizeof (CHAR16));
  EXPECT_EQ (Full.Status, EFI_SUCCESS);
  EXPECT_EQ (Full.Text, Block);
  EXPECT_EQ (Full.Size, Empty.Size);
  EXPECT_EQ (Named.Text, Block);
}

TEST_F (BrowserCallbackTest, SendChangesTheBrowsersCopyExactlyWhereTheBlockSaysAndNotTheStore) {
  CONTROL_RECORD  C = BoardQuestion ();
  EFI_STATUS      Sent = EFI_ABORTED;

  ASSERT_EQ (FromCallback (C, [&] { Sent = Send (u"OFFSET=5&WIDTH=2&VALUE=beef"); }), EFI_SUCCESS);
  EXPECT_EQ (Sent, EFI_SUCCESS);
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 0x10, 0x11, 0x12, 0x13, 0x14, 0xEF, 0xBE, 0x17 }));
  EXPECT_EQ (*Driver->Store (kStoreGuid, u"Board"), kStored);     // uncommitted until a save
}

TEST_F (BrowserCallbackTest, AValueTheDriverSentIsNotOverwrittenByTheValueItReturns) {
  CONTROL_RECORD  C = BoardQuestion ();

  Driver->OnCallback = [] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *,
                         EFI_BROWSER_ACTION_REQUEST *) {
    return (Action == EFI_BROWSER_ACTION_CHANGING) ? Send (u"OFFSET=2&WIDTH=2&VALUE=0a0b") : EFI_SUCCESS;
  };
  ASSERT_EQ (InvokeControlCallback (&C, 5, 0, EFI_BROWSER_ACTION_CHANGING), EFI_SUCCESS);
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 0x10, 0x11, 0x0B, 0x0A, 0x14, 0x15, 0x16, 0x17 }));
}

// A user's change to a question with the callback flag: the new value in the browser's copy,
// the old one kept, then CHANGING. A driver that does not handle CHANGING (EFI_UNSUPPORTED,
// as a front page that acts only on CHANGED) lets the change go on to CHANGED; any other
// error refuses it and the old value comes back.
TEST_F (BrowserCallbackTest, TheChangingAnswerDecidesWhetherTheChangeStandsAndChangedFollows) {
  struct ROW {
    EFI_STATUS  Answer;
    bool        Stands;
  };
  const ROW  Rows[] = {
    { EFI_SUCCESS,       true  },
    { EFI_UNSUPPORTED,   true  },
    { EFI_ACCESS_DENIED, false },
    { EFI_ABORTED,       false },
  };

  for (const ROW &Row : Rows) {
    CONTROL_RECORD                   C = BoardQuestion ();
    std::vector<EFI_BROWSER_ACTION>  Seen;
    std::vector<UINT64>              Passed;

    RefreshVariableCache (kBoardIndex);
    SaveControlOldValue (&C);
    ((UINT8 *)gVariableCache[kBoardIndex].Data)[2] = 0x42;     // the user's new value
    ((UINT8 *)gVariableCache[kBoardIndex].Data)[3] = 0x00;
    Driver->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *) {
      Seen.push_back (Action);
      Passed.push_back (Value->u16);
      return (Action == EFI_BROWSER_ACTION_CHANGING) ? Row.Answer : EFI_UNSUPPORTED;
    };
    EXPECT_EQ (InvokeControlCallback (&C, 5, 0, EFI_BROWSER_ACTION_CHANGING), Row.Answer);

    std::vector<EFI_BROWSER_ACTION>  Expected = { EFI_BROWSER_ACTION_CHANGING };
    if (Row.Stands) {
      Expected.push_back (EFI_BROWSER_ACTION_CHANGED);
    }
    EXPECT_EQ (Seen, Expected) << Row.Answer;
    EXPECT_EQ (Passed.front (), 0x42u) << Row.Answer;
    EXPECT_EQ (Cached (kBoardIndex)[2], Row.Stands ? 0x42 : 0x12) << Row.Answer;
    Driver->OnCallback = nullptr;
  }
}

// A driver that, as OVMF's Boot Maintenance Manager and Secure Boot pages do, reads the
// browser's copy of its whole store on each callback and writes it all back (the
// question's value from before the change among it): the value it answers CHANGING or
// RETRIEVE with is the question's, and CHANGED is given that value.
TEST_F (BrowserCallbackTest, AWholeStoreWrittenBackDoesNotUndoTheValueTheDriverAnswersWith) {
  struct ROW {
    EFI_BROWSER_ACTION  Action;
    UINT16              Answer;     // 0: the driver leaves the value passed
    UINT8               Shown;
  };
  const ROW  Rows[] = {
    { EFI_BROWSER_ACTION_CHANGING, 0,    0x42 },
    { EFI_BROWSER_ACTION_CHANGING, 0x07, 0x07 },
    { EFI_BROWSER_ACTION_RETRIEVE, 0x09, 0x09 },
  };

  for (const ROW &Row : Rows) {
    CONTROL_RECORD       C = BoardQuestion ();
    std::vector<UINT64>  Changed;

    RefreshVariableCache (kBoardIndex);
    if (Row.Action == EFI_BROWSER_ACTION_CHANGING) {
      SaveControlOldValue (&C);
      ((UINT8 *)gVariableCache[kBoardIndex].Data)[2] = 0x42;     // the user's new value
      ((UINT8 *)gVariableCache[kBoardIndex].Data)[3] = 0x00;
    }
    Driver->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *) {
      ANSWER  Whole = Retrieve (400);
      EXPECT_EQ (Whole.Status, EFI_SUCCESS);
      EXPECT_EQ (Send (Whole.Text), EFI_SUCCESS);
      if (Action == EFI_BROWSER_ACTION_CHANGED) {
        Changed.push_back (Value->u16);
      } else if (Row.Answer != 0) {
        Value->u16 = Row.Answer;
      }
      return EFI_SUCCESS;
    };
    EXPECT_EQ (InvokeControlCallback (&C, 5, 0, Row.Action), EFI_SUCCESS);
    EXPECT_EQ (Cached (kBoardIndex)[2], Row.Shown) << "action " << Row.Action << ", answer " << Row.Answer;
    EXPECT_EQ (Cached (kBoardIndex)[3], 0) << "action " << Row.Action << ", answer " << Row.Answer;
    if (Row.Action == EFI_BROWSER_ACTION_CHANGING) {
      EXPECT_EQ (Changed, std::vector<UINT64> ({ Row.Shown })) << "answer " << Row.Answer;
    }
    Driver->OnCallback = nullptr;
  }
}

// EFI_UNSUPPORTED to CHANGING lets the change go on with the value passed, whatever the
// driver left in Value; to RETRIEVE it leaves the value shown as it was.
TEST_F (BrowserCallbackTest, AnUnsupportedAnswerKeepsThePassedOrTheShownValue) {
  for (EFI_BROWSER_ACTION Action : { EFI_BROWSER_ACTION_CHANGING, EFI_BROWSER_ACTION_RETRIEVE }) {
    CONTROL_RECORD  C = BoardQuestion ();

    RefreshVariableCache (kBoardIndex);
    if (Action == EFI_BROWSER_ACTION_CHANGING) {
      SaveControlOldValue (&C);
      ((UINT8 *)gVariableCache[kBoardIndex].Data)[2] = 0x42;
      ((UINT8 *)gVariableCache[kBoardIndex].Data)[3] = 0x00;
    }
    Driver->OnCallback = [] (Emu::FakeDriver &, EFI_BROWSER_ACTION, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *Value,
                           EFI_BROWSER_ACTION_REQUEST *) {
      Value->u16 = 0x5555;
      return EFI_UNSUPPORTED;
    };
    EXPECT_EQ (InvokeControlCallback (&C, 5, 0, Action), EFI_UNSUPPORTED);
    EXPECT_EQ (Cached (kBoardIndex)[2], (Action == EFI_BROWSER_ACTION_CHANGING) ? 0x42 : 0x12) << "action " << Action;
    EXPECT_EQ (Cached (kBoardIndex)[3], (Action == EFI_BROWSER_ACTION_CHANGING) ? 0x00 : 0x13) << "action " << Action;
    Driver->OnCallback = nullptr;
  }
}

TEST_F (BrowserCallbackTest, TheVariableIsFoundByGuidAndNameAmongBlockStoresOnly) {
  CONTROL_RECORD  C       = BoardQuestion ();
  CONTROL_RECORD  OfSetup = C;     // the same question, on a plain variable

  OfSetup.VariableIndex = 0;
  ANSWER          Other, NoName, PlainVariable, ContextPlain;

  ASSERT_EQ (FromCallback (C, [&] {
    Other         = Retrieve (400, &kStoreGuid, u"Other");
    NoName        = Retrieve (400, &kStoreGuid, nullptr);
    PlainVariable = Retrieve (400, &kBoardGuid, u"Setup");     // a plain UEFI variable is no browser copy
  }), EFI_SUCCESS);
  ASSERT_EQ (FromCallback (OfSetup, [&] { ContextPlain = Retrieve (400); }), EFI_SUCCESS);

  EXPECT_EQ (Other.Status, EFI_NOT_FOUND);
  EXPECT_EQ (NoName.Status, EFI_NOT_FOUND);
  EXPECT_EQ (PlainVariable.Status, EFI_NOT_FOUND);
  EXPECT_EQ (ContextPlain.Status, EFI_INVALID_PARAMETER);
}

TEST_F (BrowserCallbackTest, BadSizesAndBlocksPastTheEndAreRefusedAndNothingChanges) {
  CONTROL_RECORD  C = BoardQuestion ();
  EFI_STATUS      NullSize = EFI_ABORTED, NullData = EFI_ABORTED, PastEnd = EFI_ABORTED;

  ASSERT_EQ (FromCallback (C, [&] {
    UINTN  Size = 8;
    NullSize = BrowserCallback (nullptr, nullptr, nullptr, TRUE, nullptr, nullptr);
    NullData = BrowserCallback (nullptr, &Size, nullptr, TRUE, nullptr, nullptr);
    PastEnd  = Send (u"OFFSET=0&WIDTH=1&VALUE=99&OFFSET=7&WIDTH=2&VALUE=0102");
  }), EFI_SUCCESS);

  EXPECT_EQ (NullSize, EFI_INVALID_PARAMETER);
  EXPECT_EQ (NullData, EFI_INVALID_PARAMETER);
  EXPECT_EQ (PastEnd, EFI_INVALID_PARAMETER);
  EXPECT_EQ (Cached (kBoardIndex), kStored);
}

// A driver's form set names the boot order's store and the driver sends its whole new
// order: the bytes land as sent, not read as one option moved to a new place.
// The engine variable at Index renamed Name of the driver's store, holding Bytes.
void
StoreOfTheDriver (UINTN Index, const std::u16string &Name, EFI_HII_HANDLE Handle, Emu::Machine &M, const BYTES &Bytes)
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);

  std::memcpy (Record->Name, Name.c_str (), (Name.size () + 1) * sizeof (CHAR16));
  Record->VendorGuid = kStoreGuid;
  Record->Size       = (UINT16)Bytes.size ();
  Record->HiiHandle  = Handle;
  M.Variables ().Put (Name, kStoreGuid, 7, Bytes);
  RefreshVariableCache (Index);
}

TEST_F (BrowserCallbackTest, AWholeOrderFromADriverIsWrittenAsSent) {
  EFI_STATUS  Sent = EFI_ABORTED;

  StoreOfTheDriver (SETUP_VARIABLE_INDEX_BOOT_ORDER, u"Order", Handle, M, { 1, 0, 2, 0, 3, 0 });
  ASSERT_EQ (Cached (SETUP_VARIABLE_INDEX_BOOT_ORDER), (BYTES { 1, 0, 2, 0, 3, 0 }));

  CONTROL_RECORD  C = BoardQuestion ();
  ASSERT_EQ (FromCallback (C, [&] { Sent = Send (u"OFFSET=0&WIDTH=6&VALUE=000100020003", &kStoreGuid, u"Order"); }),
             EFI_SUCCESS);
  EXPECT_EQ (Sent, EFI_SUCCESS);
  EXPECT_EQ (Cached (SETUP_VARIABLE_INDEX_BOOT_ORDER), (BYTES { 3, 0, 2, 0, 1, 0 }));
}

// The language a driver sends whole is its code, not a position in the language list,
// and it goes to NVRAM at once as every language change does.
TEST_F (BrowserCallbackTest, AWholeLanguageFromADriverIsStoredAndWrittenAtOnce) {
  EFI_STATUS  Sent = EFI_ABORTED;

  StoreOfTheDriver (SETUP_VARIABLE_INDEX_LANGUAGE, u"Lang", Handle, M, { 'f', 'r', '-', 'F', 'R', 0 });

  CONTROL_RECORD  C = BoardQuestion ();
  ASSERT_EQ (FromCallback (C, [&] { Sent = Send (u"OFFSET=0&WIDTH=6&VALUE=00532d6e65", &kStoreGuid, u"Lang"); }),
             EFI_SUCCESS);
  EXPECT_EQ (Sent, EFI_SUCCESS);
  EXPECT_EQ (Cached (SETUP_VARIABLE_INDEX_LANGUAGE), (BYTES { 'e', 'n', '-', 'S', 0, 0 }));
  EXPECT_EQ (M.Variables ().Lookup (u"Lang", kStoreGuid)->Data, (BYTES { 'e', 'n', '-', 'S', 0, 0 }));
}

}  // namespace
