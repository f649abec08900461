/*
 * libpng's own build inside the UEFI driver image (read by its private header only, so
 * nothing here reaches callers of png.h). The image is compiled for a Windows-style target,
 * which would make libpng include the Windows system headers; the firmware has none.
 */
#ifndef SETUP_PNGUSR_H_
#define SETUP_PNGUSR_H_

#undef _WIN32
#undef _WIN64
#undef WIN32

#endif
