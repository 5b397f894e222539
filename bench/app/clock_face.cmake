hx_benchmark(bench_clockface SOURCES ${CMAKE_CURRENT_LIST_DIR}/ClockFaceBench.cpp LIBS hx_clockface)
