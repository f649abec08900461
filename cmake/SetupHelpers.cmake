# The test oracles (cairo, pixman) are optional: a test or benchmark whose LIBS name a
# pkg-config target that was not found is left out, with a message, so the product
# configures and builds without them.
function(_setup_left_out name out)
  set(missing "")
  foreach(lib IN LISTS ARGN)
    if(lib MATCHES "^PkgConfig::" AND NOT TARGET ${lib})
      list(APPEND missing ${lib})
    endif()
  endforeach()
  if(missing)
    message(STATUS "${name} left out: ${missing} not found")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# setup_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; its cases are registered with CTest one by one.
function(setup_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  _setup_left_out(${name} left_out ${T_LIBS})
  if(left_out)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${SETUP_HOST_STDLIB_OPTIONS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} setup_test_fixtures GTest::gtest GTest::gtest_main GTest::gmock)
  # Scratch files go to the build tree, so two trees testing at once never share one.
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/test-tmp)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "TEST_TMPDIR=${PROJECT_BINARY_DIR}/test-tmp")
endfunction()

# setup_add_benchmark(<name> SOURCES <files...> LIBS <targets...> [TEST_ARGS <args...>])
# Benchmarks are built when Google Benchmark is present, all of them by the `benchmarks`
# target; their comparisons with peers (PeerBenchmark.h) are what scripts/bench.sh
# tabulates. Each is also a test that runs every case for a moment (or with TEST_ARGS, for
# a program with its own options), so a benchmark that crashes or no longer runs fails the
# tests; what it measures there means nothing.
function(setup_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS;TEST_ARGS" ${ARGN})
  if(NOT B_TEST_ARGS)
    set(B_TEST_ARGS --benchmark_min_time=0.0001)
  endif()
  _setup_left_out(${name} left_out ${B_LIBS})
  if(benchmark_FOUND AND NOT left_out)
    add_executable(${name} ${B_SOURCES})
    target_compile_options(${name} PRIVATE ${SETUP_HOST_STDLIB_OPTIONS})
    target_link_libraries(${name} PRIVATE ${B_LIBS} setup_benchmark_support benchmark::benchmark)
    if(NOT TARGET benchmarks)
      add_custom_target(benchmarks)
    endif()
    add_dependencies(benchmarks ${name})
    add_test(NAME ${name} COMMAND ${name} ${B_TEST_ARGS})
    set_tests_properties(${name} PROPERTIES LABELS benchmark)
  endif()
endfunction()

# setup_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> CORPUS <dir> [MALLOC_LIMIT_MB <n>])
# A libFuzzer target: SOURCES define LLVMFuzzerTestOneInput, CORPUS holds its seeds in
# the source tree. With SETUP_FUZZ (a clang tree) it is a real fuzzer, built by the
# `fuzzers` target and run by CTest (label `fuzz`) over its corpus for
# SETUP_FUZZ_SECONDS with the fixed SETUP_FUZZ_SEED (so a run explores the same inputs on
# every machine; 0 picks a new seed each run); any crash, leak, sanitizer report, slow
# input or memory blow-up fails the test, and the input is kept in <name>-work/findings.
# MALLOC_LIMIT_MB makes any single allocation above that size a finding, for targets
# whose input must never decide a large one (2048 otherwise). In the normal build a small
# driver replays every seed instead, so the corpus is a regression suite under the
# sanitizers of that build.
function(setup_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS;MALLOC_LIMIT_MB" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MALLOC_LIMIT_MB)
    set(F_MALLOC_LIMIT_MB 2048)
  endif()
  if(NOT F_CORPUS OR NOT IS_DIRECTORY ${F_CORPUS})
    message(FATAL_ERROR "setup_add_fuzzer(${name}): CORPUS must name the folder of its seeds")
  endif()
  if(SETUP_FUZZ)
    add_executable(${name} EXCLUDE_FROM_ALL ${F_SOURCES})
    target_compile_options(${name} PRIVATE ${SETUP_HOST_STDLIB_OPTIONS})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(fuzzers ${name})
    # New inputs go to a folder of the build tree; the seeds in the source tree are only read.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-work)
    file(MAKE_DIRECTORY ${work}/corpus ${work}/findings)
    add_test(NAME ${name}
      COMMAND ${name} -max_total_time=${SETUP_FUZZ_SECONDS} -seed=${SETUP_FUZZ_SEED} -timeout=10
              -rss_limit_mb=2048 -malloc_limit_mb=${F_MALLOC_LIMIT_MB} -print_final_stats=1
              -artifact_prefix=${work}/findings/
              ${work}/corpus ${F_CORPUS})
    math(EXPR limit "${SETUP_FUZZ_SECONDS} + 120")
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${limit})
  else()
    add_executable(${name}_replay ${F_SOURCES})
    target_compile_options(${name}_replay PRIVATE ${SETUP_HOST_STDLIB_OPTIONS})
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS} setup_fuzz_replay)
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${F_CORPUS})
    set_tests_properties(${name}_replay PROPERTIES LABELS fuzz-replay)
  endif()
endfunction()
