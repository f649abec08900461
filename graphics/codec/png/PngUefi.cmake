# libpng and zlib for the UEFI driver image, built from Debian's source packages (fetched
# by scripts/install-deps.sh into a cache folder outside the tree, and patched as Debian
# does). libpng is configured for reading only, in fixed-point arithmetic, without stdio
# or the simplified API: its prebuilt configuration header with those features taken out. zlib is built as a solo
# inflater, whose memory comes through libpng's allocators.
#
# Sets SETUP_UEFI_PNG_FOUND, and when true SETUP_UEFI_PNG_SOURCES (libpng's and zlib's C
# sources), SETUP_UEFI_PNG_DEFINES (their library build's definitions),
# SETUP_UEFI_PNG_INCLUDES and SETUP_UEFI_PNG_FROM (the folders used). Included by every
# directory that builds them (the image, and the test of this configuration on the host);
# the extraction runs again only when a tarball changes.
include(${PROJECT_SOURCE_DIR}/cmake/DebianSource.cmake)

set(SETUP_UEFI_PNG_FOUND FALSE)
setup_debian_source(libpng1.6 setup_libpng_src)
setup_debian_source(zlib setup_zlib_src)
if(setup_libpng_src AND EXISTS ${setup_libpng_src}/scripts/pnglibconf.h.prebuilt
   AND setup_zlib_src AND EXISTS ${setup_zlib_src}/inflate.c)
  set(SETUP_UEFI_PNG_FOUND TRUE)
endif()

if(SETUP_UEFI_PNG_FOUND)
  # Every writer, stdio and console output, time conversion, floating point and the
  # simplified API and palette quantizing go; what stays is the sequential reader with its
  # other transforms.
  file(STRINGS ${setup_libpng_src}/scripts/pnglibconf.h.prebuilt setup_pnglibconf)
  list(FILTER setup_pnglibconf EXCLUDE REGEX
    "PNG_(WRITE|SIMPLIFIED|STDIO|CONSOLE_IO|CONVERT_tIME|TIME_RFC1123|FLOATING|PROGRESSIVE|ARM|POWERPC|MIPS|BENIGN_WRITE|SAVE_INT_32|READ_QUANTIZE)[A-Za-z0-9_]*_SUPPORTED")
  list(JOIN setup_pnglibconf "\n" setup_pnglibconf)
  set(setup_png_config ${PROJECT_BINARY_DIR}/third_party/png-config)
  file(CONFIGURE OUTPUT ${setup_png_config}/pnglibconf.h CONTENT "${setup_pnglibconf}\n" @ONLY)

  set(SETUP_UEFI_PNG_SOURCES)
  foreach(file png pngerror pngget pngmem pngread pngrio pngrtran pngrutil pngset pngtrans)
    list(APPEND SETUP_UEFI_PNG_SOURCES ${setup_libpng_src}/${file}.c)
  endforeach()
  foreach(file adler32 crc32 inffast inflate inftrees zutil)
    list(APPEND SETUP_UEFI_PNG_SOURCES ${setup_zlib_src}/${file}.c)
  endforeach()
  set(SETUP_UEFI_PNG_DEFINES PNG_USER_CONFIG Z_SOLO)
  set(SETUP_UEFI_PNG_INCLUDES ${CMAKE_CURRENT_LIST_DIR} ${setup_png_config} ${setup_libpng_src} ${setup_zlib_src})
  set(SETUP_UEFI_PNG_FROM "${setup_libpng_src} and ${setup_zlib_src}")
endif()
