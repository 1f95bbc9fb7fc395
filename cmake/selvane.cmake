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

# How the Windows builds run their tests: wine-run.sh with a prefix inside the
# build folder. The 32-bit build runs it inside a session of the 32-bit root
# file system (cmake/win32_session: a chroot, or a VM where this kernel
# refuses 32-bit programs) that one CTest run starts once and ends.
#   SELVANE_WINE_COMMAND   wine-run.sh BITS PREFIX, as run where wine is
#   SELVANE_WINE_SESSION   what runs a command in the session (empty: here)
macro(selvane_setup_wine_tests)
  set(SELVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(SELVANE_WINE_BITS 32)
  else()
    set(SELVANE_WINE_BITS 64)
  endif()
  set(SELVANE_WINE_COMMAND
    ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${SELVANE_WINE_BITS} ${SELVANE_WINEPREFIX})
  find_program(SELVANE_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  set(SELVANE_WINE_SESSION)
  if(SELVANE_WINE_BITS EQUAL 32)
    set(session_state ${CMAKE_BINARY_DIR}/win32-session)
    set(session_tool ${SELVANE_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/cmake/win32_session/session.py)
    set(session_shares --shares "${CMAKE_SOURCE_DIR}:${CMAKE_BINARY_DIR}")
    set(SELVANE_WINE_SESSION ${session_tool} run ${session_state} ${session_shares} --)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SELVANE_WINE_SESSION} ${SELVANE_WINE_COMMAND})
endmacro()

# Every wine test shares one prefix inside the build folder, with one
# wineserver kept running: made once before them and ended after them (for
# the 32-bit build, with the session around them, and one wine desktop held
# open for the session by wine_desktop).
function(selvane_add_wine_fixture)
  set(init ${SELVANE_WINE_COMMAND} --init)
  set(stop ${SELVANE_WINE_COMMAND} --stop)
  if(SELVANE_WINE_BITS EQUAL 32)
    add_executable(wine_desktop ${CMAKE_SOURCE_DIR}/cmake/win32_session/wine_desktop_win.cpp)
    target_link_libraries(wine_desktop PRIVATE shell32)
    set(init ${session_tool} start ${session_state} ${session_shares} -- ${init}
             $<TARGET_FILE:wine_desktop>)
    set(stop ${session_tool} stop ${session_state} -- ${stop})
  endif()
  add_test(NAME wineprefix-init COMMAND ${init})
  set_tests_properties(wineprefix-init PROPERTIES FIXTURES_SETUP wineprefix TIMEOUT 1200)
  add_test(NAME wineprefix-stop COMMAND ${stop})
  set_tests_properties(wineprefix-stop PROPERTIES FIXTURES_CLEANUP wineprefix)
endfunction()

# Call last in the top CMakeLists.txt, after every test: in the VM the 32-bit
# session's tests get time-outs fit for software emulation.
function(selvane_finish_wine_tests)
  if(SELVANE_WINE_BITS EQUAL 32)
    add_subdirectory(${CMAKE_SOURCE_DIR}/cmake/win32_session ${CMAKE_BINARY_DIR}/win32-vm-timeouts)
  endif()
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
      LABELS "wine;${T_LABELS}"
      ENVIRONMENT "${T_WINE_ENV}")
  else()
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 30)
  endif()
endfunction()

# Registers a test that runs the Windows program PROGRAM (a target) under wine
# through a Python RUNNER, which prepares what the program needs (servers,
# files) and is given the wine command and the program to run; the runner's
# exit code is the test's. Debian's own Python runs it, where wine runs (in
# the 32-bit build inside the session, so its servers share the program's
# loopback): it sees Debian's python3-pyftpdlib.
#   selvane_add_wine_test_with_runner(NAME name RUNNER script.py PROGRAM target
#                                     [TIMEOUT seconds] [LABELS ...])
function(selvane_add_wine_test_with_runner)
  cmake_parse_arguments(R "" "NAME;RUNNER;PROGRAM;TIMEOUT" "LABELS" ${ARGN})
  get_filename_component(runner "${R_RUNNER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  add_test(NAME ${R_NAME}
    COMMAND ${SELVANE_WINE_SESSION} ${SELVANE_SYSTEM_PYTHON} ${runner}
            ${SELVANE_WINE_COMMAND} $<TARGET_FILE:${R_PROGRAM}>)
  set_tests_properties(${R_NAME} PROPERTIES
    FIXTURES_REQUIRED wineprefix
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
