kaidro_add_test(NAME ui_toast_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/ToastTest.cpp)
