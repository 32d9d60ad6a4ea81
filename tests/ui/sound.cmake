kaidro_add_test(NAME ui_sound_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/SoundEngineTest.cpp)
target_link_libraries(ui_sound_tests PRIVATE kaidro_sound)
# The module the program loads its players from, beside the program in the same tree.
add_dependencies(ui_sound_tests vantle-sound)
