vfs_gtest(test_filelist_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/filelist_test_win32.cpp
  LIBS vfs_filelist vfs_ui)
vfs_gtest(test_window_ui_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_ui_test_win32.cpp
  LIBS vfs_filelist vfs_ui
  LABELS gui)
vfs_gtest(test_movie_list_view_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/movie_list_view_test_win32.cpp
  LIBS vfs_filelist vfs_ui
  LABELS gui)
