target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/EaseInOut.h
  ${CMAKE_CURRENT_LIST_DIR}/ReadoutText.cpp ${CMAKE_CURRENT_LIST_DIR}/ReadoutText.h
  ${CMAKE_CURRENT_LIST_DIR}/GlyphSprites.cpp ${CMAKE_CURRENT_LIST_DIR}/GlyphSprites.h
  ${CMAKE_CURRENT_LIST_DIR}/ReadoutScale.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreStepGauge.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreStepGauge.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreHPBar.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreHPBar.h
  ${CMAKE_CURRENT_LIST_DIR}/MiniHP.cpp ${CMAKE_CURRENT_LIST_DIR}/MiniHP.h
  ${CMAKE_CURRENT_LIST_DIR}/CoreCursorDiamond.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreCursorDiamond.h
  ${CMAKE_CURRENT_LIST_DIR}/TargetReadout.h
  ${CMAKE_CURRENT_LIST_DIR}/TargetReadoutAdapter.cpp ${CMAKE_CURRENT_LIST_DIR}/TargetReadoutAdapter.h
  ${CMAKE_CURRENT_LIST_DIR}/TrackReadout.h
  ${CMAKE_CURRENT_LIST_DIR}/SlotSkill.h
  ${CMAKE_CURRENT_LIST_DIR}/QuestRows.cpp ${CMAKE_CURRENT_LIST_DIR}/QuestRows.h
  ${CMAKE_CURRENT_LIST_DIR}/PlayerStatus.cpp ${CMAKE_CURRENT_LIST_DIR}/PlayerStatus.h
  ${CMAKE_CURRENT_LIST_DIR}/PartyStrip.cpp ${CMAKE_CURRENT_LIST_DIR}/PartyStrip.h
  ${CMAKE_CURRENT_LIST_DIR}/FieldHeader.cpp ${CMAKE_CURRENT_LIST_DIR}/FieldHeader.h
  ${CMAKE_CURRENT_LIST_DIR}/TargetCursor.cpp ${CMAKE_CURRENT_LIST_DIR}/TargetCursor.h
  ${CMAKE_CURRENT_LIST_DIR}/TransportButton.cpp ${CMAKE_CURRENT_LIST_DIR}/TransportButton.h
  ${CMAKE_CURRENT_LIST_DIR}/NowPlaying.cpp ${CMAKE_CURRENT_LIST_DIR}/NowPlaying.h
  ${CMAKE_CURRENT_LIST_DIR}/QuestLog.cpp ${CMAKE_CURRENT_LIST_DIR}/QuestLog.h
  ${CMAKE_CURRENT_LIST_DIR}/SkillSlotTile.cpp ${CMAKE_CURRENT_LIST_DIR}/SkillSlotTile.h
  ${CMAKE_CURRENT_LIST_DIR}/SkillSlots.cpp ${CMAKE_CURRENT_LIST_DIR}/SkillSlots.h
  ${CMAKE_CURRENT_LIST_DIR}/ConfirmChoiceButton.cpp ${CMAKE_CURRENT_LIST_DIR}/ConfirmChoiceButton.h
  ${CMAKE_CURRENT_LIST_DIR}/ConfirmLogout.cpp ${CMAKE_CURRENT_LIST_DIR}/ConfirmLogout.h
  ${CMAKE_CURRENT_LIST_DIR}/ScaledRoot.cpp ${CMAKE_CURRENT_LIST_DIR}/ScaledRoot.h
  ${CMAKE_CURRENT_LIST_DIR}/ReadoutViews.cpp ${CMAKE_CURRENT_LIST_DIR}/ReadoutViews.h
  ${CMAKE_CURRENT_LIST_DIR}/ReadoutViewFactory.cpp ${CMAKE_CURRENT_LIST_DIR}/ReadoutViewFactory.h
)
