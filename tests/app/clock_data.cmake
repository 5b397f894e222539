hx_gtest(settings_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/KeyStoreTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ClockDataTest.cpp
  LIBS hx_settings
  LABELS unit)
