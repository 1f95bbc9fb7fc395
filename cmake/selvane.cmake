# Helpers shared by every folder's CMakeLists.txt.

if(WIN32)
  # One static image: no libgcc/libstdc++/winpthread DLLs to ship.
  string(APPEND CMAKE_EXE_LINKER_FLAGS " -static")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS " -static")
endif()

# libjpeg for the win32 build lives in the bootstrap's cache, keyed by version.
function(selvane_find_win32_libjpeg)
  set(cache "$ENV{SELVANE_CACHE}")
  if(NOT cache)
    set(cache "$ENV{HOME}/.cache/selvane")
  endif()
  file(GLOB prefixes LIST_DIRECTORIES true "${cache}/libjpeg-turbo-*-${MINGW_TRIPLE}")
  if(NOT prefixes)
    message(FATAL_ERROR "No cross-built libjpeg in ${cache}; run scripts/bootstrap.sh")
  endif()
  list(SORT prefixes)
  list(GET prefixes -1 prefix)
  set(JPEG_INCLUDE_DIR "${prefix}/include" CACHE PATH "" FORCE)
  set(JPEG_LIBRARY "${prefix}/lib/libjpeg.a" CACHE FILEPATH "" FORCE)
endfunction()

# Registers a GoogleTest executable. Natively every test case becomes its own
# CTest test; in the Windows builds the whole executable is one CTest test run
# under wine (discovering cases would start wine once per case at build time).
#   selvane_add_gtest(NAME name SOURCES ... LIBS ... [LABELS ...] [WINE_ENV VAR=VALUE ...])
function(selvane_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;WINE_ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(WIN32)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES
      FIXTURES_REQUIRED wineprefix
      SKIP_RETURN_CODE 77
      LABELS "wine;${T_LABELS}"
      ENVIRONMENT "${T_WINE_ENV}")
  else()
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 30)
  endif()
endfunction()

# Registers a test that runs the Windows program PROGRAM (a target) under wine
# through a Python RUNNER, which prepares what the program needs (servers,
# files) and is given the emulator command and the program to run; the
# runner's exit code is the test's (77: skipped). Debian's own Python runs it:
# it sees Debian's python3-pyftpdlib.
#   selvane_add_wine_test_with_runner(NAME name RUNNER script.py PROGRAM target
#                                     [TIMEOUT seconds] [LABELS ...])
function(selvane_add_wine_test_with_runner)
  cmake_parse_arguments(R "" "NAME;RUNNER;PROGRAM;TIMEOUT" "LABELS" ${ARGN})
  find_program(SELVANE_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  get_filename_component(runner "${R_RUNNER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  add_test(NAME ${R_NAME}
    COMMAND ${SELVANE_SYSTEM_PYTHON} ${runner}
            ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${R_PROGRAM}>)
  set_tests_properties(${R_NAME} PROPERTIES
    FIXTURES_REQUIRED wineprefix
    SKIP_RETURN_CODE 77
    LABELS "wine;${R_LABELS}")
  if(R_TIMEOUT)
    set_tests_properties(${R_NAME} PROPERTIES TIMEOUT ${R_TIMEOUT})
  endif()
endfunction()

# Registers a libFuzzer target and a short bounded run of it as a test.
function(selvane_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT SELVANE_FUZZERS)
    return()
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 10)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}.corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${F_NAME} COMMAND ${F_NAME} -max_total_time=${F_SECONDS} -seed=1 ${corpus})
  set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz)
endfunction()
