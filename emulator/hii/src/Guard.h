/** @file
  Protocol functions are called from engine code: no C++ exception may cross that
  boundary except the emulator's run-ending signals, which are meant to unwind the
  whole run.
**/
#ifndef EMULATOR_HII_GUARD_H_
#define EMULATOR_HII_GUARD_H_

#include <Uefi.h>

#include <Emulator/RunEnded.h>

#include <new>

namespace Emu {

template <class BODY>
EFI_STATUS
Guarded (BODY &&Body)
{
  try {
    return Body ();
  } catch (const RunEnded &) {
    throw;
  } catch (const std::bad_alloc &) {
    return EFI_OUT_OF_RESOURCES;
  } catch (...) {
    return EFI_DEVICE_ERROR;
  }
}

}  // namespace Emu

#endif
