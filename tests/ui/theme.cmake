kaidro_add_test(NAME ui_theme_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/CoreShapesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SymbolsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CoreDecorationsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PulseRingTest.cpp
)
