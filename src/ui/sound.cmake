target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CoreSoundEngine.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreSoundEngine.h
  ${CMAKE_CURRENT_LIST_DIR}/CueSoundPlayer.h
)

# The players that sound the cues through QtMultimedia. With its sound-server and codec
# libraries that weighs some 3 MB of resident memory, so the program does not link it: the
# players live in a module loaded when the first cue is wanted (see app/CueSoundModule).
add_library(kaidro_sound STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EffectCueSoundPlayer.cpp ${CMAKE_CURRENT_LIST_DIR}/EffectCueSoundPlayer.h)
kaidro_layer(kaidro_sound ui)
set_target_properties(kaidro_sound PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(kaidro_sound PUBLIC Qt6::Multimedia)

add_library(vantle-sound MODULE ${CMAKE_CURRENT_LIST_DIR}/CueSoundEntry.cpp)
kaidro_warnings(vantle-sound)
target_link_libraries(vantle-sound PRIVATE kaidro_sound)
set_target_properties(vantle-sound PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/${KAIDRO_MODULE_DIR}")
