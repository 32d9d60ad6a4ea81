target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CoreSoundEngine.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreSoundEngine.h
  ${CMAKE_CURRENT_LIST_DIR}/CueSoundPlayer.h
  ${CMAKE_CURRENT_LIST_DIR}/EffectCueSoundPlayer.cpp ${CMAKE_CURRENT_LIST_DIR}/EffectCueSoundPlayer.h
)
