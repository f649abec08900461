/** @file
  The ways an emulated run ends other than by returning. Each is its own type so a
  test catches exactly the ending it expects and lets any other one fail the test.
**/
#ifndef EMULATOR_RUN_ENDED_H_
#define EMULATOR_RUN_ENDED_H_

#include <Uefi.h>

#include <stdexcept>
#include <string>

namespace Emu {

// Base of every run ending; what() says why.
class RunEnded : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// ResetSystem was called. The call is also in Machine::Resets().
class ResetSystemCalled : public RunEnded {
public:
  ResetSystemCalled (EFI_RESET_TYPE Type, EFI_STATUS Status)
    : RunEnded ("ResetSystem called"), Type (Type), Status (Status) {}

  EFI_RESET_TYPE  Type;
  EFI_STATUS      Status;
};

// The program waited for a key and the key script has none left.
class KeyScriptExhausted : public RunEnded {
public:
  using RunEnded::RunEnded;
};

// WaitForEvent was given events that nothing can ever signal: no armed timer, no
// key to come. Real firmware would hang here.
class WaitNeverEnds : public RunEnded {
public:
  using RunEnded::RunEnded;
};

}  // namespace Emu

#endif
