kaidro_add_test(NAME ui_menu_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/MenuTreeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuRailTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuSummaryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuInventoryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuEquipmentTest.cpp
)
