kaidro_add_test(NAME ui_widgets_tests SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/WidgetTestSupport.h
  ${CMAKE_CURRENT_LIST_DIR}/ReadoutViewsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AccessibleReadoutsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MenuFeedbackTest.cpp
)
