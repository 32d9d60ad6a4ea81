target_sources(kaidro_views PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CoreToastCenter.cpp ${CMAKE_CURRENT_LIST_DIR}/CoreToastCenter.h
  ${CMAKE_CURRENT_LIST_DIR}/ToastView.cpp ${CMAKE_CURRENT_LIST_DIR}/ToastView.h
)
