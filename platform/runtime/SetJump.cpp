/** @file
  SetupSetJump and SetupLongJump for the x86-64 Microsoft calling convention of the UEFI
  image: the buffer keeps the registers that convention preserves across a call (rbx, rbp,
  rdi, rsi, r12-r15, xmm6-xmm15), the caller's stack pointer and the return address. The
  buffer is 30 quadwords; xmm registers are stored unaligned so any 8-byte buffer works.
**/

// Buffer layout: 0 rbx, 8 rbp, 16 rdi, 24 rsi, 32 rsp, 40 r12, 48 r13, 56 r14, 64 r15,
// 72 rip, 80.. xmm6-xmm15 (16 bytes each, ending at 240).
asm (R"(
  .text
  .globl SetupSetJump
  .p2align 4
SetupSetJump:
  movq    %rbx, 0(%rcx)
  movq    %rbp, 8(%rcx)
  movq    %rdi, 16(%rcx)
  movq    %rsi, 24(%rcx)
  leaq    8(%rsp), %rax
  movq    %rax, 32(%rcx)
  movq    %r12, 40(%rcx)
  movq    %r13, 48(%rcx)
  movq    %r14, 56(%rcx)
  movq    %r15, 64(%rcx)
  movq    (%rsp), %rax
  movq    %rax, 72(%rcx)
  movdqu  %xmm6, 80(%rcx)
  movdqu  %xmm7, 96(%rcx)
  movdqu  %xmm8, 112(%rcx)
  movdqu  %xmm9, 128(%rcx)
  movdqu  %xmm10, 144(%rcx)
  movdqu  %xmm11, 160(%rcx)
  movdqu  %xmm12, 176(%rcx)
  movdqu  %xmm13, 192(%rcx)
  movdqu  %xmm14, 208(%rcx)
  movdqu  %xmm15, 224(%rcx)
  xorl    %eax, %eax
  retq

  .globl SetupLongJump
  .p2align 4
SetupLongJump:
  movl    %edx, %eax
  testl   %eax, %eax
  jnz     1f
  movl    $1, %eax
1:
  movq    0(%rcx), %rbx
  movq    8(%rcx), %rbp
  movq    16(%rcx), %rdi
  movq    24(%rcx), %rsi
  movq    40(%rcx), %r12
  movq    48(%rcx), %r13
  movq    56(%rcx), %r14
  movq    64(%rcx), %r15
  movdqu  80(%rcx), %xmm6
  movdqu  96(%rcx), %xmm7
  movdqu  112(%rcx), %xmm8
  movdqu  128(%rcx), %xmm9
  movdqu  144(%rcx), %xmm10
  movdqu  160(%rcx), %xmm11
  movdqu  176(%rcx), %xmm12
  movdqu  192(%rcx), %xmm13
  movdqu  208(%rcx), %xmm14
  movdqu  224(%rcx), %xmm15
  movq    32(%rcx), %rsp
  jmpq    *72(%rcx)
)");
