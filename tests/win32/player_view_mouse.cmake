# Mouse input through the player view under Wine: stage coordinates, button states, the hand cursor.
vfs_gtest(test_player_view_mouse_win32
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_view_mouse_test_win32.cpp
  LIBS vfs_platform vfs_swf
  LABELS gui)
