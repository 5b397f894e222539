# hx_cairo: the clock face's own small cairo + Pango binding (handles, shared font options,
# text measurement and glyph placement). Included from app/clock_face.cmake.
pkg_check_modules(HX_FACE_GFX REQUIRED IMPORTED_TARGET cairo pangocairo fontconfig)
add_library(hx_cairo STATIC ${CMAKE_SOURCE_DIR}/platform/cairo/FaceText.cpp)
target_include_directories(hx_cairo PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(hx_cairo PUBLIC PkgConfig::HX_FACE_GFX)
