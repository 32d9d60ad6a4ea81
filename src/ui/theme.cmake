target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CoreTheme.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreTheme.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreShapes.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreShapes.h
  ${CMAKE_CURRENT_LIST_DIR}/Symbols.cpp ${CMAKE_CURRENT_LIST_DIR}/Symbols.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreShadow.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreShadow.h
  ${CMAKE_CURRENT_LIST_DIR}/CachedPaint.cpp ${CMAKE_CURRENT_LIST_DIR}/CachedPaint.h
  ${CMAKE_CURRENT_LIST_DIR}/AccessiblePainted.cpp ${CMAKE_CURRENT_LIST_DIR}/AccessiblePainted.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreFrostPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreFrostPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreWhiteCard.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreWhiteCard.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreCircleIcon.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreCircleIcon.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreSpringAnimation.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreSpringAnimation.h
  ${CMAKE_CURRENT_LIST_DIR}/CorePressButtonStyle.cpp ${CMAKE_CURRENT_LIST_DIR}/CorePressButtonStyle.h
  ${CMAKE_CURRENT_LIST_DIR}/CorePressButton.cpp ${CMAKE_CURRENT_LIST_DIR}/CorePressButton.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreCircleIconButton.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreCircleIconButton.h
  ${CMAKE_CURRENT_LIST_DIR}/PulseRing.cpp ${CMAKE_CURRENT_LIST_DIR}/PulseRing.h
  ${CMAKE_CURRENT_LIST_DIR}/FlashModifier.cpp ${CMAKE_CURRENT_LIST_DIR}/FlashModifier.h
)
