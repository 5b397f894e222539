# hx_settings: the settings record, its load/save rules and the key/value store behind them.
# KeyStore lives in platform/ (it stands in for the registry) but is built here, as only the
# settings use it.
add_library(hx_settings STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/clock_data.cpp
  ${CMAKE_SOURCE_DIR}/platform/KeyStore.cpp
)
target_link_libraries(hx_settings PUBLIC hx_platform)
