# Shared part of the mingw-w64 toolchain files; the caller sets MINGW_TRIPLE.
# The posix thread-model variants are used: the win32 variant has no
# std::mutex and cannot build GoogleTest.
set(CMAKE_SYSTEM_NAME Windows)

find_program(MINGW_CC ${MINGW_TRIPLE}-gcc-posix)
find_program(MINGW_CXX ${MINGW_TRIPLE}-g++-posix)
find_program(MINGW_RC ${MINGW_TRIPLE}-windres)
if(NOT MINGW_CC OR NOT MINGW_CXX OR NOT MINGW_RC)
  message(FATAL_ERROR
    "The mingw-w64 tools for ${MINGW_TRIPLE} (posix) were not found; run scripts/bootstrap.sh.")
endif()

set(CMAKE_C_COMPILER ${MINGW_CC})
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
