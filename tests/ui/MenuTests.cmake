kaidro_add_test(NAME ui_menu_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MenuTreeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuPanelsTest.cpp
)
