hx_gtest(clockface_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FaceFontsEnv.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClockFaceTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ClockThdTest.cpp
  LIBS hx_clockface
  LABELS app)
