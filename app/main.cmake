# hx_app: the clock window and the program's lifecycle, on any platform backend.
add_library(hx_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Horalux_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolWindows.cpp
)
target_include_directories(hx_app PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(hx_app PUBLIC hx_settings hx_clockface hx_tasks hx_platform)

# The program, on the real desktop.
add_executable(horalux ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(horalux PRIVATE hx_app hx_info hx_nettime hx_platform_gtk)
# The fetch worker binds libalmanac.so when the program starts; build it with the program.
if(TARGET almanac)
  add_dependencies(horalux almanac)
endif()
