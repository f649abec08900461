/*
 * The C library FreeType sees in the UEFI driver image: the freestanding runtime's string
 * functions, the firmware pool, and the small runtime's qsort, strtol and setjmp/longjmp.
 * There are no files (faces open from memory or from a stream) and no environment.
 */
#ifndef SETUP_FREETYPE_FTSTDLIB_H_
#define SETUP_FREETYPE_FTSTDLIB_H_

#include <stddef.h>
#include <limits.h>
#include <string.h>
#include <stdarg.h>
#include <stdlib.h>
#include <setjmp.h>

#define ft_ptrdiff_t ptrdiff_t

#define FT_CHAR_BIT CHAR_BIT
#define FT_USHORT_MAX USHRT_MAX
#define FT_INT_MAX INT_MAX
#define FT_INT_MIN INT_MIN
#define FT_UINT_MAX UINT_MAX
#define FT_LONG_MIN LONG_MIN
#define FT_LONG_MAX LONG_MAX
#define FT_ULONG_MAX ULONG_MAX
#define FT_LLONG_MAX LLONG_MAX
#define FT_LLONG_MIN LLONG_MIN
#define FT_ULLONG_MAX ULLONG_MAX

#define ft_memchr memchr
#define ft_memcmp memcmp
#define ft_memcpy memcpy
#define ft_memmove memmove
#define ft_memset memset
#define ft_strcat strcat
#define ft_strcmp strcmp
#define ft_strcpy strcpy
#define ft_strlen strlen
#define ft_strncmp strncmp
#define ft_strncpy strncpy
#define ft_strrchr strrchr
#define ft_strstr strstr

#define ft_qsort qsort
#define ft_strtol strtol
#define ft_getenv(name) ((char *)0)

#define ft_jmp_buf jmp_buf
#define ft_setjmp(b) setjmp (b)
#define ft_longjmp(b, v) longjmp (b, v)

#endif
