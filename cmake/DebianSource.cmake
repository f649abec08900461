# Dependencies of the UEFI image built from Debian's source packages, as Debian builds them:
# the upstream tarball with Debian's patches applied (its security fixes among them).
# scripts/install-deps.sh fetches the packages into SETUP_THIRD_PARTY_DIR, outside the tree.
#
# setup_debian_source(<package> <out>)
#   Extracts the newest <package>_*.orig.tar.* with its <package>_*.debian.tar.* into the
#   build tree's third_party/<package> and applies every patch of debian/patches/series;
#   <out> := the extracted upstream folder, or empty when the tarballs are missing. The work
#   is redone only when a tarball changes. A patch that does not apply stops the configure
#   step, unless every file it touches lies in an upstream component Debian ships as a
#   separate tarball (documentation, demos), which the image does not use.

if(DEFINED ENV{SETUP_THIRD_PARTY_DIR})
  set(setup_third_party_default "$ENV{SETUP_THIRD_PARTY_DIR}")
else()
  set(setup_third_party_default "$ENV{HOME}/.cache/setup-third-party")
endif()
set(SETUP_THIRD_PARTY_DIR "${setup_third_party_default}" CACHE PATH
    "Where scripts/install-deps.sh keeps source packages of dependencies")

# Newest file matching `pattern` in the third-party folder, or empty.
function(_setup_newest_tarball pattern out)
  file(GLOB found "${SETUP_THIRD_PARTY_DIR}/${pattern}")
  set(${out} "" PARENT_SCOPE)
  if(found)
    list(SORT found)
    list(GET found -1 newest)
    set(${out} "${newest}" PARENT_SCOPE)
  endif()
endfunction()

# TRUE when every file the patch creates or changes lies under a top-level folder that the
# upstream tree does not have.
function(_setup_patch_outside_tree top patch out)
  file(STRINGS ${patch} targets REGEX "^\\+\\+\\+ ")
  set(${out} FALSE PARENT_SCOPE)
  foreach(target IN LISTS targets)
    string(REGEX REPLACE "^\\+\\+\\+ [^/]*/([^/\t ]*).*$" "\\1" first "${target}")
    if(EXISTS ${top}/${first})
      return()
    endif()
  endforeach()
  if(targets)
    set(${out} TRUE PARENT_SCOPE)
  endif()
endfunction()

function(_setup_apply_debian_patches package top)
  set(series ${top}/debian/patches/series)
  if(NOT EXISTS ${series})
    return()
  endif()
  file(STRINGS ${series} patches)
  foreach(entry IN LISTS patches)
    string(STRIP "${entry}" entry)
    if(entry STREQUAL "" OR entry MATCHES "^#")
      continue()
    endif()
    string(REGEX REPLACE "[ \t].*$" "" name "${entry}")
    execute_process(COMMAND patch -p1 -N -s -i debian/patches/${name}
                    WORKING_DIRECTORY ${top} RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(failed)
      _setup_patch_outside_tree(${top} ${top}/debian/patches/${name} outside)
      if(NOT outside)
        message(FATAL_ERROR "Debian's patch ${name} does not apply to ${package} in ${top}")
      endif()
    endif()
  endforeach()
endfunction()

function(setup_debian_source package out)
  set(${out} "" PARENT_SCOPE)
  _setup_newest_tarball("${package}_*.orig.tar.*" orig)
  _setup_newest_tarball("${package}_*.debian.tar.*" debian)
  if(NOT orig OR NOT debian)
    return()
  endif()
  set(root ${PROJECT_BINARY_DIR}/third_party/${package})
  set(stamp "${orig}\n${debian}\n")
  set(previous "")
  if(EXISTS ${root}/.from)
    file(READ ${root}/.from previous)
  endif()
  if(NOT previous STREQUAL stamp OR ${orig} IS_NEWER_THAN ${root}/.from OR ${debian} IS_NEWER_THAN ${root}/.from)
    file(REMOVE_RECURSE ${root})
    file(ARCHIVE_EXTRACT INPUT ${orig} DESTINATION ${root})
    file(GLOB top LIST_DIRECTORIES true "${root}/*")
    file(ARCHIVE_EXTRACT INPUT ${debian} DESTINATION ${top})
    _setup_apply_debian_patches(${package} ${top})
    file(WRITE ${root}/.from "${stamp}")
  endif()
  file(GLOB top LIST_DIRECTORIES true "${root}/*")
  list(FILTER top EXCLUDE REGEX "/\\.from$")
  set(${out} "${top}" PARENT_SCOPE)
endfunction()
