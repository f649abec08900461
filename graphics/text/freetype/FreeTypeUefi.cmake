# FreeType for the UEFI driver image, built from Debian's source tarball (fetched by
# scripts/install-deps.sh into a cache folder outside the tree) with this folder's
# configuration: the TrueType driver, sfnt, psnames and the smooth and mono rasterizers,
# the C library of include/freetype/config/ftstdlib.h, and SkFreeTypeSystem.cpp in place
# of FreeType's own system interface.
#
# Sets SETUP_UEFI_FREETYPE_FOUND, and when true SETUP_UEFI_FREETYPE_SOURCES (the C
# sources and the system interface) and SETUP_UEFI_FREETYPE_INCLUDES (this folder's
# configuration first, then FreeType's headers).
include_guard(GLOBAL)

if(DEFINED ENV{SETUP_THIRD_PARTY_DIR})
  set(setup_third_party_default "$ENV{SETUP_THIRD_PARTY_DIR}")
else()
  set(setup_third_party_default "$ENV{HOME}/.cache/setup-third-party")
endif()
set(SETUP_THIRD_PARTY_DIR "${setup_third_party_default}" CACHE PATH
    "Where scripts/install-deps.sh keeps source tarballs of dependencies")
file(GLOB setup_freetype_tarballs "${SETUP_THIRD_PARTY_DIR}/freetype_*.orig.tar.xz")
set(SETUP_UEFI_FREETYPE_FOUND FALSE)
if(setup_freetype_tarballs)
  list(SORT setup_freetype_tarballs)
  list(GET setup_freetype_tarballs -1 setup_freetype_tarball)
  set(setup_freetype_root ${PROJECT_BINARY_DIR}/third_party/freetype)
  # Extracted again only when the tarball changes.
  if(NOT EXISTS ${setup_freetype_root}/.from OR ${setup_freetype_tarball} IS_NEWER_THAN ${setup_freetype_root}/.from)
    file(REMOVE_RECURSE ${setup_freetype_root})
    file(ARCHIVE_EXTRACT INPUT ${setup_freetype_tarball} DESTINATION ${setup_freetype_root})
    file(WRITE ${setup_freetype_root}/.from "${setup_freetype_tarball}\n")
  endif()
  file(GLOB setup_freetype_src LIST_DIRECTORIES true "${setup_freetype_root}/freetype-*")
  if(setup_freetype_src AND EXISTS ${setup_freetype_src}/src/base/ftbase.c)
    set(SETUP_UEFI_FREETYPE_FOUND TRUE)
  endif()
endif()

if(SETUP_UEFI_FREETYPE_FOUND)
  set(SETUP_UEFI_FREETYPE_SOURCES
    ${setup_freetype_src}/src/base/ftbase.c
    ${setup_freetype_src}/src/base/ftinit.c
    ${setup_freetype_src}/src/base/ftdebug.c
    ${setup_freetype_src}/src/base/ftbbox.c
    ${setup_freetype_src}/src/base/ftbitmap.c
    ${setup_freetype_src}/src/base/ftglyph.c
    ${setup_freetype_src}/src/base/ftsynth.c
    ${setup_freetype_src}/src/truetype/truetype.c
    ${setup_freetype_src}/src/sfnt/sfnt.c
    ${setup_freetype_src}/src/psnames/psnames.c
    ${setup_freetype_src}/src/smooth/smooth.c
    ${setup_freetype_src}/src/raster/raster.c
    ${CMAKE_CURRENT_LIST_DIR}/SkFreeTypeSystem.cpp)
  set(SETUP_UEFI_FREETYPE_INCLUDES
    ${CMAKE_CURRENT_LIST_DIR}/include
    ${setup_freetype_src}/include)
endif()
