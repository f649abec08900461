# Building PE32+ UEFI images from this tree's freestanding C++ with clang and lld-link.
#
# setup_add_uefi_image(<name>
#   SUBSYSTEM <efi_boot_service_driver|efi_application|efi_runtime_driver>
#   ENTRY <entry symbol>
#   SOURCES <files...>            # absolute, or relative to the calling directory
#   [INCLUDES <dirs...>] [DEFINES <NAME=VALUE...>]
#   [RESOURCES <.res files...>])  # linked into the image's resource section
#
# Produces ${CMAKE_CURRENT_BINARY_DIR}/<name>.efi from a custom target <name> that is
# part of the normal build (ALL); the target's UEFI_IMAGE_FILE property holds the path and
# UEFI_IMAGE_OBJECTS_DIR the folder of its objects. <name>.map beside the image lists what
# it holds: every symbol with its address and object, the place to look for its size.
# Each function and variable is a section of its own and the linker keeps only those the
# entry point, the constructor table and the resources reach: a library joins the image
# whole (all of it must compile and link) but weighs only what the image uses. Identical
# functions are merged only where no address of theirs is taken for comparison.
# Every source is compiled with SETUP_UEFI_TARGET defined, without the host's system
# headers, and with platform/runtime/include (freestanding string.h and math.h) and
# platform/include on the include path. The image links no library: an image that
# needs memcpy, new/delete or the CRT constructor table adds SETUP_UEFI_RUNTIME_SOURCES.
include_guard(GLOBAL)

find_program(SETUP_UEFI_CLANGXX NAMES clang++ clang++-14)
find_program(SETUP_UEFI_LLD_LINK NAMES lld-link lld-link-14)

# Global (internal cache) so that images defined in other directories, such as the QEMU
# loader, compile with the same flags: the function reads them in its caller's scope.
set(SETUP_UEFI_RUNTIME_SOURCES
  ${PROJECT_SOURCE_DIR}/platform/runtime/CrtSupport.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/IoLib.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/Math.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/MemoryFunctions.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/SetJump.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/StdlibFunctions.cpp
  ${PROJECT_SOURCE_DIR}/platform/runtime/StringFunctions.cpp
  CACHE INTERNAL "Freestanding runtime sources of a UEFI image")

set(SETUP_UEFI_CXX_FLAGS
  -target x86_64-unknown-windows -std=c++20 -O2
  -ffreestanding -nostdlibinc -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -mno-red-zone -mno-stack-arg-probe -fshort-wchar -fno-stack-protector
  -ffunction-sections -fdata-sections
  -Wall -Wextra -DSETUP_UEFI_TARGET
  CACHE INTERNAL "Compiler flags of UEFI image sources")

# C sources in an image are dependencies' own (FreeType, libpng, zlib): same target and
# code model, their warnings off, and built as a library build of theirs (libpng reads its
# user configuration, zlib needs no C library).
set(SETUP_UEFI_C_FLAGS
  -target x86_64-unknown-windows -std=gnu99 -O2
  -ffreestanding -nostdlibinc -mno-red-zone -mno-stack-arg-probe -fno-stack-protector
  -ffunction-sections -fdata-sections
  -w -DSETUP_UEFI_TARGET -DFT2_BUILD_LIBRARY -DPNG_USER_CONFIG -DZ_SOLO
  CACHE INTERNAL "Compiler flags of the C sources of a UEFI image")

