# The same sources for 64-bit Windows, so that the Win32 code can be tested
# under 64-bit wine on machines that cannot run 32-bit Linux programs (and so
# cannot run 32-bit wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
