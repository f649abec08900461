/** @file
  Freestanding <setjmp.h> for the UEFI image, over SetupSetJump and SetupLongJump
  (SetJump.cpp). The buffer holds the registers the image's calling convention preserves;
  this directory is on the include path only for the UEFI build.
**/
#ifndef RUNTIME_SETJMP_H_
#define RUNTIME_SETJMP_H_

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned long long jmp_buf[30];

__attribute__ ((returns_twice)) int SetupSetJump (jmp_buf Buffer);
__attribute__ ((noreturn)) void SetupLongJump (jmp_buf Buffer, int Value);

#ifdef __cplusplus
}
#endif

// A macro, as the C library's is: a call through a pointer could not return twice.
#define setjmp(Buffer) SetupSetJump (Buffer)
#define longjmp SetupLongJump

#endif
