target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuTree.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuTree.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuSelection.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuSelection.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuActions.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuActions.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuPaintedButton.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuPaintedButton.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuRailColumn.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuRailColumn.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuRail.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuRail.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/CoreFigure.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/CoreFigure.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/SummaryRing.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/SummaryRing.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/CoreSummaryPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/CoreSummaryPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/MenuPainting.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/MenuPainting.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/InventoryText.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/InventoryText.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/CoreInventory.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/CoreInventory.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/CoreEquipment.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/CoreEquipment.h
  ${CMAKE_CURRENT_LIST_DIR}/menu/CoreSkills.cpp ${CMAKE_CURRENT_LIST_DIR}/menu/CoreSkills.h
)
