# Tests of the TGA loader.
selvane_add_gtest(NAME vexblit2_tga_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_decode_test.cpp ${CMAKE_CURRENT_LIST_DIR}/tga_loader_test.cpp
  LIBS vexblit2_tga)

# Files from an independent writer, made at test time (native builds only:
# the writer is a Linux program).
if(NOT WIN32)
  find_program(TGA_TEST_CONVERT NAMES convert-im6.q16 convert-im6 convert)
  if(TGA_TEST_CONVERT)
    selvane_add_gtest(NAME vexblit2_tga_imagemagick_tests
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_imagemagick_test.cpp
      LIBS vexblit2_tga)
    target_compile_definitions(vexblit2_tga_imagemagick_tests PRIVATE
      TGA_TEST_CONVERT="${TGA_TEST_CONVERT}")
  else()
    message(WARNING "ImageMagick's convert not found: its TGA tests are not built")
  endif()
endif()

# Bounded run in the test suite; run longer by hand:
#   build/native-asan/tests/vexblit2/vexblit2_tga_fuzz -max_total_time=600 CORPUS_DIR
selvane_add_fuzzer(NAME vexblit2_tga_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_fuzz.cpp
  LIBS vexblit2_tga
  SECONDS 20)

# The export as the game client calls it, through the shared library. The
# catching caller is built apart from the library: C with a vectored handler
# on Windows, C++ elsewhere.
if(TARGET vexblit2)
  if(WIN32)
    set(tga_caller ${CMAKE_CURRENT_LIST_DIR}/tga_export_caller_win.c)
  else()
    set(tga_caller ${CMAKE_CURRENT_LIST_DIR}/tga_export_caller_posix.cpp)
  endif()
  selvane_add_gtest(NAME vexblit2_tga_export_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_export_test.cpp ${tga_caller}
    LIBS vexblit2)
  target_include_directories(vexblit2_tga_export_tests PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    # wine finds the DLL beside the program
    add_custom_command(TARGET vexblit2_tga_export_tests POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vexblit2>
              $<TARGET_FILE_DIR:vexblit2_tga_export_tests>)
  endif()
endif()
