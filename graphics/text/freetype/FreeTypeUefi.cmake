# FreeType for the UEFI driver image, built from Debian's source package (fetched by
# scripts/install-deps.sh into a cache folder outside the tree, and patched as Debian does)
# with this folder's configuration: the TrueType driver, sfnt, psnames and the smooth and mono rasterizers,
# the C library of include/freetype/config/ftstdlib.h, and SkFreeTypeSystem.cpp in place
# of FreeType's own system interface.
#
# Sets SETUP_UEFI_FREETYPE_FOUND, and when true SETUP_UEFI_FREETYPE_SOURCES (the C
# sources and the system interface) and SETUP_UEFI_FREETYPE_INCLUDES (this folder's
# configuration first, then FreeType's headers).
include_guard(GLOBAL)
include(${PROJECT_SOURCE_DIR}/cmake/DebianSource.cmake)

setup_debian_source(freetype setup_freetype_src)
set(SETUP_UEFI_FREETYPE_FOUND FALSE)
if(setup_freetype_src AND EXISTS ${setup_freetype_src}/src/base/ftbase.c)
  set(SETUP_UEFI_FREETYPE_FOUND TRUE)
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