# Compiles each source with the image flags into <name>.objs/; the objects' paths go to
# `out`.
function(_setup_uefi_compile name out sources defines includes)
  set(objects)
  # Ninja makes an output's folder itself; the other generators need it to exist.
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}.objs)
  foreach(source IN LISTS sources)
    get_filename_component(source ${source} ABSOLUTE)
    # One object per source path, so equal file names in different folders coexist.
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
    # Sources from the build tree (an extracted dependency) are named from there.
    if(relative MATCHES "^\\.\\./")
      file(RELATIVE_PATH relative ${PROJECT_BINARY_DIR} ${source})
    endif()
    string(REGEX REPLACE "[/.]" "_" stem ${relative})
    set(object ${CMAKE_CURRENT_BINARY_DIR}/${name}.objs/${stem}.obj)
    set(flags ${SETUP_UEFI_CXX_FLAGS})
    # Firmware images are loaded from flash that is never large: the engine's code, which
    # waits on the user, is compiled for size; the graphics library's per-pixel loops and
    # decoders and the runtime's memory routines keep -O2, where speed is what they are for.
    if(NOT relative MATCHES "^(graphics|platform/runtime)/")
      list(APPEND flags -Os)
    endif()
    if(source MATCHES "\\.c$")
      set(flags -x c ${SETUP_UEFI_C_FLAGS})
    endif()
    add_custom_command(
      OUTPUT ${object}
      COMMAND ${SETUP_UEFI_CLANGXX} ${flags} ${defines} ${includes}
              -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source}
      DEPFILE ${object}.d
      COMMENT "UEFI compile ${relative}"
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()
  set(${out} ${objects} PARENT_SCOPE)
endfunction()

# setup_compile_uefi_objects(<name> SOURCES <files...>)
# Compiles the sources with the image flags and links nothing: a target <name> in the
# normal build that fails when one of them does not build freestanding.
function(setup_compile_uefi_objects name)
  cmake_parse_arguments(U "" "" "SOURCES" ${ARGN})
  if(NOT SETUP_UEFI_CLANGXX OR NOT U_SOURCES)
    return()
  endif()
  set(includes
    -I${PROJECT_SOURCE_DIR}/platform/runtime/include
    -I${PROJECT_SOURCE_DIR}/platform/include)
  _setup_uefi_compile(${name} objects "${U_SOURCES}" "" "${includes}")
  add_custom_target(${name} ALL DEPENDS ${objects})
endfunction()

function(setup_add_uefi_image name)
  cmake_parse_arguments(U "" "SUBSYSTEM;ENTRY" "SOURCES;INCLUDES;DEFINES;RESOURCES" ${ARGN})
  if(NOT SETUP_UEFI_CLANGXX OR NOT SETUP_UEFI_LLD_LINK)
    message(FATAL_ERROR "clang++ or lld-link missing: the UEFI image ${name} cannot be built (run "
                        "scripts/install-deps.sh, or configure with -DSETUP_BUILD_UEFI_IMAGE=OFF)")
  endif()
  set(includes
    -I${PROJECT_SOURCE_DIR}/platform/runtime/include
    -I${PROJECT_SOURCE_DIR}/platform/include
    -I${PROJECT_SOURCE_DIR})
  foreach(dir IN LISTS U_INCLUDES)
    list(APPEND includes -I${dir})
  endforeach()
  set(defines)
  foreach(define IN LISTS U_DEFINES)
    list(APPEND defines -D${define})
  endforeach()

  _setup_uefi_compile(${name} objects "${U_SOURCES}" "${defines}" "${includes}")
  set(image ${CMAKE_CURRENT_BINARY_DIR}/${name}.efi)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${name}.map)
  add_custom_command(
    OUTPUT ${image}
    BYPRODUCTS ${map}
    COMMAND ${SETUP_UEFI_LLD_LINK} /nologo /subsystem:${U_SUBSYSTEM} /entry:${U_ENTRY}
            /nodefaultlib /dynamicbase /opt:ref,safeicf /debug:none /out:${image} /map:${map}
            ${objects} ${U_RESOURCES}
    DEPENDS ${objects} ${U_RESOURCES}
    COMMENT "UEFI link ${name}.efi"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${image})
  set_property(TARGET ${name} PROPERTY UEFI_IMAGE_FILE ${image})
  set_property(TARGET ${name} PROPERTY UEFI_IMAGE_OBJECTS_DIR ${CMAKE_CURRENT_BINARY_DIR}/${name}.objs)
endfunction()

# The .cpp sources of library targets that belong in an image: test folders and
# files under a host/ folder (host-only code) are left out.
function(setup_uefi_sources_of out)
  set(result)
  foreach(target IN LISTS ARGN)
    get_target_property(sources ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      if(NOT source MATCHES "\\.cpp$")
        continue()
      endif()
      get_filename_component(path ${source} ABSOLUTE BASE_DIR ${dir})
      if(path MATCHES "/tests/" OR path MATCHES "/host/")
        continue()
      endif()
      list(APPEND result ${path})
    endforeach()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
