# The views of the HUD's panels, the layout editor, the command bar and the setup check.
target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hud/FloatingHUDPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/hud/FloatingHUDPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/hud/EditorPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/hud/EditorPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/hud/EditorView.cpp ${CMAKE_CURRENT_LIST_DIR}/hud/EditorView.h
  ${CMAKE_CURRENT_LIST_DIR}/hud/LayoutEditor.cpp ${CMAKE_CURRENT_LIST_DIR}/hud/LayoutEditor.h
  ${CMAKE_CURRENT_LIST_DIR}/hud/PanelStack.cpp ${CMAKE_CURRENT_LIST_DIR}/hud/PanelStack.h
  ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarPanel.cpp ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarPanel.h
  ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarRow.cpp ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarRow.h
  ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarBackdrop.cpp ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarBackdrop.h
  ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarView.cpp ${CMAKE_CURRENT_LIST_DIR}/commandbar/CommandBarView.h
  ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckList.cpp ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckList.h
  ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckView.cpp ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckView.h
  ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/setup/SetupCheckWindow.h
)
