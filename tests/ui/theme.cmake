kaidro_add_test(NAME ui_theme_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThemeTest.cpp)
