# The TGA loader as a static library of its own: portable, no platform headers.
# The DLL compiles tga_export.cpp itself (an export in a static library would
# not be pulled in) and links this library:
#   target_sources(vexblit2 PRIVATE ${VEXBLIT2_TGA_EXPORT_SOURCES})
#   target_link_libraries(vexblit2 PRIVATE vexblit2_tga)
add_library(vexblit2_tga STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tga_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tga_loader.cpp)
target_include_directories(vexblit2_tga PUBLIC ${PROJECT_SOURCE_DIR})
set_target_properties(vexblit2_tga PROPERTIES POSITION_INDEPENDENT_CODE ON)
set(VEXBLIT2_TGA_EXPORT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/tga_export.cpp)
# The pixel loops are written for the vectoriser; -O2 of the native
# RelWithDebInfo build leaves most of them scalar.
target_compile_options(vexblit2_tga PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O3>)
