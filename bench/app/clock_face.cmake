hx_benchmark(bench_clockface SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClockFaceBench.cpp LIBS hx_clockface)
if(TARGET hx_platform_gtk)
  hx_benchmark(bench_layeredwindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/LayeredWindowBench.cpp LIBS hx_clockface hx_platform_gtk hx_fontaliases)
endif()
