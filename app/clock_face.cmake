# hx_clockface: the clock face renderer (cairo + Pango, with its tile cache) and the pacing
# thread TshowClock with its render step DrawClock.
include(${CMAKE_SOURCE_DIR}/platform/cairo/cairo.cmake)
add_library(hx_clockface STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ClockFaceStyle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClockFaceNaive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClockFaceRenderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock_thd.cpp
)
target_include_directories(hx_clockface PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(hx_clockface PUBLIC hx_platform hx_cairo PkgConfig::HX_FACE_GFX Threads::Threads)
