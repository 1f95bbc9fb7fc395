# Tests of the TGA loader.
selvane_add_gtest(NAME vexblit2_tga_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_decode_test.cpp
  LIBS vexblit2_tga)
