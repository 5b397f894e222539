hx_gtest(program_tests
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ClockWindowTest.cpp
  LIBS hx_app hx_platform_headless
  LABELS program
  ENV HORALUX_TICK_MS=30)
